#include "diagnostics/LastErrorName.h"

#include "platform/Text.h"

std::wstring ErrorCodeName(DWORD code) {
    // Positive codes become HRESULTs of the Win32 facility; others stay as they are.
    LONG signedCode = static_cast<LONG>(code);
    DWORD hr = signedCode > 0 ? (0x80070000u | (code & 0xFFFFu)) : code;
    switch (hr) {
    case 0x80072EE2: return L"The_request_has_timed_out";
    case 0x80072EE7: return L"The_server_name_could_not_be_resolved";
    case 0x80072EFD: return L"The_attempt_to_connect_to_the_server_failed";
    case 0x80072F78: return L"The_server_response_could_not_be_parsed";
    default: return wi::Format(L"0x%lx", static_cast<unsigned long>(hr));
    }
}

std::wstring LastErrorName() { return ErrorCodeName(::GetLastError()); }
