#pragma once
// The fallback timer: a window timer on the web view window. It runs while the
// page has not confirmed its start (command 6 or 33); its expiry switches to
// the fallback package.
#include <windows.h>

constexpr UINT_PTR kFallbackTimerId = 11;
// 60 s from the first package request, 120 s from each document completion.
// Functions, not constants: a test build of the program links a shortened
// pair (FallbackTimer.cpp compiled with WEBINSTALLER_TEST_TIMER_SCALE).
UINT FallbackStartMs();
UINT FallbackDocumentMs();
