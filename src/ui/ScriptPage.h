#pragma once
// The script page engine: runs an interface page's script without a browser,
// in the system's JScript engine (IActiveScript). The page's script elements
// run in document order (inline text and local src files inside the page's
// folder) with the script object visible as InstallerJSCBObj; the page's
// global functions are then reached through ScriptDispatch, as the browser's
// document script object would give them. There is no DOM: pages meant for
// this engine use plain script (JSON exists: the engine runs at its 5.8
// language level).
//
// One engine per page load, used on the creating thread only.
#include <windows.h>
#include <activscp.h>

#include <string>
#include <vector>

#include "platform/Handles.h"

class CScriptPage : public IActiveScriptSite {
public:
    static constexpr wchar_t kObjectName[] = L"InstallerJSCBObj";

    struct Error {
        std::wstring source;  // the page or script file
        unsigned long line;   // one-based line in that file
        std::wstring text;
    };

    // A new page with its engine ready (the caller owns the one reference);
    // without a script object the page gets no InstallerJSCBObj.
    static HRESULT Create(IDispatch* scriptObject, CScriptPage** page);

    // Runs the script elements of the page file; fails only when the page
    // itself cannot be read. Errors inside scripts are logged and kept.
    HRESULT Load(const std::wstring& indexPath);
    // The page's global object (functions, variables; IDispatchEx).
    HRESULT ScriptDispatch(IDispatch** dispatch);
    // Ends the engine; the page runs nothing afterwards.
    void Close();

    const std::vector<Error>& Errors() const { return errors_; }
    void AddError(const std::wstring& source, unsigned long line, const std::wstring& text);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IActiveScriptSite
    HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override;
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override;
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT* result, const EXCEPINFO* exception) override;
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE state) override;
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override;
    HRESULT STDMETHODCALLTYPE OnEnterScript() override;
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override;

private:
    explicit CScriptPage(IDispatch* scriptObject);
    virtual ~CScriptPage();
    HRESULT Start();
    void Run(const std::wstring& code, const std::wstring& source, unsigned line);

    volatile LONG refs_ = 1;
    wi::com_ptr<IDispatch> object_;
    wi::com_ptr<IActiveScript> engine_;
    wi::com_ptr<IActiveScriptParse32> parser_;
    std::vector<std::wstring> sources_;  // by source context cookie
    std::vector<Error> errors_;
};
