#include "ui/SplashWindow.h"

#include <cstring>

#include "diagnostics/Logger.h"
#include "platform/Handles.h"
#include "resources/resource.h"
#include "ui/LayeredSurface.h"

namespace {

const BYTE kFadeInLast = 240;  // 20, 40, ... 240, then 255
const BYTE kFadeOutLast = 15;  // 255, 235, ... 15, then 0
const BYTE kFadeStep = 20;

}  // namespace

POINT SplashPosition(const RECT* workArea, int width, int height) {
    if (!workArea) return POINT{100, 100};
    int dx = (workArea->right - workArea->left - width) / 2;
    int dy = (workArea->bottom - workArea->top - height) / 2;
    return POINT{workArea->left + (dx > 0 ? dx : 0), workArea->top + (dy > 0 ? dy : 0)};
}

DWORD SplashHoldMs(clock_t shownAt, clock_t now) {
    // A clock that went backwards never makes the wait longer than the second.
    long elapsed = static_cast<long>(now - shownAt);
    if (elapsed >= static_cast<long>(CSplashWindow::kMinimumShownMs)) return 0;
    if (elapsed < 0) return CSplashWindow::kMinimumShownMs;
    return CSplashWindow::kMinimumShownMs - static_cast<DWORD>(elapsed);
}

CSplashWindow::~CSplashWindow() {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

HWND CSplashWindow::Create(HWND parent, bool silent, HMODULE resources) {
    silent_ = silent;
    resources_ = resources ? resources : ::GetModuleHandleW(nullptr);
    return ::CreateDialogParamW(resources_, MAKEINTRESOURCEW(IDD_SPLASH), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CSplashWindow::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<CSplashWindow*>(lParam);
            ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            self->hwnd_ = hwnd;
            return self->OnInitDialog();
        }
        auto* self = reinterpret_cast<CSplashWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
        if (self && message == WM_NCDESTROY) {
            // The picture goes with the window (before GDI+ may be shut down).
            self->picture_.reset();
            self->hwnd_ = nullptr;
            ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        }
    } catch (...) {
        Logger::Write(SPLASH, ERR, L"%ls exception", L"CSplashWindow::DialogProc");
    }
    return FALSE;
}

BOOL CSplashWindow::OnInitDialog() {
    picture_.reset(new CGdiPlusBitmapResource());
    picture_->Load(IDR_SPLASH_PNG, L"PNG", resources_);

    if (Gdiplus::Bitmap* bitmap = picture_->Bitmap()) {
        int width = static_cast<int>(bitmap->GetWidth());
        int height = static_cast<int>(bitmap->GetHeight());
        RECT workArea;
        bool haveWorkArea = ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0) != FALSE;
        POINT at = SplashPosition(haveWorkArea ? &workArea : nullptr, width, height);
        ::SetWindowPos(hwnd_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // No frame, no input, no taskbar button; drawn through UpdateLayeredWindow.
    LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CHILD | WS_DISABLED;
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
    LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    exStyle &= ~static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    exStyle |= WS_EX_LAYERED | WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW;
    ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, exStyle);
    return TRUE;
}

void CSplashWindow::DrawWithAlpha(Gdiplus::Bitmap* bitmap, BYTE opacity) {
    if (!bitmap || !hwnd_) return;
    RECT rect;
    if (!::GetWindowRect(hwnd_, &rect)) return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;

    wi::unique_window_dc windowDc(hwnd_);
    if (!windowDc) return;
    wi::unique_hdc memoryDc(::CreateCompatibleDC(windowDc.get()));
    if (!memoryDc) return;

    void* bits = nullptr;
    wi::unique_hgdiobj section = CreateClearSection(windowDc.get(), width, height, &bits);
    if (!section) return;
    const int stride = width * 4;
    HGDIOBJ previous = ::SelectObject(memoryDc.get(), section.get());

    {
        // GDI+ draws into the section's own pixels as premultiplied ARGB, the
        // form UpdateLayeredWindow expects; the section is bottom-up, so the
        // first row is the last one in memory.
        Gdiplus::Bitmap target(width, height, -stride, PixelFormat32bppPARGB,
                               static_cast<BYTE*>(bits) + static_cast<size_t>(stride) * (height - 1));
        Gdiplus::Graphics graphics(&target);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeNone);
        graphics.DrawImage(bitmap, 0, 0, width, height);
    }

    POINT destination = {rect.left, rect.top};
    SIZE size = {width, height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(hwnd_, windowDc.get(), &destination, &size, memoryDc.get(), &source, 0, &blend,
                          ULW_ALPHA);
    ::SelectObject(memoryDc.get(), previous);
}

bool CSplashWindow::ShowSplashDlg() {
    Logger::Write(SPLASH, INF, L"%ls!", L"CSplashWindow::ShowSplashDlg");
    if (silent_ || !hwnd_) return true;  // silent mode shows nothing
    ::ShowWindow(hwnd_, SW_SHOW);
    Gdiplus::Bitmap* bitmap = picture_ ? picture_->Bitmap() : nullptr;
    for (int opacity = kFadeStep; opacity <= kFadeInLast; opacity += kFadeStep) {
        DrawWithAlpha(bitmap, static_cast<BYTE>(opacity));
        ::Sleep(kFadeStepMs);
    }
    DrawWithAlpha(bitmap, 255);
    shownAt_ = clock();
    shown_ = true;
    return true;
}

void CSplashWindow::RemoveSplashDlg() {
    Logger::Write(SPLASH, INF, L"%ls!", L"CSplashWindow::RemoveSplashDlg");
    if (!hwnd_ || !::IsWindow(hwnd_)) {
        Logger::Write(SPLASH, INF, L"%ls not existing!", L"CSplashWindow::RemoveSplashDlg");
        return;
    }
    // A splash that was never shown (silent mode) goes without waiting or fading.
    if (shown_) {
        DWORD hold = SplashHoldMs(shownAt_, clock());
        if (hold > 0) ::Sleep(hold);
        if (picture_) {
            Gdiplus::Bitmap* bitmap = picture_->Bitmap();
            for (int opacity = 255; opacity >= kFadeOutLast; opacity -= kFadeStep) {
                DrawWithAlpha(bitmap, static_cast<BYTE>(opacity));
                ::Sleep(kFadeStepMs);
            }
            DrawWithAlpha(bitmap, 0);
        }
    }
    ::DestroyWindow(hwnd_);
}
