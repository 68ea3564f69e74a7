// Extraction benchmark driver: bench_extract.exe <archive> <outdir> <password>
// Runs Tools::Extract once (an empty password argument means none) and prints
// the elapsed wall-clock time and the CPU time of the process (all threads).
// Exit code 0 on success, 1 on failure, 2 on usage.
#include <windows.h>

#include <cstdio>
#include <string>

#include "transfer/Extract.h"

namespace {

double CpuMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;  // 100 ns units
}

// No statistics request from a benchmark: the failure goes to stderr.
void PrintError(const std::wstring& type, const std::wstring& text) {
    std::fwprintf(stderr, L"%ls: %ls\n", type.c_str(), text.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fwprintf(stderr, L"usage: bench_extract.exe <archive> <outdir> <password>\n");
        return 2;
    }
    Tools::SetExtractErrorReporter(&PrintError);

    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    bool ok = Tools::Extract(argv[1], argv[2], argv[3]);
    ::QueryPerformanceCounter(&end);

    double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    FILETIME created, exited, kernel, user;
    double userMs = 0;
    double kernelMs = 0;
    if (::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        userMs = CpuMs(user);
        kernelMs = CpuMs(kernel);
    }
    std::printf("extract_ms=%.0f result=%s user_ms=%.0f kernel_ms=%.0f\n", ms, ok ? "success" : "fail", userMs,
                kernelMs);
    std::fflush(stdout);
    return ok ? 0 : 1;
}
