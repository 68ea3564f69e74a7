#include "ui/PageLocation.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace {

std::wstring FullPath(const std::wstring& path) {
    DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD got = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (got == 0 || got >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), got);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    if (text.size() < prefix.size()) return false;
    return ::CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

bool IsAbsolutePath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

}  // namespace

std::wstring PageLocationToPath(const std::wstring& location) {
    if (StartsWithNoCase(location, L"file:")) {
        // The query and the fragment are not part of the file's name.
        std::wstring url = location.substr(0, location.find_first_of(L"?#"));
        std::vector<wchar_t> path(url.size() + MAX_PATH);
        DWORD size = static_cast<DWORD>(path.size());
        if (FAILED(::PathCreateFromUrlW(url.c_str(), path.data(), &size, 0))) return std::wstring();
        std::wstring result(path.data());
        return IsAbsolutePath(result) ? result : std::wstring();
    }
    return IsAbsolutePath(location) ? location : std::wstring();
}

bool IsPageInFolder(const std::wstring& location, const std::wstring& folder) {
    if (folder.empty()) return false;
    std::wstring path = PageLocationToPath(location);
    if (path.empty()) return false;
    std::wstring fullPath = FullPath(path);
    std::wstring fullFolder = FullPath(folder);
    if (fullPath.empty() || fullFolder.empty()) return false;
    if (fullFolder.back() != L'\\') fullFolder += L'\\';
    return fullPath.size() > fullFolder.size() && StartsWithNoCase(fullPath, fullFolder);
}
