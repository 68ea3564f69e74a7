// Makes the Wine prefix trust the test server's CA: adds the certificate of a
// PEM file to the local machine's "Root" store (the registry store that
// crypt32 builds every chain against).
//
//   trust_test_ca.exe <ca.pem>     (a Linux path is taken as Z:<path>)
//
// Adding an existing certificate again changes nothing, so the step can run
// before every test run. Meant for the test prefix only: on Windows the same
// call needs administrator rights and would trust the test CA machine-wide.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "HostPath.h"

namespace {

bool ReadFileBytes(const std::wstring& path, std::string& out) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        out.append(buffer, read);
    ::CloseHandle(file);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: trust_test_ca <ca.pem>\n");
        return 2;
    }
    std::wstring path = HostPath(argv[1]);
    std::string pem;
    if (!ReadFileBytes(path, pem)) {
        std::fwprintf(stderr, L"cannot read %ls (%lu)\n", path.c_str(), ::GetLastError());
        return 1;
    }
    DWORD size = 0;
    if (!::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                nullptr, &size, nullptr, nullptr)) {
        std::fwprintf(stderr, L"%ls holds no PEM certificate\n", path.c_str());
        return 1;
    }
    std::vector<BYTE> der(size);
    ::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                           &size, nullptr, nullptr);

    HCERTSTORE root = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!root) {
        std::fwprintf(stderr, L"cannot open the Root store (%lu)\n", ::GetLastError());
        return 1;
    }
    BOOL added = ::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                    CERT_STORE_ADD_USE_EXISTING, nullptr);
    DWORD error = ::GetLastError();
    ::CertCloseStore(root, 0);
    if (!added) {
        std::fwprintf(stderr, L"cannot add the certificate (0x%lx)\n", error);
        return 1;
    }
    std::wprintf(L"trusted %ls\n", path.c_str());
    return 0;
}
