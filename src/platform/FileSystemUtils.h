#pragma once
// File and folder operations shared by the whole program: existence tests,
// recursive folder creation, deletion through the shell, copying a file into a
// folder, and the widening of an install folder for self-removal.
// All operations are static and keep no state; they log in category UTILS, level DBG.
#include <windows.h>

#include <string>

class CFileSystemUtils {
public:
    // True when the file can be opened for reading (shared); a folder, a missing
    // file or a file locked against reading gives false.
    static bool FileExists(const std::wstring& path);
    // False only when the attribute query fails with file-not-found,
    // path-not-found or device-not-ready; any other outcome gives true.
    static bool PathExists(const std::wstring& path);
    // Creates the folder with every missing parent (needs a full path);
    // an existing folder, or "already exists" from the shell, counts as success.
    static bool CreateDirectoryRecurcive(const std::wstring& path);
    // Deletes a folder with its content; a missing folder counts as deleted.
    // The error text is only ever emptied, never filled.
    static bool DeleteDirectory(bool permanent, std::wstring& error, const std::wstring& path);

    // Why these two members can carry the Win32 names: <windows.h> maps the
    // generic names to the W forms (#define DeleteFile DeleteFileW, #define
    // CopyFile CopyFileW); DeleteFileW and CopyFileW themselves are functions,
    // not macros. Declared with the W names, the members are never renamed by
    // the preprocessor, whatever the include order, and a caller writing
    // CFileSystemUtils::DeleteFile(...) under UNICODE reaches the same member.
    // Inside the class the members hide the Win32 functions, so the
    // implementation calls those as ::DeleteFileW / ::CopyFileW.

    // Deletes one file, always permanently; a missing file counts as deleted.
    static bool DeleteFileW(const std::wstring& path, std::wstring& error);
    // Copies source to "<targetFolder>\<targetName>", creating the folder and
    // replacing an existing target. A missing source sets "file_does_not_exists".
    static bool CopyFileW(const std::wstring& source, const std::wstring& targetFolder,
                          const std::wstring& targetName, std::wstring& error);

    // SHFileOperation FO_DELETE, silent and without confirmation (and to the
    // Recycle Bin when not permanent). When the shell fails, an empty folder is
    // still removed with RemoveDirectory; the result stays false then.
    static bool ShellDelete(const std::wstring& path, bool permanent, std::wstring& error);
    // Unattended (silent) runs: the shell shows no error dialog either.
    static void SetUnattended(bool unattended);
    // Widens "<parent>\<leaf>\" to "<parent>\" when the parent is named casino or
    // poker (any case) and holds nothing but the leaf.
    static void GetRemovalFolder(std::wstring& folder);

    // The decision of GetRemovalFolder without the listing: the parent folder
    // (with its trailing backslash) and the leaf name, or false when the folder
    // does not have the required form or the parent is not a shared category.
    static bool SplitRemovalCandidate(const std::wstring& folder, std::wstring& parent, std::wstring& leaf);
};
