#include "ui/ScriptElements.h"

#include <algorithm>
#include <cwctype>

#include "platform/Text.h"

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = text.find_first_not_of(L" \t\r\n\f");
    if (begin == std::wstring::npos) return std::wstring();
    size_t end = text.find_last_not_of(L" \t\r\n\f");
    return text.substr(begin, end - begin + 1);
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }

// Attributes of a start tag from `pos` (just after the tag name) to its '>'.
// Returns the position after the '>' (or the end of the text).
size_t ReadAttributes(const std::wstring& html, size_t pos, std::vector<std::pair<std::wstring, std::wstring>>* out) {
    const size_t n = html.size();
    while (pos < n) {
        while (pos < n && (IsSpace(html[pos]) || html[pos] == L'/')) ++pos;
        if (pos >= n) return n;
        if (html[pos] == L'>') return pos + 1;
        size_t nameStart = pos;
        while (pos < n && !IsSpace(html[pos]) && html[pos] != L'=' && html[pos] != L'>' && html[pos] != L'/') ++pos;
        std::wstring name = Lower(html.substr(nameStart, pos - nameStart));
        while (pos < n && IsSpace(html[pos])) ++pos;
        std::wstring value;
        if (pos < n && html[pos] == L'=') {
            ++pos;
            while (pos < n && IsSpace(html[pos])) ++pos;
            if (pos < n && (html[pos] == L'"' || html[pos] == L'\'')) {
                wchar_t quote = html[pos++];
                size_t end = html.find(quote, pos);
                if (end == std::wstring::npos) end = n;
                value = html.substr(pos, end - pos);
                pos = end < n ? end + 1 : n;
            } else {
                size_t start = pos;
                while (pos < n && !IsSpace(html[pos]) && html[pos] != L'>') ++pos;
                value = html.substr(start, pos - start);
            }
        }
        if (!name.empty()) out->emplace_back(name, wi::ReplaceAll(value, L"&amp;", L"&"));
    }
    return n;
}

bool IsScriptType(const std::wstring& type, const std::wstring& language) {
    std::wstring t = Lower(Trim(type));
    if (!t.empty()) {
        t = Trim(t.substr(0, t.find(L';')));
        static const wchar_t* const kTypes[] = {L"text/javascript", L"application/javascript", L"text/jscript",
                                                L"text/ecmascript", L"application/ecmascript",
                                                L"application/x-javascript"};
        return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const wchar_t* k) { return t == k; });
    }
    std::wstring l = Lower(Trim(language));
    return l.empty() || l.find(L"javascript") != std::wstring::npos || l.find(L"jscript") != std::wstring::npos ||
           l.find(L"ecmascript") != std::wstring::npos;
}

}  // namespace

std::vector<ScriptElement> ExtractScriptElements(const std::wstring& html) {
    std::vector<ScriptElement> elements;
    const std::wstring lower = Lower(html);
    const size_t n = html.size();
    size_t pos = 0;
    while (pos < n) {
        size_t open = lower.find(L'<', pos);
        if (open == std::wstring::npos) break;
        if (lower.compare(open, 4, L"<!--") == 0) {
            size_t end = lower.find(L"-->", open + 4);
            pos = end == std::wstring::npos ? n : end + 3;
            continue;
        }
        if (lower.compare(open, 7, L"<script") != 0 ||
            (open + 7 < n && !IsSpace(lower[open + 7]) && lower[open + 7] != L'>' && lower[open + 7] != L'/')) {
            pos = open + 1;
            continue;
        }
        std::vector<std::pair<std::wstring, std::wstring>> attributes;
        size_t textStart = ReadAttributes(html, open + 7, &attributes);
        size_t close = lower.find(L"</script", textStart);
        size_t textEnd = close == std::wstring::npos ? n : close;
        size_t after = close == std::wstring::npos ? n : lower.find(L'>', close);
        pos = after == std::wstring::npos ? n : after + 1;

        ScriptElement element;
        std::wstring type, language;
        for (const auto& attribute : attributes) {
            if (attribute.first == L"src") {
                element.external = true;
                element.src = Trim(attribute.second);
            } else if (attribute.first == L"type") {
                type = attribute.second;
            } else if (attribute.first == L"language") {
                language = attribute.second;
            }
        }
        if (!IsScriptType(type, language)) continue;
        if (!element.external) element.text = html.substr(textStart, textEnd - textStart);
        element.line = static_cast<unsigned>(std::count(html.begin(), html.begin() + textStart, L'\n'));
        elements.push_back(element);
    }
    return elements;
}

bool ResolveScriptSource(const std::wstring& folder, const std::wstring& src, std::wstring* path) {
    std::wstring address = src.substr(0, src.find_first_of(L"?#"));
    // %XX escapes stand for UTF-8 bytes.
    std::string bytes;
    for (size_t i = 0; i < address.size(); ++i) {
        wchar_t c = address[i];
        if (c == L'%' && i + 2 < address.size() && iswxdigit(address[i + 1]) && iswxdigit(address[i + 2])) {
            bytes.push_back(static_cast<char>(std::stoi(address.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            bytes += wi::WideToUtf8(std::wstring(1, c));
        }
    }
    bool ok = true;
    std::wstring decoded = wi::Utf8ToWide(bytes, &ok);
    if (!ok || decoded.empty()) return false;
    if (decoded.find(L':') != std::wstring::npos || decoded.find(L'\0') != std::wstring::npos) return false;
    if (decoded[0] == L'/' || decoded[0] == L'\\') return false;

    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t i = 0; i <= decoded.size(); ++i) {
        if (i < decoded.size() && decoded[i] != L'/' && decoded[i] != L'\\') continue;
        std::wstring part = decoded.substr(start, i - start);
        start = i + 1;
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            if (parts.empty()) return false;
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty()) return false;
    std::wstring result = folder;
    if (!result.empty() && result.back() != L'\\') result += L'\\';
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) result += L'\\';
        result += parts[i];
    }
    *path = result;
    return true;
}

std::wstring DecodeScriptFile(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        return text;
    }
    std::string body = bytes;
    if (body.size() >= 3 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) body.erase(0, 3);
    bool ok = true;
    std::wstring text = wi::Utf8ToWide(body, &ok);
    return ok ? text : wi::AnsiToWide(body);
}
