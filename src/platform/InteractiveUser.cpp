#include "platform/InteractiveUser.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <set>

#include "platform/Handles.h"
#include "platform/Text.h"

namespace {

const DWORD kNameChars = 260;          // account and domain name buffers
const DWORD kHiveNameChars = 260;      // subkey names of up to 259 characters
const DWORD kValueBytes = 260;         // volatile values of up to 129 characters
const DWORD kMaxHiveIndex = 100000;    // ends an enumeration that only fails

std::vector<InteractiveUser::ProcessEntry> ProcessList() {
    std::vector<InteractiveUser::ProcessEntry> processes;
    wi::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    return processes;
}

// Account and domain name of the user a process runs as; both empty on failure.
void ProcessOwner(DWORD processId, std::wstring* account, std::wstring* domain) {
    wi::unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return;
    wi::unique_handle token;
    if (!::OpenProcessToken(process.get(), TOKEN_QUERY, token.put())) return;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return;
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return;
    const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    wchar_t name[kNameChars] = {};
    wchar_t domainName[kNameChars] = {};
    DWORD nameChars = kNameChars;
    DWORD domainChars = kNameChars;
    SID_NAME_USE use;
    if (!::LookupAccountSidW(nullptr, user->User.Sid, name, &nameChars, domainName, &domainChars, &use)) return;
    *account = name;
    *domain = domainName;
}

// A string value of at most 129 characters, unexpanded; longer or missing: nullopt.
std::optional<std::wstring> ReadVolatileValue(HKEY key, const wchar_t* name) {
    wchar_t buffer[kValueBytes / sizeof(wchar_t)] = {};
    DWORD type = 0;
    DWORD bytes = kValueBytes;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring value(buffer, bytes / sizeof(wchar_t));
    size_t end = value.find(L'\0');
    if (end != std::wstring::npos) value.resize(end);
    if (value.size() > kValueBytes / sizeof(wchar_t) - 1) return std::nullopt;  // no room for the NUL
    return value;
}

std::vector<InteractiveUser::Hive> LoadedHives() {
    std::vector<InteractiveUser::Hive> hives;
    for (DWORD index = 0; index < kMaxHiveIndex; ++index) {
        wchar_t name[kHiveNameChars] = {};
        DWORD chars = kHiveNameChars;
        LSTATUS status = ::RegEnumKeyExW(HKEY_USERS, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;  // that index only
        wi::unique_hkey key;
        std::wstring path = std::wstring(name) + L"\\Volatile Environment";
        if (::RegOpenKeyExW(HKEY_USERS, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
        InteractiveUser::Hive hive;
        hive.name = name;
        InteractiveUser::VolatileEnvironment& v = hive.values;
        v.userDomain = ReadVolatileValue(key.get(), L"USERDOMAIN");
        v.logonServer = ReadVolatileValue(key.get(), L"LOGONSERVER");
        v.userName = ReadVolatileValue(key.get(), L"USERNAME");
        v.homePath = ReadVolatileValue(key.get(), L"HOMEPATH");
        v.appData = ReadVolatileValue(key.get(), L"APPDATA");
        v.localAppData = ReadVolatileValue(key.get(), L"LOCALAPPDATA");
        v.userProfile = ReadVolatileValue(key.get(), L"USERPROFILE");
        v.homeDrive = ReadVolatileValue(key.get(), L"HOMEDRIVE");
        hives.push_back(std::move(hive));
    }
    return hives;
}

}  // namespace

bool InteractiveUser::IsShellImage(const std::wstring& image) {
    std::wstring lower = image;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    for (const wchar_t* part : {L"explorer.exe", L"winlogon.exe", L"system", L"svchost.exe"}) {
        if (wi::Contains(lower, part)) return true;
    }
    return false;
}

DWORD InteractiveUser::FindShellAncestor(DWORD self, const std::vector<ProcessEntry>& processes) {
    DWORD result = 0;
    DWORD target = self;
    std::set<DWORD> seen;  // a reused process id can close a loop
    for (;;) {
        auto entry = std::find_if(processes.begin(), processes.end(),
                                  [target](const ProcessEntry& e) { return e.id == target; });
        if (entry == processes.end() || !seen.insert(target).second) return result;
        result = target;
        if (IsShellImage(entry->image)) return result;
        target = entry->parentId;
    }
}

InteractiveUser::HiveOwner InteractiveUser::OwnerOf(const VolatileEnvironment& v) {
    HiveOwner owner;
    if (v.userDomain) {
        owner.domain = *v.userDomain;
    } else if (v.logonServer) {
        owner.domain = v.logonServer->substr(std::min<size_t>(2, v.logonServer->size()));  // without "\\"
    }
    if (v.userName) {
        owner.user = *v.userName;
    } else if (v.homePath) {
        size_t slash = v.homePath->rfind(L'\\');
        owner.user = slash == std::wstring::npos ? *v.homePath : v.homePath->substr(slash + 1);
    }
    owner.appData = v.appData.value_or(L"");
    // Older profiles keep the local data under "Local Settings".
    owner.localAppData = v.localAppData ? *v.localAppData
                                         : wi::ReplaceAll(owner.appData, L"Application Data",
                                                          L"Local Settings\\Application Data");
    owner.userProfile = v.userProfile ? *v.userProfile : v.homeDrive.value_or(L"") + v.homePath.value_or(L"");
    return owner;
}

bool InteractiveUser::NameMatches(const std::wstring& candidate, const std::wstring& name) {
    if (name.empty()) return true;
    return ::CompareStringOrdinal(candidate.c_str(), static_cast<int>(candidate.size()), name.c_str(),
                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

InteractiveUser InteractiveUser::ChooseHive(const std::wstring& account, const std::wstring& domain,
                                            const std::vector<Hive>& hives) {
    InteractiveUser user;
    user.hiveName = domain;
    for (const Hive& hive : hives) {
        HiveOwner owner = OwnerOf(hive.values);
        user.appData = owner.appData;
        user.localAppData = owner.localAppData;
        user.userProfile = owner.userProfile;
        if (NameMatches(owner.user, account) && NameMatches(owner.domain, domain)) {
            user.hiveName = hive.name;
            break;
        }
    }
    return user;
}

InteractiveUser InteractiveUser::Lookup() {
    DWORD shell = FindShellAncestor(::GetCurrentProcessId(), ProcessList());
    std::wstring account;
    std::wstring domain;
    ProcessOwner(shell, &account, &domain);
    return ChooseHive(account, domain, LoadedHives());
}
