// Size, place, show, fade and close: the decisions as tables, then the
// application's real windows (needs a display).
#include <gtest/gtest.h>

#include <windows.h>

#include "app/AppWindow.h"
#include "ui/FallbackTimer.h"
#include "ui/WindowPlacement.h"
#include "ui/ax/AxHostWindow.h"
#include "unit/ui/AppFixture.h"

namespace {

Json::Value Parse(const char* text) {
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text, value)) << text;
    return value;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(AppPlacement, CentredInTheWorkArea) {
    const RECT area = {0, 0, 1920, 1040};
    const RECT shifted = {100, 40, 1380, 1064};
    const struct {
        const RECT* workArea;
        int width, height;
        RECT expected;
    } cases[] = {
        {&area, 600, 500, {660, 270, 1260, 770}},
        {&area, 601, 501, {659, 269, 1260, 770}},    // half of an odd difference, rounded down
        {&area, 2000, 2000, {0, 0, 2000, 2000}},     // larger: the work area's top-left corner
        {&shifted, 2000, 2000, {100, 40, 2100, 2040}},
        {&shifted, 600, 2000, {440, 40, 1040, 2040}},  // larger in one direction only
        {&area, 0, 0, {960, 520, 960, 520}},
        {nullptr, 600, 500, {100, 100, 700, 600}},   // no work area
        {&area, 2147483647, 10, {0, 515, 2147483647, 525}},  // no overflow
    };
    for (const auto& c : cases) {
        RECT rect = ComputeAppRect(c.workArea, c.width, c.height);
        EXPECT_TRUE(SameRect(c.expected, rect))
            << c.width << "x" << c.height << " -> " << rect.left << "," << rect.top << "," << rect.right << ","
            << rect.bottom;
    }
}

TEST(AppPlacement, FadeSteps) {
    std::vector<BYTE> in = FadeAlphas(false);
    std::vector<BYTE> out = FadeAlphas(true);
    ASSERT_EQ(13u, in.size());
    ASSERT_EQ(14u, out.size());
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(20 * (i + 1), in[i]);
    EXPECT_EQ(255, in.back());
    for (size_t i = 0; i < 13; ++i) EXPECT_EQ(255 - 20 * i, out[i]);
    EXPECT_EQ(0, out.back());
}

TEST(AppCommands, ShowParams) {
    const struct {
        const char* params;
        bool stop, colourSet;
        int r, g, b, a, width, height;
    } cases[] = {
        {"null", false, false, 0, 0, 0, 0, 0, 0},
        {R"({"rgba":{"r":300,"g":1.9,"b":true,"a":-1},"width":600,"height":500})", false, true, 44, 1, 1, 255, 600, 500},
        {R"({"rgba":{"r":1,"g":2,"b":3},"width":600})", true, false, 0, 0, 0, 0, 0, 0},     // no a: stop
        {R"({"rgba":{"r":1,"g":2,"b":3,"a":"4"}})", true, false, 0, 0, 0, 0, 0, 0},         // a text: stop
        {R"({"rgba":null,"width":5})", true, false, 0, 0, 0, 0, 0, 0},                      // null has no members
        {R"({"rgba":"red","width":true,"height":20.7})", false, false, 0, 0, 0, 0, 1, 20},  // not an object: unset
        {R"({"rgba":[1,2,3,4],"width":"600","height":-3})", false, false, 0, 0, 0, 0, 0, -3},
        {R"({"width":1e300,"height":4294967296})", false, false, 0, 0, 0, 0, 0, 0},      // beyond 32 bits: 0
        {R"([600,500])", false, false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ShowAppRequest request = ParseShowAppParams(Parse(c.params));
        EXPECT_EQ(c.stop, request.stop) << c.params;
        if (c.stop) continue;
        EXPECT_EQ(c.colourSet, request.colourSet) << c.params;
        EXPECT_EQ(c.r, request.colour.r) << c.params;
        EXPECT_EQ(c.g, request.colour.g) << c.params;
        EXPECT_EQ(c.b, request.colour.b) << c.params;
        EXPECT_EQ(c.a, request.colour.a) << c.params;
        EXPECT_EQ(c.width, request.width) << c.params;
        EXPECT_EQ(c.height, request.height) << c.params;
    }
}

TEST(AppCommands, CloseParamsAndSilentExitCode) {
    const struct {
        const char* params;
        bool fade, hasReason;
        const wchar_t* reason;
    } cases[] = {
        {"null", true, false, L""},
        {R"({"fade":false,"reason":"finished_successfully"})", false, true, L"finished_successfully"},
        {R"({"fade":0,"reason":7})", true, false, L""},  // a number is not false
        {R"({"fade":"false","reason":"Gr\u00fc\u00dfe"})", true, true, L"Gr\u00fc\u00dfe"},
    };
    for (const auto& c : cases) {
        CloseAppRequest request = ParseCloseAppParams(Parse(c.params));
        EXPECT_EQ(c.fade, request.fade) << c.params;
        EXPECT_EQ(c.hasReason, request.hasReason) << c.params;
        EXPECT_EQ(c.reason, request.reason) << c.params;
    }
    EXPECT_EQ(0, SilentExitCode(L"finished_successfully"));
    EXPECT_EQ(2, SilentExitCode(L"Finished_successfully"));
    EXPECT_EQ(2, SilentExitCode(L""));
}

// --- the real windows --------------------------------------------------------

class AppWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(apptest::AppWindows());
        app_ = CApplication::Instance();
        apptest::TakeQuit();
        ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea_, 0));
    }
    void TearDown() override {
        app_->SetSilent(true);
        ::ShowWindow(app_->MainWindowHandle(), SW_HIDE);
        ::ShowWindow(app_->WebViewWindowHandle(), SW_HIDE);
        apptest::TakeQuit();
    }
    RECT WindowRect(HWND hwnd) {
        RECT rect = {};
        ::GetWindowRect(hwnd, &rect);
        return rect;
    }

    CApplication* app_ = nullptr;
    RECT workArea_ = {};
};

TEST_F(AppWindows, CreatedHiddenAndOwned) {
    HWND main = app_->MainWindowHandle();
    HWND view = app_->WebViewWindowHandle();
    wchar_t name[64] = {};
    ::GetClassNameW(main, name, 64);
    EXPECT_STREQ(L"WebInstallerClassName", name);
    EXPECT_EQ(WS_EX_LAYERED, ::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(WS_EX_LAYERED, ::GetWindowLongW(view, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(main, ::GetWindow(view, GW_OWNER));
    EXPECT_FALSE(::IsWindowVisible(main));
    // The engine's web view has no browser control.
    EXPECT_EQ(nullptr, ::GetDlgItem(view, 1000));
}

TEST_F(AppWindows, ShowCentresBothWindowsAndStopsTheTimer) {
    for (const auto& size : {SIZE{600, 500}, SIZE{2000, 2000}}) {
        ::SetTimer(app_->WebViewWindowHandle(), kFallbackTimerId, FallbackStartMs(), nullptr);
        Json::Value params;
        params["width"] = static_cast<int>(size.cx);
        params["height"] = static_cast<int>(size.cy);
        app_->ShowApp(params);
        // Killed already: nothing left to kill.
        EXPECT_FALSE(::KillTimer(app_->WebViewWindowHandle(), kFallbackTimerId));
        const RECT expected = ComputeAppRect(&workArea_, size.cx, size.cy);
        EXPECT_TRUE(SameRect(expected, WindowRect(app_->MainWindowHandle()))) << size.cx;
        EXPECT_TRUE(SameRect(expected, WindowRect(app_->WebViewWindowHandle()))) << size.cx;
        EXPECT_TRUE(SameRect(expected, app_->MainWindow().WindowRect()));
        EXPECT_TRUE(SameRect(expected, app_->MainWindow().ContentRect()));
        if (size.cx == 2000) {
            EXPECT_EQ(workArea_.left, expected.left);
            EXPECT_EQ(workArea_.top, expected.top);
        }
    }
    EXPECT_FALSE(::IsWindowVisible(app_->MainWindowHandle()));  // silent: nothing shown
    EXPECT_EQ(-1, apptest::TakeQuit());
}

TEST_F(AppWindows, ShowColourRules) {
    app_->ShowApp(Parse(R"({"rgba":{"r":300,"g":2,"b":3,"a":255},"width":320,"height":200})"));
    EXPECT_TRUE(app_->MainWindow().BackgroundSet());
    EXPECT_EQ(44, app_->MainWindow().Background().r);
    const RECT before = WindowRect(app_->MainWindowHandle());

    // Without a: only the timer stops; colour and size stay.
    ::SetTimer(app_->WebViewWindowHandle(), kFallbackTimerId, FallbackStartMs(), nullptr);
    app_->ShowApp(Parse(R"({"rgba":{"r":9,"g":9,"b":9},"width":100,"height":100})"));
    EXPECT_FALSE(::KillTimer(app_->WebViewWindowHandle(), kFallbackTimerId));
    EXPECT_EQ(44, app_->MainWindow().Background().r);
    EXPECT_TRUE(SameRect(before, WindowRect(app_->MainWindowHandle())));

    // Without params: colour unset, both windows 0 x 0.
    app_->ShowApp(Json::Value());
    EXPECT_FALSE(app_->MainWindow().BackgroundSet());
    const RECT empty = WindowRect(app_->WebViewWindowHandle());
    EXPECT_EQ(empty.left, empty.right);
    EXPECT_EQ(empty.top, empty.bottom);
}

TEST_F(AppWindows, CloseWithoutFadeQuitsAtOnce) {
    app_->SetSilent(false);
    const DWORD start = ::GetTickCount();
    app_->CloseApp(Parse(R"({"fade":false,"reason":"finished_successfully"})"));
    EXPECT_LT(::GetTickCount() - start, 200u);
    EXPECT_EQ(0, apptest::TakeQuit());
    EXPECT_EQ(L"finished_successfully", app_->CloseReason());

    // A reason of another type leaves the stored one.
    app_->CloseApp(Parse(R"({"fade":false,"reason":["x"]})"));
    EXPECT_EQ(0, apptest::TakeQuit());
    EXPECT_EQ(L"finished_successfully", app_->CloseReason());
    app_->SetCloseReason(L"");
}

TEST_F(AppWindows, FadesInOnShowAndOutOnClose) {
    app_->SetSilent(false);
    DWORD start = ::GetTickCount();
    app_->ShowApp(Parse(R"({"width":300,"height":200})"));
    DWORD fadeIn = ::GetTickCount() - start;
    EXPECT_TRUE(::IsWindowVisible(app_->MainWindowHandle()));
    EXPECT_TRUE(::IsWindowVisible(app_->WebViewWindowHandle()));
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(app_->WebViewWindowHandle(), nullptr, &alpha, &flags));
    EXPECT_EQ(255, alpha);
    EXPECT_EQ(-1, apptest::TakeQuit());  // a fade-in asks for no quit

    start = ::GetTickCount();
    app_->CloseApp(Parse(R"({"fade":0,"reason":"user_closed"})"));  // fade 0 is not false: fades
    DWORD fadeOut = ::GetTickCount() - start;
    ASSERT_TRUE(::GetLayeredWindowAttributes(app_->WebViewWindowHandle(), nullptr, &alpha, &flags));
    EXPECT_EQ(0, alpha);
    EXPECT_EQ(0, apptest::TakeQuit());
    EXPECT_EQ(L"user_closed", app_->CloseReason());
    // 12 and 13 pauses of 23 ms: about 0.3 s each, never instant, never seconds.
    EXPECT_GE(fadeIn, 250u);
    EXPECT_GE(fadeOut, 270u);
    EXPECT_LT(fadeIn, 3000u);
    EXPECT_LT(fadeOut, 3000u);
    app_->SetCloseReason(L"");
}

TEST_F(AppWindows, SilentCloseQuitsWithoutFade) {
    const DWORD start = ::GetTickCount();
    app_->CloseApp(Json::Value());  // fade defaults to true, but nothing is shown
    EXPECT_LT(::GetTickCount() - start, 200u);
    EXPECT_EQ(0, apptest::TakeQuit());
}

TEST_F(AppWindows, QuitRequestSurvivesShow) {
    app_->SetSilent(false);
    ::PostQuitMessage(3);  // e.g. a failed fallback, queued before the page shows itself
    app_->ShowApp(Parse(R"({"width":10,"height":10})"));
    EXPECT_EQ(3, apptest::TakeQuit());
}

// A child of the web view that takes every forwarded message.
LRESULT CALLBACK TakesForwarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FORWARDMSG) {
        const MSG* forwarded = reinterpret_cast<const MSG*>(lParam);
        ::SetPropW(hwnd, L"forwarded", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(forwarded->message)));
        return 1;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(AppWindows, KeyboardAndMouseGoToTheFocusedChildFirst) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &TakesForwarded;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WebInstallerTestForwardTarget";
    ::RegisterClassW(&wc);
    HWND view = app_->WebViewWindowHandle();
    app_->SetSilent(false);
    app_->ShowApp(Parse(R"({"width":200,"height":100})"));
    HWND child = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, view, nullptr,
                                   wc.hInstance, nullptr);
    HWND grandchild = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, child, nullptr,
                                        wc.hInstance, nullptr);
    ASSERT_NE(nullptr, grandchild);
    ::SetFocus(grandchild);
    if (::GetFocus() != grandchild) {
        ::DestroyWindow(child);
        GTEST_SKIP() << "the display gives no focus";
    }
    MSG key = {grandchild, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(app_->WebView().PreTranslateMessage(&key));
    EXPECT_EQ(static_cast<UINT_PTR>(WM_KEYDOWN), reinterpret_cast<UINT_PTR>(::GetPropW(child, L"forwarded")));
    // Other messages are never looked at.
    MSG timer = {view, WM_TIMER, kFallbackTimerId, 0, 0, {0, 0}};
    EXPECT_FALSE(app_->WebView().PreTranslateMessage(&timer));
    MSG result = {view, 1025, 7, 0, 0, {0, 0}};
    EXPECT_FALSE(app_->WebView().PreTranslateMessage(&result));
    ::RemovePropW(child, L"forwarded");
    ::DestroyWindow(child);
}

TEST_F(AppWindows, DestroyingTheMainWindowQuits) {
    CMainWindow other;
    HWND hwnd = other.Create(::GetModuleHandleW(nullptr), L"second");
    ASSERT_NE(nullptr, hwnd);
    ::DestroyWindow(hwnd);
    EXPECT_EQ(0, apptest::TakeQuit());
}

}  // namespace
