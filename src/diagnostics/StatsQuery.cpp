#include "diagnostics/StatsQuery.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "diagnostics/Base64.h"
#include "platform/Text.h"

namespace {

const size_t kEscapePiece = 2084;

bool EscapePiece(const std::wstring& piece, std::wstring* out) {
    const DWORD flags = URL_ESCAPE_SEGMENT_ONLY | URL_ESCAPE_PERCENT;
    wchar_t probe[1] = {};
    DWORD needed = 1;
    if (::UrlEscapeW(piece.c_str(), probe, &needed, flags) != E_POINTER) return false;
    std::vector<wchar_t> buffer(needed + 1);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (FAILED(::UrlEscapeW(piece.c_str(), buffer.data(), &size, flags))) return false;
    *out = buffer.data();
    return true;
}

}  // namespace

std::wstring EscapeErrorText(const std::wstring& text) {
    if (text.empty()) return std::wstring();
    std::wstring escaped;
    for (size_t pos = 0; pos < text.size(); pos += kEscapePiece) {
        std::wstring piece;
        if (!EscapePiece(text.substr(pos, kEscapePiece), &piece)) return L"error_text=" + text;
        escaped += piece;
    }
    escaped = wi::ReplaceAll(escaped, L"+", L"%2B");
    escaped = wi::ReplaceAll(escaped, L"=", L"%3D");
    return L"error_text=" + escaped;
}

std::wstring BuildStatsQuery(const std::wstring& eventType, const std::wstring* errorText, const StatsFacts& f) {
    std::wstring prefix = f.runMode == 1 || f.runMode == 2 ? L"uninstall_" : L"";
    std::wstring q = L"event_type=" + prefix + eventType;
    if (errorText) q += L"&" + EscapeErrorText(*errorText);
    q += wi::Format(L"&os=%ls_%ls", f.osName.c_str(), f.is64 ? L"64bit" : L"32bit");
    q += wi::Format(L"&os_lang=%d", f.osLang);
    q += L"&ie_ver=" + f.ieVersion;
    q += L"&process_id=" + f.runGuid;
    q += L"&verifier=" + f.verifier;
    q += L"&user_id=" + f.runGuid;
    q += L"&installer_ver=" + f.version;
    q += wi::Format(L"&timestamp=%llu", static_cast<unsigned long long>(f.nowMs));
    q += wi::Format(L"&adminuser=%d", f.adminUser ? 1 : 0);
    int32_t start = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(f.startTime)));
    int64_t nowSeconds = static_cast<int64_t>(f.nowMs / 1000);
    int32_t lifetime = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(nowSeconds - f.startTime)));
    q += wi::Format(L"&starttime=%d", start);
    q += wi::Format(L"&lifetime=%d", lifetime);
    return q;
}

bool EncodeStatsUrlText(std::wstring& url, bool debugMode) {
    const std::wstring marker = L"/stats.gif?";
    size_t at = url.find(marker);
    if (at == std::wstring::npos || debugMode) return false;
    std::wstring prefix = url.substr(0, at + marker.size());
    std::wstring query = url.substr(at + marker.size());
    std::string bytes = wi::WideToUtf8(query);
    if (bytes.empty() && !query.empty()) bytes = wi::WideToAnsi(query);
    std::wstring encoded = wi::AnsiToWide(Base64Encode(bytes));
    encoded = wi::ReplaceAll(encoded, L"+", L"%2B");
    encoded = wi::ReplaceAll(encoded, L"=", L"%3D");
    encoded = wi::ReplaceAll(encoded, L"/", L"%2F");
    url = prefix + L"v=2&data=" + encoded;
    return true;
}
