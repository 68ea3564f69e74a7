#pragma once
// The application object's windows for the window and page tests: created
// once per test program from the built program's resources (dialog 131),
// with the web view in script page engine mode (no browser control), and a
// message pump for the tests. The run's working directory is removed at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "app/Application.h"
#include "support/HostPath.h"
#include "support/ScratchFolder.h"

namespace apptest {

inline const std::wstring& ProgramPath() {
    static const std::wstring path = HostPath(TEST_BINARY_DIR L"/WebInstaller.exe");
    return path;
}

// The program file's resources, without running its code.
inline HMODULE ProgramResources() {
    static HMODULE module = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

class WorkingDirectoryCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        const std::wstring& folder = CApplication::Instance()->WorkingDirectory();
        if (!folder.empty()) scratch::RemoveTree(folder.substr(0, folder.size() - 1));
    }
};

// True once both windows exist.
inline bool AppWindows() {
    static const bool created = [] {
        ::testing::AddGlobalTestEnvironment(new WorkingDirectoryCleanup);
        CApplication* app = CApplication::Instance();
        app->SetSilent(true);
        return ProgramResources() && app->CreateAppWindows(ProgramResources());
    }();
    return created;
}

// Dispatches queued messages until done() or the time is up; a quit request
// met on the way is handed back in *quitCode (-1 when none came).
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, int* quitCode = nullptr) {
    if (quitCode) *quitCode = -1;
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (quitCode) *quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// The quit request waiting in the queue, if any (-1 when none).
inline int TakeQuit() {
    MSG msg;
    int code = -1;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) code = static_cast<int>(msg.wParam);
    return code;
}

}  // namespace apptest
