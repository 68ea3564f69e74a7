#pragma once
// Interface and class ids the mingw-w64 libraries declare but do not define
// (or do not declare at all).
#include <windows.h>

extern const CLSID kClsidJScript;                // {F414C260-6AC0-11CF-B6D1-00AA00BBBB58}
extern const IID kIidActiveScriptParse32;        // {BB1A2AE2-A4F9-11CF-8F20-00805F2CD064}
extern const IID kIidActiveScriptProperty;       // {4954E0D0-FBC7-11D1-8410-006008C3FBFC}
extern const IID kIidDispatchEx;                 // {A6EF9860-C720-11D0-9337-00A0C90DCAA9}
