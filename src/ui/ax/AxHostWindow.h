#pragma once
// A child window that hosts one ActiveX control in place: it creates the
// control, answers its container requests through its site (AxSite.h),
// resizes it with the window, lets it translate forwarded keyboard messages
// (WM_FORWARDMSG) and tears it down with the window.
//
// Order: create, client site (before InitNew when the control asks for
// that), InitNew, in-place activation. Tear-down: in-place deactivation,
// close, clear the client site. Event connections are the owner's (the web
// view advises and unadvises around this, Deactivate first).
#include <windows.h>
#include <ole2.h>

#include "platform/Handles.h"

// The forward request a host window answers with 1 when the control took the message.
#ifndef WM_FORWARDMSG
#define WM_FORWARDMSG 0x037F
#endif

class CAxSite;

class CAxHostWindow {
public:
    static constexpr wchar_t kClassName[] = L"WebInstallerAxHost";

    // Creates the host window (child of parent, rectangle in pixels) and the
    // control in it. Null on failure with *result the failing HRESULT (the
    // window is destroyed again).
    static HWND Create(HWND parent, int id, DWORD style, DWORD exStyle, const RECT& rect, REFCLSID clsid,
                       HRESULT* result);
    // The host object of a host window, or null.
    static CAxHostWindow* FromWindow(HWND window);

    HWND Window() const { return hwnd_; }
    HRESULT QueryControl(REFIID iid, void** object);
    // Ends in-place activation (idempotent); the control stays loaded until the window goes.
    void Deactivate();

    // Used by the site.
    void OnPositionChange(const RECT& position);

private:
    explicit CAxHostWindow(HWND hwnd) : hwnd_(hwnd) {}
    ~CAxHostWindow();
    HRESULT CreateControl(REFCLSID clsid);
    void TearDown();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_;
    CAxSite* site_ = nullptr;
    wi::com_ptr<IOleObject> control_;
    wi::com_ptr<IOleInPlaceObject> inPlace_;
    wi::com_ptr<IOleInPlaceActiveObject> active_;
};
