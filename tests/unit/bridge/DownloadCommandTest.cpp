// The decisions of the download command (1): safe names, the free-name
// search, the progress step and the answer text.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bridge/commands/DownloadCommand.h"
#include "platform/Text.h"

namespace {

Json::Value Parse(const char* text) {
    Json::Value value;
    Json::Reader().parse(text, value, false);
    return value;
}

TEST(DownloadCommand, NumberedNames) {
    const struct {
        const wchar_t* name;
        int n;
        const wchar_t* numbered;
    } cases[] = {
        {L"a.b.c", 1, L"a.b (1).c"},     // before the last dot only
        {L"README", 1, L"README (1)"},   // no dot: at the end
        {L"setup.exe", 2, L"setup (2).exe"},
        {L"a.", 3, L"a (3)."},
        {L".profile", 1, L" (1).profile"},
        {L"x.tar.gz", 1000, L"x.tar (1000).gz"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.numbered, bridge::NumberedName(c.name, c.n)) << wi::WideToUtf8(c.name);
}

TEST(DownloadCommand, FreePathSearch) {
    const std::wstring folder = L"C:\\work\\";
    std::set<std::wstring> taken;
    auto exists = [&taken](const std::wstring& path) { return taken.count(path) != 0; };
    const struct {
        std::set<std::wstring> taken;
        const wchar_t* expected;  // null: no free name
    } cases[] = {
        {{}, L"C:\\work\\setup.exe"},
        {{L"C:\\work\\setup.exe"}, L"C:\\work\\setup (1).exe"},
        {{L"C:\\work\\setup.exe", L"C:\\work\\setup (1).exe", L"C:\\work\\setup (2).exe"}, L"C:\\work\\setup (3).exe"},
        {{L"C:\\work\\setup.exe", L"C:\\work\\setup (2).exe"}, L"C:\\work\\setup (1).exe"},  // the first gap wins
        {{L"C:\\work\\setup (1).exe"}, L"C:\\work\\setup.exe"},
    };
    for (const auto& c : cases) {
        taken = c.taken;
        std::wstring path = L"unchanged";
        ASSERT_TRUE(bridge::FindFreePath(folder, L"setup.exe", exists, &path));
        EXPECT_EQ(c.expected, path);
    }

    // The plain name and (1) to (999) taken: (1000) is the last one tried.
    taken = {folder + L"README"};
    for (int n = 1; n < bridge::kMaxNumberedNames; ++n) taken.insert(folder + bridge::NumberedName(L"README", n));
    std::wstring path;
    ASSERT_TRUE(bridge::FindFreePath(folder, L"README", exists, &path));
    EXPECT_EQ(folder + L"README (1000)", path);
    taken.insert(path);
    path = L"unchanged";
    EXPECT_FALSE(bridge::FindFreePath(folder, L"README", exists, &path));
    EXPECT_EQ(L"unchanged", path);
}

TEST(DownloadCommand, OnlyPlainNamesAreSafe) {
    const struct {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"setup.exe", true},
        {L"a.b.c", true},
        {L"..setup", true},
        {L"Gr\u00fc\u00dfe \u65e5\u672c.txt", true},
        {L"", false},
        {L".", false},
        {L"..", false},
        {L"...", false},   // Windows trims trailing dots: the folder itself
        {L".. ", false},   // and blanks: the parent
        {L" ", false},
        {L"..\\setup.exe", false},
        {L"sub/setup.exe", false},
        {L"C:setup.exe", false},
        {L"setup.exe:stream", false},
        {L"\\\\server\\share\\x", false},
        {L"a\tb", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.safe, bridge::IsSafeDownloadName(c.name)) << wi::WideToUtf8(c.name);
    EXPECT_FALSE(bridge::IsSafeDownloadName(std::wstring(L"a\0b", 3)));
}

TEST(DownloadCommand, ProgressStep) {
    const struct {
        const char* params;
        int step;
    } cases[] = {
        {"{\"progressPercent\":10}", 10},
        {"{\"progressPercent\":0}", 0},
        {"{\"progressPercent\":100}", 100},
        {"{\"progressPercent\":150}", 0},
        {"{\"progressPercent\":-5}", 0},
        {"{\"progressPercent\":true}", 1},
        {"{\"progressPercent\":false}", 0},
        {"{\"progressPercent\":18446744073709551615}", 0},
        {"{\"progressPercent\":\"10\"}", 0},
        {"{\"progressPercent\":10.5}", 0},
        {"{}", 0},
        {"[10]", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.step, bridge::ProgressStep(Parse(c.params))) << c.params;
}

TEST(DownloadCommand, AnswerText) {
    EXPECT_EQ(L"{ \"threadId\" : 1234 , \"result\" : true , \"error\" : \"\" }", bridge::DownloadAnswer(1234, L""));
    EXPECT_EQ(L"{ \"threadId\" : 0 , \"result\" : false , \"error\" : \"a/b\\\"c\" }",
              bridge::DownloadAnswer(0, L"a\\b\"c"));
}

}  // namespace
