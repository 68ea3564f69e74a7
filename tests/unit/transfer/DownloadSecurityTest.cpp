// What the transfer trusts: certificates, redirects, and whose cookies go out.
#include "unit/transfer/DownloadFixture.h"

#include <wininet.h>

namespace transfertest {
namespace {

std::wstring Unique() { return std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(::GetCurrentThreadId()); }

bool ServerSaw(const std::string& line) {
    std::vector<std::string> log = testsupport::TestServer::Instance().RequestLog();
    return std::find(log.begin(), log.end(), line) != log.end();
}

TEST_F(DownloadTest, AcceptsOnlyACertificateValidForTheHost) {
    struct Row {
        const wchar_t* listener;
        bool ok;
    };
    const Row rows[] = {{L"https", true},
                        {L"https_wrong_name", false},
                        {L"https_expired", false},
                        {L"https_unknown_ca", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.listener);
        ClearLog();
        std::wstring path = L"/bytes/20000?probe=" + Unique();
        std::wstring target = ScratchPath(std::wstring(row.listener) + L".bin");
        Tools::DownloadResult result = Get(Url(path, row.listener), target);

        EXPECT_EQ(row.ok, result.ok);
        EXPECT_EQ(row.ok, IsPattern(scratch::ReadBytes(target), 20000));
        EXPECT_EQ(!row.ok, Logged(L"WRN", L"send request failed!"));
        // A refused certificate ends the connection before any request is sent.
        EXPECT_EQ(row.ok, ServerSaw(wi::WideToUtf8(std::wstring(row.listener) + L" GET " + path + L" HTTP/1.1")));
    }
    EXPECT_EQ(std::vector<std::wstring>{L"https.bin"}, ScratchFiles());
    EXPECT_TRUE(Stats().empty());
}

TEST_F(DownloadTest, FollowsRedirectsButNeverDownFromHttps) {
    struct Row {
        const char* name;
        std::wstring url;
        bool ok;
        std::wstring logLine;  // WRN line of a failure
    };
    const std::wstring probe = L"?probe=" + Unique();
    const Row rows[] = {
        {"http to http", Url(L"/redirect-to/http/hex/414243"), true, L""},
        {"http to https", Url(L"/redirect-to/https/hex/414243"), true, L""},
        {"https to https", Url(L"/redirect-to/https/hex/414243", L"https"), true, L""},
        {"relative, 307", Url(L"/redirect?code=307&to=/hex/414243"), true, L""},
        {"ten hops", Url(L"/redirect-chain/10/hex/414243"), true, L""},
        {"eleven hops", Url(L"/redirect-chain/11/hex/414243"), false, L"query status not good!"},
        {"https to http", Url(L"/redirect-to/http/hex/414243" + probe, L"https"), false, L"query status not good!"},
        {"to a local file", Url(L"/redirect?to=file:///C:/windows/win.ini"), false, L"query status not good!"},
        {"to an expired certificate", Url(L"/redirect-to/https_expired/hex/414243"), false,
         L"send request failed!"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearLog();
        Tools::DownloadResult result = Get(row.url);
        EXPECT_EQ(row.ok, result.ok);
        EXPECT_EQ(row.ok ? L"ABC" : L"", result.text);
        if (!row.ok) {
            EXPECT_TRUE(Logged(L"WRN", row.logLine)) << Log();
        }
    }
    // The refused plain-http address was never asked for.
    EXPECT_FALSE(ServerSaw(wi::WideToUtf8(L"http GET /hex/414243" + probe + L" HTTP/1.1")));
    EXPECT_TRUE(Stats().empty());
}

TEST(DownloadRedirectRule, AllowsOnlyHttpAndNeverDowngrades) {
    struct Row {
        const wchar_t* from;
        const wchar_t* to;
        bool follow;
    };
    const Row rows[] = {
        {L"http://a/", L"http://b/", true},
        {L"http://a/", L"HTTPS://b/", true},
        {L"https://a/", L"https://b/x?y", true},
        {L"https://a/", L"http://b/", false},
        {L"HTTPS://a/", L"http://b/", false},
        {L"https://a/", L"HTTP://b/", false},
        {L"http://a/", L"ftp://b/", false},
        {L"http://a/", L"file:///C:/x", false},
        {L"http://a/", L"javascript:alert(1)", false},
        {L"http://a/", L"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::wstring(row.from) + L" -> " + row.to);
        EXPECT_EQ(row.follow, Tools::MayFollowRedirect(row.from, row.to));
    }
}

TEST_F(DownloadTest, ACookieHeaderLineReplacesTheSessionCookies) {
    ASSERT_TRUE(::InternetSetCookieW(Url(L"/").c_str(), L"jar", L"fromjar"));
    struct Row {
        const wchar_t* headers;
        bool jarSent;
        int ownSent;  // -1: up to the platform
    };
    const Row rows[] = {
        {L"", true, 0},
        {L"Cookie: own=1", false, 1},
        // Only the exact "Cookie:" switches the session's cookies off. Whether
        // the caller's lower-case line survives beside them is WinINet's
        // business (Wine's lets the session's header replace it).
        {L"cookie: own=1", true, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.headers);
        Tools::DownloadRequest request;
        request.url = Url(L"/cookie");
        request.headers = row.headers;
        Tools::DownloadResult result = Tools::Download(request);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(row.jarSent, result.text.find(L"jar=fromjar") != std::wstring::npos) << result.text;
        if (row.ownSent >= 0) {
            EXPECT_EQ(row.ownSent == 1, result.text.find(L"own=1") != std::wstring::npos) << result.text;
        }
    }
}

}  // namespace
}  // namespace transfertest
