#pragma once
// The splash: a borderless, per-pixel transparent picture (PNG resource 209)
// in the middle of the work area, shown while the interface package loads.
// It fades in, stays at least one second, and fades out when removed. The
// fades sleep on the user interface thread; no message is handled meanwhile.
#include <windows.h>

#include <ctime>
#include <memory>

#include "ui/GdiPlusBitmap.h"

// Top-left corner of a picture centred in the work area; a half-difference
// that is not positive is 0 (a larger picture goes to the work area's
// top-left). Without a work area (null) the window goes to 100, 100.
POINT SplashPosition(const RECT* workArea, int width, int height);

// Milliseconds still to wait so that the splash has been fully shown for one
// second (process clock in ms: shownAt when the fade-in ended, now).
DWORD SplashHoldMs(clock_t shownAt, clock_t now);

class CSplashWindow {
public:
    static constexpr DWORD kMinimumShownMs = 1000;
    static constexpr DWORD kFadeStepMs = 30;

    CSplashWindow() = default;
    ~CSplashWindow();
    CSplashWindow(const CSplashWindow&) = delete;
    CSplashWindow& operator=(const CSplashWindow&) = delete;

    // Creates the hidden splash dialog (template 132) owned by parent, with
    // its picture read from the same module (null: the program's own). In
    // silent mode the window is never shown and its removal shows nothing.
    HWND Create(HWND parent, bool silent, HMODULE resources = nullptr);

    // Shows the window and fades it in; returns true.
    bool ShowSplashDlg();
    // Waits out the one-second minimum, fades out and destroys the window;
    // later calls only log that it no longer exists.
    void RemoveSplashDlg();

    HWND Handle() const { return hwnd_; }
    const CGdiPlusBitmap* Picture() const { return picture_.get(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void DrawWithAlpha(Gdiplus::Bitmap* bitmap, BYTE opacity);

    HWND hwnd_ = nullptr;
    HMODULE resources_ = nullptr;
    bool silent_ = false;
    bool shown_ = false;
    clock_t shownAt_ = 0;
    // Owned by the window: made when it is initialised, deleted when it is destroyed.
    std::unique_ptr<CGdiPlusBitmapResource> picture_;
};
