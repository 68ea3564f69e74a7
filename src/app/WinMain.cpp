// Process entry.
#include <windows.h>

#include "app/Application.h"
#include "app/DllSafety.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // First of all: no DLL is ever taken from the program's own folder.
    RestrictDllSearchToSystemFolder();
    CApplication* app = CApplication::Instance();
    if (!app) return 1;
    int result = app->Run(commandLine ? commandLine : L"");
    app->Clean();
    return result;
}
