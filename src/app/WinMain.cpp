// Process entry.
#include <windows.h>

#include "app/Application.h"
#include "app/DllSafety.h"
#include "diagnostics/SendStats.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // First of all: no DLL is ever taken from the program's own folder.
    RestrictDllSearchToSystemFolder();
    CApplication* app = CApplication::Instance();
    if (!app) return 1;
    int result = app->Run(commandLine ? commandLine : L"");
    // The run's last statistics events are often only just started: give
    // them a moment (bounded) before the process takes them down.
    CSendStats::WaitForPending(3000);
    app->Clean();
    return result;
}
