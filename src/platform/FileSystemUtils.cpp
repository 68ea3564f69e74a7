#include "platform/FileSystemUtils.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <vector>

#include "diagnostics/Logger.h"
#include "platform/Handles.h"

namespace {

struct FindCloser {
    HANDLE handle;
    ~FindCloser() {
        if (handle != INVALID_HANDLE_VALUE) ::FindClose(handle);
    }
};

bool IsExistingFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool CFileSystemUtils::FileExists(const std::wstring& path) {
    // The sharing of an input stream of the C runtime: other readers and writers
    // may keep the file open; a file opened by someone without read sharing fails.
    wi::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

bool CFileSystemUtils::PathExists(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_NOT_READY;
}

bool CFileSystemUtils::CreateDirectoryRecurcive(const std::wstring& path) {
    static const wchar_t kName[] = L"CFileSystemUtils::CreateDirectoryRecurcive";
    if (IsExistingFolder(path)) {
        Logger::Write(UTILS, DBG, L"%ls Directory already exists [%ls]", kName, path.c_str());
        return true;
    }
    int result = ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_SUCCESS) {
        Logger::Write(UTILS, DBG, L"%ls Created directory successfully [%ls]", kName, path.c_str());
        return true;
    }
    if (result == ERROR_ALREADY_EXISTS) {
        Logger::Write(UTILS, DBG, L"%ls Failed to create directory because but just because it already exists [%ls]",
                      kName, path.c_str());
        return true;
    }
    Logger::Write(UTILS, DBG, L"%ls Failed to create directory [%ls]", kName, path.c_str());
    return false;
}

namespace {
// Unattended runs: the shell must not stop on an error dialog nobody sees.
bool g_noErrorUi = false;
}  // namespace

void CFileSystemUtils::SetUnattended(bool unattended) { g_noErrorUi = unattended; }

bool CFileSystemUtils::ShellDelete(const std::wstring& path, bool permanent, std::wstring& error) {
    // The shell takes a list of names, each ending with a NUL, the list with another.
    std::vector<wchar_t> list(path.begin(), path.end());
    list.push_back(L'\0');
    list.push_back(L'\0');

    SHFILEOPSTRUCTW operation = {};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.data();
    operation.pTo = nullptr;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    if (!permanent) operation.fFlags |= FOF_ALLOWUNDO;
    if (g_noErrorUi) operation.fFlags |= FOF_NOERRORUI;
    int result = ::SHFileOperationW(&operation);
    if (result != 0) {
        // Last resort for an empty folder the shell refused; still reported as failure.
        if (::RemoveDirectoryW(path.c_str())) error.clear();
        return false;
    }
    return true;
}

bool CFileSystemUtils::DeleteDirectory(bool permanent, std::wstring& error, const std::wstring& path) {
    if (IsExistingFolder(path)) return ShellDelete(path, permanent, error);
    Logger::Write(UTILS, DBG, L"%ls Directory does not exist [%ls]", L"CFileSystemUtils::DeleteDirectory",
                  path.c_str());
    return true;
}

bool CFileSystemUtils::DeleteFileW(const std::wstring& path, std::wstring& error) {
    if (FileExists(path)) return ShellDelete(path, true, error);
    Logger::Write(UTILS, DBG, L"%ls File does not exist [%ls]", L"CFileSystemUtils::DeleteFileW", path.c_str());
    return true;
}

bool CFileSystemUtils::CopyFileW(const std::wstring& source, const std::wstring& targetFolder,
                                 const std::wstring& targetName, std::wstring& error) {
    static const wchar_t kName[] = L"CFileSystemUtils::CopyFileW";
    if (!FileExists(source)) {
        Logger::Write(UTILS, DBG, L"%ls file not exists [%ls]", kName, source.c_str());
        error = L"file_does_not_exists";
        return false;
    }
    if (!CreateDirectoryRecurcive(targetFolder)) {
        Logger::Write(UTILS, DBG, L"%ls directory create error [%ls]", kName, targetFolder.c_str());
        return false;
    }
    std::wstring target = targetFolder + L"\\" + targetName;
    // The member hides the Win32 function of the same name: call it qualified.
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool CFileSystemUtils::SplitRemovalCandidate(const std::wstring& folder, std::wstring& parent, std::wstring& leaf) {
    if (folder.empty() || folder.back() != L'\\') return false;
    std::wstring trimmed = folder.substr(0, folder.size() - 1);
    size_t leafSlash = trimmed.rfind(L'\\');
    if (leafSlash == std::wstring::npos) return false;
    std::wstring parentPath = trimmed.substr(0, leafSlash);
    size_t nameSlash = parentPath.rfind(L'\\');
    if (nameSlash == std::wstring::npos) return false;
    std::wstring parentName = parentPath.substr(nameSlash + 1);
    for (wchar_t& ch : parentName) ch = static_cast<wchar_t>(std::towlower(ch));
    if (parentName != L"casino" && parentName != L"poker") return false;
    leaf = trimmed.substr(leafSlash + 1);
    parent = parentPath + L"\\";
    return true;
}

void CFileSystemUtils::GetRemovalFolder(std::wstring& folder) {
    std::wstring parent;
    std::wstring leaf;
    if (!SplitRemovalCandidate(folder, parent, leaf)) return;

    WIN32_FIND_DATAW data;
    FindCloser find{::FindFirstFileW((parent + L"*").c_str(), &data)};
    if (find.handle == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L".." && name != leaf) return;  // the parent holds something else
    } while (::FindNextFileW(find.handle, &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) return;  // listing failed part-way
    folder = parent;
}
