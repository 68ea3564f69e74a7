#pragma once
// The process-wide log file. Lines are dropped until the brand configuration
// has set the path; outside debug mode each line is stored scrambled.
#include <string>

enum LogCategory {
    APPLICATION = 0,
    MAIN_WINDOW = 1,
    WB_VIEW = 2,
    SPLASH = 3,
    DISPATCHER = 4,
    DISPATCHER_HANDLER = 5,
    UTILS = 6,
};

enum LogLevel {
    DBG = 0,
    INF = 1,
    WRN = 2,
    ERR = 3,
};

class Logger {
public:
    // Key of the scrambled form; the unscramble tool (tools/) uses the same value.
    static constexpr unsigned char kScrambleKey = 0xA7;
    static constexpr size_t kMessageChars = 1024;  // 1,023 characters and the NUL

    static Logger& Instance();
    // Formats one line (C99 printf semantics: "%ls" for wide strings) and appends it.
    static void Write(int category, int level, const wchar_t* format, ...);

    void Configure(const std::wstring& path, bool scramble);
    std::wstring Path() const;
    bool Scramble() const;

    // Appends an assembled line (ending with '\n') to the file, if configured.
    void Output(const std::wstring& line);

    // Pure helpers, exposed for tests and the tools.
    static const wchar_t* CategoryName(int category);
    static const wchar_t* LevelName(int level);
    static std::string ScrambleLine(const std::wstring& line);
    static std::string PlainLine(const std::wstring& line);  // UTF-8, LF -> CR LF

private:
    Logger();
    struct State;
    State* state_;
};
