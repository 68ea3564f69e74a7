#pragma once
#include <windows.h>

#include <string>

// Short name of the calling thread's last Windows error, for error texts.
std::wstring LastErrorName();
// The same naming for a given error code (the pure part, for tests).
std::wstring ErrorCodeName(DWORD code);
