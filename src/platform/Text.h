#pragma once
// Text conversions and small formatting helpers shared by every layer.
#include <string>

namespace wi {

// UTF-8 <-> UTF-16. Invalid input yields an empty result (and ok=false).
std::wstring Utf8ToWide(const std::string& utf8, bool* ok = nullptr);
std::string WideToUtf8(const std::wstring& wide);
// The thread's ANSI code page (CP_ACP) <-> UTF-16.
std::wstring AnsiToWide(const std::string& ansi);
std::string WideToAnsi(const std::wstring& wide);

// printf-style formatting into a std::wstring (C99 semantics: %ls for wide args).
std::wstring Format(const wchar_t* format, ...);
std::string FormatA(const char* format, ...);

// Replaces every occurrence of `find` (non-empty) in `text`.
std::wstring ReplaceAll(std::wstring text, const std::wstring& find, const std::wstring& replacement);

// True when `text` contains `part` (case-sensitive).
inline bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

}  // namespace wi
