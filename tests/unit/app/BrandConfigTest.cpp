#include <gtest/gtest.h>

#include "app/BrandConfig.h"

namespace {

struct DecisionCase {
    const char* name;
    const char* json;
    const wchar_t* commandLine;
    bool debug;
    bool qa;
    const wchar_t* qaBrand;
    const wchar_t* qaType;
};

TEST(BrandConfig, DebugAndQaDecisions) {
    const DecisionCase cases[] = {
        {"cmd /debug beats debug false", R"({"debug": false})", L"x /debug y", true, false, L"", L""},
        {"/DEBUG is not /debug", R"({"debug": false})", L"/DEBUG", false, false, L"", L""},
        {"debug missing", R"({})", L"", false, false, L"", L""},
        {"debug number", R"({"debug": 2})", L"", true, false, L"", L""},
        {"debug zero", R"({"debug": 0})", L"", false, false, L"", L""},
        {"debug empty string", R"({"debug": ""})", L"", false, false, L"", L""},
        {"debug text", R"({"debug": "no"})", L"", true, false, L"", L""},
        {"debug empty array", R"({"debug": []})", L"", false, false, L"", L""},
        {"debug object", R"({"debug": {"a":1}})", L"", true, false, L"", L""},
        {"QA switches debug on", R"({"debug": false, "QAInstaller": true})", L"", true, true, L"", L""},
        {"QA off keeps brand empty", R"({"QAInstaller": false, "QANameBrand": "B1"})", L"", false, false, L"", L""},
        {"QA texts read", R"({"QAInstaller": 1, "QANameBrand": "B1", "QAInstallerType": "prod"})", L"", true, true,
         L"B1", L"prod"},
        {"QA null texts", R"({"QAInstaller": true, "QANameBrand": null})", L"", true, true, L"", L""},
        {"root not an object", R"([1,2])", L"", false, false, L"", L""},
    };
    for (const DecisionCase& c : cases) {
        brand::Settings s;
        ASSERT_TRUE(brand::Parse(c.json, c.commandLine, &s)) << c.name;
        EXPECT_EQ(c.debug, s.debug) << c.name;
        EXPECT_EQ(c.qa, s.qa.enabled) << c.name;
        EXPECT_EQ(c.qaBrand, s.qa.brandName) << c.name;
        EXPECT_EQ(c.qaType, s.qa.installerType) << c.name;
    }
}

TEST(BrandConfig, UnreadableTextIsRefused) {
    for (const char* text : {"", "null", "{", "not json", "{\"a\":}"}) {
        brand::Settings s;
        EXPECT_FALSE(brand::Parse(text, L"", &s)) << text;
    }
    // Nesting far beyond the reader's limit is refused, not a crash.
    std::string deep(100000, '[');
    brand::Settings s;
    EXPECT_FALSE(brand::Parse(deep, L"", &s));
}

TEST(BrandConfig, QaUpdateListFolder) {
    brand::Settings prod, other;
    ASSERT_TRUE(brand::Parse(R"({"QAInstaller": true, "QANameBrand": "B1", "QAInstallerType": "prod"})", L"", &prod));
    ASSERT_TRUE(brand::Parse(R"({"QAInstaller": true, "QANameBrand": "B1", "QAInstallerType": "Prod"})", L"", &other));
    const std::wstring& def = prod.qa.defaultUpdateListUrl;
    ASSERT_NE(std::wstring::npos, def.find(L"/qaclients/"));
    EXPECT_NE(std::wstring::npos, prod.qa.updateListUrl.find(L"/qaclients/QTClients/B1/en/client_update_urls.html"))
        << prod.qa.updateListUrl;
    EXPECT_NE(std::wstring::npos, other.qa.updateListUrl.find(L"/qaclients/B1/en/client_update_urls.html"))
        << other.qa.updateListUrl;
}

TEST(BrandConfig, BrandValues) {
    brand::Settings s;
    ASSERT_TRUE(brand::Parse(R"({"brand_config": {"url": "https://h/p.7z", "app_id": "368", "name": null,
                                   "company_name": 5, "stats_url": "http://s/stats.gif?a=1&", "unknown": "x"}})",
                             L"", &s));
    EXPECT_EQ(L"https://h/p.7z", s.values.url);
    EXPECT_EQ(L"368", s.values.app_id);
    EXPECT_EQ(L"", s.values.name);          // null leaves it empty
    EXPECT_EQ(L"", s.values.company_name);  // not a string: stored empty, reported
    EXPECT_EQ(L"company_name", s.nonStringKeys);
    EXPECT_EQ(L"http://s/stats.gif?a=1&", s.values.stats_url);

    brand::Settings none;
    ASSERT_TRUE(brand::Parse(R"({"brand_config": null})", L"", &none));
    EXPECT_EQ(L"", none.values.url);
}

TEST(BrandConfig, QaSubstitution) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Quorvent QA DEV", L"C:\\B1"},
        {L"Quorvent QA DEV\\x", L"Quorvent QA DEV\\x"},  // starts with the find text: unchanged
        {L"Quorvent QA DEV", L"B1"},
        {L"a\\Quorvent QA DEV\\b\\Quorvent QA DEV", L"a\\B1\\b\\B1"},
        {L"c:\\quorvent qa dev", L"c:\\quorvent qa dev"},  // case-sensitive
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, brand::QaSubstitute(c.text, L"Quorvent QA DEV", L"B1")) << c.text;
}

}  // namespace
