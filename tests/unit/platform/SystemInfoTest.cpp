#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/SystemInfo.h"

namespace {

TEST(SystemInfo, VersionTextAndNames) {
    using V = SystemInfo::Version;
    const struct {
        const char* name;
        V version;
        bool opened;
        std::optional<std::wstring> current, build;
        const wchar_t* text;
        const wchar_t* shortName;
        const wchar_t* osName;
    } cases[] = {
        {"Windows 7 SP1", {6, 1, 7601}, false, {}, {}, L"6.1 (7601)", L"7", L"7(7601)"},
        {"XP SP3", {5, 1, 2600}, false, {}, {}, L"5.1 (2600)", L"XP32", L"XP32(2600)"},
        {"XP x64", {5, 2, 3790}, false, {}, {}, L"5.2 (3790)", L"XP64", L"XP64(3790)"},
        {"2000", {5, 0, 2195}, false, {}, {}, L"5.0 (2195)", L"2000", L"2000(2195)"},
        {"Vista", {6, 0, 6002}, false, {}, {}, L"6.0 (6002)", L"V", L"V(6002)"},
        {"11 as 6.2 with registry", {6, 2, 9200}, true, L"6.3", L"22631", L"6.3 22631", L"8_1", L"8_1(9200)"},
        {"8", {6, 2, 9200}, true, L"6.2", L"9200", L"6.2 9200", L"8", L"8(9200)"},
        {"no CurrentVersion", {6, 2, 9200}, true, {}, L"22631", L"X.X", L"X", L"XP_X(9200)"},
        {"no CurrentBuild", {6, 2, 9200}, true, L"6.3", {}, L"6.3", L"8_1", L"8_1(9200)"},
        {"key not opened", {6, 2, 9200}, false, L"6.3", L"1", L"X.X", L"X", L"XP_X(9200)"},
        {"future major", {10, 0, 19045}, false, {}, {}, L"10.0 (19045)", L"X", L"XP_X(19045)"},
    };
    for (const auto& c : cases) {
        std::wstring text = SystemInfo::VersionText(c.version, c.opened, c.current, c.build);
        EXPECT_EQ(c.text, text) << c.name;
        EXPECT_EQ(c.shortName, SystemInfo::ShortNameFor(text)) << c.name;
        EXPECT_EQ(c.osName, SystemInfo::NameFor(text, c.version.build)) << c.name;
    }
}

TEST(SystemInfo, GetVersionFields) {
    SystemInfo::Version v = SystemInfo::FromGetVersion(0x1DB10106);  // 6.1 build 7601
    EXPECT_EQ(6, v.major);
    EXPECT_EQ(1, v.minor);
    EXPECT_EQ(7601, v.build);
    EXPECT_EQ(0, SystemInfo::FromGetVersion(0x80000004).build);  // top bit set: no build
}

TEST(SystemInfo, MajorVersion) {
    const struct {
        const wchar_t* text;
        const wchar_t* major;
    } cases[] = {{L"121.0", L"121"}, {L"121.0 (x64 en-US)", L"121"}, {L"120.0.6099.71", L"120"},
                 {L"abc", L"ab"},    {L"12", L"X"},                   {L"", L"X"},
                 {L"X.X", L"X"},     {L".5", L""}};
    for (const auto& c : cases) EXPECT_EQ(c.major, SystemInfo::GetMajorVersion(c.text, 2)) << c.text;
}

TEST(SystemInfo, BrowserVersionFallsThroughToAppPath) {
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring kernel = std::wstring(system) + L"\\kernel32.dll";
    std::wstring fileVersion = SystemInfo::GetFileVersionText(kernel);
    ASSERT_FALSE(fileVersion.empty());
    EXPECT_EQ(4, std::count(fileVersion.begin(), fileVersion.end(), L'.') + 1);

    EXPECT_EQ(L"120.0.1", SystemInfo::ChooseBrowserVersion(std::wstring(L"120.0.1"), kernel));
    EXPECT_EQ(fileVersion, SystemInfo::ChooseBrowserVersion(std::wstring(L"X.X"), kernel));
    EXPECT_EQ(fileVersion, SystemInfo::ChooseBrowserVersion(std::wstring(L""), kernel));
    EXPECT_EQ(fileVersion, SystemInfo::ChooseBrowserVersion(std::nullopt, kernel));
    EXPECT_EQ(L"X.X", SystemInfo::ChooseBrowserVersion(std::nullopt, L""));
    EXPECT_EQ(L"X.X", SystemInfo::ChooseBrowserVersion(std::wstring(L"X.X"), L"C:\\no\\such\\chrome.exe"));
    EXPECT_EQ(L"", SystemInfo::GetFileVersionText(L"C:\\no\\such\\file.exe"));
}

TEST(SystemInfo, RegistryStringsOnly) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\WebInstallerTest\\SystemInfo", 0,
                                               nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const wchar_t text[] = L"6.3";
    DWORD number = 7;
    ::RegSetValueExW(key, L"sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    ::RegSetValueExW(key, L"dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    std::wstring tooLong(1100, L'a');
    ::RegSetValueExW(key, L"long", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                     static_cast<DWORD>((tooLong.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    const wchar_t* sub = L"Software\\WebInstallerTest\\SystemInfo";
    EXPECT_EQ(L"6.3", SystemInfo::ReadRegString(HKEY_CURRENT_USER, sub, L"sz").value_or(L"none"));
    EXPECT_FALSE(SystemInfo::ReadRegString(HKEY_CURRENT_USER, sub, L"dword"));
    EXPECT_FALSE(SystemInfo::ReadRegString(HKEY_CURRENT_USER, sub, L"long"));
    EXPECT_FALSE(SystemInfo::ReadRegString(HKEY_CURRENT_USER, sub, L"missing"));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\WebInstallerTest");
}

TEST(SystemInfo, AdminProbeLeavesNothingBehind) {
    // Under Wine the user may write HKEY_LOCAL_MACHINE: the probe passes.
    EXPECT_TRUE(SystemInfo::IsAdminUser());
    HKEY software;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, &software));
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (::RegEnumKeyExW(software, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        EXPECT_NE(0, wcsncmp(name, L"tempo_", 6)) << "left behind: " << name;
    }
    ::RegCloseKey(software);
}

}  // namespace
