// The interactive user's shortcut folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "bridge/commands/ShortcutPath.h"
#include "platform/Text.h"

namespace {

TEST(ShortcutPath, FoldersFromTheProfile) {
    const std::wstring appData = L"C:\\U\\AppData\\Roaming";
    const std::wstring profile = L"C:\\U";
    const struct {
        int type;
        bool older;
        const wchar_t* folder;
    } cases[] = {
        {0, false, L"C:\\U\\Desktop"},
        {1, false, L"C:\\U\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
        {2, false, L"C:\\U\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
        {0, true, L"C:\\U\\Desktop"},
        {1, true, L"C:\\U\\Start Menu\\Programs"},
        {2, true, L"C:\\U\\Start Menu\\Programs\\Startup"},
        {3, false, L""},
        {-1, true, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.folder, bridge::FallbackShortcutFolder(c.type, c.older, appData, profile)) << c.type;
}

TEST(ShortcutPath, InteractiveUsersShellFolders) {
    // Here the test runs as the desktop's owner: its own shell folders.
    const struct {
        int type;
        int csidl;
    } cases[] = {{0, CSIDL_DESKTOPDIRECTORY}, {1, CSIDL_STARTMENU}, {2, CSIDL_STARTUP}};
    for (const auto& c : cases) {
        wchar_t expected[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, c.csidl, nullptr, SHGFP_TYPE_CURRENT, expected)));
        std::wstring folder = Tools::GetShortcutNonePublicPath(c.type);
        // Names in the file system and the registry compare without case.
        EXPECT_EQ(CSTR_EQUAL, ::CompareStringOrdinal(expected, -1, folder.c_str(), -1, TRUE))
            << c.type << ": " << wi::WideToUtf8(folder) << " / " << wi::WideToUtf8(expected);
    }
}

}  // namespace
