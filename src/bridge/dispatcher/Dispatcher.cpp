#include "bridge/dispatcher/Dispatcher.h"

#include <cwchar>
#include <exception>

#include "bridge/dispatcher/CommandTable.h"
#include "diagnostics/Logger.h"

CDispatcher::CDispatcher(const CCommandTable* commands) : commands_(commands) {
    names_[L"execute"] = kExecuteId;
}

CDispatcher::~CDispatcher() = default;

HRESULT CDispatcher::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CDispatcher::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

// The object belongs to the application object: the count reaching 0 frees nothing.
ULONG CDispatcher::Release() { return static_cast<ULONG>(::InterlockedDecrement(&refs_)); }

HRESULT CDispatcher::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT CDispatcher::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_FAIL; }

HRESULT CDispatcher::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count > 0 && (!names || !ids)) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        auto found = names[i] ? names_.find(names[i]) : names_.end();
        if (found != names_.end()) {
            ids[i] = found->second;
        } else {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT CDispatcher::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_METHOD)) return E_FAIL;
    if (!params || params->cArgs != 1 || !params->rgvarg || params->rgvarg[0].vt != VT_BSTR) return E_FAIL;
    if (member != kExecuteId) return S_OK;
    try {
        // The request ends at its first NUL character.
        const BSTR argument = params->rgvarg[0].bstrVal;
        std::wstring text(argument ? argument : L"", argument ? std::wcslen(argument) : 0);
        if (!handler_) handler_.reset(new CDispatcherHandler(commands_ ? *commands_ : ProgramCommands()));
        handler_->HandleJSRequest(text, result);
    } catch (const std::exception& e) {
        // Out of memory and the like: the page gets no answer, the program goes on.
        Logger::Write(DISPATCHER, ERR, L"%ls request failed [%hs]", L"CDispatcher::Invoke", e.what());
    } catch (...) {
        Logger::Write(DISPATCHER, ERR, L"%ls request failed", L"CDispatcher::Invoke");
    }
    return S_OK;
}
