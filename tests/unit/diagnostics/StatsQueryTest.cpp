#include <gtest/gtest.h>

#include "diagnostics/Base64.h"
#include "diagnostics/StatsQuery.h"

namespace {

StatsFacts SampleFacts() {
    StatsFacts f;
    f.osName = L"7(7601)";
    f.is64 = true;
    f.osLang = 1033;
    f.ieVersion = L"11.0.9600.19596";
    f.runGuid = L"5A1B2C3D4E5F60718293A4B5C6D7E8F9";
    f.verifier = L"0123456789abcdef0123456789abcdef";
    f.version = L"1.1.1.36";
    f.nowMs = 1733760001123ULL;
    f.adminUser = false;
    f.startTime = 1733760000;
    return f;
}

TEST(StatsQuery, StartEventParametersInOrder) {
    EXPECT_EQ(L"event_type=installer_init&os=7(7601)_64bit&os_lang=1033&ie_ver=11.0.9600.19596"
              L"&process_id=5A1B2C3D4E5F60718293A4B5C6D7E8F9&verifier=0123456789abcdef0123456789abcdef"
              L"&user_id=5A1B2C3D4E5F60718293A4B5C6D7E8F9&installer_ver=1.1.1.36&timestamp=1733760001123"
              L"&adminuser=0&starttime=1733760000&lifetime=1",
              BuildStatsQuery(L"installer_init", nullptr, SampleFacts()));
}

TEST(StatsQuery, RunModeAndErrorText) {
    StatsFacts f = SampleFacts();
    f.runMode = 2;
    EXPECT_EQ(0u, BuildStatsQuery(L"uninstaller_init", nullptr, f).rfind(L"event_type=uninstall_uninstaller_init&os=7(7601)_64bit&", 0));
    f.runMode = 1;
    EXPECT_EQ(0u, BuildStatsQuery(L"error", nullptr, f).rfind(L"event_type=uninstall_error&os=", 0));
    f.runMode = 0;
    std::wstring empty;
    EXPECT_EQ(0u, BuildStatsQuery(L"error", &empty, f).rfind(L"event_type=error&&os=", 0));
    std::wstring text = L"abc def";
    EXPECT_EQ(0u, BuildStatsQuery(L"error", &text, f).rfind(L"event_type=error&error_text=abc%20def&os=", 0));
    // Before the run started: starttime 0, lifetime the current time in seconds.
    f.startTime = 0;
    std::wstring q = BuildStatsQuery(L"error", &text, f);
    EXPECT_NE(std::wstring::npos, q.find(L"&starttime=0&lifetime=1733760001"));
    EXPECT_EQ(q.find(L"process_id=5A1B") + 11, q.find(L"5A1B"));
}

TEST(StatsQuery, ErrorTextEscaping) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"", L""},
        {L"abc def", L"error_text=abc%20def"},
        {L"a=b+c", L"error_text=a%3Db%2Bc"},
        {L"x/y?z&w", L"error_text=x%2Fy%3Fz%26w"},
        {L"50%", L"error_text=50%25"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, EscapeErrorText(c.text)) << c.text;
    // Longer than one piece: every piece escaped, all kept.
    std::wstring longText(2084, L'a');
    longText += L" tail=1";
    EXPECT_EQ(L"error_text=" + std::wstring(2084, L'a') + L"%20tail%3D1", EscapeErrorText(longText));
}

TEST(StatsQuery, EncodedAddress) {
    std::wstring base = L"http://s.example.com/stats.gif?event=100&brand=K&";
    std::wstring url = base + L"event_type=a>b?c";
    ASSERT_TRUE(EncodeStatsUrlText(url, false));
    // Base64("event=100&brand=K&event_type=a>b?c") = ZXZlbnQ9MTAwJmJyYW5kPUsmZXZlbnRfdHlwZT1hPmI/Yw==
    EXPECT_EQ(L"http://s.example.com/stats.gif?v=2&data=ZXZlbnQ9MTAwJmJyYW5kPUsmZXZlbnRfdHlwZT1hPmI%2FYw%3D%3D", url);

    std::wstring debug = base + L"x=1";
    EXPECT_FALSE(EncodeStatsUrlText(debug, true));
    EXPECT_EQ(base + L"x=1", debug);
    std::wstring other = L"http://h/pixel.gif?x=1";
    EXPECT_FALSE(EncodeStatsUrlText(other, false));
    EXPECT_EQ(L"http://h/pixel.gif?x=1", other);
}

TEST(Base64, Rfc4648Vectors) {
    const char* cases[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="}};
    for (auto& c : cases) EXPECT_EQ(c[1], Base64Encode(c[0]));
}

}  // namespace
