#pragma once
// Facts about the machine for the page and the statistics: Windows version
// names, bitness, browser versions and the administrator probe. Stateless;
// every call recomputes its answer and never fails to the caller.
#include <windows.h>

#include <optional>
#include <string>

class SystemInfo {
public:
    static std::wstring GetOSVersionText();
    static std::wstring GetOSShortName();
    static std::wstring GetOSName();
    static bool IsWow64();
    static std::wstring GetFileVersionText(const std::wstring& path);
    static std::wstring GetIEVersion();
    static std::wstring GetChromeVersion();
    static std::wstring GetFirefoxVersion();
    static std::wstring GetMajorVersion(const std::wstring& text, size_t count);
    static bool IsAdminUser();

    // The decisions, as plain functions.
    struct Version {
        int major = 0;
        int minor = 0;
        int build = 0;
    };
    static Version FromGetVersion(DWORD value);
    // `registryOpened` false: the CurrentVersion key could not be opened.
    static std::wstring VersionText(const Version& v, bool registryOpened,
                                    const std::optional<std::wstring>& currentVersion,
                                    const std::optional<std::wstring>& currentBuild);
    static std::wstring ShortNameFor(const std::wstring& versionText);
    static std::wstring NameFor(const std::wstring& versionText, int build);
    // A browser's version: the registry text unless empty or "X.X", else the
    // file version of the App Paths program, else "X.X".
    static std::wstring ChooseBrowserVersion(const std::optional<std::wstring>& registryVersion,
                                             const std::wstring& appPath);

    // A string value (REG_SZ / REG_EXPAND_SZ, NUL-terminated, < 1,024 characters).
    static std::optional<std::wstring> ReadRegString(HKEY root, const wchar_t* subKey, const wchar_t* value);
};
