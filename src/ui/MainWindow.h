#pragma once
// The program's top-level window: a layered popup whose own surface is fully
// transparent. It carries the title and the taskbar button and owns the web
// view and the splash, which draw everything the user sees; its destruction
// ends the message loop.
#include <windows.h>

#include <string>

struct Rgba {
    BYTE r = 0, g = 0, b = 0, a = 0;
};

class CMainWindow {
public:
    static constexpr wchar_t kClassName[] = L"WebInstallerClassName";

    // Registers the class and creates the (hidden, 0 x 0) window; null on failure.
    HWND Create(HINSTANCE instance, const std::wstring& title);
    HWND Handle() const { return hwnd_; }
    const wchar_t* ClassName() const { return kClassName; }

    void SetBackground(const Rgba& colour, bool set) {
        background_ = colour;
        backgroundSet_ = set;
    }
    const Rgba& Background() const { return background_; }
    bool BackgroundSet() const { return backgroundSet_; }
    // Window and content rectangle, always set together.
    void SetRects(const RECT& window, const RECT& content) {
        windowRect_ = window;
        contentRect_ = content;
    }
    const RECT& WindowRect() const { return windowRect_; }
    const RECT& ContentRect() const { return contentRect_; }

    // Redraws the layered surface with the constant alpha (0 to 255).
    void UpdateLayeredSurface(BYTE alpha);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    ATOM atom_ = 0;
    Rgba background_;
    bool backgroundSet_ = false;
    RECT windowRect_ = {0, 0, 0, 0};
    RECT contentRect_ = {0, 0, 0, 0};
};
