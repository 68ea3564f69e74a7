// The splash window from the built program's own resources (dialog 132, PNG
// 209), loaded as a data file; needs a display (Xvfb).
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Text.h"
#include "resources/resource.h"
#include "support/HostPath.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"
#include "ui/GdiPlusBitmap.h"
#include "ui/SplashWindow.h"

namespace {

const std::wstring kProgram = HostPath(TEST_BINARY_DIR L"/WebInstaller.exe");
const std::wstring kPng = HostPath(TEST_SOURCE_DIR L"/../src/resources/splash.png");

class GdiPlus {
public:
    GdiPlus() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiPlus() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// A module's resources without running its code.
class DataModule {
public:
    explicit DataModule(const std::wstring& path)
        : module_(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() {
        if (module_) ::FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

DWORD ElapsedMs(DWORD since) { return ::GetTickCount() - since; }

TEST(SplashPlacement, CentredInTheWorkArea) {
    const struct {
        RECT workArea;
        int width, height;
        LONG x, y;
    } cases[] = {
        {{0, 0, 1920, 1040}, 500, 276, 710, 382},
        {{100, 50, 1380, 1074}, 500, 276, 490, 424},  // work area not at the origin
        {{0, 0, 1001, 1001}, 500, 500, 250, 250},      // half of an odd difference, rounded down
        {{0, 0, 500, 276}, 500, 276, 0, 0},            // exact fit
        {{0, 0, 400, 200}, 500, 276, 0, 0},            // larger than the work area: its top-left
        {{10, 20, 610, 220}, 500, 276, 60, 20},        // larger in one direction only
        {{-1280, 0, 0, 1024}, 500, 276, -890, 374},    // a monitor left of the primary one
    };
    for (const auto& c : cases) {
        POINT at = SplashPosition(&c.workArea, c.width, c.height);
        EXPECT_EQ(c.x, at.x) << c.workArea.left << "," << c.workArea.top;
        EXPECT_EQ(c.y, at.y) << c.workArea.left << "," << c.workArea.top;
    }
    POINT fallback = SplashPosition(nullptr, 500, 276);
    EXPECT_EQ(100, fallback.x);
    EXPECT_EQ(100, fallback.y);
}

TEST(SplashPlacement, OneSecondMinimum) {
    const struct {
        clock_t shownAt, now;
        DWORD wait;
    } cases[] = {
        {5000, 5000, 1000}, {5000, 5200, 800}, {5000, 5999, 1}, {5000, 6000, 0}, {5000, 90000, 0},
        {5000, 4000, 1000},  // a clock that went backwards never waits longer than the second
    };
    for (const auto& c : cases) EXPECT_EQ(c.wait, SplashHoldMs(c.shownAt, c.now)) << c.shownAt << " " << c.now;
}

class SplashTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdiplus_.ok());
        ASSERT_TRUE(program_.get()) << "the built program is needed: " << wi::WideToUtf8(kProgram);
    }

    GdiPlus gdiplus_;
    DataModule program_{kProgram};
};

TEST_F(SplashTest, BitmapLoaders) {
    CGdiPlusBitmap plain;
    EXPECT_FALSE(plain.Load(IDR_SPLASH_PNG, L"PNG", program_.get()));  // only the resource class loads
    EXPECT_FALSE(plain.Load(L"#209", L"PNG", program_.get()));
    EXPECT_TRUE(plain.LoadFromFile(kPng.c_str()));
    ASSERT_TRUE(plain.Bitmap());
    EXPECT_EQ(500u, plain.Bitmap()->GetWidth());
    EXPECT_FALSE(plain.LoadFromFile((kPng + L".missing").c_str()));
    EXPECT_EQ(nullptr, plain.Bitmap());

    // Through the base class, as the splash holds it.
    CGdiPlusBitmapResource resource;
    CGdiPlusBitmap& loader = resource;
    ASSERT_TRUE(loader.Load(IDR_SPLASH_PNG, L"PNG", program_.get()));
    ASSERT_TRUE(loader.Bitmap());
    EXPECT_EQ(500u, loader.Bitmap()->GetWidth());
    EXPECT_EQ(276u, loader.Bitmap()->GetHeight());
    // Transparent corner, opaque middle: the picture's own alpha is kept.
    Gdiplus::Color corner, middle;
    ASSERT_EQ(Gdiplus::Ok, loader.Bitmap()->GetPixel(0, 0, &corner));
    ASSERT_EQ(Gdiplus::Ok, loader.Bitmap()->GetPixel(250, 250, &middle));
    EXPECT_EQ(0, corner.GetA());
    EXPECT_EQ(255, middle.GetA());

    // A resource that is no picture, and one that does not exist.
    EXPECT_FALSE(loader.Load(IDR_BRAND_CONFIG, L"DATA", program_.get()));
    EXPECT_EQ(nullptr, loader.Bitmap());
    EXPECT_FALSE(loader.Load(4242, L"PNG", program_.get()));
    EXPECT_FALSE(loader.Load(IDR_SPLASH_PNG, 24u, program_.get()));  // numeric type: RT_MANIFEST has no 209

    // A GDI bitmap handle.
    HDC screen = ::GetDC(nullptr);
    HBITMAP handle = ::CreateCompatibleBitmap(screen, 3, 2);
    ::ReleaseDC(nullptr, screen);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(plain.LoadFromHandle(handle));
    EXPECT_EQ(3u, plain.Bitmap()->GetWidth());
    ::DeleteObject(handle);
}

// The colour of one screen pixel.
COLORREF ScreenPixel(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// A white window under the splash, so transparent pixels show something that
// is neither black nor the picture.
class Backdrop {
public:
    explicit Backdrop(const RECT& area) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"SplashTestBackdrop";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP, area.left - 20, area.top - 20,
                                  area.right - area.left + 40, area.bottom - area.top + 40, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        // Never activated, so Wine hands it to no window manager (Xvfb runs
        // none) and its destruction waits for none.
        ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ::UpdateWindow(hwnd_);
        MSG msg;
        for (DWORD end = ::GetTickCount() + 200; ::GetTickCount() < end; ::Sleep(10)) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
    }
    ~Backdrop() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// Watches one screen pixel from another thread (the fades block the window's
// thread) and notes when it first changes.
class PixelWatch {
public:
    PixelWatch(int x, int y) : x_(x), y_(y), initial_(ScreenPixel(x, y)), thread_([this] { Run(); }) {}
    ~PixelWatch() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Tick count of the first change, 0 when none was seen.
    DWORD ChangedAt() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return changedAt_;
    }

private:
    void Run() {
        const DWORD end = ::GetTickCount() + 5000;
        while (!stop_ && ::GetTickCount() < end) {
            if (ScreenPixel(x_, y_) != initial_) {
                changedAt_ = ::GetTickCount();
                return;
            }
            ::Sleep(5);
        }
    }

    int x_, y_;
    COLORREF initial_;
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> changedAt_{0};
    std::thread thread_;
};

TEST_F(SplashTest, ShownCentredWithItsAlphaHeldAndRemovedOnce) {
    LogCapture log;
    // A hidden owner, as the main window is while the splash shows.
    HWND owner = ::CreateWindowExW(WS_EX_LAYERED, L"STATIC", L"owner", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_TRUE(owner);
    CSplashWindow splash;
    ASSERT_TRUE(splash.Create(owner, false, program_.get()));
    EXPECT_EQ(owner, ::GetWindow(splash.Handle(), GW_OWNER));
    HWND hwnd = splash.Handle();
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    RECT workArea;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    POINT expected = SplashPosition(&workArea, 500, 276);
    RECT rect;
    ASSERT_TRUE(::GetWindowRect(hwnd, &rect));
    EXPECT_EQ(expected.x, rect.left);
    EXPECT_EQ(expected.y, rect.top);
    EXPECT_EQ(500, rect.right - rect.left);
    EXPECT_EQ(276, rect.bottom - rect.top);

    LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_EQ(0, style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(WS_CHILD | WS_DISABLED, style & (WS_CHILD | WS_DISABLED));
    EXPECT_EQ(WS_EX_LAYERED | WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW,
              exStyle & (WS_EX_LAYERED | WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW));
    EXPECT_EQ(0, exStyle & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));

    Backdrop backdrop(rect);
    ASSERT_TRUE(backdrop.get());
    const COLORREF background = ScreenPixel(rect.left + 1, rect.top + 1);
    ASSERT_EQ(RGB(255, 255, 255), background);
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(splash.ShowSplashDlg());
    const DWORD shown = ::GetTickCount();
    EXPECT_GE(shown - start, 12 * CSplashWindow::kFadeStepMs - 30);  // twelve fade steps
    EXPECT_TRUE(::IsWindowVisible(hwnd));

    // Fully faded in: opaque pixels show the picture, upright (the points are
    // ones whose colour differs from the pixel mirrored top to bottom), and
    // the transparent corner still shows what lies beneath.
    ::Sleep(100);  // let the display server catch up
    Gdiplus::Bitmap* picture = splash.Picture()->Bitmap();
    auto colour = [picture](int x, int y) {
        Gdiplus::Color c;
        picture->GetPixel(x, y, &c);
        return c;
    };
    int checked = 0, matching = 0;
    for (int y = 4; y < 272 && checked < 40; y += 3) {
        for (int x = 4; x < 496 && checked < 40; x += 5) {
            Gdiplus::Color c = colour(x, y), mirrored = colour(x, 275 - y);
            COLORREF rgb = RGB(c.GetR(), c.GetG(), c.GetB());
            if (c.GetA() != 255 || Near(rgb, RGB(mirrored.GetR(), mirrored.GetG(), mirrored.GetB()), 80)) continue;
            bool flat = true;  // no edge pixels: the display may quantise colours
            for (int d : {-1, 1}) flat = flat && colour(x + d, y).GetValue() == c.GetValue() &&
                                          colour(x, y + d).GetValue() == c.GetValue();
            if (!flat) continue;
            ++checked;
            if (Near(rgb, ScreenPixel(rect.left + x, rect.top + y), 40)) ++matching;
        }
    }
    ASSERT_GE(checked, 10);
    EXPECT_GE(matching, checked * 9 / 10) << matching << " of " << checked;
    EXPECT_EQ(background, ScreenPixel(rect.left + 1, rect.top + 1));

    // Removed at once: held until one second after the fade-in, then faded out.
    PixelWatch watch(rect.left + 250, rect.top + 250);
    splash.RemoveSplashDlg();
    EXPECT_GE(ElapsedMs(shown), CSplashWindow::kMinimumShownMs + 12 * CSplashWindow::kFadeStepMs);
    DWORD fadeSeen = watch.ChangedAt();
    ASSERT_NE(0u, fadeSeen);
    EXPECT_GE(fadeSeen - shown, CSplashWindow::kMinimumShownMs - 50);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(nullptr, splash.Picture());
    EXPECT_FALSE(log.Contains(L"CSplashWindow::RemoveSplashDlg not existing!"));

    // A second removal finds no window and does nothing else.
    DWORD again = ::GetTickCount();
    splash.RemoveSplashDlg();
    EXPECT_LT(ElapsedMs(again), CSplashWindow::kMinimumShownMs);
    EXPECT_TRUE(log.Contains(L"CSplashWindow::RemoveSplashDlg not existing!"));
    EXPECT_TRUE(log.Contains(L"CSplashWindow::ShowSplashDlg!"));
    ::DestroyWindow(owner);
}

TEST_F(SplashTest, NoHoldOnceTheSecondHasPassed) {
    CSplashWindow splash;
    ASSERT_TRUE(splash.Create(nullptr, false, program_.get()));
    RECT rect;
    ASSERT_TRUE(::GetWindowRect(splash.Handle(), &rect));
    splash.ShowSplashDlg();
    ::Sleep(CSplashWindow::kMinimumShownMs + 200);
    PixelWatch watch(rect.left + 250, rect.top + 250);
    DWORD start = ::GetTickCount();
    splash.RemoveSplashDlg();
    // The fade-out starts at once; a hold would delay it by a whole second.
    DWORD fadeSeen = watch.ChangedAt();
    ASSERT_NE(0u, fadeSeen);
    EXPECT_LT(fadeSeen - start, CSplashWindow::kMinimumShownMs - 200);
    EXPECT_GE(ElapsedMs(start), 13 * CSplashWindow::kFadeStepMs - 30);
    EXPECT_FALSE(::IsWindow(splash.Handle()));
}

TEST_F(SplashTest, SilentModeShowsNothing) {
    CSplashWindow splash;
    ASSERT_TRUE(splash.Create(nullptr, true, program_.get()));
    HWND hwnd = splash.Handle();
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(splash.ShowSplashDlg());
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    splash.RemoveSplashDlg();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_LT(ElapsedMs(start), CSplashWindow::kMinimumShownMs);  // no fades, no hold
}

TEST_F(SplashTest, UndecodablePictureShowsNothing) {
    // A copy of the program whose PNG resource holds no picture.
    scratch::Folder folder(L"splash");
    const std::wstring copy = folder / L"NoPicture.exe";
    ASSERT_TRUE(::CopyFileW(kProgram.c_str(), copy.c_str(), FALSE));
    HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_TRUE(update);
    char junk[] = "not a picture";
    ASSERT_TRUE(::UpdateResourceW(update, L"PNG", MAKEINTRESOURCEW(IDR_SPLASH_PNG),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), junk, sizeof junk));
    ASSERT_TRUE(::EndUpdateResourceW(update, FALSE));
    DataModule broken(copy);
    ASSERT_TRUE(broken.get());
    HRSRC png = ::FindResourceW(broken.get(), MAKEINTRESOURCEW(IDR_SPLASH_PNG), L"PNG");
    ASSERT_TRUE(png);
    ASSERT_EQ(sizeof junk, ::SizeofResource(broken.get(), png));

    CSplashWindow splash;
    ASSERT_TRUE(splash.Create(nullptr, false, broken.get()));
    EXPECT_EQ(nullptr, splash.Picture()->Bitmap());
    // Not sized to any picture (the template's 0 x 0, or the system's smallest
    // window), and nothing is drawn: the layered window shows nothing.
    RECT rect;
    ASSERT_TRUE(::GetWindowRect(splash.Handle(), &rect));
    EXPECT_LT(rect.right - rect.left, 500);
    const int x = rect.left + (rect.right - rect.left) / 2;
    const int y = rect.top + (rect.bottom - rect.top) / 2;
    const COLORREF before = ScreenPixel(x, y);
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(splash.ShowSplashDlg());  // the fade only pauses
    EXPECT_GE(ElapsedMs(start), 12 * CSplashWindow::kFadeStepMs - 30);
    ::Sleep(100);
    EXPECT_EQ(before, ScreenPixel(x, y));
    splash.RemoveSplashDlg();
    EXPECT_FALSE(::IsWindow(splash.Handle()));
}

}  // namespace
