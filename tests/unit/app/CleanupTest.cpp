#include <gtest/gtest.h>

#include <windows.h>

#include "app/Application.h"
#include "app/Cleanup.h"

namespace {

using cleanup::Plan;

TEST(Cleanup, BatchText) {
    EXPECT_EQ(L"@echo off\r\nIF NOT EXIST %1 GOTO END\r\nSET /a i=0\r\n:REPEAT\r\nIF %i%==10 GOTO END\r\n"
              L"RMDIR /S /Q %1\r\nIF NOT EXIST %1 GOTO END\r\nSET /a i=%i%+1\r\nGOTO REPEAT\r\n:END\r\nDEL %0\r\n",
              cleanup::BatchText(true));
    EXPECT_NE(std::wstring::npos, cleanup::BatchText(false).find(L"\r\nDEL %1\r\n"));
    EXPECT_EQ(std::wstring::npos, cleanup::BatchText(false).find(L"RMDIR"));
}

TEST(Cleanup, WhatIsRemoved) {
    const std::wstring exe = L"C:\\Users\\U\\Downloads\\setup.exe";
    const std::wstring folder = L"C:\\Program Files\\poker\\";
    const std::wstring work = L"C:\\Temp\\WebInstaller_X/sub\\";
    const std::wstring ok = L"finished_successfully";
    const struct {
        const char* name;
        int mode;
        std::wstring reason;
        bool debug;
        std::vector<std::pair<std::wstring, bool>> expected;
    } cases[] = {
        {"install ok", RUN_INSTALL, ok, false,
         {{L"\"C:\\Users\\U\\Downloads\\setup.exe\"", false}, {L"\"C:\\Temp\\WebInstaller_X\\sub\\\"", true}}},
        {"install ok debug", RUN_INSTALL, ok, true, {}},
        {"uninstall ok debug", RUN_EXECUTE_UNINSTALL, ok, true, {{L"\"C:\\Program Files\\poker\\\"", true}}},
        {"uninstall ok", RUN_EXECUTE_UNINSTALL, ok, false,
         {{L"\"C:\\Program Files\\poker\\\"", true}, {L"\"C:\\Temp\\WebInstaller_X\\sub\\\"", true}}},
        {"prepare ok", RUN_PREPARE_UNINSTALL, ok, false, {{L"\"C:\\Temp\\WebInstaller_X\\sub\\\"", true}}},
        {"other case", RUN_INSTALL, L"Finished_Successfully", false, {{L"\"C:\\Temp\\WebInstaller_X\\sub\\\"", true}}},
        {"no reason", RUN_INSTALL, L"", false, {{L"\"C:\\Temp\\WebInstaller_X\\sub\\\"", true}}},
    };
    for (const auto& c : cases) {
        auto plan = Plan(c.mode, c.reason, c.debug, exe, folder, work);
        ASSERT_EQ(c.expected.size(), plan.size()) << c.name;
        for (size_t i = 0; i < plan.size(); ++i) {
            EXPECT_EQ(c.expected[i].first, plan[i].command) << c.name;
            EXPECT_EQ(c.expected[i].second, plan[i].deleteFolder) << c.name;
        }
    }
    EXPECT_EQ(L"C:\\a\\", cleanup::FolderOf(L"C:\\a\\b.exe"));
}

std::wstring TempDir() {
    wchar_t buffer[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"temp", buffer, MAX_PATH);
    std::wstring dir(buffer, n);
    if (dir.back() != L'\\') dir += L'\\';
    return dir;
}

int CountBatchFiles() {
    WIN32_FIND_DATAW data;
    std::wstring pattern = TempDir() + L"WebInstaller_" + CApplication::Instance()->RunGuid() + L"_*.bat";
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return count;
}

bool WaitUntil(bool (*done)(const std::wstring&), const std::wstring& arg) {
    for (int i = 0; i < 300; ++i) {
        if (done(arg)) return true;
        ::Sleep(100);
    }
    return false;
}

bool Gone(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }
bool NoBatchLeft(const std::wstring&) { return CountBatchFiles() == 0; }

// The generated batch file really removes its target under the system's
// command interpreter, then itself; for a missing target it just ends.
TEST(Cleanup, BatchFileRemovesTargetAndItself) {
    std::wstring target = TempDir() + L"wi cleanup target\\";
    ::CreateDirectoryW(target.c_str(), nullptr);
    ::CreateDirectoryW((target + L"nested").c_str(), nullptr);
    HANDLE f = ::CreateFileW((target + L"nested\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    ::CloseHandle(f);

    Tools::CleanUpWithBatFile(L"\"" + target + L"\"", true);
    EXPECT_TRUE(WaitUntil(Gone, target)) << "target folder still there";
    EXPECT_TRUE(WaitUntil(NoBatchLeft, L"")) << "batch file left behind";

    std::wstring file = TempDir() + L"wi cleanup file.txt";
    f = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ::CloseHandle(f);
    Tools::CleanUpWithBatFile(L"\"" + file + L"\"", false);
    EXPECT_TRUE(WaitUntil(Gone, file));
    EXPECT_TRUE(WaitUntil(NoBatchLeft, L""));

    Tools::CleanUpWithBatFile(L"\"" + TempDir() + L"wi no such folder\\\"", true);
    EXPECT_TRUE(WaitUntil(NoBatchLeft, L""));
}

}  // namespace
