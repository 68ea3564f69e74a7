#pragma once
// The download command (1): the decisions of its handler, as plain functions.
#include <json/json.h>

#include <functional>
#include <string>

namespace bridge {

// How many numbered forms of a taken name are tried before giving up.
constexpr int kMaxNumberedNames = 1000;

// Whether a page-given file name keeps the download inside the working
// directory: not empty, not made of dots and blanks only (".", ".." and what
// Windows trims down to them), and without "\", "/", ":" (no folders, drives
// or alternate streams) or control characters.
bool IsSafeDownloadName(const std::wstring& fileName);

// The name with " (n)" put in front of its last "." (at its end without one):
// a.b.c -> a.b (1).c, README -> README (1).
std::wstring NumberedName(const std::wstring& fileName, int n);

// The first of folder + fileName, folder + NumberedName(fileName, 1 ...
// kMaxNumberedNames) that does not exist; false when all of them exist.
bool FindFreePath(const std::wstring& folder, const std::wstring& fileName,
                  const std::function<bool(const std::wstring&)>& exists, std::wstring* path);

// The progress step of the request: an integer, unsigned integer or boolean;
// anything else, and values outside 0..100, give 0.
int ProgressStep(const Json::Value& params);

// The immediate answer; backslashes become forward slashes.
std::wstring DownloadAnswer(int threadId, const std::wstring& error);

}  // namespace bridge
