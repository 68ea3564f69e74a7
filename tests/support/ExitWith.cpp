// exit_with.exe: the program the launch tests start. It ends with the exit
// code it is told, and offers a few helpers that let a test page see what
// happened outside the program under test.
//
//   exit_with.exe [--sleep MS] [--marker PATH] CODE
//       sleeps MS milliseconds, writes its own command line (UTF-8) into PATH,
//       and exits with CODE.
//   exit_with.exe --wait-for PATH [--timeout MS] CODE
//       exits with CODE once PATH exists, with 99 when it has not appeared
//       within MS milliseconds (default 20000).
//   exit_with.exe --hex SOURCE TARGET
//       writes the bytes of SOURCE as upper-case hex digits into TARGET (a page
//       reads them back to check exact file contents); exits 0, 3 when SOURCE
//       cannot be read, 4 when TARGET cannot be written.
//   exit_with.exe --dde-server EXT READY [--timeout MS] CODE
//       registers, for the current user, the document type EXT whose open verb
//       is handed by DDE to a running server, serves that conversation, writes
//       READY once it listens, and exits with CODE after the first execute
//       request (98 when none came within MS, default 30000). The executed
//       text is appended to READY. The registration is removed at the end.
//       Opening such a document while the server runs gives the caller a
//       successful start without a process handle.
//
// A GUI-subsystem program: started through the shell it opens no console.
#include <windows.h>
#include <ddeml.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const wchar_t kDdeService[] = L"WebInstallerExitWithDoc";
const wchar_t kDocClass[] = L"WebInstallerTest.ExitWithDoc";
const UINT_PTR kTimeoutTimer = 1;

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

bool WriteAll(const std::wstring& path, const std::string& bytes, bool append) {
    HANDLE file = ::CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadAll(const std::wstring& path, std::string* bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0) {
        bytes->append(buffer, read);
    }
    ::CloseHandle(file);
    return ok;
}

int HexDump(const std::wstring& source, const std::wstring& target) {
    std::string bytes;
    if (!ReadAll(source, &bytes)) return 3;
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return WriteAll(target, hex, false) ? 0 : 4;
}

int WaitFor(const std::wstring& path, DWORD timeoutMs, int code) {
    DWORD start = ::GetTickCount();
    while (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (::GetTickCount() - start > timeoutMs) return 99;
        ::Sleep(50);
    }
    return code;
}

// --- DDE document server ---------------------------------------------------

DWORD g_ddeInstance = 0;
std::wstring g_readyPath;
bool g_executed = false;

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(TRUE);  // any topic
    case XTYP_EXECUTE: {
        DWORD size = ::DdeGetData(data, nullptr, 0, 0);
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        if (size) ::DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
        WriteAll(g_readyPath, "\n" + ToUtf8(text.data()), true);
        g_executed = true;
        ::PostQuitMessage(0);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default:
        return nullptr;
    }
}

bool SetClassValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(root, (L"Software\\Classes\\" + key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LSTATUS status = ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool RegisterDocumentType(HKEY root, const std::wstring& extension) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring verb = std::wstring(kDocClass) + L"\\shell\\open";
    return SetClassValue(root, extension, nullptr, kDocClass) &&
           // Used only when no server runs: the shell starts this and then fails to connect.
           SetClassValue(root, verb + L"\\command", nullptr, L"\"" + std::wstring(self) + L"\" 97") &&
           SetClassValue(root, verb + L"\\ddeexec", nullptr, L"[open(\"%1\")]") &&
           SetClassValue(root, verb + L"\\ddeexec\\application", nullptr, kDdeService) &&
           SetClassValue(root, verb + L"\\ddeexec\\topic", nullptr, L"System");
}

void UnregisterDocumentType(HKEY root, const std::wstring& extension) {
    ::RegDeleteTreeW(root, (L"Software\\Classes\\" + extension).c_str());
    ::RegDeleteTreeW(root, (std::wstring(L"Software\\Classes\\") + kDocClass).c_str());
}

// The user's classes are the place on Windows; Wine reads only the machine's.
bool RegisterDocumentType(const std::wstring& extension) {
    bool user = RegisterDocumentType(HKEY_CURRENT_USER, extension);
    bool machine = RegisterDocumentType(HKEY_LOCAL_MACHINE, extension);
    return user || machine;
}

void UnregisterDocumentType(const std::wstring& extension) {
    UnregisterDocumentType(HKEY_CURRENT_USER, extension);
    UnregisterDocumentType(HKEY_LOCAL_MACHINE, extension);
}

int ServeDocuments(const std::wstring& extension, const std::wstring& ready, DWORD timeoutMs, int code) {
    g_readyPath = ready;
    if (!RegisterDocumentType(extension)) {
        UnregisterDocumentType(extension);
        return 96;
    }
    int result = 95;
    if (::DdeInitializeW(&g_ddeInstance, DdeCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
        DMLERR_NO_ERROR) {
        HSZ service = ::DdeCreateStringHandleW(g_ddeInstance, kDdeService, CP_WINUNICODE);
        if (service && ::DdeNameService(g_ddeInstance, service, nullptr, DNS_REGISTER) &&
            WriteAll(ready, "ready", false)) {
            ::SetTimer(nullptr, kTimeoutTimer, timeoutMs, nullptr);
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            result = g_executed ? code : 98;
            ::DdeNameService(g_ddeInstance, service, nullptr, DNS_UNREGISTER);
        }
        if (service) ::DdeFreeStringHandle(g_ddeInstance, service);
        ::DdeUninitialize(g_ddeInstance);
    }
    UnregisterDocumentType(extension);
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD sleepMs = 0;
    long timeoutMs = -1;  // -1: the mode's default
    std::wstring marker, waitFor, hexSource, hexTarget, ddeExtension, ddeReady;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--sleep" && hasValue) {
            sleepMs = static_cast<DWORD>(_wtoi(argv[++i]));
        } else if (arg == L"--marker" && hasValue) {
            marker = argv[++i];
        } else if (arg == L"--wait-for" && hasValue) {
            waitFor = argv[++i];
        } else if (arg == L"--timeout" && hasValue) {
            timeoutMs = _wtol(argv[++i]);
        } else if (arg == L"--hex" && i + 2 < argc) {
            hexSource = argv[++i];
            hexTarget = argv[++i];
        } else if (arg == L"--dde-server" && i + 2 < argc) {
            ddeExtension = argv[++i];
            ddeReady = argv[++i];
        } else {
            break;
        }
    }
    if (!hexSource.empty()) return HexDump(hexSource, hexTarget);
    if (i != argc - 1) return 90;  // usage: the exit code comes last
    int code = _wtoi(argv[i]);
    auto timeout = [&](DWORD fallback) { return timeoutMs >= 0 ? static_cast<DWORD>(timeoutMs) : fallback; };
    if (!waitFor.empty()) return WaitFor(waitFor, timeout(20000), code);
    if (!ddeExtension.empty()) return ServeDocuments(ddeExtension, ddeReady, timeout(30000), code);
    if (sleepMs) ::Sleep(sleepMs);
    if (!marker.empty() && !WriteAll(marker, ToUtf8(::GetCommandLineW()), false)) return 91;
    return code;
}
