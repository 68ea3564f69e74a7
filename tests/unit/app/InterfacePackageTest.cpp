// A package made by tools/make-package.sh opens with the program's own
// password. Run by the ctest entry tool_package_opens, which makes the
// package first (tests/support/make-package-fixture.sh) and names it here.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"
#include "platform/Text.h"
#include "support/HostPath.h"
#include "support/ScratchFolder.h"
#include "transfer/Extract.h"

namespace {

// Relative paths of every file below folder.
void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& out) {
    for (const std::wstring& name : scratch::List(folder)) {
        std::wstring path = scratch::Join(folder, name);
        if (scratch::IsFolder(path)) ListFiles(path, prefix + name + L"\\", out);
        else out.push_back(prefix + name);
    }
}

void IgnoreReport(const std::wstring&, const std::wstring&) {}

TEST(InterfacePackage, OpensWithTheProgramsPassword) {
    const char* package = std::getenv("WEBINSTALLER_PACKAGE");
    const char* source = std::getenv("WEBINSTALLER_PACKAGE_SOURCE");
    if (!package || !source) GTEST_SKIP() << "run by the ctest entry tool_package_opens";
    const std::wstring archive = HostPath(wi::Utf8ToWide(package));
    const std::wstring folder = HostPath(wi::Utf8ToWide(source));
    Tools::ExtractErrorReporter previous = Tools::SetExtractErrorReporter(&IgnoreReport);

    const std::wstring password = CApplication::Instance()->PackagePassword();
    ASSERT_EQ(32u, password.size());
    scratch::Folder out(L"package");
    ASSERT_TRUE(Tools::Extract(archive, out.Path(), password));

    std::vector<std::wstring> expected, unpacked;
    ListFiles(folder, L"", expected);
    ListFiles(out.Path(), L"", unpacked);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, unpacked);
    for (const std::wstring& name : expected) {
        EXPECT_EQ(scratch::ReadBytes(scratch::Join(folder, name)), scratch::ReadBytes(out / name))
            << wi::WideToUtf8(name);
    }
    EXPECT_TRUE(scratch::Exists(out / L"index.html"));  // at the archive's root

    // Another password does not open it.
    scratch::Folder wrong(L"package_wrong");
    EXPECT_FALSE(Tools::Extract(archive, wrong.Path(), std::wstring(32, L'0')));
    EXPECT_FALSE(scratch::Exists(wrong / L"index.html"));
    Tools::SetExtractErrorReporter(previous);
}

}  // namespace
