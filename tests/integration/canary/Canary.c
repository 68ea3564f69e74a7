/* A DLL that must never be loaded: when it is, it leaves a marker file
   "<name>.loaded" beside itself. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 32];
        DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        while (n > 0 && path[n - 1] != L'\\') --n;
        path[n] = 0;
        lstrcatW(path, L"" CANARY_NAME L".loaded");
        HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    return TRUE;
}
