#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "diagnostics/Logger.h"
#include "platform/Text.h"
#include "support/HostPath.h"

namespace {

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(wi::WideToUtf8(path), std::ios::binary);  // mingw opens UTF-8 paths as ANSI: keep paths ASCII
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::wstring TempLogPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    ::DeleteFileW(path.c_str());
    return path;
}

// Decodes the scrambled form back to text (what the support tool does).
std::wstring Unscramble(const std::string& hex) {
    std::wstring out;
    for (size_t i = 0; i + 3 < hex.size(); i += 4) {
        unsigned lo = std::stoul(hex.substr(i, 2), nullptr, 16) ^ Logger::kScrambleKey;
        unsigned hi = std::stoul(hex.substr(i + 2, 2), nullptr, 16) ^ Logger::kScrambleKey;
        out.push_back(static_cast<wchar_t>(lo | (hi << 8)));
    }
    return out;
}

DWORD WINAPI WriteLines(LPVOID count) {
    for (INT_PTR i = 0; i < reinterpret_cast<INT_PTR>(count); ++i)
        Logger::Write(UTILS, DBG, L"%ls %ls", L"Test::Threads", std::wstring(300, L'q').c_str());
    return 0;
}

class LoggerTest : public testing::Test {
protected:
    void TearDown() override { Logger::Instance().Configure(L"", false); }
};

TEST_F(LoggerTest, DropsLinesUntilConfigured) {
    std::wstring path = TempLogPath(L"wi_logger_drop.log");
    Logger::Instance().Configure(L"", false);
    Logger::Write(APPLICATION, DBG, L"%ls before", L"Test::Drop");
    Logger::Instance().Configure(path, false);
    Logger::Write(APPLICATION, DBG, L"%ls after", L"Test::Drop");
    std::string text = ReadAll(path);
    EXPECT_EQ(std::string::npos, text.find("before"));
    EXPECT_NE(std::string::npos, text.find("Test::Drop after"));
}

TEST_F(LoggerTest, PlainLineFormat) {
    std::wstring path = TempLogPath(L"wi_logger_plain.log");
    Logger::Instance().Configure(path, false);
    Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls value [%d] text [%ls]", L"Test::Line", 42, L"\u00e9t\u00e9");
    Logger::Write(DISPATCHER, ERR, L"%ls a", L"Test::Line");
    Logger::Write(9, 7, L"%ls b", L"Test::Line");
    Logger::Write(UTILS, INF, L"%ls c", L"Test::Line");
    std::string text = ReadAll(path);
    ASSERT_EQ(0u, text.rfind("\xEF\xBB\xBF", 0)) << "starts with the UTF-8 byte-order mark";
    text = text.substr(3);
    std::regex line(
        R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d \(-?\d+\) \| pid: \d+, tid: \d+ \| DISPATCHER_HANDLER \| WRN \| Test::Line value \[42\] text \[\xC3\xA9t\xC3\xA9\]\r\n)"
        R"(.* \| DISPATCHER \| ERR \| Test::Line a\r\n)"
        R"(.* \| UNKNOWN \| UNKNOWN \| Test::Line b\r\n)"
        R"(.* \| UTILS \| INF \| Test::Line c\r\n)");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    // The stamp is the local date and time.
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    EXPECT_EQ(wi::FormatA("%02u/%02u/%02u", now.wMonth, now.wDay, now.wYear % 100), text.substr(0, 8));
}

TEST_F(LoggerTest, LongMessagesAreCut) {
    std::wstring path = TempLogPath(L"wi_logger_long.log");
    Logger::Instance().Configure(path, false);
    std::wstring message(5000, L'x');
    Logger::Write(APPLICATION, DBG, L"%ls", message.c_str());
    std::string text = ReadAll(path);
    size_t start = text.find(" | DBG | ") + 9;
    size_t end = text.find("\r\n", start);
    EXPECT_EQ(1023u, end - start);
    EXPECT_EQ(text.size(), end + 2);
}

TEST_F(LoggerTest, ScrambledFileHoldsOnlyHexDigits) {
    std::wstring path = TempLogPath(L"wi_logger_scrambled.log");
    Logger::Instance().Configure(path, true);
    Logger::Write(WB_VIEW, INF, L"%ls first \u20ac", L"Test::Scramble");
    Logger::Write(SPLASH, DBG, L"%ls second", L"Test::Scramble");
    std::string text = ReadAll(path);
    ASSERT_EQ(0u, text.rfind("\xEF\xBB\xBF", 0));
    std::string hex = text.substr(3);
    EXPECT_EQ(std::string::npos, hex.find_first_not_of("0123456789ABCDEF"));
    ASSERT_EQ(0u, hex.size() % 4);
    std::wstring plain = Unscramble(hex);
    size_t first = plain.find(L"| WB_VIEW | INF | Test::Scramble first \u20ac\n");
    size_t second = plain.find(L"| SPLASH | DBG | Test::Scramble second\n");
    EXPECT_NE(std::wstring::npos, first);
    EXPECT_NE(std::wstring::npos, second);
    EXPECT_EQ(plain.size(), second + wcslen(L"| SPLASH | DBG | Test::Scramble second\n"));
}

// Leaves a scrambled log and the text it must decode to in the build folder,
// for the support tool's test (tests/support/check_unscramble.py).
TEST_F(LoggerTest, ScrambledSampleForTheSupportTool) {
    std::wstring scrambled = HostPath(TEST_BINARY_DIR L"/tests/scrambled-sample.log");
    std::wstring plain = HostPath(TEST_BINARY_DIR L"/tests/scrambled-sample.txt");
    ::DeleteFileW(scrambled.c_str());
    ::DeleteFileW(plain.c_str());
    for (const auto& config : {std::make_pair(scrambled, true), std::make_pair(plain, false)}) {
        Logger::Instance().Configure(config.first, config.second);
        Logger::Write(APPLICATION, DBG, L"%ls Enter, type [%d] close reason [%ls]", L"CApplication::Clean", 0,
                      L"finished_successfully");
        Logger::Write(UTILS, ERR, L"%ls caf\u00e9 \u20ac [%ls]", L"Tools::Download", L"C:\\x");
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(scrambled.c_str()));
}

TEST_F(LoggerTest, DeletedFileIsRecreatedWithBom) {
    std::wstring path = TempLogPath(L"wi_logger_recreate.log");
    Logger::Instance().Configure(path, false);
    Logger::Write(APPLICATION, DBG, L"%ls one", L"Test::Recreate");
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    Logger::Write(APPLICATION, DBG, L"%ls two", L"Test::Recreate");
    std::string text = ReadAll(path);
    EXPECT_EQ(0u, text.rfind("\xEF\xBB\xBF", 0));
    EXPECT_EQ(std::string::npos, text.find("one"));
    EXPECT_NE(std::string::npos, text.find("two"));
}

TEST_F(LoggerTest, ConcurrentWritersKeepLinesWhole) {
    std::wstring path = TempLogPath(L"wi_logger_threads.log");
    Logger::Instance().Configure(path, false);
    const int kThreads = 4, kLines = 200;
    HANDLE threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        threads[t] = ::CreateThread(nullptr, 0, WriteLines, reinterpret_cast<LPVOID>(kLines), 0, nullptr);
    }
    ::WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    for (HANDLE h : threads) ::CloseHandle(h);
    std::string text = ReadAll(path).substr(3);
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    std::regex whole(R"(.* \| UTILS \| DBG \| Test::Threads q{300}\r)");
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
    }
    EXPECT_EQ(kThreads * kLines, count);
}

}  // namespace
