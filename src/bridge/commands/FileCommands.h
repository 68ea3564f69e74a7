#pragma once
// The file commands: read a text file (40), copy a file (25), write a text
// file (21) and ask whether a file exists (37). Reading and copying run in a
// worker ("readFileThread", "copyFileThread") when the request names a
// callback id. The folder commands are in FolderCommands.h.
//
// The answers and result objects, as plain functions.
#include <json/json.h>

#include <memory>
#include <string>

namespace bridge {

// Command 25's answer: `result` false exactly when the error is not empty;
// paths in the error appear with forward slashes.
std::wstring FileCopyAnswer(const std::wstring& error);

// The error of a failed copy: "<source>_<folder>_<name>_<copy error>".
std::wstring CopyErrorText(const std::wstring& source, const std::wstring& folder, const std::wstring& name,
                           const std::wstring& copyError);

// Result objects of the two workers (texts in UTF-8).
std::unique_ptr<Json::Value> ReadFileResult(const std::wstring& error, const std::wstring& content);
std::unique_ptr<Json::Value> CopyFileResult(const std::wstring& error);

// The file that command 21 writes: "<folder>\<name>.txt".
std::wstring TextFilePath(const std::wstring& folder, const std::wstring& name);

}  // namespace bridge
