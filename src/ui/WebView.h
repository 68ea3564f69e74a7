#pragma once
// The web view: a modeless dialog (template 131) that is what the user sees
// of the program. It hosts the browser control, puts the script object onto
// the loaded page as InstallerJSCBObj, starts the page (installerMain),
// delivers worker results to the page's callback, forwards keyboard input to
// the control, and fades.
//
// With the script page engine (silent runs) the same dialog exists, hidden
// and without a browser control; Navigate runs the page's script in the
// engine instead, and everything after the load (document completion, the
// object, installerMain, callbacks) takes the same path as with the browser.
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <json/json.h>

#include <string>

#include "platform/Handles.h"
#include "ui/MessageLoop.h"
#include "ui/ax/BrowserEventSink.h"

class CDispatcher;
class CScriptPage;

// The callback text for the page: {"listenerId":id,"params":result} written
// compactly (members sorted, no blanks, no final line feed).
std::wstring BuildCallbackText(int callbackId, const Json::Value& result);
// The argument rewrite before a page function is called: every pair of
// backslashes (an escaped backslash in JSON text) becomes one forward slash.
std::wstring RewriteBackslashPairs(const std::wstring& argument);

class CWebView : public CMessageFilter, public IBrowserEvents {
public:
    // Initialises OLE on the constructing thread (the user interface thread).
    CWebView();
    CWebView(const CWebView&) = delete;
    CWebView& operator=(const CWebView&) = delete;
    ~CWebView();

    void SetDispatcher(CDispatcher* dispatcher) { dispatcher_ = dispatcher; }
    // Creates the dialog owned by owner from template 131 of the resources
    // module (null: the program's own); scriptEngine: pages run in the script
    // page engine and no browser control is made. Null on failure, with the
    // cause as the thread's last error.
    HWND Create(HWND owner, bool scriptEngine, HMODULE resources = nullptr);
    HWND Handle() const { return hwnd_; }
    IWebBrowser2* Browser() const { return browser_.get(); }
    bool UsesScriptEngine() const { return scriptEngine_; }
    // The engine's current page (null with the browser or before a load).
    CScriptPage* Page() const { return page_; }

    void Navigate(const std::wstring& url);
    void Show();
    void OnDocumentComplete(IDispatch* frame, const std::wstring& url) override;
    wi::com_ptr<IHTMLDocument2> GetDoc();
    bool AddCustomeObject();
    bool RunJSFunction(const std::wstring& name, const std::wstring& argument, const std::wstring& context);
    bool RunJSCallbackFunction(int callbackId, const Json::Value& result);
    void SetGeometry(const RECT& rect);
    void SetLayeredWindow(bool fadeOut);
    BOOL PreTranslateMessage(MSG* msg) override;
    // Ends the engine's page and the browser's events (the module's end of run).
    void Term();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnInitDialog();
    void OnThreadResult(WPARAM wParam, LPARAM lParam);
    void LoadScriptPage();
    // The page's script object: the document's (browser) or the engine's global object.
    bool GetPageScript(wi::com_ptr<IDispatch>& script);
    // The object that receives InstallerJSCBObj (the document's window, or the engine's global object).
    HRESULT GetPageWindow(wi::com_ptr<IDispatch>& window, bool* noDocument);
    std::wstring TopLocation(const std::wstring& eventUrl);

    HWND hwnd_ = nullptr;
    bool scriptEngine_ = false;
    bool oleReady_ = false;
    CDispatcher* dispatcher_ = nullptr;
    wi::com_ptr<IWebBrowser2> browser_;
    HWND control_ = nullptr;
    CBrowserEventSink* sink_ = nullptr;
    HRESULT createResult_ = S_OK;
    // Script page engine.
    CScriptPage* page_ = nullptr;
    std::wstring pendingPage_;
    int scriptDepth_ = 0;  // calls into the page running on this thread
};
