// Extraction of real 7z archives (made by 7zz at build time) with the
// program's driver: coders, passwords, overwriting, failures and their codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <thread>
#include <vector>

#include "support/LogCapture.h"
#include "transfer/Extract.h"
#include "unit/transfer/ExtractTestSupport.h"

using extract_test::Fixture;
using extract_test::Password;
using extract_test::SourceTree;
using extract_test::Tree;

namespace {

const HRESULT kNotArchive = S_FALSE;  // the library's open result for a file that is no archive
const HRESULT kDataError = 2;
const HRESULT kCrcError = 3;

struct Outcome {
    HRESULT code;
    std::wstring text;
};

Outcome Unpack(const std::wstring& archive, const std::wstring& output, const std::wstring& password) {
    Outcome outcome;
    outcome.text = L"<untouched>";
    outcome.code = Extract7zArchive(archive, output, password, &outcome.text);
    return outcome;
}

// Captures the statistics error events of Tools::Extract.
struct Reports {
    static std::mutex lock;
    static std::vector<std::pair<std::wstring, std::wstring>> events;
    static void Sink(const std::wstring& type, const std::wstring& text) {
        std::lock_guard<std::mutex> guard(lock);
        events.emplace_back(type, text);
    }
};
std::mutex Reports::lock;
std::vector<std::pair<std::wstring, std::wstring>> Reports::events;

class ReportCapture {
public:
    ReportCapture() {
        Reports::events.clear();
        previous_ = Tools::SetExtractErrorReporter(&Reports::Sink);
    }
    ~ReportCapture() { Tools::SetExtractErrorReporter(previous_); }

private:
    Tools::ExtractErrorReporter previous_;
};

}  // namespace

// Every coder combination of the fixtures reproduces the packed tree exactly:
// nested folders, an empty folder and an empty file included.
TEST(Extract, CodersReproduceTheTree) {
    const auto expected = Tree(SourceTree());
    ASSERT_EQ(10u, expected.size());
    struct Case {
        const wchar_t* archive;
        bool encrypted;
    } cases[] = {
        {L"plain.7z", false},         // LZMA
        {L"lzma2.7z", false},         // LZMA2 (the library has its decoder)
        {L"lzma_bcj.7z", false},      // BCJ x86 + LZMA
        {L"encrypted.7z", true},      // BCJ x86 + LZMA + 7zAES: the interface package form
        {L"encrypted_copy.7z", true}, // Copy + 7zAES
        {L"encrypted_headers.7z", true},  // names encrypted too
    };
    for (const Case& c : cases) {
        scratch::Folder out(L"ext");
        Outcome o = Unpack(Fixture(c.archive), out.Path(), c.encrypted ? Password() : L"");
        EXPECT_EQ(S_OK, o.code) << c.archive;
        EXPECT_EQ(L"<untouched>", o.text) << c.archive;  // no error text on success
        EXPECT_TRUE(expected == Tree(out.Path())) << c.archive;
    }
}

TEST(Extract, OutputFolderIsCreatedWithItsParents) {
    scratch::Folder base(L"ext");
    const std::wstring output = base / L"one\\two\\three";  // no final backslash either
    EXPECT_EQ(S_OK, Unpack(Fixture(L"plain.7z"), output, L"").code);
    EXPECT_EQ("alpha\r\n", scratch::ReadBytes(output + L"\\a.txt"));
    EXPECT_EQ("charlie\r\n", scratch::ReadBytes(output + L"\\nested\\deeper\\c.txt"));
}

TEST(Extract, ExistingFilesAreReplacedReadOnlyOnesToo) {
    scratch::Folder out(L"ext");
    ASSERT_TRUE(::CreateDirectoryW((out / L"nested").c_str(), nullptr));
    ASSERT_TRUE(scratch::WriteBytes(out / L"a.txt", "old read-only content, longer than the new one"));
    ASSERT_TRUE(::SetFileAttributesW((out / L"a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(scratch::WriteBytes(out / L"nested\\b.txt", "old"));
    ASSERT_TRUE(scratch::WriteBytes(out / L"unrelated.txt", "stays"));

    EXPECT_EQ(S_OK, Unpack(Fixture(L"plain.7z"), out.Path(), L"").code);
    EXPECT_EQ("alpha\r\n", scratch::ReadBytes(out / L"a.txt"));
    EXPECT_EQ("bravo\r\n", scratch::ReadBytes(out / L"nested\\b.txt"));
    EXPECT_EQ("stays", scratch::ReadBytes(out / L"unrelated.txt"));
}

// A file that cannot be replaced is a message error: the item is skipped, the
// rest is written and the extraction still succeeds.
TEST(Extract, ALockedFileIsSkipped) {
    scratch::Folder out(L"ext");
    ASSERT_TRUE(scratch::WriteBytes(out / L"a.txt", "locked"));
    HANDLE held = ::CreateFileW((out / L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Outcome o = Unpack(Fixture(L"plain.7z"), out.Path(), L"");
    ::CloseHandle(held);
    EXPECT_EQ(S_OK, o.code) << o.text;
    EXPECT_EQ("locked", scratch::ReadBytes(out / L"a.txt"));
    EXPECT_EQ("charlie\r\n", scratch::ReadBytes(out / L"nested\\deeper\\c.txt"));
}

TEST(Extract, EmptyArchive) {
    scratch::Folder base(L"ext");
    Outcome o = Unpack(Fixture(L"empty.7z"), base / L"out\\", L"");
    EXPECT_EQ(S_OK, o.code);
    EXPECT_EQ(L"<untouched>", o.text);
    EXPECT_TRUE(Tree(base / L"out\\").empty());  // nothing written
}

// Each combination of archive and password, with code and error text.
TEST(Extract, Passwords) {
    const std::wstring right = Password();
    struct Case {
        const wchar_t* archive;
        std::wstring password;
        HRESULT code;
        std::wstring text;
        bool filesWritten;
    } cases[] = {
        {L"encrypted.7z", right, S_OK, L"<untouched>", true},
        // Decrypted with the wrong (or the empty) password, LZMA meets garbage: a data
        // error in an encrypted item. (The fixture script makes sure of the data error.)
        {L"encrypted.7z", L"wrong", kExtractIncorrectPassword, L"incorrectPassword", false},
        {L"encrypted.7z", L"", kExtractIncorrectPassword, L"incorrectPassword", false},
        // The Copy method cannot tell garbage: the checksum fails, no error text.
        {L"encrypted_copy.7z", L"wrong", kCrcError, L"<untouched>", false},
        // A password nobody asks for: every file is written, and still a failure.
        {L"plain.7z", right, E_FAIL, L"passwordNotUsed", true},
        {L"plain.7z", L"", S_OK, L"<untouched>", true},
    };
    const auto expected = Tree(SourceTree());
    for (const Case& c : cases) {
        scratch::Folder out(L"ext");
        Outcome o = Unpack(Fixture(c.archive), out.Path(), c.password);
        EXPECT_EQ(c.code, o.code) << c.archive << " [" << c.password << "] " << o.text;
        EXPECT_EQ(c.text, o.text) << c.archive << " [" << c.password << "]";
        if (c.filesWritten) {
            EXPECT_TRUE(expected == Tree(out.Path())) << c.archive;
        }
    }
}

TEST(Extract, EncryptedNamesNeedThePassword) {
    for (const wchar_t* password : {L"wrong", L""}) {
        scratch::Folder out(L"ext");
        Outcome o = Unpack(Fixture(L"encrypted_headers.7z"), out.Path(), password);
        // The archive cannot be opened; the password was asked for, so no passwordNotUsed.
        EXPECT_NE(S_OK, o.code) << password;
        EXPECT_EQ(std::wstring::npos, o.text.find(L"passwordNotUsed")) << o.text;
        EXPECT_TRUE(Tree(out.Path()).empty());
    }
}

TEST(Extract, DamagedArchives) {
    struct Case {
        const wchar_t* archive;
        HRESULT code;
    } cases[] = {
        {L"damaged.7z", kDataError},   // LZMA data overwritten
        {L"truncated.7z", kNotArchive},// header missing: cannot be opened
        {L"notarchive.7z", kNotArchive},
        {L"badcrc.7z", kCrcError},     // a wrong item checksum (crafted, Copy method)
    };
    for (const Case& c : cases) {
        scratch::Folder out(L"ext");
        Outcome o = Unpack(Fixture(c.archive), out.Path(), L"");
        EXPECT_EQ(c.code, o.code) << c.archive << " " << o.text;
        EXPECT_EQ(L"<untouched>", o.text) << c.archive;
    }
}

// The first bad item stops the extraction: what came before stays, the bad item
// is on disk as written, nothing after it is written.
TEST(Extract, TheFirstBadItemStopsTheExtraction) {
    scratch::Folder out(L"ext");
    EXPECT_EQ(kCrcError, Unpack(Fixture(L"badcrc.7z"), out.Path(), L"").code);
    EXPECT_EQ("first item", scratch::ReadBytes(out / L"1_good.txt"));
    EXPECT_TRUE(scratch::Exists(out / L"2_bad.txt"));
    EXPECT_FALSE(scratch::Exists(out / L"3_never.txt"));
}

TEST(Extract, MissingArchive) {
    scratch::Folder out(L"ext");
    const std::wstring archive = out / L"no_such_archive.7z";
    Outcome o = Unpack(archive, out / L"x\\", L"");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), o.code);
    // The library's own text, naming the archive.
    EXPECT_EQ(0u, o.text.find(L"Cannot find archive file")) << o.text;
    EXPECT_NE(std::wstring::npos, o.text.find(archive)) << o.text;
    EXPECT_FALSE(scratch::Exists(out / L"x"));
}

TEST(Extract, AFolderIsNoArchive) {
    scratch::Folder out(L"ext");
    ASSERT_TRUE(::CreateDirectoryW((out / L"folder.7z").c_str(), nullptr));
    Outcome o = Unpack(out / L"folder.7z", out / L"x\\", L"");
    EXPECT_EQ(E_FAIL, o.code);
    EXPECT_EQ(0u, o.text.find(L"The item is a directory")) << o.text;
    // With a final backslash the library does not find the name as a file at all.
    o = Unpack(out / L"folder.7z\\", out / L"x\\", L"");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), o.code);
    EXPECT_EQ(0u, o.text.find(L"Cannot find archive file")) << o.text;
    EXPECT_FALSE(scratch::Exists(out / L"x"));
}

TEST(Extract, OutputFolderThatCannotBeCreated) {
    scratch::Folder base(L"ext");
    ASSERT_TRUE(scratch::WriteBytes(base / L"file", "a file where a folder should be"));
    const std::wstring output = base / L"file\\sub\\";
    Outcome o = Unpack(Fixture(L"plain.7z"), output, L"");
    EXPECT_NE(S_OK, o.code);
    EXPECT_NE(E_FAIL, o.code);  // the system's error, as an HRESULT
    EXPECT_EQ(0u, o.text.find(L"Cannot create output directory")) << o.text;
    EXPECT_NE(std::wstring::npos, o.text.find(output)) << o.text;
}

TEST(Extract, ErrorTextsAreCutTo500Characters) {
    scratch::Folder out(L"ext");
    const std::wstring archive = out / (std::wstring(180, L'n') + L"\\" + std::wstring(180, L'm') + L"\\" +
                                        std::wstring(180, L'o') + L".7z");
    Outcome o = Unpack(archive, out / L"x\\", L"");
    EXPECT_NE(S_OK, o.code);
    EXPECT_EQ(kExtractErrorTextMaxChars, o.text.size());
    EXPECT_EQ(0u, o.text.find(L"Cannot find archive file"));

    // Without an out-parameter nothing is stored, the code is the same.
    EXPECT_EQ(o.code, Extract7zArchive(archive, out / L"x\\", L"", nullptr));
}

TEST(Extract, SeveralExtractionsAtOnce) {
    scratch::Folder a(L"ext");
    scratch::Folder b(L"ext");
    const std::wstring password = Password();
    HRESULT first = E_PENDING;
    HRESULT second = E_PENDING;
    std::thread t1([&] { first = Extract7zArchive(Fixture(L"encrypted.7z"), a.Path(), password, nullptr); });
    std::thread t2([&] { second = Extract7zArchive(Fixture(L"lzma2.7z"), b.Path(), L"", nullptr); });
    t1.join();
    t2.join();
    EXPECT_EQ(S_OK, first);
    EXPECT_EQ(S_OK, second);
    EXPECT_TRUE(Tree(a.Path()) == Tree(b.Path()));
}

TEST(ToolsExtract, SuccessLogsAndReportsNothing) {
    LogCapture log;
    ReportCapture reports;
    scratch::Folder out(L"ext");
    const std::wstring archive = Fixture(L"encrypted.7z");
    EXPECT_TRUE(Tools::Extract(archive, out.Path(), Password()));
    EXPECT_TRUE(Reports::events.empty());
    EXPECT_TRUE(log.Contains(L"| UTILS | INF | Tools::Extract source[" + archive + L"], output path [" + out.Path() +
                             L"]"));
    EXPECT_TRUE(log.Contains(L"| UTILS | INF | Tools::Extract finish [success], source[" + archive + L"]"));
}

TEST(ToolsExtract, FailureSendsOneErrorEvent) {
    LogCapture log;
    ReportCapture reports;
    struct Case {
        const wchar_t* archive;
        std::wstring password;
        std::wstring errorText;
    } cases[] = {
        {L"encrypted.7z", L"", L"incorrectPassword"},
        {L"plain.7z", L"some password", L"passwordNotUsed"},
        {L"badcrc.7z", L"", L""},  // no text: the event ends with ", err = "
    };
    for (const Case& c : cases) {
        Reports::events.clear();
        scratch::Folder out(L"ext");
        const std::wstring archive = Fixture(c.archive);
        EXPECT_FALSE(Tools::Extract(archive, out.Path(), c.password)) << c.archive;
        ASSERT_EQ(1u, Reports::events.size()) << c.archive;
        EXPECT_EQ(L"error", Reports::events[0].first);
        EXPECT_EQ(L"unpackPackage_Extract7zArchive_" + archive + L", err = " + c.errorText, Reports::events[0].second);
        EXPECT_TRUE(log.Contains(L"| UTILS | INF | Tools::Extract finish [fail], source[" + archive + L"]"))
            << c.archive;
    }
}

TEST(ToolsExtract, ErrorEventText) {
    EXPECT_EQ(L"unpackPackage_Extract7zArchive_C:\\t\\index.7z, err = incorrectPassword",
              Tools::ExtractErrorEventText(L"C:\\t\\index.7z", L"incorrectPassword"));
    EXPECT_EQ(L"unpackPackage_Extract7zArchive_x.7z, err = ", Tools::ExtractErrorEventText(L"x.7z", L""));
}
