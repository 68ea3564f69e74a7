#pragma once
// One blocking HTTP(S) GET through WinINet: the body goes to a file or comes
// back as text. Every request the program makes itself goes through here.
#include <windows.h>

#include <functional>
#include <string>

namespace Tools {

// Called on the transferring thread between two reads: the request's
// progressId, the percent (progressStep times the number of this report,
// counted from 1), the URL and the bytes received since the previous report.
using ProgressCallback =
    std::function<void(int progressId, int percent, const std::wstring& url, unsigned int amount)>;

struct DownloadRequest {
    std::wstring url;                         // absolute http:// or https:// URL
    std::wstring outputFile;                  // empty: keep the body as text
    HANDLE cancelEvent = INVALID_HANDLE_VALUE;  // owned by the caller
    std::wstring headers;                     // extra header lines, CR LF separated
    std::wstring referer;                     // empty: none
    int progressStep = 0;                     // percent per report (0: reports at 5 %, percent 0)
    int progressId = 0;                       // > 0 switches on progress and 30 s time-outs
    bool noResponseNeeded = false;            // stop once sent (statistics pixels)
    ProgressCallback progressCallback;
};

struct DownloadResult {
    std::wstring text;  // the body, when no output file was asked for
    bool ok = false;
};

// Never throws on network, HTTP or file failures; every handle is closed on
// return. A file is written under a temporary name beside the target and
// moved into place only once the whole body has arrived.
DownloadResult Download(const DownloadRequest& request);

// The text of a body kept in memory: byte order marks FF FE and FE FF give
// UTF-16 (up to the first NUL character), EF BB BF and anything else 8-bit
// text up to the first NUL byte: UTF-8, or the ANSI code page when it is not.
std::wstring DecodeTextBody(const std::string& body);

// Whether a redirect from `from` to the absolute address `to` is followed:
// only to http:// or https://, and never from https:// down to http://.
bool MayFollowRedirect(const std::wstring& from, const std::wstring& to);

// Where the statistics texts of failed transfers go. The default (null) sends
// each as an "error" event; tests install their own to see the texts.
using DownloadErrorSink = void (*)(const std::wstring& errorText);
DownloadErrorSink SetDownloadErrorSink(DownloadErrorSink sink);

}  // namespace Tools
