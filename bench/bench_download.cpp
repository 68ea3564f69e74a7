// Download benchmark driver: one transfer to a file, set up as the download
// command sets it up (progress every 5 %, a cancel event), timed.
//
//   bench_download.exe <url> <outfile>      (a Linux path is taken as Z:<path>)
//
// Prints "ok=<0|1> bytes=<file size> elapsed_ms=<ms> reports=<n>"; exit code 0
// when the transfer succeeded.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/HostPath.h"
#include "transfer/Download.h"

namespace {

void PrintFailure(const std::wstring& text) { std::fwprintf(stderr, L"failure: %ls\n", text.c_str()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: bench_download <url> <outfile>\n");
        return 2;
    }
    Tools::SetDownloadErrorSink(&PrintFailure);  // no statistics server here
    HANDLE cancel = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int reports = 0;
    Tools::DownloadRequest request;
    request.url = argv[1];
    request.outputFile = HostPath(argv[2]);
    request.cancelEvent = cancel;
    request.progressId = 1;
    request.progressStep = 5;
    request.progressCallback = [&reports](int, int, const std::wstring&, unsigned int) { ++reports; };

    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    Tools::DownloadResult result = Tools::Download(request);
    ::QueryPerformanceCounter(&end);
    ::CloseHandle(cancel);

    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    unsigned long long bytes = 0;
    if (::GetFileAttributesExW(request.outputFile.c_str(), GetFileExInfoStandard, &attributes))
        bytes = (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    std::wprintf(L"ok=%d bytes=%llu elapsed_ms=%.1f reports=%d\n", result.ok ? 1 : 0, bytes, ms, reports);
    return result.ok ? 0 : 1;
}
