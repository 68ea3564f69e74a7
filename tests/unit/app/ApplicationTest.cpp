#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>

#include "app/Application.h"
#include "app/Secrets.h"
#include "diagnostics/Md5.h"
#include "platform/Text.h"

namespace {

TEST(Application, RunModeSelection) {
    const struct {
        const wchar_t* commandLine;
        int mode;
        const wchar_t* event;
    } cases[] = {
        {L"", RUN_INSTALL, L"installer_init"},
        {L"/prepareuninstall", RUN_PREPARE_UNINSTALL, L"preuninstaller_init"},
        {L"/prepareuninstall executeuninstall", RUN_PREPARE_UNINSTALL, L"preuninstaller_init"},
        {L"executeuninstall /prepareuninstall", RUN_PREPARE_UNINSTALL, L"preuninstaller_init"},
        {L"/xexecuteuninstallx", RUN_EXECUTE_UNINSTALL, L"uninstaller_init"},
        {L"/PREPAREUNINSTALL", RUN_INSTALL, L"installer_init"},
        {L"ExecuteUninstall", RUN_INSTALL, L"installer_init"},
        {L"\"C:\\a b\\setup.exe\" /debug", RUN_INSTALL, L"installer_init"},
    };
    for (const auto& c : cases) {
        CApplication::RunModeChoice choice = CApplication::SelectRunMode(c.commandLine);
        EXPECT_EQ(c.mode, choice.mode) << c.commandLine;
        EXPECT_STREQ(c.event, choice.startEvent) << c.commandLine;
    }
    // A command line of any length is only searched.
    std::wstring huge(1 << 20, L'x');
    huge += L"executeuninstall";
    EXPECT_EQ(RUN_EXECUTE_UNINSTALL, CApplication::SelectRunMode(huge).mode);
}

TEST(Application, RunGuidAndVerifier) {
    GUID guid = {0x5A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
    std::wstring text = CApplication::FormatRunGuid(guid);
    EXPECT_EQ(L"5A1B2C3D4E5F60718293A4B5C6D7E8F9", text);
    GUID low = {0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 0xA}};
    EXPECT_EQ(L"0000000100020003000000000000000A", CApplication::FormatRunGuid(low));

    std::wstring verifier = CApplication::MakeVerifier(text);
    EXPECT_EQ(Md5Hex((std::string(secrets::kVerifierSalt) + "5A1B2C3D4E5F60718293A4B5C6D7E8F9").c_str()), verifier);
    EXPECT_NE(Md5Hex("5A1B2C3D4E5F60718293A4B5C6D7E8F9"), verifier);  // salted
}

TEST(Application, InitialisedState) {
    CApplication* app = CApplication::Instance();
    ASSERT_EQ(app, CApplication::Instance());
    ASSERT_EQ(32u, app->RunGuid().size());
    for (wchar_t c : app->RunGuid()) EXPECT_TRUE(iswdigit(c) || (c >= L'A' && c <= L'F'));
    EXPECT_EQ(CApplication::MakeVerifier(app->RunGuid()), app->Verifier());
    EXPECT_EQ(L"1.1.1.36", app->VersionText());
    EXPECT_EQ(Md5Hex(secrets::kPackagePhrase), app->PackagePassword());

    // The working directory: <long temp>\WebInstaller_<GUID>\, created.
    const std::wstring& dir = app->WorkingDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(L'\\', dir.back());
    EXPECT_NE(std::wstring::npos, dir.find(L"\\WebInstaller_" + app->RunGuid() + L"\\"));
    DWORD attributes = ::GetFileAttributesW(dir.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(dir + L"index.7z", app->PackageArchivePath());
    EXPECT_EQ(dir + L"index.html", app->InterfacePagePath());
    ::RemoveDirectoryW(dir.c_str());
}

TEST(Application, DistinctRunsGetDistinctIdentities) {
    GUID a, b;
    ASSERT_EQ(S_OK, ::CoCreateGuid(&a));
    ASSERT_EQ(S_OK, ::CoCreateGuid(&b));
    EXPECT_NE(CApplication::FormatRunGuid(a), CApplication::FormatRunGuid(b));
    EXPECT_NE(CApplication::MakeVerifier(CApplication::FormatRunGuid(a)),
              CApplication::MakeVerifier(CApplication::FormatRunGuid(b)));
}

}  // namespace
