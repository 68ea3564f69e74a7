// Archives that try to write outside the output folder (crafted by
// tests/support/make_7z.py, since 7zz refuses to store such names): names with
// "..", absolute, drive, UNC and device names, alternate streams, and link
// items (Linux symbolic links, Windows symbolic links and junctions) followed by
// files written "through" them. Everything must land inside the output folder,
// and no link may be created.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "transfer/Extract.h"
#include "unit/transfer/ExtractTestSupport.h"

using extract_test::Fixture;
using extract_test::Tree;

namespace {

// Names an escaping item would create outside, anywhere the test can look.
const wchar_t* const kEscapeNames[] = {
    L"escape_dotdot_slash.txt",     L"escape_dotdot_backslash.txt", L"escape_inner_dotdot.txt",
    L"escape_deep_dotdot.txt",      L"escape_dot_dotdot.txt",       L"escape_root_slash.txt",
    L"escape_root_backslash.txt",   L"wi_escape_drive_abs.txt",     L"wi_escape_drive_rel.txt",
    L"wi_escape_unc.txt",           L"wi_escape_unc_slash.txt",     L"wi_escape_long_prefix.txt",
    L"wi_escape_device_prefix.txt", L"escape_via_linux_rel.txt",    L"escape_via_linux_abs.txt",
    L"wi_escape_drive_abs_slash.txt", L"wi_escape_long_prefix_slash.txt", L"wi_escape_device_prefix_slash.txt",
    L"escape_via_win_symlink.txt",  L"wi_escape_via_junction.txt",
};

std::wstring Names(const std::map<std::wstring, std::string>& tree) {
    std::wstring names;
    for (const auto& entry : tree) names += L"\n  " + entry.first;
    return names;
}

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH, buffer);
    std::wstring dir = buffer;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

// Folders outside the output folder where an escape could end up.
std::vector<std::wstring> OutsideFolders(const std::wstring& base) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return {base, base + L"out\\", L"C:\\", L"Z:\\tmp\\", temp, CurrentDirectory()};
}

void RemoveEscapes(const std::wstring& base) {
    for (const std::wstring& folder : OutsideFolders(base))
        for (const wchar_t* name : kEscapeNames) scratch::RemoveTree(folder + name);
}

void ExpectNothingOutside(const std::wstring& base) {
    // The scratch base holds the output folder's parent and nothing else.
    std::vector<std::wstring> top = scratch::List(base);
    ASSERT_EQ(1u, top.size());
    EXPECT_EQ(L"out", top[0]);
    std::vector<std::wstring> out = scratch::List(base + L"out\\");
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(L"deep", out[0]);
    for (const std::wstring& folder : OutsideFolders(base))
        for (const wchar_t* name : kEscapeNames)
            EXPECT_FALSE(scratch::Exists(folder + name)) << folder << name;
}

// No entry of the extracted tree is a link or any other reparse point.
void ExpectNoReparsePoints(const std::wstring& root) {
    for (const auto& entry : Tree(root)) {
        DWORD attributes = ::GetFileAttributesW((root + entry.first).c_str());
        EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_REPARSE_POINT) << entry.first;
    }
}

class ExtractTraversal : public ::testing::Test {
protected:
    void SetUp() override {
        output_ = base_ / L"out\\deep\\";
        RemoveEscapes(base_.Path());
    }
    void TearDown() override { RemoveEscapes(base_.Path()); }

    scratch::Folder base_{L"trav"};
    std::wstring output_;
};

}  // namespace

TEST_F(ExtractTraversal, EscapingNamesStayInside) {
    std::wstring error;
    HRESULT code = Extract7zArchive(Fixture(L"traversal.7z"), output_, L"", &error);
    EXPECT_EQ(S_OK, code) << error;
    ExpectNothingOutside(base_.Path());

    // Where the library put each item. The 7z format separates folders with
    // "/"; a "\\" inside a stored name is no separator but a character, which
    // 7-Zip stores as U+F05C (the private-use stand-in that WSL also uses), so
    // such a name stays one single file name. A "/" path is rebuilt from its
    // components without roots, drives (":" becomes "_"), "." and "..".
    const std::wstring bs = L"\uF05C";
    const auto tree = Tree(output_);
    const std::map<std::wstring, std::string> expected = {
        {L"inside.txt", "inside"},
        {L"escape_dotdot_slash.txt", "../escape_dotdot_slash.txt"},
        {L".." + bs + L"escape_dotdot_backslash.txt", "..\\escape_dotdot_backslash.txt"},
        {L"a\\escape_inner_dotdot.txt", "a/../../escape_inner_dotdot.txt"},
        {L"a\\b\\escape_deep_dotdot.txt", "a/b/../../../../escape_deep_dotdot.txt"},
        {L"escape_dot_dotdot.txt", "./../escape_dot_dotdot.txt"},
        {L"escape_root_slash.txt", "/escape_root_slash.txt"},
        {bs + L"escape_root_backslash.txt", "\\escape_root_backslash.txt"},
        {L"C_" + bs + L"wi_escape_drive_abs.txt", "C:\\wi_escape_drive_abs.txt"},
        {L"C_\\wi_escape_drive_abs_slash.txt", "C:/wi_escape_drive_abs_slash.txt"},
        {L"C_wi_escape_drive_rel.txt", "C:wi_escape_drive_rel.txt"},
        {bs + bs + L"127.0.0.1" + bs + L"c$" + bs + L"wi_escape_unc.txt", "\\\\127.0.0.1\\c$\\wi_escape_unc.txt"},
        {L"127.0.0.1\\c$\\wi_escape_unc_slash.txt", "//127.0.0.1/c$/wi_escape_unc_slash.txt"},
        {bs + bs + L"_" + bs + L"C_" + bs + L"wi_escape_long_prefix.txt", "\\\\?\\C:\\wi_escape_long_prefix.txt"},
        {bs + bs + L"." + bs + L"C_" + bs + L"wi_escape_device_prefix.txt",
         "\\\\.\\C:\\wi_escape_device_prefix.txt"},
        {L"_\\C_\\wi_escape_long_prefix_slash.txt", "//?/C:/wi_escape_long_prefix_slash.txt"},
        {L"C_\\wi_escape_device_prefix_slash.txt", "//./C:/wi_escape_device_prefix_slash.txt"},
        {L"ok.txt_wi_escape_stream", "ok.txt:wi_escape_stream"},
    };
    for (const auto& item : expected) {
        auto found = tree.find(item.first);
        ASSERT_NE(tree.end(), found) << item.first << L" not in:" << Names(tree);
        EXPECT_EQ(item.second, found->second) << item.first;
    }
    // Every file of the tree is one of the archive's items (".." and "../.."
    // become a file named "_").
    for (const auto& entry : tree) {
        if (entry.second == "<dir>") continue;
        EXPECT_TRUE(expected.count(entry.first) || entry.first == L"_") << entry.first;
    }
    ExpectNoReparsePoints(output_);
}

TEST_F(ExtractTraversal, LinkItemsAreNotCreated) {
    std::wstring error;
    HRESULT code = Extract7zArchive(Fixture(L"links.7z"), output_, L"", &error);
    EXPECT_EQ(S_OK, code) << error;
    ExpectNothingOutside(base_.Path());
    ExpectNoReparsePoints(output_);

    // The files meant to go "through" the links are plain files in plain folders
    // of the same names inside the output folder.
    const auto tree = Tree(output_);
    const std::map<std::wstring, std::string> expected = {
        {L"lin_rel\\escape_via_linux_rel.txt", "via linux relative link"},
        {L"lin_abs\\escape_via_linux_abs.txt", "via linux absolute link"},
        {L"win_sym\\escape_via_win_symlink.txt", "via windows symbolic link"},
        {L"win_junction\\wi_escape_via_junction.txt", "via junction"},
        {L"after_links.txt", "after links"},
    };
    for (const auto& item : expected) {
        auto found = tree.find(item.first);
        ASSERT_NE(tree.end(), found) << item.first << L" not in:" << Names(tree);
        EXPECT_EQ(item.second, found->second) << item.first;
    }
    for (const wchar_t* folder : {L"lin_rel", L"lin_abs", L"win_sym", L"win_junction"})
        EXPECT_TRUE(scratch::IsFolder(output_ + folder)) << folder;
}

// The same with the links placed first and an extraction into an output folder
// given without its final backslash and as a relative path.
TEST_F(ExtractTraversal, RelativeOutputFolder) {
    wchar_t previous[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(base_.Path().c_str()));
    std::wstring error;
    HRESULT traversal = Extract7zArchive(Fixture(L"traversal.7z"), L"out\\deep", L"", &error);
    HRESULT links = Extract7zArchive(Fixture(L"links.7z"), L"out\\deep", L"", &error);
    ::SetCurrentDirectoryW(previous);
    EXPECT_EQ(S_OK, traversal);
    EXPECT_EQ(S_OK, links);
    ExpectNothingOutside(base_.Path());
    ExpectNoReparsePoints(output_);
    EXPECT_EQ("inside", scratch::ReadBytes(output_ + L"inside.txt"));
    EXPECT_EQ("after links", scratch::ReadBytes(output_ + L"after_links.txt"));
}
