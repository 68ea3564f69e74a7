#pragma once
// The one application object: run state read by every part of the program,
// start-up in a fixed order, the message loop, and the hand-over to clean-up.
#include <windows.h>

#include <cstdint>
#include <string>

#include "bridge/dispatcher/Dispatcher.h"
#include "ui/MainWindow.h"
#include "ui/MessageLoop.h"
#include "ui/SplashWindow.h"
#include "ui/WebView.h"

// Brand values read from the brand configuration (DATA resource 210).
struct BrandValues {
    std::wstring url;
    std::wstring fallback_url;
    std::wstring app_id;
    std::wstring id;
    std::wstring name;
    std::wstring company_name;
    std::wstring file_description;
    std::wstring product_name;
    std::wstring created_at;
    std::wstring updated_at;
    std::wstring copyright;
    std::wstring publisher_id;
    std::wstring template_file_path;
    std::wstring brand_system_name;
    std::wstring fallback_languages;
    std::wstring fallback_templates;
    std::wstring cabs_base_url;
    std::wstring cabs_languages;
    std::wstring quorvent_brand_id;
    std::wstring error_url;
    std::wstring stats_url;
    std::wstring post_log_url;
};

// QA installer mode and its texts.
struct QaSettings {
    bool enabled = false;
    std::wstring defaultUpdateListUrl;  // find text of the address substitution
    std::wstring defaultBrandName;      // find text of the path substitution
    std::wstring updateListUrl;         // replacement of the address substitution
    std::wstring brandName;             // replacement of the path substitution
    std::wstring installerType;
};

enum RunMode { RUN_INSTALL = 0, RUN_PREPARE_UNINSTALL = 1, RUN_EXECUTE_UNINSTALL = 2 };

class CApplication : public CMessageFilter {
public:
    static CApplication* Instance();

    int Run(const std::wstring& commandLine);
    BOOL PreTranslateMessage(MSG* msg) override;
    bool LoadBrandConfiguration(const std::wstring& commandLine);
    // Reads the stamped download data of the program file (AdvData.cpp).
    void ReadAdvDataFromExec();
    // End-of-run removal of the working directory and, after success, of the
    // installer or the uninstalled product (hidden batch files).
    void Clean();

    // Run state (written during start-up, read afterwards from any thread).
    int RunModeValue() const { return runMode_; }
    const std::wstring& RunGuid() const { return runGuid_; }
    const std::wstring& Verifier() const { return verifier_; }
    const std::wstring& VersionText() const { return version_; }
    int64_t StartTime() const { return startTime_; }
    const std::wstring& WorkingDirectory() const { return workingDirectory_; }
    const std::wstring& PackageArchivePath() const { return packageArchivePath_; }
    const std::wstring& InterfacePagePath() const { return interfacePagePath_; }
    const std::wstring& PackagePassword() const { return packagePassword_; }
    const std::wstring& CommandLine() const { return commandLine_; }
    bool IsDebugMode() const { return debugMode_; }
    bool HasAdminWriteAccess() const { return adminWriteAccess_; }
    int IndexType() const { return indexType_; }
    void SetIndexType(int type) { indexType_ = type; }
    const std::wstring& AdvData() const { return advData_; }
    void SetAdvData(const std::wstring& json) { advData_ = json; }
    const std::wstring& CloseReason() const { return closeReason_; }
    void SetCloseReason(const std::wstring& reason) { closeReason_ = reason; }
    const BrandValues& Brand() const { return brand_; }
    const QaSettings& Qa() const { return qa_; }
    HWND MainWindowHandle() const { return mainWindow_; }
    HWND WebViewWindowHandle() const { return webViewWindow_; }
    bool IsSilent() const { return silent_; }
    void SetSilent(bool silent) { silent_ = silent; }

    // Windows and the page's window commands (AppWindow.cpp).
    // Start-up steps 8 and 9: the main window, then the web view with the
    // script object (resources: the module holding dialog 131, null for the
    // program's own). False after logging and reporting the failure.
    bool CreateAppWindows(HMODULE resources = nullptr);
    void ResizeApp(int width, int height);
    void ShowApp(const Json::Value& params);   // command 6
    void CloseApp(const Json::Value& params);  // command 5
    CMainWindow& MainWindow() { return frame_; }
    CDispatcher& Dispatcher() { return dispatcher_; }
    CSplashWindow& Splash() { return splash_; }
    CWebView& WebView() { return webView_; }
    // Interface package loading (PackageLoader.cpp): download, unpack and
    // show the package at `url`; the fallback package; timer 11 expired.
    bool NavigateApp(const std::wstring& url, bool startTimer);
    void ProcessFallback();
    void OnFallbackTimer();

    // QA substitutions, applied by the command handlers in QA installer mode
    // (the text is returned unchanged outside it).
    std::wstring QaPath(const std::wstring& text) const;
    std::wstring QaUrl(const std::wstring& text) const;
    // Packs a statistics address's query into its encoded form (not in debug mode).
    bool EncodeStatsUrl(std::wstring& url) const;

    // Decisions of start-up, as plain functions.
    struct RunModeChoice {
        int mode;
        const wchar_t* startEvent;
    };
    static RunModeChoice SelectRunMode(const std::wstring& commandLine);
    // Run GUID text (32 upper-case hex digits) and its verifier.
    static std::wstring FormatRunGuid(const GUID& guid);
    static std::wstring MakeVerifier(const std::wstring& runGuid);

private:
    CApplication();
    void Initialise();

    CMessageLoop* messageLoop_ = nullptr;
    bool debugMode_ = false;
    std::wstring workingDirectory_;
    std::wstring packageArchivePath_;
    std::wstring interfacePagePath_;
    std::wstring packagePassword_;
    std::wstring closeReason_;
    bool adminWriteAccess_ = false;
    std::wstring commandLine_;
    std::wstring runGuid_;
    std::wstring verifier_;
    std::wstring version_;
    int indexType_ = 1;
    int64_t startTime_ = 0;
    std::wstring advData_ = L"{}";
    BrandValues brand_;
    QaSettings qa_;
    HWND mainWindow_ = nullptr;
    HWND webViewWindow_ = nullptr;
    int runMode_ = RUN_INSTALL;
    bool silent_ = false;
    // Constructed in this order: main window, script object, splash, web view.
    CMainWindow frame_;
    CDispatcher dispatcher_;
    CSplashWindow splash_;
    CWebView webView_;
};
