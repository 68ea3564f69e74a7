#pragma once
// The program's callback object for 7-Zip's archive extraction: it hands over
// the password, ignores progress and per-item messages, and turns item results
// into the extraction's result (an encrypted item with a data error becomes
// 10002, "incorrect password"; any other non-zero result stops the extraction).
//
// 7-Zip 26 splits what older versions had in one interface: the COM interface
// IFolderArchiveExtractCallback (with its IProgress base) and ICryptoGetTextPassword,
// which the archive code reaches through QueryInterface, and the plain C++
// interfaces IExtractCallbackUI and IOpenCallbackUI, which the Extract driver
// calls directly. The object is reference counted like a COM object: the count
// starts at 0 and the object deletes itself when it drops back to 0, so it is
// always held by a COM pointer.
#include <windows.h>

#include <string>

#include "7zip/IPassword.h"
#include "7zip/UI/Common/ArchiveOpenCallback.h"
#include "7zip/UI/Common/IFileExtractCallback.h"

class CExtractCallbackWebInstaller final : public IFolderArchiveExtractCallback,
                                           public ICryptoGetTextPassword,
                                           public IExtractCallbackUI,
                                           public IOpenCallbackUI {
public:
    // Result of an encrypted item that failed with a data error.
    static constexpr HRESULT kIncorrectPassword = 10002;

    CExtractCallbackWebInstaller() = default;
    CExtractCallbackWebInstaller(const CExtractCallbackWebInstaller&) = delete;
    CExtractCallbackWebInstaller& operator=(const CExtractCallbackWebInstaller&) = delete;

    // IUnknown (shared by both COM bases).
    STDMETHOD(QueryInterface)(REFIID iid, void** object) throw() override;
    STDMETHOD_(ULONG, AddRef)() throw() override;
    STDMETHOD_(ULONG, Release)() throw() override;

    // IProgress, IFolderArchiveExtractCallback, ICryptoGetTextPassword.
    Z7_IFACE_COM7_IMP(IProgress)
    Z7_IFACE_COM7_IMP(IFolderArchiveExtractCallback)
    Z7_IFACE_COM7_IMP(ICryptoGetTextPassword)
    // IExtractCallbackUI (BeforeOpen, OpenResult, ThereAreNoFiles, ExtractResult, SetPassword).
    Z7_IFACE_IMP(IExtractCallbackUI)
    // IOpenCallbackUI (Open_CheckBreak, Open_SetTotal, Open_SetCompleted, Open_Finished,
    // Open_CryptoGetTextPassword).
    Z7_IFACE_IMP(IOpenCallbackUI)

    // Open-callback operations that older 7-Zip versions had in IOpenCallbackUI;
    // 7-Zip 26 no longer calls them. Kept with their fixed answers.
    HRESULT Open_GetPasswordIfAny(bool& passwordIsDefined, UString& password);
    bool Open_WasPasswordAsked();
    void Open_Clear_PasswordWasAsked_Flag();

    // True from SetPassword until the library first asks for the password.
    bool PasswordPending() const { return passwordPending_; }
    const std::wstring& Password() const { return password_; }
    ULONG RefCount() const { return static_cast<ULONG>(refCount_); }

    // The rule for item and open results: an encrypted item with a data error
    // (or one the library names a wrong password) gives kIncorrectPassword;
    // everything else passes unchanged.
    static HRESULT ItemResult(Int32 result, Int32 encrypted);

private:
    ~CExtractCallbackWebInstaller() = default;  // only Release deletes
    HRESULT GivePassword(BSTR* password);

    volatile LONG refCount_ = 0;
    std::wstring password_;
    bool passwordPending_ = false;
};
