#pragma once
// Client side of the local HTTP(S) test server (tests/support/test_server.py),
// which ctest starts before and stops after the programs that need it
// (tests/support/TestServer.cmake): its addresses and its request log.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/HostPath.h"
#include "support/ScratchFolder.h"

namespace testsupport {

class TestServer {
public:
    // The server of this build folder (<build>/test-server).
    static const TestServer& Instance() {
        static const TestServer server(HostPath(TEST_BINARY_DIR) + L"\\test-server");
        return server;
    }

    explicit TestServer(std::wstring stateDir) : stateDir_(std::move(stateDir)) {
        std::string text = scratch::ReadBytes(stateDir_ + L"\\ports.txt");
        if (text == "<missing>") return;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            size_t eq = line.find('=');
            if (eq != std::string::npos)
                ports_.push_back({std::wstring(line.begin(), line.begin() + eq), std::atoi(line.c_str() + eq + 1)});
            start = end + 1;
        }
    }

    bool Ready() const { return Port(L"http") > 0; }

    // Port of a listener: "http", "https", "https_wrong_name", "https_expired", "https_unknown_ca".
    int Port(const std::wstring& listener) const {
        for (const auto& p : ports_)
            if (p.first == listener) return p.second;
        return 0;
    }

    // Address of `path` (beginning with "/") on a listener.
    std::wstring Url(const std::wstring& listener, const std::wstring& path) const {
        const wchar_t* scheme = listener == L"http" ? L"http" : L"https";
        return std::wstring(scheme) + L"://127.0.0.1:" + std::to_wstring(Port(listener)) + path;
    }

    // Request lines received so far, each "<listener> <method> <path> <version>".
    std::vector<std::string> RequestLog() const {
        std::vector<std::string> lines;
        std::string text = scratch::ReadBytes(stateDir_ + L"\\requests.log");
        if (text == "<missing>") text.clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

    const std::wstring& StateDir() const { return stateDir_; }

private:
    std::wstring stateDir_;
    std::vector<std::pair<std::wstring, int>> ports_;
};

}  // namespace testsupport
