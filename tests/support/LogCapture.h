#pragma once
// Points the process log at a private plain-text file for one test and reads it
// back; the log is switched off again at the end.
#include <windows.h>

#include <string>

#include "diagnostics/Logger.h"
#include "platform/Text.h"
#include "support/ScratchFolder.h"

class LogCapture {
public:
    LogCapture() : folder_(L"log"), path_(folder_ / L"test.log") { Logger::Instance().Configure(path_, false); }
    ~LogCapture() { Logger::Instance().Configure(L"", false); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far, as text.
    std::wstring Text() const {
        std::string bytes = scratch::ReadBytes(path_);
        if (bytes == "<missing>") return std::wstring();
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
        return wi::Utf8ToWide(bytes);
    }
    bool Contains(const std::wstring& part) const { return Text().find(part) != std::wstring::npos; }

private:
    scratch::Folder folder_;
    std::wstring path_;
};
