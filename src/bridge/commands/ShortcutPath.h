#pragma once
// The interactive user's shortcut folders (desktop, Start menu, Startup),
// also when the installer runs under another account: the folders come from
// the desktop owner's hive (InteractiveUser), not from our own profile.
#include <string>

namespace Tools {

// Folder of the interactive user for a shortcut kind: 0 desktop, 1 Start
// menu, 2 Startup; empty for any other kind. Read from the user's "Shell
// Folders" key, else formed from the user's profile folders.
std::wstring GetShortcutNonePublicPath(int type);

}  // namespace Tools

namespace bridge {

// The "Shell Folders" value of a shortcut kind; empty (the default value) for
// any other kind.
const wchar_t* ShellFolderValueName(int type);

// The folder formed from the profile folders when "Shell Folders" gives none.
// `olderLayout`: Windows 5 and earlier (profile\Start Menu\Programs).
std::wstring FallbackShortcutFolder(int type, bool olderLayout, const std::wstring& appData,
                                    const std::wstring& userProfile);

}  // namespace bridge
