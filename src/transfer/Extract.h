#pragma once
// 7z extraction: unpacks one archive into a folder with 7-Zip's archive code,
// synchronously on the calling thread.
#include <windows.h>

#include <string>

// Tools is a group of free operations shared by the transfer code (the HTTP
// download lives in transfer/Download.h); it is a namespace so that each part
// can add its operations in its own header.
namespace Tools {

// Unpacks archivePath into outputFolder (created with its parents when missing),
// with full paths, replacing existing files. password may be empty. True on
// success; a failure is logged and sent as one statistics error event.
bool Extract(const std::wstring& archivePath, const std::wstring& outputFolder, const std::wstring& password);

// The text of the statistics error event of a failed extraction.
std::wstring ExtractErrorEventText(const std::wstring& archivePath, const std::wstring& errorText);

// Where the statistics error event of a failed extraction goes (by default
// CSendStats::SendErrorEvent). Tests replace it; returns the previous one.
using ExtractErrorReporter = void (*)(const std::wstring& eventType, const std::wstring& text);
ExtractErrorReporter SetExtractErrorReporter(ExtractErrorReporter reporter);

}  // namespace Tools

// Result codes of Extract7zArchive besides 0 (success), 1..3 (the item result:
// unsupported method, data error, checksum error) and the library's HRESULTs.
constexpr HRESULT kExtractIncorrectPassword = 10002;   // an encrypted item failed: "incorrectPassword"
constexpr HRESULT kExtractTextCopyFailed = 8;          // the text of an exception could not be copied
constexpr size_t kExtractErrorTextMaxChars = 500;

// Runs the extraction and turns its outcome into a result code. When an error
// text comes up and errorText is given, it receives the first 500 characters.
// Never throws: the library's exceptions are caught here.
HRESULT Extract7zArchive(const std::wstring& archivePath, const std::wstring& outputFolder,
                         const std::wstring& password, std::wstring* errorText);

// Called inside a catch block of the extraction: turns the exception being
// handled into the result (E_FAIL; 8 when the text cannot be copied). Text
// exceptions (7-Zip's UString / AString, wide and narrow C texts,
// std::exception) give their text and set isText; others give no text.
HRESULT ExtractExceptionResult(std::wstring& text, bool& isText) noexcept;
