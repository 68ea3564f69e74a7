#pragma once
// The script object the page sees as InstallerJSCBObj: an automation object
// with the one method "execute", which takes the request text. It lives as
// long as the application object: its reference count never deletes it.
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <string>

#include "bridge/dispatcher/DispatcherHandler.h"

class CCommandTable;

class CDispatcher : public IDispatch {
public:
    // commands: the table to route by; null means the program's commands.
    explicit CDispatcher(const CCommandTable* commands = nullptr);
    CDispatcher(const CDispatcher&) = delete;
    CDispatcher& operator=(const CDispatcher&) = delete;
    virtual ~CDispatcher();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    static constexpr DISPID kExecuteId = 1;

private:
    volatile LONG refs_ = 0;
    std::map<std::wstring, DISPID> names_;
    const CCommandTable* commands_;
    std::unique_ptr<CDispatcherHandler> handler_;  // made on the first request
};
