#pragma once
// Paths of the build machine as seen from Wine (the Linux root is drive Z:).
#include <string>

// A path that does not start with "/" is already a Windows path: only its
// slashes are turned.
inline std::wstring HostPath(const std::wstring& unixPath) {
    std::wstring path = !unixPath.empty() && unixPath[0] == L'/' ? L"Z:" + unixPath : unixPath;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}
