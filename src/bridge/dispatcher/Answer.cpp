#include "bridge/dispatcher/Answer.h"

#include <oleauto.h>

#include "platform/Text.h"

namespace bridge {

AnswerValue AnswerValue::Text(const std::wstring& text) { return AnswerValue(text, true); }
AnswerValue AnswerValue::Raw(const std::wstring& json) { return AnswerValue(json, false); }
AnswerValue AnswerValue::Number(long long number) { return AnswerValue(std::to_wstring(number), false); }
AnswerValue AnswerValue::Bool(bool value) { return AnswerValue(value ? L"true" : L"false", false); }

std::wstring EscapeJsonText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + 8);
    for (wchar_t c : text) {
        switch (c) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\b': out += L"\\b"; break;
        case L'\f': out += L"\\f"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (c < 0x20) {
                out += wi::Format(L"\\u%04x", static_cast<unsigned>(c));
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::wstring FillAnswer(const wchar_t* format, std::initializer_list<AnswerValue> values, Slashes slashes) {
    std::wstring out;
    auto next = values.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') {
            out += *p;
            continue;
        }
        if (p[1] == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        const wchar_t* q = p + 1;
        while (*q == L'l' || *q == L'h') ++q;
        if (*q != L's' && *q != L'd' && *q != L'u' && *q != L'i') {
            out += *p;  // not a conversion of ours: kept as text
            continue;
        }
        p = q;
        if (next == values.end()) continue;
        const AnswerValue& value = *next++;
        if (!value.IsText()) {
            out += value.Value();
        } else if (slashes == Slashes::Forward) {
            out += EscapeJsonText(wi::ReplaceAll(value.Value(), L"\\", L"/"));
        } else {
            out += EscapeJsonText(value.Value());
        }
    }
    return out;
}

void SetAnswerText(VARIANT* answer, const std::wstring& text) {
    if (!answer) return;
    ::VariantClear(answer);
    answer->vt = VT_BSTR;
    answer->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!answer->bstrVal) answer->vt = VT_EMPTY;
}

void SetAnswerBool(VARIANT* answer, bool value) {
    if (!answer) return;
    ::VariantClear(answer);
    answer->vt = VT_BOOL;
    answer->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetAnswerNumber(VARIANT* answer, int value) {
    if (!answer) return;
    ::VariantClear(answer);
    answer->vt = VT_I4;
    answer->lVal = value;
}

void SetAnswerNull(VARIANT* answer) {
    if (!answer) return;
    ::VariantClear(answer);
    answer->vt = VT_NULL;
}

}  // namespace bridge
