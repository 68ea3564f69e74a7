#include "app/DllSafety.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// Delay-loaded DLLs are always loaded by full path from the system folder,
// also on systems without SetDefaultDllDirectories.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    wchar_t system[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(system, length);
    path += L'\\';
    for (const char* c = info->szDll; *c; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    // The DLL's own imports are searched in the system folder only. Systems
    // without the search flags refuse them; there the altered order (the DLL's
    // folder first) is the closest.
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER)
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
PfnDliHook __pfnDliFailureHook2 = nullptr;
}

bool RestrictDllSearchToSystemFolder() {
    // Looked up at run time: Windows 7 without KB2533623 lacks the function.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                   ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    bool restricted = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Also drops the current directory from the search order.
    ::SetDllDirectoryW(L"");
    return restricted;
}
