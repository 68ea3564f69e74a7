#pragma once
// Geometry and fade steps of the program's windows, as plain functions.
#include <windows.h>

#include <vector>

// The width x height rectangle centred in the work area; a size larger than
// the work area starts at its top-left corner. Without a work area the
// rectangle starts at 100, 100.
RECT ComputeAppRect(const RECT* workArea, int width, int height);

// The alphas a fade sets, in order: in 20, 40, ... 240, 255; out 255, 235, ... 15, 0.
std::vector<BYTE> FadeAlphas(bool fadeOut);

constexpr DWORD kFadeStepMs = 23;
