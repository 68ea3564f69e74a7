// Real page script (tests/pages/) run by the script page engine through the
// web view, against the real script object: what the page sees of the
// object, and how worker results reach its callback. Needs a display.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/CommandTable.h"
#include "bridge/dispatcher/Dispatcher.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "platform/Text.h"
#include "support/LogCapture.h"
#include "ui/FallbackTimer.h"
#include "ui/ScriptPage.h"
#include "unit/ui/AppFixture.h"

namespace {

// What the page hands back: findings (command 90) and callbacks (command 91).
std::map<std::string, std::string> g_findings;
std::vector<Json::Value> g_callbacks;

void AnswerText(const Json::Value&, VARIANT* answer) { bridge::SetAnswerText(answer, L"text"); }
void AnswerBool(const Json::Value&, VARIANT* answer) { bridge::SetAnswerBool(answer, true); }
void AnswerNumber(const Json::Value&, VARIANT* answer) { bridge::SetAnswerNumber(answer, 42); }
void Finding(const Json::Value& params, VARIANT*) {
    std::string name, value;
    bridge::ReadUtf8(params, "name", &name);
    bridge::ReadUtf8(params, "value", &value);
    g_findings[name] = value;
}
void Callback(const Json::Value& params, VARIANT*) { g_callbacks.push_back(params); }

const CCommandTable kPageCommands = {
    {1, &AnswerText}, {2, &AnswerBool}, {3, &AnswerNumber}, {90, &Finding}, {91, &Callback}};

// Lives as long as the process: pages keep their reference after a test.
CDispatcher& PageDispatcher() {
    static CDispatcher* dispatcher = new CDispatcher(&kPageCommands);
    return *dispatcher;
}

std::string Finding(const char* name) {
    auto found = g_findings.find(name);
    return found == g_findings.end() ? "<none>" : found->second;
}

class ScriptPages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(apptest::AppWindows());
        app_ = CApplication::Instance();
        view_ = &app_->WebView();
        view_->SetDispatcher(&PageDispatcher());
        g_findings.clear();
        g_callbacks.clear();
    }
    void TearDown() override {
        view_->SetDispatcher(&app_->Dispatcher());
        ::KillTimer(view_->Handle(), kFallbackTimerId);
        apptest::TakeQuit();
    }

    // Copies tests/pages/<name> into folder; returns the copy's index.html.
    std::wstring CopyPage(const wchar_t* name, const std::wstring& folder) {
        const std::wstring source = HostPath(TEST_SOURCE_DIR L"/pages/") + name;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (const std::wstring& file : scratch::List(source)) {
            EXPECT_TRUE(::CopyFileW(scratch::Join(source, file).c_str(), scratch::Join(folder, file).c_str(), FALSE));
        }
        return scratch::Join(folder, L"index.html");
    }
    std::wstring InWorkingDirectory(const wchar_t* name) {
        const std::wstring pages = app_->WorkingDirectory() + L"pages";
        ::CreateDirectoryW(pages.c_str(), nullptr);
        return CopyPage(name, scratch::Join(pages, name));
    }

    CApplication* app_ = nullptr;
    CWebView* view_ = nullptr;
};

TEST_F(ScriptPages, TheScriptObjectAsPageScriptSeesIt) {
    view_->Navigate(InWorkingDirectory(L"bridge"));
    ASSERT_TRUE(apptest::PumpUntil([] { return g_findings.count("done") > 0; }, 10000));
    const struct {
        const char* name;
        const char* value;
    } expected[] = {
        {"order", "inline-1,file,inline-2"},  // document order; templates and comments left out
        {"argument", "string:"},
        {"typeofObject", "object"},
        {"numberArgument", "threw"},
        {"noArgument", "threw"},
        {"twoArguments", "threw"},
        {"unknownMethod", "threw"},
        {"text", "string"},
        {"textValue", "text"},
        {"boolean", "boolean"},
        {"booleanValue", "true"},
        {"number", "number"},
        {"numberValue", "43"},
        {"null", "null"},
        {"undefined", "undefined"},
        {"json", "object"},
    };
    for (const auto& e : expected) EXPECT_EQ(e.value, Finding(e.name)) << e.name;
    ASSERT_NE(nullptr, view_->Page());
    EXPECT_TRUE(view_->Page()->Errors().empty());
    // The document completion restarted the fallback timer.
    EXPECT_TRUE(::KillTimer(view_->Handle(), kFallbackTimerId));
}

TEST_F(ScriptPages, WorkerResultsReachTheCallback) {
    LogCapture log;
    view_->Navigate(InWorkingDirectory(L"callbacks"));
    ASSERT_TRUE(apptest::PumpUntil([] { return g_findings.count("started") > 0; }, 10000));

    std::unique_ptr<Json::Value> download = bridge::MakeResult("downloadThreadRequest");
    (*download)["outputPath"] = "C:\\Temp\\x.exe";
    (*download)["name"] = "Gr\xc3\xbc\xc3\x9f" "e";
    ASSERT_TRUE(bridge::PostResult(7, std::move(download)));
    ASSERT_TRUE(bridge::PostResult(0, bridge::MakeResult("dropped")));
    ASSERT_TRUE(bridge::PostResult(-1, bridge::MakeResult("dropped")));
    ASSERT_TRUE(::PostMessageW(view_->Handle(), bridge::kThreadResultMessage, 5, 0));  // no object: ignored

    const int kThreads = 4, kEach = 25;
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_TRUE(bridge::StartWorker([t] {
            for (int i = 0; i < kEach; ++i) {
                std::unique_ptr<Json::Value> result = bridge::MakeResult("worker");
                (*result)["index"] = i;
                bridge::PostResult(100 + t, std::move(result));
            }
        }));
    }
    const size_t total = 1 + kThreads * kEach;
    ASSERT_TRUE(apptest::PumpUntil([&] { return g_callbacks.size() >= total; }, 15000)) << g_callbacks.size();
    apptest::PumpUntil([] { return false; }, 200);  // nothing more arrives
    ASSERT_EQ(total, g_callbacks.size());

    std::vector<int> next(kThreads, 0);
    for (const Json::Value& callback : g_callbacks) {
        const int id = callback["listenerId"].asInt();
        const Json::Value& params = callback["params"];
        if (id == 7) {
            EXPECT_EQ("C:/Temp/x.exe", params["outputPath"].asString());
            EXPECT_EQ("downloadThreadRequest", params["function"].asString());
            EXPECT_EQ("Gr\xc3\xbc\xc3\x9f" "e", params["name"].asString());
            EXPECT_NE(std::string::npos, callback["text"].asString().find("\"C:/Temp/x.exe\""));
            continue;
        }
        ASSERT_GE(id, 100);
        ASSERT_LT(id, 100 + kThreads);
        EXPECT_EQ(next[id - 100]++, params["index"].asInt()) << "results of one worker keep their order";
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(kEach, next[t]);
    EXPECT_TRUE(log.Contains(L"CWebView::RunJSCallbackFunction iCallbackId [0] incorrect!"));
    EXPECT_TRUE(log.Contains(L"CWebView::RunJSCallbackFunction iCallbackId [-1] incorrect!"));
}

TEST_F(ScriptPages, ScriptErrorsAndMissingFunctions) {
    LogCapture log;
    view_->Navigate(InWorkingDirectory(L"errors"));
    ASSERT_TRUE(apptest::PumpUntil([] { return g_findings.count("ran") > 0; }, 10000));
    EXPECT_EQ("first,second,last", Finding("ran"));  // an error stops only its own element
    apptest::PumpUntil([] { return false; }, 100);
    ASSERT_NE(nullptr, view_->Page());
    bool inline10 = false, broken3 = false;
    for (const CScriptPage::Error& error : view_->Page()->Errors()) {
        EXPECT_FALSE(error.text.empty());
        const bool page = error.source.size() > 10 && error.source.substr(error.source.size() - 10) == L"index.html";
        const bool broken = error.source.size() > 9 && error.source.substr(error.source.size() - 9) == L"broken.js";
        inline10 = inline10 || (page && error.line == 10);
        broken3 = broken3 || (broken && error.line == 3);
    }
    EXPECT_TRUE(inline10);
    EXPECT_TRUE(broken3);
    EXPECT_TRUE(log.Contains(L"CScriptPage::OnScriptError script error ["));
    EXPECT_TRUE(log.Contains(L"CScriptPage::Load script source refused [../bridge/bridge.js]"));
    EXPECT_TRUE(log.Contains(L"CScriptPage::Load script file not read ["));
    // No installerMain: the call fails, nothing else happens.
    EXPECT_TRUE(log.Contains(L"CWebView::RunJSFunction GetIDsOfNames failed!"));
    EXPECT_TRUE(log.Contains(L"CWebView::OnDocumentComplete run js function installerMain failed!"));
    // No callback function either: the result is dropped after the failed call.
    ASSERT_TRUE(bridge::PostResult(9, bridge::MakeResult("worker")));
    ASSERT_TRUE(apptest::PumpUntil([&] { return log.Contains(L"RunJSCallbackFunction RunJSFunction failed!"); }, 5000));
}

TEST_F(ScriptPages, PagesFromElsewhereGetNoObject) {
    LogCapture log;
    scratch::Folder outside(L"page");
    view_->Navigate(CopyPage(L"bridge", scratch::Join(outside.Path(), L"bridge")));
    ASSERT_TRUE(apptest::PumpUntil([&] { return log.Contains(L"page not from the working directory"); }, 10000));
    apptest::PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(g_findings.empty());  // installerMain never ran, nothing reached the object
    EXPECT_FALSE(log.Contains(L"CWebView::RunJSFunction"));

    // The next page from the working directory works as always.
    view_->Navigate(InWorkingDirectory(L"bridge"));
    ASSERT_TRUE(apptest::PumpUntil([] { return g_findings.count("done") > 0; }, 10000));
}

}  // namespace
