// set_brand.exe IN.exe OUT.exe BRAND.json: a copy of the program with another
// brand configuration (resource DATA 210, language 1033). The end-to-end tests
// point the program at the local test server, whose port is known only at
// test time.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: set_brand IN.exe OUT.exe BRAND.json\n");
        return 2;
    }
    if (!::CopyFileW(argv[1], argv[2], FALSE)) {
        std::fprintf(stderr, "set_brand: copy failed (%lu)\n", ::GetLastError());
        return 1;
    }
    FILE* in = _wfopen(argv[3], L"rb");
    if (!in) {
        std::fprintf(stderr, "set_brand: cannot read the brand file\n");
        return 1;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) text.append(buffer, n);
    std::fclose(in);
    HANDLE update = ::BeginUpdateResourceW(argv[2], FALSE);
    if (!update ||
        !::UpdateResourceW(update, L"DATA", MAKEINTRESOURCEW(210), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           text.empty() ? nullptr : &text[0], static_cast<DWORD>(text.size())) ||
        !::EndUpdateResourceW(update, FALSE)) {
        std::fprintf(stderr, "set_brand: resource update failed (%lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}
