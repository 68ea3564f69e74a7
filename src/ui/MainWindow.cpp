#include "ui/MainWindow.h"

#include <gdiplus.h>

#include <cstring>

#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/Handles.h"
#include "resources/resource.h"
#include "ui/LayeredSurface.h"

constexpr wchar_t CMainWindow::kClassName[];

HWND CMainWindow::Create(HINSTANCE instance, const std::wstring& title) {
    instance_ = instance;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CMainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_WEBINSTALLER));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    atom_ = ::RegisterClassExW(&wc);
    // A class of this name already registered by this module is ours.
    if (!atom_ && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        atom_ = static_cast<ATOM>(::GetClassInfoExW(instance, kClassName, &wc));
    }
    if (!atom_) {
        Logger::Write(MAIN_WINDOW, ERR, L"%ls class not registered!", L"CMainWindow::Create");
        CSendStats::SendLastError(L"FramePlatformReg");
        return nullptr;
    }
    hwnd_ = ::CreateWindowExW(WS_EX_LAYERED, kClassName, title.c_str(), WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
    return hwnd_;
}

LRESULT CALLBACK CMainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void CMainWindow::UpdateLayeredSurface(BYTE alpha) {
    if (!hwnd_) return;
    wi::unique_window_dc windowDc(hwnd_);
    wi::unique_hdc memoryDc(::CreateCompatibleDC(windowDc.get()));
    RECT rect = {0, 0, 0, 0};
    ::GetWindowRect(hwnd_, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    void* bits = nullptr;
    wi::unique_hgdiobj section;
    if (memoryDc) section = CreateClearSection(windowDc.get(), width, height, &bits);
    if (section) {
        HGDIOBJ previous = ::SelectObject(memoryDc.get(), section.get());
        const bool rectsDiffer = std::memcmp(&contentRect_, &windowRect_, sizeof(RECT)) != 0;
        if (rectsDiffer && backgroundSet_) {
            Gdiplus::Graphics graphics(memoryDc.get());
            Gdiplus::SolidBrush brush(Gdiplus::Color(background_.a, background_.r, background_.g, background_.b));
            graphics.FillRectangle(&brush, 0, 0, windowRect_.right - windowRect_.left,
                                   windowRect_.bottom - windowRect_.top);
        }
        POINT destination = {windowRect_.left, windowRect_.top};
        SIZE size = {windowRect_.right - windowRect_.left, windowRect_.bottom - windowRect_.top};
        POINT source = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
        ::UpdateLayeredWindow(hwnd_, windowDc.get(), &destination, &size, memoryDc.get(), &source, 0, &blend,
                              ULW_ALPHA);
        ::SelectObject(memoryDc.get(), previous);
    }
    ::ValidateRect(hwnd_, nullptr);
}
