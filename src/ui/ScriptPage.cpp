#include "ui/ScriptPage.h"

#include <exception>
#include <new>

#include "diagnostics/Logger.h"
#include "platform/Text.h"
#include "ui/ComIds.h"
#include "ui/ScriptElements.h"

constexpr wchar_t CScriptPage::kObjectName[];

namespace {

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    wi::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (size.QuadPart > 0 && (!::ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) ||
                              got != size.QuadPart)) {
        return false;
    }
    return true;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

CScriptPage::CScriptPage(IDispatch* scriptObject) : object_(scriptObject) {}

CScriptPage::~CScriptPage() { Close(); }

HRESULT CScriptPage::Create(IDispatch* scriptObject, CScriptPage** page) {
    if (!page) return E_POINTER;
    *page = nullptr;
    CScriptPage* created = new (std::nothrow) CScriptPage(scriptObject);
    if (!created) return E_OUTOFMEMORY;
    HRESULT hr = created->Start();
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *page = created;
    return S_OK;
}

HRESULT CScriptPage::Start() {
    HRESULT hr = ::CoCreateInstance(kClsidJScript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                                    engine_.put_void());
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, ERR, L"%ls engine not created [0x%08lx]", L"CScriptPage::Start", static_cast<unsigned long>(hr));
        return hr;
    }
    // JSON needs the 5.8 language level, which must be chosen before the site is set.
    wi::com_ptr<IActiveScriptProperty> property;
    if (SUCCEEDED(engine_.query(kIidActiveScriptProperty, property))) {
        VARIANT version;
        ::VariantInit(&version);
        version.vt = VT_I4;
        version.lVal = SCRIPTLANGUAGEVERSION_5_8;
        hr = property->SetProperty(SCRIPTPROP_INVOKEVERSIONING, nullptr, &version);
        if (FAILED(hr)) {
            Logger::Write(WB_VIEW, WRN, L"%ls language version not set [0x%08lx]", L"CScriptPage::Start",
                          static_cast<unsigned long>(hr));
        }
    }
    hr = engine_.query(kIidActiveScriptParse32, parser_);
    if (SUCCEEDED(hr)) hr = engine_->SetScriptSite(this);
    if (SUCCEEDED(hr)) hr = parser_->InitNew();
    if (SUCCEEDED(hr) && object_) hr = engine_->AddNamedItem(kObjectName, SCRIPTITEM_ISVISIBLE);
    // Connected: every parsed script runs at once, in the order given.
    if (SUCCEEDED(hr)) hr = engine_->SetScriptState(SCRIPTSTATE_CONNECTED);
    if (FAILED(hr)) {
        Logger::Write(WB_VIEW, ERR, L"%ls engine set-up failed [0x%08lx]", L"CScriptPage::Start",
                      static_cast<unsigned long>(hr));
        Close();
    }
    return hr;
}

HRESULT CScriptPage::Load(const std::wstring& indexPath) {
    if (!parser_) return E_UNEXPECTED;
    std::string bytes;
    if (!ReadWholeFile(indexPath, &bytes)) {
        DWORD error = ::GetLastError();
        Logger::Write(WB_VIEW, ERR, L"%ls page not read [%ls]", L"CScriptPage::Load", indexPath.c_str());
        return HRESULT_FROM_WIN32(error ? error : ERROR_READ_FAULT);
    }
    const std::wstring folder = FolderOf(indexPath);
    for (const ScriptElement& element : ExtractScriptElements(DecodeScriptFile(bytes))) {
        if (!parser_) break;  // the page closed itself meanwhile
        if (!element.external) {
            Run(element.text, indexPath, element.line);
            continue;
        }
        std::wstring path;
        std::string file;
        if (!ResolveScriptSource(folder, element.src, &path)) {
            Logger::Write(WB_VIEW, WRN, L"%ls script source refused [%ls]", L"CScriptPage::Load", element.src.c_str());
            continue;
        }
        if (!ReadWholeFile(path, &file)) {
            Logger::Write(WB_VIEW, WRN, L"%ls script file not read [%ls]", L"CScriptPage::Load", path.c_str());
            continue;
        }
        Run(DecodeScriptFile(file), path, 0);
    }
    return S_OK;
}

void CScriptPage::Run(const std::wstring& code, const std::wstring& source, unsigned line) {
    const DWORD cookie = static_cast<DWORD>(sources_.size());
    sources_.push_back(source);
    const size_t errorsBefore = errors_.size();
    EXCEPINFO exception = {};
    HRESULT hr = parser_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, cookie, line,
                                          SCRIPTTEXT_ISVISIBLE, nullptr, &exception);
    if (FAILED(hr) && errors_.size() == errorsBefore) {
        // Not reported through OnScriptError: keep what the call says.
        std::wstring text = exception.bstrDescription ? exception.bstrDescription : L"";
        AddError(source, line + 1, text.empty() ? wi::Format(L"0x%08lx", static_cast<unsigned long>(hr)) : text);
    }
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
}

HRESULT CScriptPage::ScriptDispatch(IDispatch** dispatch) {
    if (!dispatch) return E_POINTER;
    *dispatch = nullptr;
    if (!engine_) return E_UNEXPECTED;
    return engine_->GetScriptDispatch(nullptr, dispatch);
}

void CScriptPage::Close() {
    parser_.reset();
    if (engine_) {
        engine_->Close();
        engine_.reset();
    }
    object_.reset();
}

void CScriptPage::AddError(const std::wstring& source, unsigned long line, const std::wstring& text) {
    Logger::Write(WB_VIEW, ERR, L"%ls script error [%ls] line [%lu]: %ls", L"CScriptPage::OnScriptError", source.c_str(), line,
                  text.c_str());
    errors_.push_back(Error{source, line, text});
}

HRESULT CScriptPage::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IActiveScriptSite)) {
        *object = static_cast<IActiveScriptSite*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CScriptPage::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG CScriptPage::Release() {
    LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CScriptPage::GetLCID(LCID*) { return E_NOTIMPL; }

HRESULT CScriptPage::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
    if (mask & SCRIPTINFO_IUNKNOWN) {
        if (!item) return E_POINTER;
        *item = nullptr;
    }
    if (mask & SCRIPTINFO_ITYPEINFO) {
        if (!info) return E_POINTER;
        *info = nullptr;
    }
    if (!name || ::lstrcmpW(name, kObjectName) != 0 || !object_) return TYPE_E_ELEMENTNOTFOUND;
    if (mask & SCRIPTINFO_IUNKNOWN) {
        *item = object_.get();
        (*item)->AddRef();
    }
    return S_OK;
}

HRESULT CScriptPage::GetDocVersionString(BSTR* version) {
    if (version) *version = nullptr;
    return E_NOTIMPL;
}

HRESULT CScriptPage::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }

HRESULT CScriptPage::OnStateChange(SCRIPTSTATE) { return S_OK; }

HRESULT CScriptPage::OnScriptError(IActiveScriptError* error) {
    if (!error) return E_POINTER;
    try {
        DWORD cookie = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&cookie, &line, &column);
        EXCEPINFO exception = {};
        error->GetExceptionInfo(&exception);
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        std::wstring text = exception.bstrDescription ? exception.bstrDescription : L"";
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
        AddError(cookie < sources_.size() ? sources_[cookie] : std::wstring(), line + 1, text);
    } catch (...) {
        // No exception crosses into the engine.
    }
    return S_OK;
}

HRESULT CScriptPage::OnEnterScript() { return S_OK; }

HRESULT CScriptPage::OnLeaveScript() { return S_OK; }
