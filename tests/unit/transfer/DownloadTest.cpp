// Transfers against the local test server: statuses, body text, progress,
// cancelling, and each failure with its log line, statistics text and what it
// leaves on disk.
#include "unit/transfer/DownloadFixture.h"

#include <wininet.h>

namespace transfertest {
namespace {

TEST_F(DownloadTest, AcceptsExactlyTheSuccessStatusesOfItsList) {
    struct Row {
        int status;
        bool ok;
    };
    const Row rows[] = {{200, true},  {201, true},  {202, true},  {203, true},  {204, true},
                        {205, true},  {206, true},  {207, true},  {226, true},  {208, false},
                        {299, false}, {300, false}, {302, false},  // a redirect without Location
                        {304, false}, {400, false}, {404, false}, {500, false}, {503, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        ClearLog();
        std::wstring code = std::to_wstring(row.status);
        Tools::DownloadResult result = Get(Url(L"/status/" + code));
        EXPECT_EQ(row.ok, result.ok);
        EXPECT_TRUE(Logged(L"INF", L"query status [" + code + L"]"));
        EXPECT_EQ(!row.ok, Logged(L"WRN", L"query status not good!"));
        std::wstring body = row.status == 204 ? L"" : L"status " + code;
        EXPECT_EQ(row.ok ? body : L"", result.text);
    }
    EXPECT_TRUE(Stats().empty()) << "a refused status raises no statistics event";
}

TEST_F(DownloadTest, DecodesTextBodiesByTheirByteOrderMark) {
    wchar_t ansiE9 = 0;
    ::MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &ansiE9, 1);
    struct Row {
        const wchar_t* hex;
        std::wstring text;
    };
    const Row rows[] = {
        {L"fffe4100", L"A"},                  // UTF-16 little-endian
        {L"feff0041", L"A"},                  // UTF-16 big-endian
        {L"fffe41000000420043", L"A"},        // up to the first NUL character
        {L"fffe3d0442", L"\x043D"},           // an odd last byte is no character
        {L"fffe", L""},
        {L"efbbbf616263", L"abc"},            // UTF-8 with byte order mark
        {L"efbbbfc3a9", L"\x00E9"},
        {L"c3a9e282ac", L"\x00E9\x20AC"},     // UTF-8 without
        {L"61006263", L"a"},                  // up to the first NUL byte
        {L"e9", std::wstring(1, ansiE9)},     // not UTF-8: the ANSI code page
        {L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.hex);
        Tools::DownloadResult result = Get(Url(std::wstring(L"/hex/") + row.hex));
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(row.text, result.text);
    }
}

struct Report {
    int id;
    int percent;
    std::wstring url;
    unsigned int amount;
};

std::vector<Report> DownloadWithProgress(const std::wstring& url, int step, const std::wstring& outputFile = L"") {
    std::vector<Report> reports;
    Tools::DownloadRequest request;
    request.url = url;
    request.outputFile = outputFile;
    request.progressId = 7;
    request.progressStep = step;
    request.progressCallback = [&reports](int id, int percent, const std::wstring& u, unsigned int amount) {
        reports.push_back({id, percent, u, amount});
    };
    EXPECT_TRUE(Tools::Download(request).ok);
    return reports;
}

TEST_F(DownloadTest, ReportsProgressPerTenKilobyteSliceWhateverTheReadSizes) {
    struct Row {
        const wchar_t* path;
        int step;
        std::vector<int> percents;
        std::vector<unsigned int> amounts;
    };
    const std::vector<int> tens = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    const Row rows[] = {
        // Known length, step 10: a report every 10,240 bytes, 10 % each.
        {L"/bytes/102400", 10, tens, std::vector<unsigned int>(10, 10240)},
        // Step 0: reports every 5 % of the length, all at percent 0.
        {L"/bytes/204800", 0, std::vector<int>(20, 0), std::vector<unsigned int>(20, 10240)},
        // The threshold (25,000 bytes) is checked per slice: 3 slices a report,
        // and the last 7,840 bytes stay below it.
        {L"/bytes/100000", 25, {25, 50, 75}, {30720, 30720, 30720}},
        // No length: every slice and the final empty read report, past 100 %.
        {L"/bytes/25000?nolength=1", 50, {50, 100, 150, 200}, {10240, 10240, 4520, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        std::wstring url = Url(row.path);
        std::vector<Report> reports = DownloadWithProgress(url, row.step);
        std::vector<int> percents;
        std::vector<unsigned int> amounts;
        for (const Report& r : reports) {
            percents.push_back(r.percent);
            amounts.push_back(r.amount);
            EXPECT_EQ(7, r.id);
            EXPECT_EQ(url, r.url);
        }
        EXPECT_EQ(row.percents, percents);
        EXPECT_EQ(row.amounts, amounts);
    }
}

TEST_F(DownloadTest, ProgressSwitchesOnTheThirtySecondTimeOuts) {
    DownloadWithProgress(Url(L"/bytes/10"), 5);
    EXPECT_TRUE(Logged(L"DBG", L"Set HttpRequest_InternetSetOption_Rec_[30000]"));
    EXPECT_TRUE(Logged(L"DBG", L"Set HttpRequest_InternetSetOption_Send_[30000]"));

    ClearLog();
    int calls = 0;
    Tools::DownloadRequest request;
    request.url = Url(L"/bytes/50000");
    request.progressId = 0;  // off, even with a callback
    request.progressStep = 10;
    request.progressCallback = [&calls](int, int, const std::wstring&, unsigned int) { ++calls; };
    EXPECT_TRUE(Tools::Download(request).ok);
    EXPECT_EQ(0, calls);
    EXPECT_EQ(std::wstring::npos, Log().find(L"InternetSetOption"));
}

TEST_F(DownloadTest, StreamsLargeBodiesToTheFileIntact) {
    const size_t size = 5 * 1024 * 1024 + 123;  // many reads, a partial last one
    std::wstring target = ScratchPath(L"big.bin");
    std::vector<Report> reports = DownloadWithProgress(Url(L"/bytes/" + std::to_wstring(size)), 5, target);
    EXPECT_TRUE(IsPattern(scratch::ReadBytes(target), size));
    // 5 % is 262,150 bytes: a report every 26 slices, 19 in the 512 full slices.
    EXPECT_EQ(19u, reports.size());
    EXPECT_EQ(std::vector<std::wstring>{L"big.bin"}, ScratchFiles());
}

TEST_F(DownloadTest, KeepsNoCopyInTheWinINetCache) {
    // A body the server allows caching, at an address never asked for before.
    std::wstring url = Url(L"/bytes/300000?cacheable=1&probe=" + std::to_wstring(::GetTickCount()));
    ASSERT_TRUE(Get(url, ScratchPath(L"out.bin")).ok);
    DWORD size = 0;
    EXPECT_FALSE(::GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
}

TEST_F(DownloadTest, AnEmptyBodyMakesAnEmptyFile) {
    std::wstring target = ScratchPath(L"empty.bin");
    scratch::WriteBytes(target, "old");
    Tools::DownloadResult result = Get(Url(L"/bytes/0"), target);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(L"", result.text);
    EXPECT_EQ("", scratch::ReadBytes(target));
    EXPECT_TRUE(Logged(L"INF", L"finish url[" + Url(L"/bytes/0") + L"]"));
}

TEST_F(DownloadTest, CancelEndsAfterTheReportThatSawItAndLeavesTheTargetAlone) {
    std::wstring target = ScratchPath(L"out.bin");
    scratch::WriteBytes(target, "previous");
    HANDLE cancel = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int reports = 0;
    Tools::DownloadRequest request;
    request.url = Url(L"/bytes/3000000?nolength=1");  // a report per slice
    request.outputFile = target;
    request.cancelEvent = cancel;
    request.progressId = 1;
    request.progressStep = 1;
    request.progressCallback = [&](int, int, const std::wstring&, unsigned int) {
        if (++reports == 5) ::SetEvent(cancel);
    };
    Tools::DownloadResult result = Tools::Download(request);
    ::CloseHandle(cancel);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(5, reports);
    EXPECT_TRUE(Logged(L"WRN", L"thread need to end by kill!"));
    EXPECT_EQ(std::vector<std::wstring>{L"thread_need_to_end_by_kill_" + request.url}, Stats());
    EXPECT_EQ("previous", scratch::ReadBytes(target));
    EXPECT_EQ(std::vector<std::wstring>{L"out.bin"}, ScratchFiles());
}

TEST_F(DownloadTest, EachFailureLogsReportsAndLeavesNoFile) {
    struct Row {
        const char* name;
        std::wstring url;
        std::wstring logLine;     // the WRN line
        std::wstring statsToken;  // empty: no statistics event
        bool missingFolder;       // output into a folder that does not exist
    };
    const std::wstring longPath(2100, L'a');
    const Row rows[] = {
        {"URL that cannot be split", Url(L"/" + longPath), L"internet crack url failed!", L"CrackUrl_failed_", false},
        {"no host to connect to", L"http:///bytes/10", L"internet connect failed!", L"internet_connect_failed_", false},
        {"nothing listens", L"http://127.0.0.1:1/bytes/10", L"send request failed!", L"", false},
        {"status refused", Url(L"/bytes/10?status=404"), L"query status not good!", L"", false},
        {"body shorter than announced", Url(L"/bytes/1000?length=5000"), L"resp buffer size[1000] not correct [5000]!",
         L"resp_buffer_size_not_correct_", false},
        {"output folder missing", Url(L"/bytes/10"), L"write output file failed!", L"write_output_file_failed_", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearLog();
        ClearStats();
        ::DeleteFileW(ScratchPath(L"out.bin").c_str());
        std::wstring target = row.missingFolder ? ScratchPath(L"missing\\out.bin") : ScratchPath(L"out.bin");
        if (!row.missingFolder) scratch::WriteBytes(target, "previous");

        Tools::DownloadResult result = Get(row.url, target);

        EXPECT_FALSE(result.ok);
        EXPECT_EQ(L"", result.text);
        EXPECT_TRUE(Logged(L"WRN", row.logLine)) << Log();
        std::vector<std::wstring> expected;
        if (!row.statsToken.empty()) expected.push_back(row.statsToken + row.url);
        EXPECT_EQ(expected, Stats());
        EXPECT_FALSE(Logged(L"INF", L"finish url[" + row.url + L"]"));
        if (row.missingFolder) {
            EXPECT_EQ(std::vector<std::wstring>{}, ScratchFiles());
        } else {
            EXPECT_EQ("previous", scratch::ReadBytes(target));
            EXPECT_EQ(std::vector<std::wstring>{L"out.bin"}, ScratchFiles());
        }
    }
}

TEST_F(DownloadTest, ATargetThatCannotBeReplacedKeepsItsContent) {
    std::wstring target = ScratchPath(L"busy.exe");
    scratch::WriteBytes(target, "running");
    // Held open without sharing, as a running program would be.
    HANDLE busy = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    std::wstring url = Url(L"/bytes/50000");
    Tools::DownloadResult result = Get(url, target);
    ::CloseHandle(busy);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(Logged(L"WRN", L"write output file failed!"));
    EXPECT_EQ(std::vector<std::wstring>{L"write_output_file_failed_" + url}, Stats());
    EXPECT_EQ("running", scratch::ReadBytes(target));
    EXPECT_EQ(std::vector<std::wstring>{L"busy.exe"}, ScratchFiles());
}

// A stalled server: the 30-second receive time-out (on with progress) fails
// the read. This test waits for that time-out.
TEST_F(DownloadTest, AStalledBodyFailsTheReadAfterTheTimeOut) {
    std::wstring target = ScratchPath(L"out.bin");
    Tools::DownloadRequest request;
    request.url = Url(L"/bytes/100000?drip=40000&chunk=10240");
    request.outputFile = target;
    request.progressId = 1;
    Tools::DownloadResult result = Tools::Download(request);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(Logged(L"WRN", L"internet read file failed!"));
    EXPECT_EQ(std::vector<std::wstring>{L"internet_read_file_failed_" + request.url}, Stats());
    EXPECT_EQ(std::vector<std::wstring>{}, ScratchFiles());
}

TEST_F(DownloadTest, SplitsUrlPathsOfUpTo2047Characters) {
    // The path with its query goes into a buffer of 2,048 characters.
    const std::wstring fits = Url(L"/" + std::wstring(2040, L'p') + L"?q=abc");  // 2,047
    const std::wstring tooLong = Url(L"/" + std::wstring(2041, L'p') + L"?q=abc");
    EXPECT_FALSE(Get(fits).ok);  // the server does not know the path
    EXPECT_TRUE(Logged(L"WRN", L"query status not good!"));
    EXPECT_FALSE(Logged(L"WRN", L"internet crack url failed!"));
    EXPECT_FALSE(Get(tooLong).ok);
    EXPECT_TRUE(Logged(L"WRN", L"internet crack url failed!"));
    EXPECT_EQ(std::vector<std::wstring>{L"CrackUrl_failed_" + tooLong}, Stats());
}

TEST_F(DownloadTest, ARequestWithoutResponseStopsOnceSentAndNeverReports) {
    std::wstring marker = L"/status/200?pixel=" + std::to_wstring(::GetTickCount());
    Tools::DownloadRequest request;
    request.url = Url(marker);
    request.noResponseNeeded = true;
    EXPECT_FALSE(Tools::Download(request).ok);
    EXPECT_TRUE(Logged(L"WRN", L"No response is needed so we can exit"));

    // A statistics request that fails raises no statistics event of its own.
    request.url = Url(L"/" + std::wstring(2100, L'b'));
    EXPECT_FALSE(Tools::Download(request).ok);
    EXPECT_TRUE(Logged(L"WRN", L"internet crack url failed!"));
    EXPECT_TRUE(Stats().empty());

    // The server got the first request all the same (it logs a request before
    // it answers, and the send returns only with the answer).
    std::string line = "http GET " + wi::WideToUtf8(marker) + " HTTP/1.1";
    std::vector<std::string> log = Server().RequestLog();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), line));
}

TEST_F(DownloadTest, SendsRefererAndHeadersAndLogsThem) {
    Tools::DownloadRequest request;
    request.url = Url(L"/headers");
    request.referer = L"http://page.example/index.html";
    request.headers = L"X-Probe: 42";
    Tools::DownloadResult result = Tools::Download(request);
    ASSERT_TRUE(result.ok);
    EXPECT_NE(std::wstring::npos, result.text.find(L"Referer: http://page.example/index.html"));
    EXPECT_NE(std::wstring::npos, result.text.find(L"X-Probe: 42"));
    EXPECT_NE(std::wstring::npos, result.text.find(L"User-Agent: WinClient"));
    EXPECT_TRUE(Logged(L"DBG", L"Opening HTTP request with, referer [http://page.example/index.html]"));
    EXPECT_TRUE(Logged(L"DBG", L"Additional headers [X-Probe: 42]"));
    EXPECT_TRUE(Logged(L"INF", L"url[" + request.url + L"], output file []"));
}

}  // namespace
}  // namespace transfertest
