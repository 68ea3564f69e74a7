#pragma once
// Shared set-up of the transfer tests: the local test server, a plain-text
// log to read back, a statistics sink that records the texts, and an empty
// scratch folder per test for output files.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"
#include "support/TestServer.h"
#include "transfer/Download.h"

namespace transfertest {

inline std::mutex& StatsLock() {
    static std::mutex lock;
    return lock;
}

inline std::vector<std::wstring>& StatsTexts() {
    static std::vector<std::wstring> texts;
    return texts;
}

inline void RecordStats(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(StatsLock());
    StatsTexts().push_back(text);
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Server().Ready()) << "the test server is not running: run through ctest (fixture test_server)";
        ClearLog();
        ClearStats();
        previousSink_ = Tools::SetDownloadErrorSink(&RecordStats);
    }

    void TearDown() override { Tools::SetDownloadErrorSink(previousSink_); }

    static const testsupport::TestServer& Server() { return testsupport::TestServer::Instance(); }
    static std::wstring Url(const std::wstring& path, const std::wstring& listener = L"http") {
        return Server().Url(listener, path);
    }

    static Tools::DownloadResult Get(const std::wstring& url, const std::wstring& outputFile = L"") {
        Tools::DownloadRequest request;
        request.url = url;
        request.outputFile = outputFile;
        return Tools::Download(request);
    }

    // Starts a new, empty log.
    void ClearLog() {
        log_.reset();
        log_.reset(new LogCapture());
    }
    std::wstring Log() const { return log_->Text(); }

    // Whether the log holds the transfer's line "<message>" at `level`.
    bool Logged(const wchar_t* level, const std::wstring& message) const {
        return log_->Contains(std::wstring(L"| UTILS | ") + level + L" | Tools::Download " + message + L"\r\n");
    }

    static std::vector<std::wstring> Stats() {
        std::lock_guard<std::mutex> guard(StatsLock());
        return StatsTexts();
    }
    static void ClearStats() {
        std::lock_guard<std::mutex> guard(StatsLock());
        StatsTexts().clear();
    }

    // The test's own output folder and what it holds, sorted.
    std::wstring ScratchPath(const std::wstring& name) const { return scratch_ / name; }
    std::vector<std::wstring> ScratchFiles() const {
        std::vector<std::wstring> names = scratch::List(scratch_.Path());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The server's body pattern: byte i is i % 251.
    static bool IsPattern(const std::string& data, size_t size) {
        if (data.size() != size) return false;
        for (size_t i = 0; i < size; ++i)
            if (static_cast<unsigned char>(data[i]) != i % 251) return false;
        return true;
    }

private:
    scratch::Folder scratch_{L"transfer"};
    std::unique_ptr<LogCapture> log_;
    Tools::DownloadErrorSink previousSink_ = nullptr;
};

}  // namespace transfertest
