#include "ui/ax/AxHostWindow.h"

#include <exception>
#include <new>

#include "diagnostics/Logger.h"
#include "ui/ax/AxSite.h"

constexpr wchar_t CAxHostWindow::kClassName[];

HWND CAxHostWindow::Create(HWND parent, int id, DWORD style, DWORD exStyle, const RECT& rect, REFCLSID clsid,
                           HRESULT* result) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &CAxHostWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        *result = HRESULT_FROM_WIN32(::GetLastError());
        return nullptr;
    }
    HWND hwnd = ::CreateWindowExW(exStyle, kClassName, L"", style | WS_CHILD, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!hwnd) {
        *result = HRESULT_FROM_WIN32(::GetLastError());
        return nullptr;
    }
    CAxHostWindow* host = FromWindow(hwnd);
    *result = host ? host->CreateControl(clsid) : E_OUTOFMEMORY;
    if (FAILED(*result)) {
        ::DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

CAxHostWindow* CAxHostWindow::FromWindow(HWND window) {
    if (!window) return nullptr;
    wchar_t name[64] = {};
    if (!::GetClassNameW(window, name, 64) || ::lstrcmpW(name, kClassName) != 0) return nullptr;
    return reinterpret_cast<CAxHostWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

CAxHostWindow::~CAxHostWindow() { TearDown(); }

HRESULT CAxHostWindow::CreateControl(REFCLSID clsid) {
    site_ = new (std::nothrow) CAxSite(this);
    if (!site_) return E_OUTOFMEMORY;
    IOleClientSite* clientSite = site_->ClientSite();

    wi::com_ptr<IOleObject> control;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.put_void());
    if (FAILED(hr)) return hr;
    DWORD misc = 0;
    control->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) control->SetClientSite(clientSite);
    wi::com_ptr<IPersistStreamInit> persist;
    if (SUCCEEDED(control.query(IID_IPersistStreamInit, persist))) {
        hr = persist->InitNew();
        if (FAILED(hr)) {
            control->SetClientSite(nullptr);
            return hr;
        }
    }
    if (!siteFirst) control->SetClientSite(clientSite);
    control_ = control;

    RECT client;
    ::GetClientRect(hwnd_, &client);
    hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, hwnd_, &client);
    if (FAILED(hr)) {
        TearDown();
        return hr;
    }
    control.query(IID_IOleInPlaceObject, inPlace_);
    control.query(IID_IOleInPlaceActiveObject, active_);
    return S_OK;
}

HRESULT CAxHostWindow::QueryControl(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!control_) return E_NOINTERFACE;
    return control_->QueryInterface(iid, object);
}

void CAxHostWindow::Deactivate() {
    if (inPlace_) inPlace_->InPlaceDeactivate();
    inPlace_.reset();
    active_.reset();
}

void CAxHostWindow::TearDown() {
    Deactivate();
    if (control_) {
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
        control_.reset();
    }
    if (site_) {
        site_->Detach();
        site_->Release();
        site_ = nullptr;
    }
}

void CAxHostWindow::OnPositionChange(const RECT& position) {
    // The control asks for a new size (the browser's put_Width/put_Height): the host follows.
    ::SetWindowPos(hwnd_, nullptr, 0, 0, position.right, position.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (inPlace_) inPlace_->SetObjectRects(&position, &position);
}

LRESULT CALLBACK CAxHostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            CAxHostWindow* host = new (std::nothrow) CAxHostWindow(hwnd);
            if (!host) return FALSE;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        CAxHostWindow* host = reinterpret_cast<CAxHostWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!host) return ::DefWindowProcW(hwnd, message, wParam, lParam);
        switch (message) {
        case WM_SIZE:
            if (host->inPlace_) {
                RECT rect = {0, 0, LOWORD(lParam), HIWORD(lParam)};
                host->inPlace_->SetObjectRects(&rect, &rect);
            }
            return 0;
        case WM_FORWARDMSG: {
            MSG* forwarded = reinterpret_cast<MSG*>(lParam);
            if (host->active_ && forwarded && host->active_->TranslateAccelerator(forwarded) == S_OK) return 1;
            return 0;
        }
        case WM_DESTROY:
            host->TearDown();
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            delete host;
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception [%hs]", L"CAxHostWindow::WindowProc", e.what());
    } catch (...) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception", L"CAxHostWindow::WindowProc");
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
