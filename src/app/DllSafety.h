#pragma once
// Restricts DLL loading to the system folder. Statically imported DLLs are
// all KnownDLLs; the others (WinINet, crypt32, wintrust, version, urlmon ...)
// are delay-loaded and therefore resolved only after this call, from the
// system folder, never from the folder the program was started from.
bool RestrictDllSearchToSystemFolder();
