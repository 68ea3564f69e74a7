#pragma once
// Paths of the build machine as seen from Wine (the Linux root is drive Z:).
#include <string>

inline std::wstring HostPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}
