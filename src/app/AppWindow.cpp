// The application's windows: creation (start-up steps 8 and 9), size and
// place, and the page's commands that show (6) and close (5) the program.
#include "app/AppWindow.h"

#include <limits>

#include "app/Application.h"
#include "bridge/dispatcher/Request.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "ui/FallbackTimer.h"
#include "ui/WindowPlacement.h"

namespace {

// A size of the page: any number that fits 32 bits; anything else is 0.
int SizeValue(const Json::Value& params, const char* name) {
    long long value = 0;
    if (!bridge::ReadNumber(params, name, &value)) return 0;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return 0;
    return static_cast<int>(value);
}

}  // namespace

ShowAppRequest ParseShowAppParams(const Json::Value& params) {
    ShowAppRequest request;
    const Json::Value* rgba = bridge::Member(params, "rgba");
    if (rgba && (rgba->isObject() || rgba->isNull())) {
        long long parts[4];
        const char* const names[4] = {"r", "g", "b", "a"};
        for (int i = 0; i < 4; ++i) {
            if (!bridge::ReadNumber(*rgba, names[i], &parts[i])) {
                request.stop = true;
                return request;
            }
        }
        // The low 8 bits of each: 300 gives 44.
        request.colour.r = static_cast<BYTE>(parts[0] & 0xFF);
        request.colour.g = static_cast<BYTE>(parts[1] & 0xFF);
        request.colour.b = static_cast<BYTE>(parts[2] & 0xFF);
        request.colour.a = static_cast<BYTE>(parts[3] & 0xFF);
        request.colourSet = true;
    }
    request.width = SizeValue(params, "width");
    request.height = SizeValue(params, "height");
    return request;
}

CloseAppRequest ParseCloseAppParams(const Json::Value& params) {
    CloseAppRequest request;
    bool fade = true;
    if (bridge::ReadBool(params, "fade", &fade)) request.fade = fade;
    request.hasReason = bridge::ReadString(params, "reason", &request.reason);
    return request;
}

int SilentExitCode(const std::wstring& closeReason) { return closeReason == L"finished_successfully" ? 0 : 2; }

bool CApplication::CreateAppWindows(HMODULE resources) {
    static const wchar_t kName[] = L"CApplication::Run";
    mainWindow_ = frame_.Create(::GetModuleHandleW(nullptr), brand_.company_name);
    if (!mainWindow_) {
        Logger::Write(APPLICATION, ERR, L"%ls main window creation failed!", kName);
        CSendStats::SendLastError(L"FrameInitCreateWindow");
        return false;
    }
    webView_.SetDispatcher(&dispatcher_);
    // A silent run runs its page in the script page engine: no browser control.
    webViewWindow_ = webView_.Create(mainWindow_, silent_, resources);
    if (!webViewWindow_) {
        Logger::Write(APPLICATION, ERR, L"%ls web view creation failed!", kName);
        CSendStats::SendLastError(L"CreateBrowserDialog");
        return false;
    }
    return true;
}

void CApplication::ResizeApp(int width, int height) {
    Logger::Write(APPLICATION, INF, L"%ls ResizeApp width[%d] height[%d] full screen [%ls]",
                  L"CApplication::ResizeApp", width, height, L"false");
    RECT workArea;
    const bool haveWorkArea = ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0) != FALSE;
    const RECT rect = ComputeAppRect(haveWorkArea ? &workArea : nullptr, width, height);
    frame_.SetRects(rect, rect);
    ::SetWindowPos(mainWindow_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0);
    webView_.SetGeometry(rect);
}

void CApplication::ShowApp(const Json::Value& params) {
    ::KillTimer(webViewWindow_, kFallbackTimerId);
    const ShowAppRequest request = ParseShowAppParams(params);
    if (request.stop) return;
    frame_.SetBackground(request.colour, request.colourSet);
    splash_.RemoveSplashDlg();
    ResizeApp(request.width, request.height);
    Logger::Write(APPLICATION, INF, L"%ls ShowApp", L"CApplication::ShowApp");
    if (silent_) return;  // a silent run shows no window
    ::ShowWindow(mainWindow_, SW_SHOW);
    ::UpdateWindow(mainWindow_);
    webView_.Show();
    webView_.SetLayeredWindow(false);
}

void CApplication::CloseApp(const Json::Value& params) {
    const CloseAppRequest request = ParseCloseAppParams(params);
    if (request.hasReason) closeReason_ = request.reason;
    splash_.RemoveSplashDlg();
    // A silent run has nothing to fade.
    if (request.fade && !silent_) {
        webView_.SetLayeredWindow(true);  // ends with the quit request
    } else {
        ::PostQuitMessage(0);
    }
}
