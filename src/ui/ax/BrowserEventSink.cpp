#include "ui/ax/BrowserEventSink.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <exception>

#include "diagnostics/Logger.h"
#include "platform/Handles.h"

CBrowserEventSink::CBrowserEventSink(IBrowserEvents* events) : events_(events) {}

CBrowserEventSink::~CBrowserEventSink() { Unadvise(); }

HRESULT CBrowserEventSink::Advise(IUnknown* control) {
    if (!control) return E_POINTER;
    Unadvise();
    wi::com_ptr<IConnectionPointContainer> container;
    HRESULT hr = control->QueryInterface(IID_IConnectionPointContainer, container.put_void());
    if (FAILED(hr)) return hr;
    wi::com_ptr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put());
    if (FAILED(hr)) return hr;
    hr = point->Advise(static_cast<IDispatch*>(this), &cookie_);
    if (FAILED(hr)) return hr;
    point_ = point.detach();
    return S_OK;
}

void CBrowserEventSink::Unadvise() {
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
        point_ = nullptr;
        cookie_ = 0;
    }
}

HRESULT CBrowserEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch) ||
        ::IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CBrowserEventSink::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG CBrowserEventSink::Release() {
    LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CBrowserEventSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT CBrowserEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT CBrowserEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CBrowserEventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                  UINT*) {
    if (member != DISPID_DOCUMENTCOMPLETE || !events_ || !point_ || !params || params->cArgs < 2) return S_OK;
    try {
        // Event arguments arrive last first: DocumentComplete(pDisp, URL) gives
        // rgvarg[1] = pDisp (VT_DISPATCH), rgvarg[0] = URL (VT_VARIANT | VT_BYREF to a VT_BSTR).
        const VARIANT& frameArg = params->rgvarg[1];
        const VARIANT& urlArg = params->rgvarg[0];
        IDispatch* frame = frameArg.vt == VT_DISPATCH ? frameArg.pdispVal : nullptr;
        const VARIANT* url = &urlArg;
        if (url->vt == (VT_VARIANT | VT_BYREF) && url->pvarVal) url = url->pvarVal;
        std::wstring text;
        if (url->vt == VT_BSTR && url->bstrVal) text = url->bstrVal;
        else if (url->vt == (VT_BSTR | VT_BYREF) && url->pbstrVal && *url->pbstrVal) text = *url->pbstrVal;
        events_->OnDocumentComplete(frame, text);
    } catch (const std::exception& e) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception [%hs]", L"CBrowserEventSink::Invoke", e.what());
    } catch (...) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception", L"CBrowserEventSink::Invoke");
    }
    return S_OK;
}
