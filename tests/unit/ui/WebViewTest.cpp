// The web view's plain decisions (callback text, page location, script
// elements, dialog template) and the browser control path as far as Wine
// allows (the control is created; Wine has no HTML engine here).
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>

#include "bridge/dispatcher/Dispatcher.h"
#include "platform/Text.h"
#include "resources/resource.h"
#include "support/LogCapture.h"
#include "ui/PageLocation.h"
#include "ui/ScriptElements.h"
#include "ui/WebView.h"
#include "ui/ax/AxHostWindow.h"
#include "ui/ax/DialogTemplate.h"
#include "unit/ui/AppFixture.h"

namespace {

Json::Value Parse(const char* text) {
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text, value)) << text;
    return value;
}

TEST(CallbackText, SortedCompactAndSlashed) {
    const struct {
        int id;
        const char* result;
        const wchar_t* text;     // as written
        const wchar_t* argument;  // as the page receives it
    } cases[] = {
        {8, R"({"result":true,"function":"downloadThreadRequest","outputPath":"C:\\Temp\\x.exe","url":"u"})",
         L"{\"listenerId\":8,\"params\":{\"function\":\"downloadThreadRequest\",\"outputPath\":\"C:\\\\Temp\\\\x.exe\","
         L"\"result\":true,\"url\":\"u\"}}",
         L"{\"listenerId\":8,\"params\":{\"function\":\"downloadThreadRequest\",\"outputPath\":\"C:/Temp/x.exe\","
         L"\"result\":true,\"url\":\"u\"}}"},
        // A quote next to a backslash stays an escaped quote.
        {3, R"({"error":"a\\\"b\\"})", L"{\"listenerId\":3,\"params\":{\"error\":\"a\\\\\\\"b\\\\\"}}",
         L"{\"listenerId\":3,\"params\":{\"error\":\"a/\\\"b/\"}}"},
        {1, "null", L"{\"listenerId\":1,\"params\":null}", L"{\"listenerId\":1,\"params\":null}"},
    };
    for (const auto& c : cases) {
        std::wstring text = BuildCallbackText(c.id, Parse(c.result));
        EXPECT_EQ(c.text, text) << c.result;
        std::wstring argument = RewriteBackslashPairs(text);
        EXPECT_EQ(c.argument, argument) << c.result;
        Json::Value parsed;
        Json::Reader reader;
        EXPECT_TRUE(reader.parse(wi::WideToUtf8(argument), parsed)) << c.result;  // still JSON
    }
}

TEST(PageLocation, OnlyTheWorkingDirectory) {
    const std::wstring folder = L"C:\\Users\\U\\AppData\\Local\\Temp\\WebInstaller_AB\\";
    const struct {
        const wchar_t* location;
        bool inside;
    } cases[] = {
        {L"file:///C:/Users/U/AppData/Local/Temp/WebInstaller_AB/index.html", true},
        {L"file:///c:/users/u/appdata/local/temp/webinstaller_ab/index.html#step2", true},
        {L"file:///C:/Users/U/AppData/Local/Temp/WebInstaller_AB/sub%20dir/page.html?x=1", true},
        {L"C:\\Users\\U\\AppData\\Local\\Temp\\WebInstaller_AB\\index.html", true},
        {L"file:///C:/Users/U/AppData/Local/Temp/WebInstaller_AB/../WebInstaller_AB.html", false},
        {L"file:///C:/Users/U/AppData/Local/Temp/WebInstaller_ABC/index.html", false},
        {L"file:///C:/Users/U/AppData/Local/Temp/WebInstaller_AB", false},
        {L"C:\\Users\\U\\AppData\\Local\\Temp\\WebInstaller_AB\\..\\evil.html", false},
        {L"http://example.com/index.html", false},
        {L"res://ieframe.dll/navcancl.htm", false},
        {L"about:blank", false},
        {L"index.html", false},
        {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.inside, IsPageInFolder(c.location, folder)) << wi::WideToUtf8(c.location);
    }
    EXPECT_FALSE(IsPageInFolder(L"C:\\index.html", L""));  // no working directory: nothing qualifies
}

TEST(ScriptElements, DocumentOrderTypesAndComments) {
    const std::wstring html =
        L"<html><head>\n"
        L"<script>var a = 1;</script>\n"
        L"<!-- <script>commented()</script> -->\n"
        L"<SCRIPT type=\"text/template\"><b>not script</b></SCRIPT>\n"
        L"<script src='lib/x.js?v=3' type=\"text/javascript; charset=utf-8\"></script>\n"
        L"<scripts>not a script tag</scripts>\n"
        L"<script language=\"JScript\">\nvar b = '</scr' + 'ipt>';\n</script>\n"
        L"<script src=a&amp;b.js />\n"
        L"</head></html>";
    std::vector<ScriptElement> elements = ExtractScriptElements(html);
    ASSERT_EQ(4u, elements.size());
    EXPECT_FALSE(elements[0].external);
    EXPECT_EQ(L"var a = 1;", elements[0].text);
    EXPECT_EQ(1u, elements[0].line);
    EXPECT_TRUE(elements[1].external);
    EXPECT_EQ(L"lib/x.js?v=3", elements[1].src);
    EXPECT_EQ(L"\nvar b = '</scr' + 'ipt>';\n", elements[2].text);
    EXPECT_EQ(6u, elements[2].line);
    EXPECT_EQ(L"a&b.js", elements[3].src);
    // An element that is never closed runs to the end of the page.
    ASSERT_EQ(1u, ExtractScriptElements(L"<script>x = 1;").size());
    EXPECT_EQ(L"x = 1;", ExtractScriptElements(L"<script>x = 1;")[0].text);
}

TEST(ScriptElements, SourcesStayInsideThePackage) {
    const std::wstring folder = L"C:\\W\\pages\\";
    const struct {
        const wchar_t* src;
        const wchar_t* path;  // null: refused
    } cases[] = {
        {L"app.js", L"C:\\W\\pages\\app.js"},
        {L"./lib/x.js?v=3#top", L"C:\\W\\pages\\lib\\x.js"},
        {L"lib/../app.js", L"C:\\W\\pages\\app.js"},
        {L"my%20file.js", L"C:\\W\\pages\\my file.js"},
        {L"%C3%BC.js", L"C:\\W\\pages\\\u00fc.js"},
        {L"../outside.js", nullptr},
        {L"lib/../../outside.js", nullptr},
        {L"%2e%2e/outside.js", nullptr},
        {L"/rooted.js", nullptr},
        {L"\\\\server\\share\\x.js", nullptr},
        {L"C:\\x.js", nullptr},
        {L"http://example.com/x.js", nullptr},
        {L"//example.com/x.js", nullptr},
        {L"", nullptr},
        {L"?only", nullptr},
    };
    for (const auto& c : cases) {
        std::wstring path;
        bool ok = ResolveScriptSource(folder, c.src, &path);
        EXPECT_EQ(c.path != nullptr, ok) << wi::WideToUtf8(c.src);
        if (c.path && ok) {
            EXPECT_EQ(c.path, path) << wi::WideToUtf8(c.src);
        }
    }
    EXPECT_EQ(L"\u00fc", DecodeScriptFile("\xEF\xBB\xBF\xC3\xBC"));
    EXPECT_EQ(L"\u00fc", DecodeScriptFile(std::string("\xFF\xFE\xFC\x00", 4)));
}

TEST(DialogTemplate, TheBrowserControlIsSplitOff) {
    HMODULE module = apptest::ProgramResources();
    ASSERT_NE(nullptr, module);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDD_WEBVIEW), RT_DIALOG);
    ASSERT_NE(nullptr, found);
    const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    const DWORD size = ::SizeofResource(module, found);
    std::vector<BYTE> dialog;
    std::vector<AxDialogItem> items;
    ASSERT_TRUE(SplitActiveXItems(data, size, &dialog, &items));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(IDC_BROWSER, items[0].id);
    EXPECT_TRUE(::IsEqualCLSID(CLSID_WebBrowser, items[0].clsid));
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP), items[0].style);
    WORD count = 0;
    memcpy(&count, dialog.data() + 16, sizeof(count));
    EXPECT_EQ(0, count);
    // Every cut of the template is refused, never read past.
    for (DWORD cut = 0; cut < size - 1; ++cut) {
        std::vector<BYTE> shorter(data, data + cut);
        std::vector<BYTE> out;
        std::vector<AxDialogItem> none;
        EXPECT_FALSE(SplitActiveXItems(shorter.data(), shorter.size(), &out, &none)) << cut;
    }
}

TEST(BrowserControl, CreatedInTheDialog) {
    ASSERT_TRUE(apptest::AppWindows());
    LogCapture log;
    CDispatcher dispatcher;
    {
        CWebView view;
        view.SetDispatcher(&dispatcher);
        HWND hwnd = view.Create(CApplication::Instance()->MainWindowHandle(), false, apptest::ProgramResources());
        ASSERT_NE(nullptr, hwnd) << ::GetLastError();
        HWND control = ::GetDlgItem(hwnd, IDC_BROWSER);
        ASSERT_NE(nullptr, control);
        ASSERT_NE(nullptr, CAxHostWindow::FromWindow(control));
        ASSERT_NE(nullptr, view.Browser());

        RECT rect = {10, 20, 410, 320};
        view.SetGeometry(rect);
        RECT client = {};
        ::GetClientRect(control, &client);
        EXPECT_EQ(400, client.right);
        EXPECT_EQ(300, client.bottom);
        long width = 0;
        EXPECT_EQ(S_OK, view.Browser()->get_Width(&width));
        EXPECT_EQ(400, width);

        // Keyboard input aimed at the control is offered to it first.
        ::SetFocus(control);
        MSG key = {hwnd, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
        view.PreTranslateMessage(&key);  // must not fail whatever the control answers

        // Without a loaded document nothing reaches a page.
        view.Navigate(L"about:blank");
        apptest::PumpUntil([] { return false; }, 300);
        EXPECT_FALSE(view.RunJSFunction(L"installerMain", L"", L"test"));
        EXPECT_FALSE(view.RunJSCallbackFunction(0, Json::Value()));
    }
    EXPECT_TRUE(log.Contains(L"CWebView::RunJSCallbackFunction iCallbackId [0] incorrect!"));
}

}  // namespace
