#pragma once
// Statistics events: one HTTP GET per event to the pixel server, each sent
// from a detached thread of its own; nobody waits for it.
#include <windows.h>

#include <string>

class CSendStats {
public:
    // The start event, sent to the brand's stats_url.
    static void SendEvent(const std::wstring& eventType);
    // An event with an error text, sent to the brand's error_url.
    static void SendErrorEvent(const std::wstring& eventType, const std::wstring& errorText);
    // "error" with "%s_%s" of token and detail.
    static void SendError(const std::wstring& token, const std::wstring& detail);
    // "error" with "%s_%d" of token and number.
    static void SendErrorCode(const std::wstring& token, int number);
    // "error" with the token and LastErrorName(), read at once.
    static void SendLastError(const std::wstring& token);
    // Forms base + query and starts the request thread.
    static void SendToPixelServer(const std::wstring& base, const std::wstring& query);
    // Waits at most maxMs for requests still being sent; true when none is
    // left. The end of the run uses it so that its last events (a failure
    // event comes right before the quit) are not lost with the process.
    static bool WaitForPending(DWORD maxMs);
};
