#pragma once
// Shared by the extraction tests: where the test archives are (made at build
// time by tests/support/make-extract-fixtures.sh) and how to compare trees.
#include <windows.h>

#include <map>
#include <string>

#include "support/HostPath.h"
#include "support/ScratchFolder.h"

namespace extract_test {

inline std::wstring FixtureDir() { return HostPath(std::wstring(TEST_BINARY_DIR) + L"/tests/fixtures/extract/"); }
inline std::wstring Fixture(const wchar_t* name) { return FixtureDir() + name; }
inline std::wstring SourceTree() { return FixtureDir() + L"source\\"; }

// The password the encrypted test archives were made with.
inline std::wstring Password() {
    std::string line = scratch::ReadBytes(Fixture(L"password.txt"));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return std::wstring(line.begin(), line.end());
}

// Relative path -> content ("<dir>" for folders) of a whole tree.
inline void Collect(const std::wstring& root, const std::wstring& relative, std::map<std::wstring, std::string>& out) {
    for (const std::wstring& name : scratch::List(root + relative)) {
        std::wstring child = relative + name;
        if (scratch::IsFolder(root + child)) {
            out[child] = "<dir>";
            Collect(root, child + L"\\", out);
        } else {
            out[child] = scratch::ReadBytes(root + child);
        }
    }
}

inline std::map<std::wstring, std::string> Tree(const std::wstring& root) {
    std::map<std::wstring, std::string> out;
    Collect(root, L"", out);
    return out;
}

}  // namespace extract_test
