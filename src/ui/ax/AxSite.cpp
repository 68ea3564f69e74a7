#include "ui/ax/AxSite.h"

#include "ui/ax/AxHostWindow.h"

template <typename Interface>
HRESULT CAxPart<Interface>::QueryInterface(REFIID iid, void** object) {
    return site_->QueryInterface(iid, object);
}
template <typename Interface>
ULONG CAxPart<Interface>::AddRef() {
    return site_->AddRef();
}
template <typename Interface>
ULONG CAxPart<Interface>::Release() {
    return site_->Release();
}

template class CAxPart<IOleClientSite>;
template class CAxPart<IOleInPlaceSite>;
template class CAxPart<IOleInPlaceFrame>;
template class CAxPart<IDocHostUIHandler>;

namespace {
HWND HostWindow(CAxSite* site) { return site->Host() ? site->Host()->Window() : nullptr; }
}  // namespace

// --- site -------------------------------------------------------------------

CAxSite::CAxSite(CAxHostWindow* host)
    : host_(host), clientSite_(this), inPlaceSite_(this), inPlaceFrame_(this), docHostUIHandler_(this) {}

HRESULT CAxSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (::IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
    } else if (::IsEqualIID(iid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(&clientSite_);
    } else if (::IsEqualIID(iid, IID_IOleWindow) || ::IsEqualIID(iid, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(&inPlaceSite_);
    } else if (::IsEqualIID(iid, IID_IOleInPlaceFrame) || ::IsEqualIID(iid, IID_IOleInPlaceUIWindow)) {
        *object = static_cast<IOleInPlaceFrame*>(&inPlaceFrame_);
    } else if (::IsEqualIID(iid, IID_IDocHostUIHandler)) {
        *object = static_cast<IDocHostUIHandler*>(&docHostUIHandler_);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CAxSite::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG CAxSite::Release() {
    LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

// --- IOleClientSite ---------------------------------------------------------

HRESULT CAxClientSite::SaveObject() { return E_NOTIMPL; }
HRESULT CAxClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT CAxClientSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT CAxClientSite::ShowObject() { return S_OK; }
HRESULT CAxClientSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT CAxClientSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleInPlaceSite --------------------------------------------------------

HRESULT CAxInPlaceSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = HostWindow(site_);
    return *window ? S_OK : E_FAIL;
}
HRESULT CAxInPlaceSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
HRESULT CAxInPlaceSite::CanInPlaceActivate() { return site_->Host() ? S_OK : S_FALSE; }
HRESULT CAxInPlaceSite::OnInPlaceActivate() { return S_OK; }
HRESULT CAxInPlaceSite::OnUIActivate() { return S_OK; }

HRESULT CAxInPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                         LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip) return E_POINTER;
    HWND host = HostWindow(site_);
    *document = nullptr;
    HRESULT hr = site_->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
    if (FAILED(hr)) return hr;
    ::GetClientRect(host, position);
    *clip = *position;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = host ? ::GetAncestor(host, GA_ROOT) : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT CAxInPlaceSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT CAxInPlaceSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT CAxInPlaceSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT CAxInPlaceSite::DiscardUndoState() { return E_NOTIMPL; }
HRESULT CAxInPlaceSite::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT CAxInPlaceSite::OnPosRectChange(LPCRECT position) {
    if (!position) return E_POINTER;
    if (CAxHostWindow* host = site_->Host()) host->OnPositionChange(*position);
    return S_OK;
}

// --- IOleInPlaceFrame -------------------------------------------------------

HRESULT CAxInPlaceFrame::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    HWND host = HostWindow(site_);
    *window = host ? ::GetAncestor(host, GA_ROOT) : nullptr;
    return *window ? S_OK : E_FAIL;
}
HRESULT CAxInPlaceFrame::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
HRESULT CAxInPlaceFrame::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CAxInPlaceFrame::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CAxInPlaceFrame::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
HRESULT CAxInPlaceFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
HRESULT CAxInPlaceFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
HRESULT CAxInPlaceFrame::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT CAxInPlaceFrame::RemoveMenus(HMENU) { return E_NOTIMPL; }
HRESULT CAxInPlaceFrame::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT CAxInPlaceFrame::EnableModeless(BOOL) { return S_OK; }
HRESULT CAxInPlaceFrame::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// --- IDocHostUIHandler ------------------------------------------------------

HRESULT CAxDocHostUIHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
HRESULT CAxDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}
HRESULT CAxDocHostUIHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                    IOleInPlaceUIWindow*) {
    return S_FALSE;
}
HRESULT CAxDocHostUIHandler::HideUI() { return S_OK; }
HRESULT CAxDocHostUIHandler::UpdateUI() { return S_OK; }
HRESULT CAxDocHostUIHandler::EnableModeless(BOOL) { return S_OK; }
HRESULT CAxDocHostUIHandler::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT CAxDocHostUIHandler::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT CAxDocHostUIHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT CAxDocHostUIHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
HRESULT CAxDocHostUIHandler::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return S_FALSE;
}
HRESULT CAxDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement) *replacement = nullptr;
    return E_NOTIMPL;
}
HRESULT CAxDocHostUIHandler::GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return S_FALSE;
}
HRESULT CAxDocHostUIHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated) *translated = nullptr;
    return S_FALSE;
}
HRESULT CAxDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject** replacement) {
    if (replacement) *replacement = nullptr;
    return S_FALSE;
}
