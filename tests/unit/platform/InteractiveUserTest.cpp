// The interactive-user lookup: the ancestor walk, the hive owner's names and
// folders, the choice of the hive, and the whole lookup on this system.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform/Handles.h"
#include "platform/InteractiveUser.h"
#include "platform/Text.h"

namespace {

using Entry = InteractiveUser::ProcessEntry;
using Env = InteractiveUser::VolatileEnvironment;

TEST(InteractiveUser, ShellAncestor) {
    const struct {
        const char* name;
        std::vector<Entry> processes;
        DWORD expected;
    } cases[] = {
        {"started from the desktop", {{10, 4, L"explorer.exe"}, {20, 10, L"setup.exe"}}, 10},
        {"through a console, elevated",
         {{4, 1, L"Explorer.EXE"}, {30, 4, L"cmd.exe"}, {31, 30, L"consent-child.exe"}, {20, 31, L"setup.exe"}},
         4},
        {"session processes count too", {{7, 0, L"winlogon.exe"}, {20, 7, L"setup.exe"}}, 7},
        {"service host", {{7, 0, L"SVCHOST.EXE"}, {20, 7, L"setup.exe"}}, 7},
        {"any image with 'system'", {{7, 0, L"[System Process]"}, {20, 7, L"setup.exe"}}, 7},
        {"parent gone: the oldest ancestor running", {{30, 99, L"cmd.exe"}, {20, 30, L"setup.exe"}}, 30},
        {"reused id closes a loop", {{30, 20, L"cmd.exe"}, {20, 30, L"setup.exe"}}, 30},
        {"the program itself is the shell", {{20, 4, L"explorer.exe"}}, 20},
        {"not in the snapshot", {{10, 4, L"explorer.exe"}}, 0},
        {"no snapshot", {}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, InteractiveUser::FindShellAncestor(20, c.processes)) << c.name;
}

TEST(InteractiveUser, HiveOwnerAndFolders) {
    const struct {
        const char* name;
        Env values;
        InteractiveUser::HiveOwner expected;
    } cases[] = {
        {"current profile",
         {L"PC", L"\\\\PC", L"ann", L"\\Users\\ann", L"C:\\Users\\ann\\AppData\\Roaming",
          L"C:\\Users\\ann\\AppData\\Local", L"C:\\Users\\ann", L"C:"},
         {L"PC", L"ann", L"C:\\Users\\ann\\AppData\\Roaming", L"C:\\Users\\ann\\AppData\\Local", L"C:\\Users\\ann"}},
        {"older profile: names and folders from the fallbacks",
         {{}, L"\\\\DC01", {}, L"\\Documents and Settings\\bob", L"C:\\Documents and Settings\\bob\\Application Data",
          {}, {}, L"C:"},
         {L"DC01", L"bob", L"C:\\Documents and Settings\\bob\\Application Data",
          L"C:\\Documents and Settings\\bob\\Local Settings\\Application Data", L"C:\\Documents and Settings\\bob"}},
        {"nothing but a short logon server", {{}, L"\\", {}, {}, {}, {}, {}, {}}, {L"", L"", L"", L"", L""}},
        {"home path without a backslash", {{}, {}, {}, L"carl", {}, {}, {}, {}}, {L"", L"carl", L"", L"", L"carl"}},
    };
    for (const auto& c : cases) {
        InteractiveUser::HiveOwner owner = InteractiveUser::OwnerOf(c.values);
        EXPECT_EQ(c.expected.domain, owner.domain) << c.name;
        EXPECT_EQ(c.expected.user, owner.user) << c.name;
        EXPECT_EQ(c.expected.appData, owner.appData) << c.name;
        EXPECT_EQ(c.expected.localAppData, owner.localAppData) << c.name;
        EXPECT_EQ(c.expected.userProfile, owner.userProfile) << c.name;
    }
}

InteractiveUser::Hive MakeHive(const wchar_t* sid, const wchar_t* domain, const wchar_t* user) {
    InteractiveUser::Hive hive;
    hive.name = sid;
    hive.values.userDomain = domain;
    hive.values.userName = user;
    hive.values.localAppData = std::wstring(L"C:\\Users\\") + user + L"\\AppData\\Local";
    return hive;
}

TEST(InteractiveUser, ChoosesTheAccountsHive) {
    // Two users logged on (fast user switching); an administrator's elevation
    // does not matter: the names come from the desktop's process.
    std::vector<InteractiveUser::Hive> hives = {MakeHive(L"S-1-5-21-1-1001", L"PC", L"bobby"),
                                                MakeHive(L"S-1-5-21-1-1002", L"PC", L"bob"),
                                                MakeHive(L"S-1-5-21-1-1003", L"PC", L"admin")};
    const struct {
        const char* name;
        const wchar_t* account;
        const wchar_t* domain;
        const wchar_t* hive;
        const wchar_t* localAppData;
    } cases[] = {
        {"the whole name, not a prefix", L"bob", L"PC", L"S-1-5-21-1-1002", L"C:\\Users\\bob\\AppData\\Local"},
        {"names compare without case", L"BOBBY", L"pc", L"S-1-5-21-1-1001", L"C:\\Users\\bobby\\AppData\\Local"},
        {"token names unknown: the first hive", L"", L"", L"S-1-5-21-1-1001", L"C:\\Users\\bobby\\AppData\\Local"},
        {"no match: the domain name and the last hive's folders", L"eve", L"PC", L"PC",
         L"C:\\Users\\admin\\AppData\\Local"},
        {"other domain", L"bob", L"CORP", L"CORP", L"C:\\Users\\admin\\AppData\\Local"},
    };
    for (const auto& c : cases) {
        InteractiveUser user = InteractiveUser::ChooseHive(c.account, c.domain, hives);
        EXPECT_EQ(c.hive, user.hiveName) << c.name;
        EXPECT_EQ(c.localAppData, user.localAppData) << c.name;
    }
    InteractiveUser none = InteractiveUser::ChooseHive(L"bob", L"PC", {});
    EXPECT_EQ(L"PC", none.hiveName);
    EXPECT_EQ(L"", none.localAppData);
}

std::wstring OwnSidText() {
    wi::unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return L"<no token>";
    BYTE buffer[256];
    DWORD size = sizeof(buffer);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, size, &size)) return L"<no user>";
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return L"<no text>";
    wi::unique_hlocal owner(text);
    return text;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"<none>";
    return path;
}

TEST(InteractiveUser, LookupFindsTheDesktopOwner) {
    // Here the test runs as the desktop's owner: the lookup must land on our own hive.
    InteractiveUser user = InteractiveUser::Lookup();
    EXPECT_EQ(OwnSidText(), user.hiveName);
    EXPECT_EQ(KnownFolder(CSIDL_LOCAL_APPDATA), user.localAppData);
    EXPECT_EQ(KnownFolder(CSIDL_APPDATA), user.appData);
    EXPECT_EQ(KnownFolder(CSIDL_PROFILE), user.userProfile);
}

}  // namespace
