// The demo's product: a tiny Windows program that the demo installer
// downloads, unpacks and starts. It records its start in a file beside itself
// and ends with a recognisable exit code.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    wchar_t path[MAX_PATH + 32];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') --n;
    path[n] = 0;
    lstrcatW(path, L"started.txt");
    FILE* f = _wfopen(path, L"w");
    if (f) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        std::fprintf(f, "Kestrelmoor Demo started %04u-%02u-%02u %02u:%02u:%02u with [%ls]\n", now.wYear, now.wMonth,
                     now.wDay, now.wHour, now.wMinute, now.wSecond, commandLine);
        std::fclose(f);
    }
    return 42;
}
