#pragma once
// Answers of the script call. JSON answers are filled from fixed templates
// whose spacing is kept as it is; text values are JSON-escaped on the way in
// (quote, backslash, control characters), so every answer is valid JSON.
// Handlers whose answers show paths with forward slashes use
// Slashes::Forward: the text values' backslashes become forward slashes first
// and are escaped after that.
#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <string>

namespace bridge {

class AnswerValue {
public:
    // A text placed between the template's quotes: escaped.
    static AnswerValue Text(const std::wstring& text);
    // Inserted as it is: a JSON text of the program's own (an object, null).
    static AnswerValue Raw(const std::wstring& json);
    static AnswerValue Number(long long number);
    static AnswerValue Bool(bool value);  // the words true and false

    const std::wstring& Value() const { return value_; }
    bool IsText() const { return text_; }

private:
    AnswerValue(std::wstring value, bool text) : value_(std::move(value)), text_(text) {}
    std::wstring value_;
    bool text_;
};

enum class Slashes { Keep, Forward };

// Fills the template's conversions (%s, %ls, %d, %u, %i; "%%" is a percent
// sign) with the values in order. A conversion without a value stays empty.
std::wstring FillAnswer(const wchar_t* format, std::initializer_list<AnswerValue> values,
                        Slashes slashes = Slashes::Keep);

// JSON string escaping of a text (without the enclosing quotes).
std::wstring EscapeJsonText(const std::wstring& text);

// The script call's result. Each setter does nothing without a result place.
void SetAnswerText(VARIANT* answer, const std::wstring& text);  // VT_BSTR
void SetAnswerBool(VARIANT* answer, bool value);                 // VT_BOOL
void SetAnswerNumber(VARIANT* answer, int value);                // VT_I4
void SetAnswerNull(VARIANT* answer);                             // VT_NULL

}  // namespace bridge
