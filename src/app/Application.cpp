#include "app/Application.h"

#include <objbase.h>
#include <wininet.h>
#include <gdiplus.h>

#include <cstring>
#include <ctime>

#include "app/AppWindow.h"
#include "app/BrandConfig.h"
#include "app/Secrets.h"
#include "diagnostics/Logger.h"
#include "diagnostics/Md5.h"
#include "diagnostics/SendStats.h"
#include "diagnostics/StatsQuery.h"
#include "platform/FileSystemUtils.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "resources/resource.h"
#include "ui/FallbackTimer.h"
#include "ui/MessageBox.h"

namespace {
const wchar_t kVersionText[] = L"1.1.1.36";
}

CApplication* CApplication::Instance() {
    // Created on first use (in wWinMain, before any other thread) and never destroyed.
    static CApplication* instance = new CApplication();
    return instance;
}

CApplication::CApplication() {
    qa_ = brand::DefaultQaSettings();
    Initialise();
}

std::wstring CApplication::FormatRunGuid(const GUID& guid) {
    return wi::Format(L"%08lX%04hX%04hX%02X%02X%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2, guid.Data3,
                      guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                      guid.Data4[6], guid.Data4[7]);
}

std::wstring CApplication::MakeVerifier(const std::wstring& runGuid) {
    return Md5Hex((std::string(secrets::kVerifierSalt) + wi::WideToUtf8(runGuid)).c_str());
}

CApplication::RunModeChoice CApplication::SelectRunMode(const std::wstring& commandLine) {
    if (wi::Contains(commandLine, L"/prepareuninstall")) return {RUN_PREPARE_UNINSTALL, L"preuninstaller_init"};
    if (wi::Contains(commandLine, L"executeuninstall")) return {RUN_EXECUTE_UNINSTALL, L"uninstaller_init"};
    return {RUN_INSTALL, L"installer_init"};
}

void CApplication::Initialise() {
    GUID guid;
    if (FAILED(::CoCreateGuid(&guid))) return;
    version_ = kVersionText;
    runGuid_ = FormatRunGuid(guid);
    verifier_ = MakeVerifier(runGuid_);

    DWORD needed = ::GetEnvironmentVariableW(L"temp", nullptr, 0);
    if (needed == 0) return;
    std::wstring temp(needed, L'\0');
    DWORD got = ::GetEnvironmentVariableW(L"temp", &temp[0], needed);
    if (got == 0 || got >= needed) return;
    temp.resize(got);

    DWORD longNeeded = ::GetLongPathNameW(temp.c_str(), nullptr, 0);
    std::wstring longPath;
    if (longNeeded > 0) {
        longPath.assign(longNeeded, L'\0');
        DWORD longGot = ::GetLongPathNameW(temp.c_str(), &longPath[0], longNeeded);
        if (longGot == 0 || longGot >= longNeeded) longPath.clear();
        else longPath.resize(longGot);
    }
    if (longPath.empty()) {
        workingDirectory_ = temp;
        return;
    }
    workingDirectory_ = longPath + L"\\WebInstaller_" + runGuid_ + L"\\";
    if (!CFileSystemUtils::CreateDirectoryRecurcive(workingDirectory_)) {
        CSendStats::SendErrorEvent(L"error", L"failed_to_create_log_dir");
        return;
    }
    packageArchivePath_ = workingDirectory_ + L"index.7z";
    interfacePagePath_ = workingDirectory_ + L"index.html";
    adminWriteAccess_ = SystemInfo::IsAdminUser();
    packagePassword_ = Md5Hex(secrets::kPackagePhrase);
    Logger::Write(APPLICATION, DBG, L"%ls App created, working dir [%ls]", L"CApplication::Initialise",
                  workingDirectory_.c_str());
}

bool CApplication::LoadBrandConfiguration(const std::wstring& commandLine) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceExW(module, L"DATA", MAKEINTRESOURCEW(IDR_BRAND_CONFIG),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found) return false;
    DWORD size = ::SizeofResource(module, found);
    if (size == 0) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!data) return false;
    // The text ends at its first NUL, and never beyond the resource.
    const void* nul = std::memchr(data, 0, size);
    std::string ansi(data, nul ? static_cast<const char*>(nul) - data : size);

    brand::Settings settings;
    if (!brand::Parse(wi::WideToUtf8(wi::AnsiToWide(ansi)), commandLine, &settings)) return false;
    debugMode_ = settings.debug;
    qa_ = settings.qa;
    Logger::Instance().Configure(
        wi::Format(L"%lsWebInstaller_%lu.log", workingDirectory_.c_str(), ::GetCurrentProcessId()), !debugMode_);
    brand_ = settings.values;
    if (!settings.nonStringKeys.empty()) {
        Logger::Write(APPLICATION, WRN, L"%ls brand values that are not strings were stored empty [%ls]",
                      L"CApplication::LoadBrandConfiguration", settings.nonStringKeys.c_str());
    }
    return true;
}

std::wstring CApplication::QaPath(const std::wstring& text) const {
    if (!qa_.enabled) return text;
    return brand::QaSubstitute(text, qa_.defaultBrandName, qa_.brandName);
}

std::wstring CApplication::QaUrl(const std::wstring& text) const {
    if (!qa_.enabled) return text;
    return brand::QaSubstitute(text, qa_.defaultUpdateListUrl, qa_.updateListUrl);
}

bool CApplication::EncodeStatsUrl(std::wstring& url) const { return EncodeStatsUrlText(url, debugMode_); }

int CApplication::Run(const std::wstring& commandLine) {
    startTime_ = static_cast<int64_t>(::time(nullptr));
    Logger::Write(APPLICATION, DBG, L"%ls App run enter, cmd [%ls]", L"CApplication::Run", commandLine.c_str());

    RunModeChoice choice = SelectRunMode(commandLine);
    runMode_ = choice.mode;
    const wchar_t* startEvent = choice.startEvent;
    silent_ = wi::Contains(commandLine, L"/silent");
    CFileSystemUtils::SetUnattended(silent_);

    if (!LoadBrandConfiguration(commandLine)) {
        CSendStats::SendLastError(L"failed_to_parse_configuration");
        return 1;
    }
    commandLine_ = commandLine;
    Logger::Write(APPLICATION, DBG, L"%ls load data id[%ls] brand[%ls]", L"CApplication::Run",
                  brand_.app_id.c_str(), brand_.brand_system_name.c_str());

    DWORD connectionFlags = 0;
    if (!::InternetGetConnectedState(&connectionFlags, 0)) {
        const wchar_t* text = runMode_ == RUN_EXECUTE_UNINSTALL
                                  ? L"Please check your internet connection and try to run the uninstaller again."
                                  : L"Please check your internet connection and try to run the installer again.";
        ShowMessageBox(nullptr, text, L"Check your internet connection", MB_ICONWARNING | MB_OK);
        CSendStats::SendLastError(L"no_internet_error");
        return 1;
    }

    CMessageLoop loop;
    messageLoop_ = &loop;
    loop.AddMessageFilter(this);
    loop.AddMessageFilter(&webView_);  // asked first: keys go to the browser control

    CSendStats::SendEvent(startEvent);

    // Steps 8 and 9; on failure the loop is dropped as it is and nothing more is logged.
    if (!CreateAppWindows()) {
        messageLoop_ = nullptr;
        return 1;
    }
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    ResizeApp(600, 500);

    splash_.Create(mainWindow_, silent_);
    splash_.ShowSplashDlg();
    if (!NavigateApp(brand_.url, true)) {
        ::KillTimer(webViewWindow_, kFallbackTimerId);
        ::SetTimer(webViewWindow_, kFallbackTimerId, FallbackStartMs(), nullptr);
        ProcessFallback();
    }
    ReadAdvDataFromExec();

    int result = loop.Run();

    loop.RemoveMessageFilter(&webView_);
    loop.RemoveMessageFilter(this);
    messageLoop_ = nullptr;
    Gdiplus::GdiplusShutdown(gdiplusToken);
    webView_.Term();
    Logger::Write(APPLICATION, DBG, L"%ls App run exit [%d]", L"CApplication::Run", result);
    if (silent_) result = SilentExitCode(closeReason_);
    return result;
}

BOOL CApplication::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_TIMER && msg->wParam == kFallbackTimerId) {
        OnFallbackTimer();
        return TRUE;
    }
    return ::IsDialogMessageW(mainWindow_, msg);
}

