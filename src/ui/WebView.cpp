#include "ui/WebView.h"

#include <dispex.h>
#include <oleauto.h>

#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "app/Application.h"
#include "bridge/dispatcher/Dispatcher.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/Text.h"
#include "resources/resource.h"
#include "ui/ComIds.h"
#include "ui/FallbackTimer.h"
#include "ui/MainWindow.h"
#include "ui/PageLocation.h"
#include "ui/ScriptPage.h"
#include "ui/WindowPlacement.h"
#include "ui/ax/AxHostWindow.h"
#include "ui/ax/DialogTemplate.h"

namespace {

// Runs the script page engine's load outside any call into the page.
constexpr UINT kLoadPageMessage = WM_APP + 1;
// Retries a load that arrived while the current page was running script.
constexpr UINT_PTR kLoadRetryTimerId = 12;
constexpr UINT kLoadRetryMs = 50;

// The template's ActiveX items, handed from Create to the dialog's initialisation.
std::vector<AxDialogItem> g_axItems;

// Counts calls into the page, so that a page is never replaced while its script runs.
class ScriptCall {
public:
    explicit ScriptCall(int& depth) : depth_(depth) { ++depth_; }
    ~ScriptCall() { --depth_; }

private:
    int& depth_;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

std::wstring HexCode(HRESULT hr) { return wi::Format(L"0x%x", static_cast<unsigned>(hr)); }

}  // namespace

std::wstring BuildCallbackText(int callbackId, const Json::Value& result) {
    Json::Value root(Json::objectValue);
    root["listenerId"] = callbackId;
    root["params"] = result;
    Json::FastWriter writer;
    std::string utf8 = writer.write(root);
    bool ok = true;
    std::wstring text = wi::Utf8ToWide(utf8, &ok);
    if (!ok) text = wi::AnsiToWide(utf8);
    if (text.empty()) text = L"{}";
    if (!text.empty() && text.back() == L'\n') text.pop_back();
    return text;
}

std::wstring RewriteBackslashPairs(const std::wstring& argument) { return wi::ReplaceAll(argument, L"\\\\", L"/"); }

CWebView::CWebView() { oleReady_ = SUCCEEDED(::OleInitialize(nullptr)); }

CWebView::~CWebView() {
    Term();
    if (hwnd_) ::DestroyWindow(hwnd_);
    if (oleReady_) ::OleUninitialize();
}

HWND CWebView::Create(HWND owner, bool scriptEngine, HMODULE resources) {
    scriptEngine_ = scriptEngine;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!resources) resources = instance;
    HRSRC found = ::FindResourceW(resources, MAKEINTRESOURCEW(IDD_WEBVIEW), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(resources, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    std::vector<BYTE> dialog;
    g_axItems.clear();
    if (!SplitActiveXItems(data, ::SizeofResource(resources, found), &dialog, &g_axItems)) {
        ::SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    createResult_ = S_OK;
    HWND hwnd = ::CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner,
                                             &CWebView::DialogProc, reinterpret_cast<LPARAM>(this));
    g_axItems.clear();
    if (!hwnd) return nullptr;
    if (FAILED(createResult_)) {
        ::DestroyWindow(hwnd);
        hwnd_ = nullptr;
        const HRESULT hr = createResult_;
        ::SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr));
        return nullptr;
    }
    return hwnd_;
}

INT_PTR CALLBACK CWebView::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            CWebView* self = reinterpret_cast<CWebView*>(lParam);
            ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            self->hwnd_ = hwnd;
            return self->OnInitDialog() ? TRUE : FALSE;
        }
        CWebView* self = reinterpret_cast<CWebView*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
        return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
    } catch (const std::exception& e) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception [%hs]", L"CWebView::DialogProc", e.what());
    } catch (...) {
        Logger::Write(WB_VIEW, ERR, L"%ls exception", L"CWebView::DialogProc");
    }
    return FALSE;
}

bool CWebView::OnInitDialog() {
    if (scriptEngine_) return true;  // no browser control: pages run in the engine
    for (const AxDialogItem& item : g_axItems) {
        RECT rect = item.rect;
        ::MapDialogRect(hwnd_, &rect);
        HRESULT hr = S_OK;
        if (!CAxHostWindow::Create(hwnd_, item.id, item.style, item.exStyle, rect, item.clsid, &hr)) {
            Logger::Write(WB_VIEW, ERR, L"%ls control [%d] not created [0x%08lx]", L"CWebView::OnInitDialog", item.id,
                          static_cast<unsigned long>(hr));
            createResult_ = hr;
            return true;
        }
    }
    control_ = ::GetDlgItem(hwnd_, IDC_BROWSER);
    CAxHostWindow* host = CAxHostWindow::FromWindow(control_);
    if (!host) return true;
    wi::com_ptr<IUnknown> control;
    host->QueryControl(IID_IUnknown, control.put_void());
    sink_ = new (std::nothrow) CBrowserEventSink(this);
    if (sink_ && control) {
        HRESULT hr = sink_->Advise(control.get());
        if (FAILED(hr)) {
            Logger::Write(WB_VIEW, ERR, L"%ls events not connected [0x%08lx]", L"CWebView::OnInitDialog",
                          static_cast<unsigned long>(hr));
        }
    }
    host->QueryControl(IID_IWebBrowser2, browser_.put_void());
    if (browser_) {
        browser_->put_StatusBar(VARIANT_FALSE);
        browser_->put_AddressBar(VARIANT_FALSE);
        browser_->put_MenuBar(VARIANT_FALSE);
        browser_->put_Resizable(VARIANT_FALSE);
        browser_->put_ToolBar(VARIANT_FALSE);
    }
    return true;
}

INT_PTR CWebView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case bridge::kThreadResultMessage:
        OnThreadResult(wParam, lParam);
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    case kLoadPageMessage:
        LoadScriptPage();
        return TRUE;
    case WM_TIMER:
        if (wParam != kLoadRetryTimerId) return FALSE;
        ::KillTimer(hwnd_, kLoadRetryTimerId);
        LoadScriptPage();
        return TRUE;
    case WM_DESTROY:
        // In-place deactivation, then the event connection; the host window closes the control.
        if (CAxHostWindow* host = CAxHostWindow::FromWindow(control_)) host->Deactivate();
        if (sink_) {
            sink_->Unadvise();
            sink_->Release();
            sink_ = nullptr;
        }
        browser_.reset();
        Term();
        hwnd_ = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CWebView::OnThreadResult(WPARAM wParam, LPARAM lParam) {
    if (!lParam) return;
    // The receiver owns the posted object: freed whatever the call gives.
    std::unique_ptr<Json::Value> result(reinterpret_cast<Json::Value*>(lParam));
    RunJSCallbackFunction(static_cast<int>(wParam), *result);
}

void CWebView::Navigate(const std::wstring& url) {
    static const wchar_t kName[] = L"CWebView::Navigate";
    if (scriptEngine_) {
        if (!hwnd_) {
            CSendStats::SendErrorEvent(L"error", L"NaviageBrowserNull");
            Logger::Write(WB_VIEW, WRN, L"%ls failed - no web view create!", kName);
            return;
        }
        // Loaded from the message loop, as a browser would, never inside the caller.
        pendingPage_ = url;
        ::PostMessageW(hwnd_, kLoadPageMessage, 0, 0);
        return;
    }
    if (!browser_) {
        CSendStats::SendErrorEvent(L"error", L"NaviageBrowserNull");
        Logger::Write(WB_VIEW, WRN, L"%ls failed - no web view create!", kName);
        return;
    }
    VARIANT address;
    ::VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    VARIANT empty;
    ::VariantInit(&empty);
    HRESULT hr = browser_->Navigate2(&address, &empty, &empty, &empty, &empty);
    ::VariantClear(&address);
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls failed - bad url[%ls]!", kName, url.c_str());
        CSendStats::SendErrorCode(L"NavigateError", static_cast<int>(hr));
        browser_->Quit();
    }
}

void CWebView::LoadScriptPage() {
    if (pendingPage_.empty() || !hwnd_) return;
    if (scriptDepth_ > 0) {
        ::SetTimer(hwnd_, kLoadRetryTimerId, kLoadRetryMs, nullptr);
        return;
    }
    std::wstring path;
    path.swap(pendingPage_);
    if (page_) {
        page_->Close();
        page_->Release();
        page_ = nullptr;
    }
    // A page from anywhere but the working directory runs without the script object.
    const bool trusted = IsPageInFolder(path, CApplication::Instance()->WorkingDirectory());
    CScriptPage* page = nullptr;
    HRESULT hr = CScriptPage::Create(trusted ? dispatcher_ : nullptr, &page);
    if (SUCCEEDED(hr)) {
        page_ = page;
        ScriptCall call(scriptDepth_);
        hr = page_->Load(path);
    }
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls failed - bad url[%ls]!", L"CWebView::Navigate", path.c_str());
        CSendStats::SendErrorCode(L"NavigateError", static_cast<int>(hr));
        if (page_) {
            page_->Close();
            page_->Release();
            page_ = nullptr;
        }
        return;
    }
    OnDocumentComplete(nullptr, path);
}

void CWebView::Show() {
    if (!hwnd_) {
        Logger::Write(WB_VIEW, WRN, L"%ls failed - no window handle created!", L"CWebView::Show");
        return;
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::UpdateWindow(hwnd_);
    ::SetLayeredWindowAttributes(hwnd_, 0, 1, LWA_ALPHA);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // A quit request already queued is kept for the message loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring CWebView::TopLocation(const std::wstring& eventUrl) {
    if (scriptEngine_) return eventUrl;
    if (!browser_) return std::wstring();
    BSTR location = nullptr;
    std::wstring text;
    if (SUCCEEDED(browser_->get_LocationURL(&location)) && location) text = location;
    ::SysFreeString(location);
    return text;
}

void CWebView::OnDocumentComplete(IDispatch*, const std::wstring& url) {
    static const wchar_t kName[] = L"CWebView::OnDocumentComplete";
    Logger::Write(WB_VIEW, INF, L"%ls success!", kName);
    ::KillTimer(hwnd_, kFallbackTimerId);
    ::SetTimer(hwnd_, kFallbackTimerId, FallbackDocumentMs(), nullptr);

    // Only a page from the working directory gets the script object and is started.
    const std::wstring location = TopLocation(url);
    if (!IsPageInFolder(location, CApplication::Instance()->WorkingDirectory())) {
        Logger::Write(WB_VIEW, WRN, L"%ls page not from the working directory [%ls]!", kName, location.c_str());
        CSendStats::SendError(L"OnDocumentCompleteJSError", location);
        return;
    }
    if (!AddCustomeObject()) {
        Logger::Write(WB_VIEW, WRN, L"%ls add custom object failed!", kName);
        CSendStats::SendError(L"OnDocumentCompleteJSError", url);
        return;
    }
    if (!RunJSFunction(L"installerMain", L"", L"OnDocumentComplete")) {
        Logger::Write(WB_VIEW, WRN, L"%ls run js function installerMain failed!", kName);
        CSendStats::SendError(L"OnDocumentCompleteJSError", url);
    }
}

wi::com_ptr<IHTMLDocument2> CWebView::GetDoc() {
    static const wchar_t kName[] = L"CWebView::GetDoc";
    wi::com_ptr<IHTMLDocument2> document;
    if (!browser_) {
        Logger::Write(WB_VIEW, WRN, L"%ls no web view failed!", kName);
        return document;
    }
    wi::com_ptr<IDispatch> dispatch;
    HRESULT hr = browser_->get_Document(dispatch.put());
    if (!dispatch) {
        Logger::Write(WB_VIEW, WRN, L"%ls get_Document failed!", kName);
        CSendStats::SendErrorCode(L"GetDocDispatch", static_cast<int>(hr));
        return document;
    }
    hr = dispatch.query(IID_IHTMLDocument2, document);
    if (!document) {
        Logger::Write(WB_VIEW, WRN, L"%ls QueryInterface failed!", kName);
        CSendStats::SendErrorCode(L"GetDocQueryIF", static_cast<int>(hr));
    }
    return document;
}

bool CWebView::AddCustomeObject() {
    static const wchar_t kName[] = L"CWebView::AddCustomeObject";
    wi::com_ptr<IDispatch> window;
    HRESULT hr = S_OK;
    bool haveDocument = false;
    if (scriptEngine_) {
        haveDocument = page_ != nullptr;
        if (page_) hr = page_->ScriptDispatch(window.put());
    } else if (wi::com_ptr<IHTMLDocument2> document = GetDoc()) {
        haveDocument = true;
        wi::com_ptr<IHTMLWindow2> parent;
        hr = document->get_parentWindow(parent.put());
        window = wi::com_ptr<IDispatch>(parent.get());
    }
    if (!haveDocument) {
        Logger::Write(WB_VIEW, WRN, L"%ls get doc failed!", kName);
        CSendStats::SendErrorEvent(L"error", L"AddcoustomGetDoc");
        return false;
    }
    if (!window) {
        Logger::Write(WB_VIEW, WRN, L"%ls get parent window failed!", kName);
        CSendStats::SendErrorCode(L"AddcoustomParentWindow", static_cast<int>(hr));
        return false;
    }
    wi::com_ptr<IDispatchEx> windowEx;
    hr = window.query(kIidDispatchEx, windowEx);
    if (!windowEx) {
        Logger::Write(WB_VIEW, WRN, L"%ls get quary interfacefailed!", kName);
        CSendStats::SendErrorCode(L"AddcoustomQeryIf", static_cast<int>(hr));
        return false;
    }
    DISPID id = DISPID_UNKNOWN;
    Bstr name(CScriptPage::kObjectName);
    hr = windowEx->GetDispID(name.get(), fdexNameEnsure, &id);
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls get disp id failed!", kName);
        CSendStats::SendError(L"AddcoustomGetDisp", HexCode(hr));
        return false;
    }
    VARIANT object;
    ::VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = dispatcher_;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&object, &putId, 1, 1};
    hr = dispatcher_ ? windowEx->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                          nullptr)
                     : E_POINTER;
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls invokeEx failed!", kName);
        CSendStats::SendError(L"AddcoustomInvokEx", HexCode(hr));
        return false;
    }
    return true;
}

bool CWebView::RunJSFunction(const std::wstring& name, const std::wstring& argument, const std::wstring& context) {
    static const wchar_t kName[] = L"CWebView::RunJSFunction";
    wi::com_ptr<IDispatch> script;
    HRESULT hr = S_OK;
    bool haveDocument = false;
    if (scriptEngine_) {
        haveDocument = page_ != nullptr;
        if (page_) hr = page_->ScriptDispatch(script.put());
    } else if (wi::com_ptr<IHTMLDocument2> document = GetDoc()) {
        haveDocument = true;
        hr = document->get_Script(script.put());
    }
    if (!haveDocument) {
        Logger::Write(WB_VIEW, WRN, L"%ls GetDoc failed!", kName);
        CSendStats::SendErrorEvent(L"error", L"RunJSGetDoc");
        return false;
    }
    if (!script) {
        Logger::Write(WB_VIEW, WRN, L"%ls get_Script failed!", kName);
        CSendStats::SendErrorCode(L"RunJSGetScript", static_cast<int>(hr));
        return false;
    }
    DISPID id = DISPID_UNKNOWN;
    Bstr functionName(name);
    LPOLESTR names[] = {functionName.get()};
    hr = script->GetIDsOfNames(IID_NULL, names, 1, 0x800, &id);
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls GetIDsOfNames failed!", kName);
        CSendStats::SendErrorCode(wi::Format(L"%ls_%ls", L"RunJSGetIds", name.c_str()), static_cast<int>(hr));
        return false;
    }
    Bstr text(RewriteBackslashPairs(argument));
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = text.get();
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception = {};
    {
        ScriptCall call(scriptDepth_);
        hr = script->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr);
    }
    ::VariantClear(&result);
    std::wstring description = exception.bstrDescription ? exception.bstrDescription : L"";
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, WRN, L"%ls Invoke failed!", kName);
        if (!description.empty() && page_) page_->AddError(name, 0, description);
        CSendStats::SendErrorCode(wi::Format(L"%ls_%ls_%ls", L"RunJSInvoke", name.c_str(), context.c_str()),
                                  static_cast<int>(hr));
        return false;
    }
    return true;
}

bool CWebView::RunJSCallbackFunction(int callbackId, const Json::Value& result) {
    static const wchar_t kName[] = L"CWebView::RunJSCallbackFunction";
    if (callbackId < 1) {
        Logger::Write(WB_VIEW, WRN, L"%ls iCallbackId [%d] incorrect!", kName, callbackId);
        return false;
    }
    std::wstring label;
    bridge::ReadString(result, "function", &label);
    std::wstring text = BuildCallbackText(callbackId, result);
    Logger::Write(WB_VIEW, DBG, L"%ls function [%ls] params [%ls] ", kName, label.c_str(), text.c_str());
    if (!RunJSFunction(L"__GLOBAL_INSTALLER_CPP_CB_FUNCTION__", text, label)) {
        Logger::Write(WB_VIEW, WRN, L"%ls RunJSFunction failed!", kName);
        return false;
    }
    return true;
}

void CWebView::SetGeometry(const RECT& rect) {
    // The engine has no browser to size; its window follows all the same.
    if (!hwnd_ || (!browser_ && !scriptEngine_)) {
        Logger::Write(WB_VIEW, WRN, L"%ls window not initilised!", L"CWebView::SetGeometry");
        return;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, width, height, 0);
    if (!browser_) return;
    // The control's host window fills the dialog; the browser takes the size.
    if (control_) ::SetWindowPos(control_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    browser_->put_Width(width);
    browser_->put_Height(height);
}

void CWebView::SetLayeredWindow(bool fadeOut) {
    CMainWindow& main = CApplication::Instance()->MainWindow();
    const std::vector<BYTE> alphas = FadeAlphas(fadeOut);
    for (size_t i = 0; i < alphas.size(); ++i) {
        if (hwnd_) {
            ::SetLayeredWindowAttributes(hwnd_, 0, alphas[i], LWA_ALPHA);
        } else {
            Logger::Write(WB_VIEW, WRN, L"%ls failed - no window handle created!", L"CWebView::SetLayeredWindow");
        }
        main.UpdateLayeredSurface(alphas[i]);
        if (i + 1 < alphas.size()) ::Sleep(kFadeStepMs);
    }
    if (fadeOut) ::PostQuitMessage(0);
}

BOOL CWebView::PreTranslateMessage(MSG* msg) {
    if (!hwnd_ || !msg) return FALSE;
    const bool keyboard = msg->message >= WM_KEYFIRST && msg->message <= 0x109;
    const bool mouse = msg->message >= 0x200 && msg->message <= 0x20E;
    if (!keyboard && !mouse) return FALSE;
    HWND focus = ::GetFocus();
    if (focus && focus != hwnd_ && ::IsChild(hwnd_, focus)) {
        // The child of the web view that holds the focus (the control's host) may take the message.
        HWND child = focus;
        while (child && ::GetParent(child) != hwnd_) child = ::GetParent(child);
        if (child && ::SendMessageW(child, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(msg)) == 1) return TRUE;
    }
    return ::IsDialogMessageW(hwnd_, msg);
}

void CWebView::Term() {
    if (page_ && scriptDepth_ == 0) {
        page_->Close();
        page_->Release();
        page_ = nullptr;
    }
}
