#pragma once
// The event sink for the browser control's DWebBrowserEvents2. It passes the
// events the program uses to one callback interface and ignores the rest.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <string>

// What the rest of the program hears from the browser control.
class IBrowserEvents {
public:
    // A document or frame finished loading; frame is the loaded document's browser.
    virtual void OnDocumentComplete(IDispatch* frame, const std::wstring& url) = 0;

protected:
    ~IBrowserEvents() = default;
};

class CBrowserEventSink : public IDispatch {
public:
    // Starts with one reference, owned by the creator.
    explicit CBrowserEventSink(IBrowserEvents* events);
    CBrowserEventSink(const CBrowserEventSink&) = delete;
    CBrowserEventSink& operator=(const CBrowserEventSink&) = delete;

    // Connects to the control's DWebBrowserEvents2 connection point.
    HRESULT Advise(IUnknown* control);
    // Disconnects (idempotent); no event reaches the callback afterwards.
    void Unadvise();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    virtual ~CBrowserEventSink();

    volatile LONG refs_ = 1;
    IBrowserEvents* events_;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
};
