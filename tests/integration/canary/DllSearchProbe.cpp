// Starts like the program (DLL search restricted first), then calls into every
// delay-loaded DLL. With --unprotected it only loads psapi.dll by bare name,
// as a program without the restriction would: the canary beside it must then
// report itself, which shows the canaries work.
//
// It first lists the canaries already mapped when its own code starts: those
// were pulled in by the system's DLLs before any program code ran (under
// Wine, its own DLLs import e.g. version.dll), which no program can prevent
// and which Windows resolves through its known DLLs.
#include <windows.h>
#include <psapi.h>
#include <urlmon.h>
#include <userenv.h>
#include <wininet.h>
#include <wintrust.h>
#include <mscat.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/DllSafety.h"

namespace {

void ListPreloaded(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    while (n > 0 && self[n - 1] != L'\\') --n;
    for (int i = 1; i < argc; ++i) {
        if (wcsncmp(argv[i], L"--canary=", 9) != 0) continue;
        const wchar_t* name = argv[i] + 9;
        HMODULE m = ::GetModuleHandleW((std::wstring(name) + L".dll").c_str());
        wchar_t path[MAX_PATH];
        if (m && ::GetModuleFileNameW(m, path, MAX_PATH) && _wcsnicmp(path, self, n) == 0)
            std::printf("preloaded: %ls\n", name);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ListPreloaded(argc, argv);
    if (argc > 1 && wcscmp(argv[1], L"--unprotected") == 0) {
        HMODULE m = ::LoadLibraryW(L"psapi.dll");
        std::printf("unprotected load: %s\n", m ? "loaded" : "failed");
        return 0;
    }
    RestrictDllSearchToSystemFolder();
    DWORD flags = 0;
    ::InternetGetConnectedState(&flags, 0);                               // wininet
    ::CryptMsgClose(nullptr);                                             // crypt32
    ::CryptCATAdminReleaseContext(nullptr, 0);                            // wintrust
    DWORD handle = 0;
    ::GetFileVersionInfoSizeW(L"Z:\\nonexistent-file.exe", &handle);     // version
    ::IsValidURL(nullptr, L"http://example.com/", 0);                     // urlmon
    DWORD pids[16], needed = 0;
    ::EnumProcesses(pids, sizeof(pids), &needed);                         // psapi
    DWORD size = 0;
    ::GetProfilesDirectoryW(nullptr, &size);                              // userenv
    // Explicit loads by bare name go to the system folder too.
    ::LoadLibraryW(L"wininet.dll");
    ::LoadLibraryW(L"version.dll");
    std::printf("probe done\n");
    return 0;
}
