#include <gtest/gtest.h>

#include <windows.h>

#include "platform/FileSystemUtils.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"

namespace {

std::wstring LogLine(const wchar_t* function, const wchar_t* message, const std::wstring& path) {
    return std::wstring(function) + L" " + message + L" [" + path + L"]";
}

}  // namespace

TEST(FileSystemUtils, PathExists) {
    scratch::Folder dir(L"fsu");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"file.txt", "x"));
    struct Case {
        std::wstring path;
        bool exists;
    } cases[] = {
        {dir.Path(), true},                               // folder with its backslash
        {dir.Path().substr(0, dir.Path().size() - 1), true},  // folder without it
        {dir / L"file.txt", true},
        {dir / L"missing.txt", false},                    // file not found
        {dir / L"missing\\child.txt", false},             // path not found
        // Any other failure of the attribute query counts as existing
        // (here: an invalid name).
        {dir / L"bad<name>?.txt", true},
    };
    for (const Case& c : cases) EXPECT_EQ(c.exists, CFileSystemUtils::PathExists(c.path)) << c.path;
}

TEST(FileSystemUtils, FileExists) {
    scratch::Folder dir(L"fsu");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"file.txt", "x"));
    EXPECT_TRUE(CFileSystemUtils::FileExists(dir / L"file.txt"));
    EXPECT_FALSE(CFileSystemUtils::FileExists(dir / L"missing.txt"));
    EXPECT_FALSE(CFileSystemUtils::FileExists(dir.Path()));  // a folder is no file

    // A file someone holds without read sharing cannot be read: false.
    HANDLE held = ::CreateFileW((dir / L"file.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(CFileSystemUtils::FileExists(dir / L"file.txt"));
    ::CloseHandle(held);
    // Held by a writer that shares reading: readable, true.
    held = ::CreateFileW((dir / L"file.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_TRUE(CFileSystemUtils::FileExists(dir / L"file.txt"));
    ::CloseHandle(held);
}

TEST(FileSystemUtils, CreateDirectoryRecurciveCreatesAllParents) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    const std::wstring path = dir / L"a\\b\\c";
    EXPECT_TRUE(CFileSystemUtils::CreateDirectoryRecurcive(path));
    EXPECT_TRUE(scratch::IsFolder(dir / L"a"));
    EXPECT_TRUE(scratch::IsFolder(dir / L"a\\b"));
    EXPECT_TRUE(scratch::IsFolder(path));
    EXPECT_TRUE(log.Contains(
        LogLine(L"CFileSystemUtils::CreateDirectoryRecurcive", L"Created directory successfully", path)));

    // Again: nothing to do, logged as already there.
    EXPECT_TRUE(CFileSystemUtils::CreateDirectoryRecurcive(path));
    EXPECT_TRUE(
        log.Contains(LogLine(L"CFileSystemUtils::CreateDirectoryRecurcive", L"Directory already exists", path)));
    EXPECT_TRUE(log.Contains(L"| UTILS | DBG | CFileSystemUtils::CreateDirectoryRecurcive"));

    // A trailing backslash is fine as well.
    EXPECT_TRUE(CFileSystemUtils::CreateDirectoryRecurcive(dir / L"x\\y\\"));
    EXPECT_TRUE(scratch::IsFolder(dir / L"x\\y"));
}

TEST(FileSystemUtils, CreateDirectoryRecurciveOverAFileCountsAsExisting) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    const std::wstring path = dir / L"taken";
    ASSERT_TRUE(scratch::WriteBytes(path, "file, not folder"));
    // The shell answers "already exists" (183), which counts as success.
    EXPECT_TRUE(CFileSystemUtils::CreateDirectoryRecurcive(path));
    EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::CreateDirectoryRecurcive",
                                     L"Failed to create directory because but just because it already exists", path)));
    EXPECT_FALSE(scratch::IsFolder(path));
}

TEST(FileSystemUtils, CreateDirectoryRecurciveFailures) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"file", "x"));
    const std::wstring cases[] = {
        L"relative\\folder",     // the shell's recursive creation needs a full path
        dir / L"file\\below",    // a file in the way
    };
    for (const std::wstring& path : cases) {
        EXPECT_FALSE(CFileSystemUtils::CreateDirectoryRecurcive(path)) << path;
        EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::CreateDirectoryRecurcive", L"Failed to create directory",
                                         path)))
            << path;
    }
    EXPECT_FALSE(scratch::Exists(L"relative"));
}

TEST(FileSystemUtils, DeleteDirectory) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    const std::wstring tree = dir / L"tree";
    ASSERT_TRUE(::CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
    ASSERT_TRUE(scratch::WriteBytes(tree + L"\\sub\\f.txt", "content"));
    ASSERT_TRUE(scratch::WriteBytes(tree + L"\\g.txt", "content"));

    std::wstring error = L"untouched";
    EXPECT_TRUE(CFileSystemUtils::DeleteDirectory(true, error, tree));
    EXPECT_FALSE(scratch::Exists(tree));
    EXPECT_EQ(L"untouched", error);  // never filled

    // A missing folder counts as deleted.
    EXPECT_TRUE(CFileSystemUtils::DeleteDirectory(true, error, tree));
    EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::DeleteDirectory", L"Directory does not exist", tree)));

    // A file is not a folder: nothing is deleted.
    ASSERT_TRUE(scratch::WriteBytes(dir / L"plain.txt", "x"));
    EXPECT_TRUE(CFileSystemUtils::DeleteDirectory(true, error, dir / L"plain.txt"));
    EXPECT_TRUE(scratch::Exists(dir / L"plain.txt"));
}

TEST(FileSystemUtils, DeleteFile) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    const std::wstring file = dir / L"victim.txt";
    ASSERT_TRUE(scratch::WriteBytes(file, "x"));
    std::wstring error;
    EXPECT_TRUE(CFileSystemUtils::DeleteFileW(file, error));
    EXPECT_FALSE(scratch::Exists(file));

    EXPECT_TRUE(CFileSystemUtils::DeleteFileW(file, error));  // missing: success, logged
    EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::DeleteFileW", L"File does not exist", file)));

    // The generic name goes through <windows.h>'s DeleteFile -> DeleteFileW
    // mapping and reaches the same member.
    ASSERT_TRUE(scratch::WriteBytes(file, "x"));
    EXPECT_TRUE(CFileSystemUtils::DeleteFile(file, error));
    EXPECT_FALSE(scratch::Exists(file));

    // A folder is no file: left alone.
    EXPECT_TRUE(CFileSystemUtils::DeleteFileW(dir.Path(), error));
    EXPECT_TRUE(scratch::IsFolder(dir.Path()));
}

TEST(FileSystemUtils, CopyFile) {
    LogCapture log;
    scratch::Folder dir(L"fsu");
    const std::wstring source = dir / L"source.bin";
    ASSERT_TRUE(scratch::WriteBytes(source, std::string("new\0content", 11)));

    // Into a folder that does not exist yet.
    std::wstring error;
    EXPECT_TRUE(CFileSystemUtils::CopyFileW(source, dir / L"t\\u", L"copy.bin", error));
    EXPECT_EQ(std::string("new\0content", 11), scratch::ReadBytes(dir / L"t\\u\\copy.bin"));
    EXPECT_TRUE(error.empty());

    // An existing target is replaced; the generic name reaches the member too.
    ASSERT_TRUE(scratch::WriteBytes(dir / L"t\\u\\old.bin", "old and longer content"));
    EXPECT_TRUE(CFileSystemUtils::CopyFile(source, dir / L"t\\u", L"old.bin", error));
    EXPECT_EQ(std::string("new\0content", 11), scratch::ReadBytes(dir / L"t\\u\\old.bin"));

    // A missing source.
    EXPECT_FALSE(CFileSystemUtils::CopyFileW(dir / L"missing.bin", dir / L"t", L"x.bin", error));
    EXPECT_EQ(L"file_does_not_exists", error);
    EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::CopyFileW", L"file not exists", dir / L"missing.bin")));

    // A target folder that cannot be created: false, the error text unchanged.
    error = L"before";
    ASSERT_TRUE(scratch::WriteBytes(dir / L"blocker", "x"));
    EXPECT_FALSE(CFileSystemUtils::CopyFileW(source, dir / L"blocker\\sub", L"x.bin", error));
    EXPECT_EQ(L"before", error);
    EXPECT_TRUE(log.Contains(LogLine(L"CFileSystemUtils::CopyFileW", L"directory create error", dir / L"blocker\\sub")));
}

TEST(FileSystemUtils, ShellDeleteOfAMissingPathFails) {
    scratch::Folder dir(L"fsu");
    std::wstring error = L"kept";
    EXPECT_FALSE(CFileSystemUtils::ShellDelete(dir / L"missing", true, error));
    EXPECT_EQ(L"kept", error);
}

TEST(FileSystemUtils, ShellDeleteRemovesFilesAndFolders) {
    scratch::Folder dir(L"fsu");
    ASSERT_TRUE(scratch::WriteBytes(dir / L"f.txt", "x"));
    ASSERT_TRUE(::CreateDirectoryW((dir / L"d").c_str(), nullptr));
    ASSERT_TRUE(scratch::WriteBytes(dir / L"d\\g.txt", "x"));
    std::wstring error;
    EXPECT_TRUE(CFileSystemUtils::ShellDelete(dir / L"f.txt", true, error));
    EXPECT_TRUE(CFileSystemUtils::ShellDelete(dir / L"d", true, error));
    EXPECT_TRUE(scratch::List(dir.Path()).empty());
}

TEST(FileSystemUtils, SplitRemovalCandidate) {
    struct Case {
        const wchar_t* folder;
        bool candidate;
        const wchar_t* parent;
        const wchar_t* leaf;
    } cases[] = {
        {L"C:\\Program Files\\casino\\Brand\\", true, L"C:\\Program Files\\casino\\", L"Brand"},
        {L"D:\\Games\\POKER\\X\\", true, L"D:\\Games\\POKER\\", L"X"},
        {L"D:\\Games\\Casino\\X\\", true, L"D:\\Games\\Casino\\", L"X"},
        {L"D:\\Games\\Tools\\X\\", false, L"", L""},       // not a shared category
        {L"D:\\Games\\pokerface\\X\\", false, L"", L""},
        {L"D:\\Games\\casino\\X", false, L"", L""},        // no final backslash
        {L"casino\\X\\", false, L"", L""},                 // no backslash before the parent's name
        {L"X\\", false, L"", L""},                         // no backslash before the leaf
        {L"", false, L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring parent;
        std::wstring leaf;
        EXPECT_EQ(c.candidate, CFileSystemUtils::SplitRemovalCandidate(c.folder, parent, leaf)) << c.folder;
        if (c.candidate) {
            EXPECT_EQ(c.parent, parent) << c.folder;
            EXPECT_EQ(c.leaf, leaf) << c.folder;
        }
    }
}

TEST(FileSystemUtils, GetRemovalFolder) {
    scratch::Folder dir(L"fsu");
    ASSERT_TRUE(::CreateDirectoryW((dir / L"POKER").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((dir / L"POKER\\X").c_str(), nullptr));

    // The parent holds only the leaf: widened to the parent.
    std::wstring folder = dir / L"POKER\\X\\";
    CFileSystemUtils::GetRemovalFolder(folder);
    EXPECT_EQ(dir / L"POKER\\", folder);

    // The leaf is compared exactly: another spelling is another entry.
    folder = dir / L"POKER\\x\\";
    CFileSystemUtils::GetRemovalFolder(folder);
    EXPECT_EQ(dir / L"POKER\\x\\", folder);

    // Something else in the parent: unchanged.
    ASSERT_TRUE(scratch::WriteBytes(dir / L"POKER\\other.txt", "x"));
    folder = dir / L"POKER\\X\\";
    CFileSystemUtils::GetRemovalFolder(folder);
    EXPECT_EQ(dir / L"POKER\\X\\", folder);

    // A parent that is not a shared category: unchanged.
    ASSERT_TRUE(::CreateDirectoryW((dir / L"Tools").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((dir / L"Tools\\X").c_str(), nullptr));
    folder = dir / L"Tools\\X\\";
    CFileSystemUtils::GetRemovalFolder(folder);
    EXPECT_EQ(dir / L"Tools\\X\\", folder);

    // A parent that cannot be listed: unchanged.
    folder = dir / L"casino\\Gone\\";
    CFileSystemUtils::GetRemovalFolder(folder);
    EXPECT_EQ(dir / L"casino\\Gone\\", folder);
}
