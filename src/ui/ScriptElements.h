#pragma once
// The script elements of an HTML page, in document order, for the script page
// engine: inline text and local src files. No DOM is built; comments are
// skipped and elements of other script types (templates, JSON data) are left out.
#include <string>
#include <vector>

struct ScriptElement {
    bool external = false;  // src given: run the file instead of the text
    std::wstring src;
    std::wstring text;
    unsigned line = 0;  // zero-based line of the text's start in the page
};

std::vector<ScriptElement> ExtractScriptElements(const std::wstring& html);

// The file a relative src names inside the page's folder (which ends with a
// backslash). Query and fragment are dropped and %XX escapes decoded. False for
// addresses with a scheme or drive, rooted paths, and paths climbing out of the folder.
bool ResolveScriptSource(const std::wstring& folder, const std::wstring& src, std::wstring* path);

// Text of a script or page file: UTF-8 (with or without its mark) or UTF-16
// with its mark; bytes that are not UTF-8 are read in the ANSI code page.
std::wstring DecodeScriptFile(const std::string& bytes);
