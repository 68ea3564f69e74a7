#include "platform/Text.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace wi {

namespace {

std::wstring MultiByteToWide(UINT codePage, DWORD flags, const std::string& text, bool* ok) {
    if (ok) *ok = true;
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) {
        if (ok) *ok = false;
        return std::wstring();
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToMultiByte(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                          nullptr);
    return out;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& utf8, bool* ok) {
    return MultiByteToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
}

std::string WideToUtf8(const std::wstring& wide) { return WideToMultiByte(CP_UTF8, wide); }

std::wstring AnsiToWide(const std::string& ansi) { return MultiByteToWide(CP_ACP, 0, ansi, nullptr); }

std::string WideToAnsi(const std::wstring& wide) { return WideToMultiByte(CP_ACP, wide); }

std::wstring Format(const wchar_t* format, ...) {
    // vswprintf reports "too small" without the needed size: grow until it fits.
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = vswprintf(buf.data(), buf.size(), format, args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), static_cast<size_t>(n));
        if (buf.size() >= (64u << 20)) return std::wstring();
        buf.resize(buf.size() * 4);
    }
}

std::string FormatA(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        vsnprintf(buf.data(), buf.size(), format, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& find, const std::wstring& replacement) {
    if (find.empty()) return text;
    size_t pos = 0;
    while ((pos = text.find(find, pos)) != std::wstring::npos) {
        text.replace(pos, find.size(), replacement);
        pos += replacement.size();
    }
    return text;
}

}  // namespace wi
