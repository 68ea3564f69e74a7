#include "diagnostics/Logger.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>

#include "platform/Handles.h"
#include "platform/Text.h"

// Writers are serialised by one lock: each line is appended whole, and the
// path and scramble flag are handed over safely to threads already logging.
struct Logger::State {
    std::mutex lock;
    std::wstring path;
    bool scramble = false;
};

Logger::Logger() : state_(new State) {}

Logger& Logger::Instance() {
    // Never destroyed: worker threads may still log while the process exits.
    static Logger* instance = new Logger();
    return *instance;
}

void Logger::Configure(const std::wstring& path, bool scramble) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->path = path;
    state_->scramble = scramble;
}

std::wstring Logger::Path() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->path;
}

bool Logger::Scramble() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->scramble;
}

const wchar_t* Logger::CategoryName(int category) {
    switch (category) {
    case APPLICATION: return L"APPLICATION";
    case MAIN_WINDOW: return L"MAIN_WINDOW";
    case WB_VIEW: return L"WB_VIEW";
    case SPLASH: return L"SPLASH";
    case DISPATCHER: return L"DISPATCHER";
    case DISPATCHER_HANDLER: return L"DISPATCHER_HANDLER";
    case UTILS: return L"UTILS";
    default: return L"UNKNOWN";
    }
}

const wchar_t* Logger::LevelName(int level) {
    switch (level) {
    case DBG: return L"DBG";
    case INF: return L"INF";
    case WRN: return L"WRN";
    case ERR: return L"ERR";
    default: return L"UNKNOWN";
    }
}

std::string Logger::ScrambleLine(const std::wstring& line) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(line.size() * 4);
    for (wchar_t ch : line) {
        unsigned char bytes[2] = {static_cast<unsigned char>(ch & 0xFF),
                                  static_cast<unsigned char>((ch >> 8) & 0xFF)};
        for (unsigned char b : bytes) {
            unsigned char x = b ^ kScrambleKey;
            out.push_back(kHex[x >> 4]);
            out.push_back(kHex[x & 0x0F]);
        }
    }
    return out;
}

std::string Logger::PlainLine(const std::wstring& line) {
    // Text mode: every line feed is stored as CR LF.
    return wi::WideToUtf8(wi::ReplaceAll(line, L"\n", L"\r\n"));
}

void Logger::Output(const std::wstring& line) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->path.empty()) return;
    wi::unique_hfile file(::CreateFileW(state_->path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::string bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart == 0) bytes = "\xEF\xBB\xBF";
    bytes += state_->scramble ? ScrambleLine(line) : PlainLine(line);
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::FlushFileBuffers(file.get());
}

void Logger::Write(int category, int level, const wchar_t* format, ...) {
    DWORD savedError = ::GetLastError();  // logging never disturbs the caller's error
    std::unique_ptr<wchar_t[]> message(new (std::nothrow) wchar_t[kMessageChars]());
    if (!message) return;
    va_list args;
    va_start(args, format);
    __mingw_vsnwprintf(message.get(), kMessageChars, format, args);
    va_end(args);
    message[kMessageChars - 1] = L'\0';

    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::wstring line = wi::Format(L"%02u/%02u/%02u %02u:%02u:%02u (%ld) | pid: %lu, tid: %lu | %ls | %ls | %ls\n",
                                   now.wMonth, now.wDay, now.wYear % 100, now.wHour, now.wMinute,
                                   now.wSecond, static_cast<long>(clock()), ::GetCurrentProcessId(),
                                   ::GetCurrentThreadId(), CategoryName(category), LevelName(level),
                                   message.get());
    Instance().Output(line);
    ::SetLastError(savedError);
}
