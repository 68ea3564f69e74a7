#pragma once
// The interactive user: the account that owns the desktop, with its registry
// hive name (its SID text under HKEY_USERS) and its profile folders. An
// installer started elevated under another account (credentials typed in the
// elevation prompt) must still install for the desktop's owner, so the owner
// is found through the process tree, not through our own token:
//
//   1. walk up from our process to the first ancestor whose image looks like
//      a shell or session process (explorer.exe, winlogon.exe, svchost.exe,
//      anything with "system"): it runs as the desktop's owner;
//   2. the account and domain names of that process's token;
//   3. the loaded hive whose "Volatile Environment" names that account: its
//      key name is the SID text, its values give the folders.
//
// Nothing is kept between calls; every lookup reads the system again.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct InteractiveUser {
    std::wstring hiveName;      // key under HKEY_USERS (the SID text); see ChooseHive
    std::wstring localAppData;  // the user's LOCALAPPDATA
    std::wstring appData;       // the user's APPDATA
    std::wstring userProfile;   // the user's USERPROFILE

    // Runs the lookup on this system. Never fails; what is not found is empty.
    static InteractiveUser Lookup();

    // The decisions, as plain functions.
    struct ProcessEntry {
        DWORD id;
        DWORD parentId;
        std::wstring image;  // executable name as the process snapshot gives it
    };
    // The shell ancestor of `self`: the first process, from `self` upwards,
    // whose image is a shell or session process; when the chain breaks (a
    // parent that no longer runs, or a process met twice) the last process
    // found; 0 when `self` is not in the list.
    static DWORD FindShellAncestor(DWORD self, const std::vector<ProcessEntry>& processes);
    static bool IsShellImage(const std::wstring& image);

    // Values of a hive's "Volatile Environment"; nullopt: absent (or too long).
    struct VolatileEnvironment {
        std::optional<std::wstring> userDomain, logonServer, userName, homePath;
        std::optional<std::wstring> appData, localAppData, userProfile, homeDrive;
    };
    struct Hive {
        std::wstring name;  // subkey of HKEY_USERS
        VolatileEnvironment values;
    };
    // Who a hive belongs to and its folders, with the fallbacks of older
    // profiles (no USERDOMAIN, USERNAME, LOCALAPPDATA or USERPROFILE).
    struct HiveOwner {
        std::wstring domain, user;
        std::wstring appData, localAppData, userProfile;
    };
    static HiveOwner OwnerOf(const VolatileEnvironment& values);
    // A candidate name against the token's name: the whole name, compared
    // without regard to case (account names are case-insensitive); an empty
    // token name (the lookup failed) matches anything.
    static bool NameMatches(const std::wstring& candidate, const std::wstring& name);
    // Picks the hive of the account among the hives that have a "Volatile
    // Environment", in enumeration order. Without a match the hive name is the
    // domain name and the folders are those of the last hive (on a machine
    // with one logged-on user, that user's).
    static InteractiveUser ChooseHive(const std::wstring& account, const std::wstring& domain,
                                      const std::vector<Hive>& hives);
};
