#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/MappedFile.h"
#include "support/ScratchFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

std::wstring Decode(const std::string& bytes) {
    return CMappedFile::DecodeText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// Holds a file open without any sharing for a while, on a thread of its own.
class Holder {
public:
    Holder(const std::wstring& path, DWORD holdMs) {
        handle_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        thread_ = std::thread([this, holdMs] {
            ::Sleep(holdMs);
            ::CloseHandle(handle_);
        });
    }
    ~Holder() { thread_.join(); }
    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
    std::thread thread_;
};

}  // namespace

TEST(MappedFile, StartsClosed) {
    CMappedFile file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.FileHandle());
    EXPECT_FALSE(file.HasMapping());
    EXPECT_EQ(nullptr, file.View());
    EXPECT_EQ(0u, file.FileSize());
    EXPECT_EQ(0u, file.MappedSize());
    EXPECT_EQ(0u, file.ViewAccess());
    EXPECT_EQ(0u, file.PageProtection());
    EXPECT_EQ(0u, file.ShareMode());
    file.Close();  // closing a closed object does nothing
    EXPECT_FALSE(file.IsOpen());
}

TEST(MappedFile, OpenReadOnlyMapsTheWholeFile) {
    scratch::Folder dir(L"mf");
    std::string content(100, 'q');
    content[0] = 'A';
    content[99] = 'Z';
    ASSERT_TRUE(scratch::WriteBytes(dir / L"f.bin", content));

    CMappedFile file;
    EXPECT_EQ(0, file.Open(dir / L"f.bin", GENERIC_READ, OPEN_EXISTING, false, false));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(100u, file.FileSize());
    EXPECT_EQ(100u, file.MappedSize());
    ASSERT_NE(nullptr, file.View());
    EXPECT_EQ(0, std::memcmp(file.View(), content.data(), 100));
    EXPECT_EQ(static_cast<DWORD>(FILE_MAP_READ), file.ViewAccess());
    EXPECT_EQ(static_cast<DWORD>(PAGE_READONLY), file.PageProtection());
    EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ), file.ShareMode());

    // Read-only opens share reading with other readers.
    CMappedFile second;
    EXPECT_EQ(0, second.Open(dir / L"f.bin", GENERIC_READ, OPEN_EXISTING, false, false));

    // Already open: 2, nothing changes.
    EXPECT_EQ(2, file.Open(dir / L"f.bin", GENERIC_READ, OPEN_EXISTING, false, false));
    EXPECT_EQ(100u, file.FileSize());

    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(nullptr, file.View());
    EXPECT_EQ(0u, file.FileSize());
    EXPECT_EQ(0u, file.MappedSize());
    EXPECT_EQ(0u, file.ViewAccess());
    file.Close();
}

TEST(MappedFile, AnEmptyFileIsOpenWithoutAView) {
    scratch::Folder dir(L"mf");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"empty", ""));
    CMappedFile file;
    EXPECT_EQ(0, file.Open(dir / L"empty", GENERIC_READ, OPEN_EXISTING, false, false));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_FALSE(file.HasMapping());
    EXPECT_EQ(nullptr, file.View());
    EXPECT_EQ(0u, file.MappedSize());
}

TEST(MappedFile, AccessIsWidened) {
    scratch::Folder dir(L"mf");
    struct Case {
        DWORD access;
        bool readWrite;
        DWORD viewAccess;
        DWORD protection;
        DWORD share;
    } cases[] = {
        {GENERIC_READ, false, FILE_MAP_READ, PAGE_READONLY, FILE_SHARE_READ},
        {GENERIC_WRITE, false, FILE_MAP_ALL_ACCESS, PAGE_READWRITE, 0},  // write brings read
        {GENERIC_READ | GENERIC_WRITE, false, FILE_MAP_ALL_ACCESS, PAGE_READWRITE, 0},
        {GENERIC_READ, true, FILE_MAP_ALL_ACCESS, PAGE_READWRITE, 0},    // the flag asks for both
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(scratch::WriteBytes(dir / L"w.bin", "0123456789"));
        CMappedFile file;
        EXPECT_EQ(0, file.Open(dir / L"w.bin", c.access, OPEN_EXISTING, c.readWrite, false));
        EXPECT_EQ(c.viewAccess, file.ViewAccess()) << c.access;
        EXPECT_EQ(c.protection, file.PageProtection()) << c.access;
        EXPECT_EQ(c.share, file.ShareMode()) << c.access;
        EXPECT_EQ(10u, file.MappedSize());
        if (c.share == 0) {
            // No other opener gets in while it is open.
            HANDLE other = ::CreateFileW((dir / L"w.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_EQ(INVALID_HANDLE_VALUE, other);
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
            if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
        }
    }
}

TEST(MappedFile, OpenAlwaysCreatesAMissingFile) {
    scratch::Folder dir(L"mf");
    CMappedFile file;
    EXPECT_EQ(0, file.Open(dir / L"new.txt", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true));
    EXPECT_TRUE(scratch::Exists(dir / L"new.txt"));
    EXPECT_EQ(0u, file.FileSize());
}

TEST(MappedFile, AMissingFileFailsAtOnce) {
    scratch::Folder dir(L"mf");
    CMappedFile file;
    auto start = Clock::now();
    EXPECT_EQ(1, file.Open(dir / L"missing", GENERIC_READ, OPEN_EXISTING, false, true));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    EXPECT_LT(MsSince(start), 500);
    EXPECT_FALSE(file.IsOpen());
}

// Opening a folder as a file is refused with access-denied (read-only file
// attributes are no use here: the tests may run as root, which Wine lets write).
TEST(MappedFile, AccessDeniedFailsAtOnceWithoutTheRetryFlag) {
    scratch::Folder dir(L"mf");
    const std::wstring path = dir / L"folder";
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    CMappedFile file;
    auto start = Clock::now();
    EXPECT_EQ(1, file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, true, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_LT(MsSince(start), 500);
}

TEST(MappedFile, AccessDeniedIsRetriedWithTheRetryFlag) {
    scratch::Folder dir(L"mf");
    const std::wstring path = dir / L"becomes_a_file";
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    std::thread replace([&] {
        ::Sleep(1500);
        ::RemoveDirectoryW(path.c_str());
        scratch::WriteBytes(path, "now a file");
    });
    CMappedFile file;
    auto start = Clock::now();
    int result = file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, true, true);
    long long waited = MsSince(start);
    replace.join();
    EXPECT_EQ(0, result);
    EXPECT_GE(waited, 1500);
    EXPECT_LT(waited, 4000);  // retries 1 s apart
    EXPECT_EQ(10u, file.FileSize());
}

TEST(MappedFile, ASharingViolationIsRetriedUntilTheFileIsFree) {
    scratch::Folder dir(L"mf");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"held.txt", "x"));
    Holder holder(dir / L"held.txt", 1500);
    ASSERT_TRUE(holder.Held());
    CMappedFile file;
    auto start = Clock::now();
    // Without the retry flag too: a sharing violation always waits.
    EXPECT_EQ(0, file.Open(dir / L"held.txt", GENERIC_READ, OPEN_EXISTING, false, false));
    long long waited = MsSince(start);
    EXPECT_GE(waited, 1500);
    EXPECT_LT(waited, 4000);
}

TEST(MappedFile, AFileHeldLongerThanTenSecondsFails) {
    scratch::Folder dir(L"mf");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"held.txt", "x"));
    Holder holder(dir / L"held.txt", 15000);  // well past the ten retries
    ASSERT_TRUE(holder.Held());
    CMappedFile file;
    auto start = Clock::now();
    EXPECT_EQ(1, file.Open(dir / L"held.txt", GENERIC_READ, OPEN_EXISTING, false, false));
    long long waited = MsSince(start);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
    EXPECT_GE(waited, 10000);  // ten retries, 1 s apart
    EXPECT_LT(waited, 14000);
}

TEST(MappedFile, ReadBinaricFile) {
    scratch::Folder dir(L"mf");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"b.bin", std::string("\x01\x02\x00\x04\x05", 5)));
    char buffer[16] = {};
    DWORD read = 99;
    std::wstring error;

    CMappedFile file;
    EXPECT_FALSE(file.ReadBinaricFile(buffer, sizeof buffer, &read, error));
    EXPECT_EQ(L"ReadBinaricFile_map_error", error);

    error.clear();
    ASSERT_EQ(0, file.Open(dir / L"b.bin", GENERIC_READ, OPEN_EXISTING, false, false));
    EXPECT_TRUE(file.ReadBinaricFile(buffer, 3, &read, error));
    EXPECT_EQ(3u, read);
    EXPECT_EQ(std::string("\x01\x02\x00", 3), std::string(buffer, 3));
    // From the current position on; at the end, zero bytes.
    EXPECT_TRUE(file.ReadBinaricFile(buffer, sizeof buffer, &read, error));
    EXPECT_EQ(2u, read);
    EXPECT_EQ(std::string("\x04\x05"), std::string(buffer, 2));
    EXPECT_TRUE(file.ReadBinaricFile(buffer, sizeof buffer, &read, error));
    EXPECT_EQ(0u, read);
    EXPECT_TRUE(error.empty());
}

TEST(MappedFile, DecodeText) {
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {Bytes({0xFF, 0xFE, 'A', 0, 'B', 0}), L"AB"},               // UTF-16LE
        {Bytes({0xFE, 0xFF, 0, 'A', 0, 'B'}), L"AB"},               // UTF-16BE
        {Bytes({0xEF, 0xBB, 0xBF, 'A', 'B'}), L"AB"},               // UTF-8 with BOM
        {"AB", L"AB"},                                              // UTF-8 without
        {Bytes({0xFF, 0xFE, 0xAC, 0x20}), L"\u20AC"},               // euro sign, UTF-16LE
        {Bytes({0xFE, 0xFF, 0x20, 0xAC}), L"\u20AC"},               // the same, UTF-16BE
        {Bytes({0xE2, 0x82, 0xAC, 'x'}), L"\u20ACx"},               // the same, UTF-8
        {Bytes({0xFF, 0xFE, 'A', 0, 0, 0, 'B', 0}), L"A"},          // ends at the first NUL unit
        {Bytes({'A', 0, 'B'}), L"A"},                               // ends at the first NUL byte
        {Bytes({'q', 0, 'a', 0}), L"qa"},                           // UTF-16LE as WriteText stores it
        {Bytes({'A', 0, 'B', 'C'}), L"A\u4342"},                     // even and c 0 first: UTF-16LE
        {Bytes({0xFF, 0xFE, 'A', 0, 'B'}), L"AB"},                  // odd byte meets the added zeros
        {Bytes({0xFF, 0xFE}), L""},                                 // only a byte-order mark
        {Bytes({0xFE, 0xFF}), L""},
        {Bytes({0xEF, 0xBB, 0xBF}), L""},
        {"A", L"A"},                                                // one byte
        {"", L""},
    };
    for (const Case& c : cases) {
        // Invalid UTF-8 is the only case where the ANSI code page matters (below).
        EXPECT_EQ(c.text, Decode(c.bytes)) << c.bytes.size() << " bytes";
    }

    // Not valid UTF-8: the system ANSI code page decodes it (also the first two
    // bytes of a UTF-8 mark without the third).
    for (const std::string& ansi : {Bytes({'c', 'a', 'f', 0xE9}), Bytes({0xEF, 0xBB})}) {
        wchar_t expected[8] = {};
        int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), expected, 8);
        EXPECT_EQ(std::wstring(expected, n), Decode(ansi));
    }
}

TEST(MappedFile, ReadTextFile) {
    scratch::Folder dir(L"mf");
    struct Case {
        const wchar_t* name;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {L"be.txt", Bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42}), L"AB"},
        {L"le.txt", Bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}), L"AB"},
        {L"utf8bom.txt", Bytes({0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 't', 0xC3, 0xA9}), L"\u00E9t\u00E9"},
        {L"utf8.txt", Bytes({0xC3, 0xA9, 't', 0xC3, 0xA9}), L"\u00E9t\u00E9"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(scratch::WriteBytes(dir / c.name, c.bytes));
        CMappedFile file;
        std::wstring text;
        std::wstring error = L"stale";
        EXPECT_TRUE(file.ReadTextFile(dir / c.name, text, error)) << c.name;
        EXPECT_EQ(c.text, text) << c.name;
        EXPECT_TRUE(error.empty()) << c.name;
    }
}

TEST(MappedFile, ReadTextFileErrors) {
    scratch::Folder dir(L"mf");
    std::wstring text;
    std::wstring error;
    {
        CMappedFile file;
        EXPECT_FALSE(file.ReadTextFile(dir / L"missing.txt", text, error));
        EXPECT_EQ(L"openFileError_1_2", error);
    }
    {
        ASSERT_TRUE(scratch::WriteBytes(dir / L"a.txt", "a"));
        CMappedFile file;
        ASSERT_EQ(0, file.Open(dir / L"a.txt", GENERIC_READ, OPEN_EXISTING, false, false));
        EXPECT_FALSE(file.ReadTextFile(dir / L"a.txt", text, error));  // already open
        EXPECT_EQ(0u, error.rfind(L"openFileError_2_", 0)) << error;
    }
    const wchar_t* empties[] = {L"empty.txt", L"bomonly.txt"};
    ASSERT_TRUE(scratch::WriteBytes(dir / empties[0], ""));
    ASSERT_TRUE(scratch::WriteBytes(dir / empties[1], Bytes({0xFF, 0xFE})));
    for (const wchar_t* name : empties) {
        CMappedFile file;
        EXPECT_FALSE(file.ReadTextFile(dir / name, text, error)) << name;
        EXPECT_EQ(0u, error.rfind(L"emptyFile_", 0)) << error;
        EXPECT_TRUE(text.empty());
    }
}

TEST(MappedFile, WriteTextReplacesTheContent) {
    scratch::Folder dir(L"mf");
    const std::wstring path = dir / L"w.txt";
    ASSERT_TRUE(scratch::WriteBytes(path, std::string(100, 'x')));
    {
        CMappedFile file;
        ASSERT_EQ(0, file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true));
        ASSERT_NE(nullptr, file.View());
        EXPECT_TRUE(file.WriteText(L"ab"));
        EXPECT_EQ(nullptr, file.View());  // the old view is gone
        EXPECT_EQ(0u, file.MappedSize());
    }
    EXPECT_EQ(Bytes({0x61, 0x00, 0x62, 0x00}), scratch::ReadBytes(path));

    // An empty text is refused and leaves the file as it was.
    ASSERT_TRUE(scratch::WriteBytes(path, std::string(100, 'x')));
    {
        CMappedFile file;
        ASSERT_EQ(0, file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true));
        EXPECT_FALSE(file.WriteText(L""));
    }
    EXPECT_EQ(std::string(100, 'x'), scratch::ReadBytes(path));
}

TEST(MappedFile, WriteTextGrowsANewFile) {
    scratch::Folder dir(L"mf");
    const std::wstring path = dir / L"new.txt";
    {
        CMappedFile file;
        ASSERT_EQ(0, file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true));
        EXPECT_TRUE(file.WriteText(L"h\u00E9\u20AC"));
        // Twice in a row: the second text replaces the first.
        EXPECT_TRUE(file.WriteText(L"ok"));
    }
    EXPECT_EQ(Bytes({'o', 0, 'k', 0}), scratch::ReadBytes(path));

    {
        CMappedFile file;
        ASSERT_EQ(0, file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true));
        EXPECT_TRUE(file.WriteText(L"h\u00E9\u20AC"));
    }
    EXPECT_EQ(Bytes({'h', 0, 0xE9, 0, 0xAC, 0x20}), scratch::ReadBytes(path));
}

TEST(MappedFile, WriteTextNeedsAWritableOpenFile) {
    scratch::Folder dir(L"mf");
    CMappedFile closed;
    EXPECT_FALSE(closed.WriteText(L"ab"));

    ASSERT_TRUE(scratch::WriteBytes(dir / L"r.txt", "old"));
    CMappedFile readOnly;
    ASSERT_EQ(0, readOnly.Open(dir / L"r.txt", GENERIC_READ, OPEN_EXISTING, false, false));
    EXPECT_FALSE(readOnly.WriteText(L"ab"));
    readOnly.Close();
    EXPECT_EQ("old", scratch::ReadBytes(dir / L"r.txt"));
}
