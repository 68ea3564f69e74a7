#include "platform/SystemInfo.h"

#include <cstdlib>
#include <vector>

#include "platform/FileSystemUtils.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace {

const wchar_t kUnknownVersion[] = L"X.X";
const size_t kRegBufferChars = 1024;

std::optional<std::wstring> ReadValue(HKEY key, const wchar_t* value) {
    wchar_t buffer[kRegBufferChars] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer);
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    size_t chars = bytes / sizeof(wchar_t);
    // Must be NUL-terminated inside the buffer.
    if (chars == 0 || buffer[chars - 1] != L'\0') {
        if (chars >= kRegBufferChars) return std::nullopt;
        bool terminated = false;
        for (size_t i = 0; i < chars; ++i) terminated = terminated || buffer[i] == L'\0';
        if (!terminated) return std::nullopt;
    }
    return std::wstring(buffer);
}

bool OpenKey(HKEY root, const wchar_t* subKey, wi::unique_hkey& key) {
    return ::RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> NonEmpty(const std::optional<std::wstring>& v) {
    if (v && !v->empty()) return v;
    return std::nullopt;
}

// Registry version of a browser from the first of three keys that opens.
std::optional<std::wstring> BrowserRegistryVersion(const wchar_t* userKey, const wchar_t* wowKey,
                                                   const wchar_t* value) {
    wi::unique_hkey key;
    if (!OpenKey(HKEY_CURRENT_USER, userKey, key) && !OpenKey(HKEY_LOCAL_MACHINE, userKey, key) &&
        !OpenKey(HKEY_LOCAL_MACHINE, wowKey, key))
        return std::nullopt;
    return ReadValue(key.get(), value);
}

bool Usable(const std::optional<std::wstring>& version) {
    return version && !version->empty() && *version != kUnknownVersion;
}

// The registry's version, or else that of the App Paths program (looked up
// only when needed).
std::wstring BrowserVersion(const std::optional<std::wstring>& registry, const wchar_t* appPathKey) {
    if (Usable(registry)) return *registry;
    auto path = SystemInfo::ReadRegString(HKEY_LOCAL_MACHINE, appPathKey, nullptr);
    return SystemInfo::ChooseBrowserVersion(registry, path ? *path : std::wstring());
}

}  // namespace

std::optional<std::wstring> SystemInfo::ReadRegString(HKEY root, const wchar_t* subKey, const wchar_t* value) {
    wi::unique_hkey key;
    if (!OpenKey(root, subKey, key)) return std::nullopt;
    return ReadValue(key.get(), value);
}

SystemInfo::Version SystemInfo::FromGetVersion(DWORD value) {
    Version v;
    v.major = LOBYTE(LOWORD(value));
    v.minor = HIBYTE(LOWORD(value));
    v.build = (value & 0x80000000u) ? 0 : HIWORD(value);
    return v;
}

std::wstring SystemInfo::VersionText(const Version& v, bool registryOpened,
                                     const std::optional<std::wstring>& currentVersion,
                                     const std::optional<std::wstring>& currentBuild) {
    if (v.major >= 6 && v.minor >= 2) {
        std::wstring text = kUnknownVersion;
        if (!registryOpened || !currentVersion) return text;
        text = *currentVersion;
        if (currentBuild) text += L" " + *currentBuild;
        return text;
    }
    return wi::Format(L"%d.%d (%d)", v.major, v.minor, v.build);
}

std::wstring SystemInfo::GetOSVersionText() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Version v = FromGetVersion(::GetVersion());
#pragma GCC diagnostic pop
    const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    wi::unique_hkey key;
    bool opened = false;
    std::optional<std::wstring> current, build;
    if (v.major >= 6 && v.minor >= 2) {
        opened = OpenKey(HKEY_LOCAL_MACHINE, kKey, key) || OpenKey(HKEY_LOCAL_MACHINE, kKey, key);
        if (opened) {
            current = ReadValue(key.get(), L"CurrentVersion");
            if (current) build = ReadValue(key.get(), L"CurrentBuild");
        }
    }
    return VersionText(v, opened, current, build);
}

std::wstring SystemInfo::ShortNameFor(const std::wstring& versionText) {
    static const struct {
        const wchar_t* prefix;
        const wchar_t* name;
    } kTable[] = {{L"6.3", L"8_1"}, {L"6.2", L"8"},    {L"6.1", L"7"},   {L"6.0", L"V"},
                  {L"5.2", L"XP64"}, {L"5.1", L"XP32"}, {L"5.0", L"2000"}};
    for (const auto& row : kTable) {
        if (versionText.compare(0, 3, row.prefix) == 0) return row.name;
    }
    return L"X";
}

std::wstring SystemInfo::NameFor(const std::wstring& versionText, int build) {
    std::wstring name = ShortNameFor(versionText);
    if (name == L"X") name = L"XP_X";
    return name + wi::Format(L"(%d)", build);
}

std::wstring SystemInfo::GetOSShortName() { return ShortNameFor(GetOSVersionText()); }

std::wstring SystemInfo::GetOSName() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Version v = FromGetVersion(::GetVersion());
#pragma GCC diagnostic pop
    return NameFor(GetOSVersionText(), v.build);
}

bool SystemInfo::IsWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    static volatile IsWow64ProcessFn cached = nullptr;
    IsWow64ProcessFn fn = cached;
    if (!fn) {
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        if (!kernel) return false;
        fn = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
        if (!fn) return false;
        cached = fn;
    }
    BOOL wow = FALSE;
    return fn(::GetCurrentProcess(), &wow) && wow;
}

std::wstring SystemInfo::GetFileVersionText(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::wstring();
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::wstring();
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info || length == 0)
        return std::wstring();
    if (info->dwSignature != 0xFEEF04BD) return std::wstring();
    return wi::Format(L"%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                      HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
}

std::wstring SystemInfo::GetIEVersion() {
    std::wstring text = GetFileVersionText(L"iexplore.exe");
    if (!text.empty()) return text;
    for (const wchar_t* key : {L"SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer",
                               L"SOFTWARE\\Microsoft\\Internet Explorer"}) {
        if (auto v = NonEmpty(ReadRegString(HKEY_LOCAL_MACHINE, key, L"svcVersion"))) return *v;
        if (auto v = NonEmpty(ReadRegString(HKEY_LOCAL_MACHINE, key, L"Version"))) return *v;
    }
    return kUnknownVersion;
}

std::wstring SystemInfo::ChooseBrowserVersion(const std::optional<std::wstring>& registryVersion,
                                              const std::wstring& appPath) {
    if (Usable(registryVersion)) return *registryVersion;
    if (appPath.empty()) return kUnknownVersion;
    std::wstring fileVersion = GetFileVersionText(appPath);
    return fileVersion.empty() ? std::wstring(kUnknownVersion) : fileVersion;
}

std::wstring SystemInfo::GetChromeVersion() {
    auto registry = BrowserRegistryVersion(
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome",
        L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome", L"Version");
    return BrowserVersion(registry, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe");
}

std::wstring SystemInfo::GetFirefoxVersion() {
    auto registry = BrowserRegistryVersion(L"Software\\Mozilla\\Mozilla Firefox",
                                           L"Software\\Wow6432Node\\Mozilla\\Mozilla Firefox", L"CurrentVersion");
    return BrowserVersion(registry, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\firefox.exe");
}

std::wstring SystemInfo::GetMajorVersion(const std::wstring& text, size_t count) {
    size_t dot = text.find(L'.');
    if (!text.empty() && dot != std::wstring::npos) return text.substr(0, dot);
    if (text.size() > count) return text.substr(0, count);
    return L"X";
}

bool SystemInfo::IsAdminUser() {
    std::wstring name = wi::Format(L"tempo_%d", std::rand());
    wi::unique_hkey software;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, 0x2001F, software.put()) != ERROR_SUCCESS) return false;
    bool passed = false;
    if (::RegSetValueW(software.get(), name.c_str(), REG_SZ, name.c_str(),
                       static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS) {
        ::RegDeleteKeyW(software.get(), name.c_str());
        passed = true;
    }
    software.reset();
    if (!passed) return false;

    std::wstring folder;
    for (const wchar_t* variable : {L"ProgramFiles(x86)", L"ProgramFiles"}) {
        wchar_t buffer[MAX_PATH * 2] = {};
        DWORD got = ::GetEnvironmentVariableW(variable, buffer, MAX_PATH * 2);
        if (got > 0 && got < MAX_PATH * 2) {
            folder = buffer;
            break;
        }
    }
    if (folder.empty()) return true;
    if (folder.back() != L'\\') folder += L'\\';
    folder += name;
    bool result = CFileSystemUtils::CreateDirectoryRecurcive(folder);
    std::wstring error;
    CFileSystemUtils::DeleteDirectory(true, error, folder);
    return result;
}
