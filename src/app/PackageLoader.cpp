// Loading of the interface package: download, unpack, show; the fallback
// package when the first cannot be loaded or its page never confirms its start.
#include "app/Application.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/Text.h"
#include "transfer/Download.h"
#include "transfer/Extract.h"
#include "ui/FallbackTimer.h"
#include "ui/MessageBox.h"

namespace {

struct FallbackTexts {
    const wchar_t* eventType;
    const wchar_t* message;
};

FallbackTexts FallbackFailureTexts(int runMode) {
    switch (runMode) {
    case RUN_PREPARE_UNINSTALL:
        return {L"preuninstaller_failed",
                L"Please check your internet connection and try to run the preinstaller again."};
    case RUN_EXECUTE_UNINSTALL:
        return {L"uninstaller_failed", L"Please check your internet connection and try to run the uninstaller again."};
    default:
        return {L"installer_failed", L"Please check your internet connection and try to run the installer again."};
    }
}

}  // namespace

bool CApplication::NavigateApp(const std::wstring& url, bool startTimer) {
    Logger::Write(APPLICATION, DBG, L"%ls url [%ls]!", L"CApplication::NavigateApp", url.c_str());
    if (startTimer) {
        Logger::Write(APPLICATION, DBG, L"%ls Timer started!", L"CApplication::NavigateApp");
        ::SetTimer(webViewWindow_, kFallbackTimerId, FallbackStartMs(), nullptr);
    }
    Tools::DownloadRequest request;
    request.url = url;
    request.outputFile = packageArchivePath_;
    if (!Tools::Download(request).ok) {
        Logger::Write(APPLICATION, WRN, L"%ls download failed, url[%ls]!", L"CApplication::NavigateApp", url.c_str());
        return false;
    }
    if (!Tools::Extract(packageArchivePath_, workingDirectory_, packagePassword_)) {
        Logger::Write(APPLICATION, WRN, L"%ls extract failed, url[%ls]!", L"CApplication::NavigateApp",
                      packageArchivePath_.c_str());
        return false;
    }
    Logger::Write(APPLICATION, INF, L"%ls navigate app, url[%ls]!", L"CApplication::NavigateApp",
                  interfacePagePath_.c_str());
    webView_.Navigate(interfacePagePath_);
    return true;
}

void CApplication::ProcessFallback() {
    Logger::Write(APPLICATION, ERR, L"%ls url [%ls]", L"CApplication::ProcessFallback", brand_.fallback_url.c_str());
    indexType_ = 2;
    if (NavigateApp(brand_.fallback_url, false)) return;
    Logger::Write(APPLICATION, ERR, L"%ls Fallback faled!", L"CApplication::ProcessFallback");
    FallbackTexts texts = FallbackFailureTexts(runMode_);
    HWND owner = ::IsWindow(webViewWindow_) ? webViewWindow_ : nullptr;
    ShowMessageBox(owner, texts.message, L"Check your internet connection", MB_ICONWARNING | MB_OK);
    splash_.RemoveSplashDlg();
    CSendStats::SendErrorEvent(texts.eventType, wi::Format(L"fallback_failed_%ls_%ls", brand_.url.c_str(),
                                                            brand_.fallback_url.c_str()));
    ::PostQuitMessage(0);
}

void CApplication::OnFallbackTimer() {
    Logger::Write(APPLICATION, DBG, L"%ls Fallback timer activated!", L"CApplication::PreTranslateMessage");
    ::KillTimer(webViewWindow_, kFallbackTimerId);
    CSendStats::SendErrorEvent(L"error", L"installer_main_timeout");
    ProcessFallback();
}
