#include "transfer/ExtractCallbackWebInstaller.h"

#include <new>

// ---- IUnknown ----

STDMETHODIMP CExtractCallbackWebInstaller::QueryInterface(REFIID iid, void** object) throw() {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IFolderArchiveExtractCallback) {
        *object = static_cast<IFolderArchiveExtractCallback*>(this);
    } else if (iid == IID_ICryptoGetTextPassword) {
        *object = static_cast<ICryptoGetTextPassword*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CExtractCallbackWebInstaller::AddRef() throw() {
    // Atomic: the archive code may hold references on its decoder threads.
    return static_cast<ULONG>(::InterlockedIncrement(&refCount_));
}

STDMETHODIMP_(ULONG) CExtractCallbackWebInstaller::Release() throw() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

// ---- result rule ----

HRESULT CExtractCallbackWebInstaller::ItemResult(Int32 result, Int32 encrypted) {
    if (encrypted && (result == NArchive::NExtract::NOperationResult::kDataError ||
                      result == NArchive::NExtract::NOperationResult::kWrongPassword)) {
        return kIncorrectPassword;
    }
    return static_cast<HRESULT>(result);
}

// ---- IProgress: no progress is reported during an extraction ----

Z7_COM7F_IMF(CExtractCallbackWebInstaller::SetTotal(UInt64 /*total*/)) { return S_OK; }

Z7_COM7F_IMF(CExtractCallbackWebInstaller::SetCompleted(const UInt64* /*completeValue*/)) { return S_OK; }

// ---- IFolderArchiveExtractCallback ----

Z7_COM7F_IMF(CExtractCallbackWebInstaller::AskOverwrite(const wchar_t* /*existName*/, const FILETIME* /*existTime*/,
                                                       const UInt64* /*existSize*/, const wchar_t* /*newName*/,
                                                       const FILETIME* /*newTime*/, const UInt64* /*newSize*/,
                                                       Int32* /*answer*/)) {
    // Never reached: the overwrite mode is "overwrite without prompt".
    return S_OK;
}

Z7_COM7F_IMF(CExtractCallbackWebInstaller::PrepareOperation(const wchar_t* /*name*/, Int32 /*isFolder*/,
                                                           Int32 /*askExtractMode*/, const UInt64* /*position*/)) {
    return S_OK;
}

Z7_COM7F_IMF(CExtractCallbackWebInstaller::MessageError(const wchar_t* /*message*/)) {
    // The library skips the item concerned (a locked file, a refused link) and goes on.
    return S_OK;
}

Z7_COM7F_IMF(CExtractCallbackWebInstaller::SetOperationResult(Int32 opRes, Int32 encrypted)) {
    // Any non-zero answer stops the whole extraction with that value.
    return ItemResult(opRes, encrypted);
}

// ---- ICryptoGetTextPassword ----

HRESULT CExtractCallbackWebInstaller::GivePassword(BSTR* password) {
    if (!password) return E_POINTER;
    passwordPending_ = false;
    *password = ::SysAllocStringLen(password_.data(), static_cast<UINT>(password_.size()));
    return *password ? S_OK : E_OUTOFMEMORY;
}

Z7_COM7F_IMF(CExtractCallbackWebInstaller::CryptoGetTextPassword(BSTR* password)) { return GivePassword(password); }

// ---- IExtractCallbackUI ----

HRESULT CExtractCallbackWebInstaller::BeforeOpen(const wchar_t* /*name*/, bool /*testMode*/) { return S_OK; }

HRESULT CExtractCallbackWebInstaller::OpenResult(const CCodecs* /*codecs*/, const CArchiveLink& /*arcLink*/,
                                                 const wchar_t* /*name*/, HRESULT result) {
    // Opening is reported as not encrypted: a failed open stops with its own result.
    return ItemResult(static_cast<Int32>(result), 0);
}

HRESULT CExtractCallbackWebInstaller::ThereAreNoFiles() { return S_OK; }

HRESULT CExtractCallbackWebInstaller::ExtractResult(HRESULT result) { return result; }

HRESULT CExtractCallbackWebInstaller::SetPassword(const UString& password) {
    try {
        password_.assign(password.Ptr(), password.Len());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    passwordPending_ = true;
    return S_OK;
}

// ---- IOpenCallbackUI ----

HRESULT CExtractCallbackWebInstaller::Open_CheckBreak() { return S_OK; }

HRESULT CExtractCallbackWebInstaller::Open_SetTotal(const UInt64* /*files*/, const UInt64* /*bytes*/) { return S_OK; }

HRESULT CExtractCallbackWebInstaller::Open_SetCompleted(const UInt64* /*files*/, const UInt64* /*bytes*/) {
    return S_OK;
}

HRESULT CExtractCallbackWebInstaller::Open_Finished() { return S_OK; }

HRESULT CExtractCallbackWebInstaller::Open_CryptoGetTextPassword(BSTR* password) { return GivePassword(password); }

HRESULT CExtractCallbackWebInstaller::Open_GetPasswordIfAny(bool& /*passwordIsDefined*/, UString& /*password*/) {
    return S_OK;
}

bool CExtractCallbackWebInstaller::Open_WasPasswordAsked() { return true; }

void CExtractCallbackWebInstaller::Open_Clear_PasswordWasAsked_Flag() {}
