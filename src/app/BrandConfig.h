#pragma once
// Decisions of the brand configuration, as plain functions.
#include <json/json.h>

#include <string>

#include "app/Application.h"

namespace brand {

// Result of reading the configuration text.
struct Settings {
    bool debug = false;
    QaSettings qa;
    BrandValues values;
    // Names of brand values that were present but not strings (stored empty).
    std::wstring nonStringKeys;
};

// Defaults of the QA texts (the find texts of the substitutions).
QaSettings DefaultQaSettings();

// Parses `text` (UTF-8 JSON) and decides debug mode, the QA mode and the brand
// values; false when the text does not parse or its root is null.
bool Parse(const std::string& utf8Text, const std::wstring& commandLine, Settings* out);

// Substitution of find text `find` by `replacement` in `text`: the whole text
// when equal; otherwise every occurrence, unless the text starts with it.
std::wstring QaSubstitute(const std::wstring& text, const std::wstring& find, const std::wstring& replacement);

}  // namespace brand
