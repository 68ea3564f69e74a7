#pragma once
// The statistics query and its encoded form, as plain functions.
#include <cstdint>
#include <string>

struct StatsFacts {
    int runMode = 0;
    std::wstring osName;  // SystemInfo::GetOSName
    bool is64 = false;
    int osLang = 0;
    std::wstring ieVersion;
    std::wstring runGuid;
    std::wstring verifier;
    std::wstring version;
    uint64_t nowMs = 0;  // milliseconds since 1970-01-01 UTC
    bool adminUser = false;
    int64_t startTime = 0;  // seconds since 1970-01-01 UTC, 0 before the run started
};

// The thirteen parameters (twelve without an error text) joined by "&".
std::wstring BuildStatsQuery(const std::wstring& eventType, const std::wstring* errorText, const StatsFacts& facts);

// "error_text=" and the escaped text: URL-escaped in pieces of at most 2,084
// characters, then "+" -> "%2B" and "=" -> "%3D".
std::wstring EscapeErrorText(const std::wstring& text);

// Packs the query after "/stats.gif?" into "v=2&data=" + escaped Base64.
// Unchanged (false) without "/stats.gif?" or in debug mode.
bool EncodeStatsUrlText(std::wstring& url, bool debugMode);
