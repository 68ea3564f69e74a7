// Short names of Windows errors for error texts.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include "diagnostics/LastErrorName.h"

namespace {

TEST(LastErrorName, NamesTheConnectionErrorsAndFormatsTheRest) {
    struct Row {
        DWORD code;
        const wchar_t* name;
    };
    const Row rows[] = {
        {ERROR_INTERNET_TIMEOUT, L"The_request_has_timed_out"},
        {ERROR_INTERNET_NAME_NOT_RESOLVED, L"The_server_name_could_not_be_resolved"},
        {ERROR_INTERNET_CANNOT_CONNECT, L"The_attempt_to_connect_to_the_server_failed"},
        {ERROR_HTTP_INVALID_SERVER_RESPONSE, L"The_server_response_could_not_be_parsed"},
        // Already an HRESULT (negative): named or formatted as it is.
        {0x80072EE7, L"The_server_name_could_not_be_resolved"},
        {0x80004005, L"0x80004005"},
        {ERROR_ACCESS_DENIED, L"0x80070005"},
        {ERROR_INTERNET_SEC_CERT_DATE_INVALID, L"0x80072f05"},  // lower case, no leading zeros
        {0x00012EE2, L"The_request_has_timed_out"},             // only the low 16 bits count
        {0, L"0x0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(row.name, ErrorCodeName(row.code));
        ::SetLastError(row.code);
        EXPECT_EQ(row.name, LastErrorName());
    }
}

}  // namespace
