// Answers of the identity and environment queries (13, 23, 27).
#include <gtest/gtest.h>

#include <json/json.h>

#include "bridge/commands/IdentityCommands.h"
#include "platform/Text.h"

namespace {

Json::Value Parse(const std::wstring& answer) {
    Json::Value root;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(wi::WideToUtf8(answer), root)) << wi::WideToUtf8(answer);
    return root;
}

TEST(IdentityCommands, InfoAnswer) {
    EXPECT_EQ(L"{\"os\" : \"7(7601)_64bit\" , \"ie\" : \"11.0.9600\" , \"ch\" : \"120\" , \"ff\" : \"X\" , "
              L"\"lg\" : 1033 }",
              bridge::InfoAnswer(L"7(7601)", true, L"11.0.9600", L"120", L"X", 1033));
    EXPECT_EQ("8_1(9200)_32bit", Parse(bridge::InfoAnswer(L"8_1(9200)", false, L"X.X", L"X", L"X", 1031))["os"].asString());
}

TEST(IdentityCommands, ProgramPathAndInfoAnswer) {
    const struct {
        const wchar_t* path;
        bridge::ProgramPathSplit split;
        const char* folder;
        const char* name;
        const char* type;
    } cases[] = {
        {L"C:\\Downloads\\setup.beta.exe", bridge::ProgramPathSplit::Ok, "C:/Downloads", "setup.beta", "exe"},
        {L"\\\\server\\share\\Setup.EXE", bridge::ProgramPathSplit::Ok, "//server/share", "Setup", "EXE"},
        {L"C:\\say \"hi\"\\x.exe", bridge::ProgramPathSplit::Ok, "C:/say \"hi\"", "x", "exe"},
        {L"C:\\Downloads\\setup", bridge::ProgramPathSplit::NoDot, "", "", ""},
        {L"C:\\v1.2\\setup", bridge::ProgramPathSplit::NoDot, "", "", ""},  // the dot must be in the file name
        {L"setup.exe", bridge::ProgramPathSplit::NoBackslash, "", "", ""},
    };
    for (const auto& c : cases) {
        bridge::ProgramPathParts parts;
        ASSERT_EQ(c.split, bridge::SplitProgramPath(c.path, &parts)) << wi::WideToUtf8(c.path);
        if (c.split != bridge::ProgramPathSplit::Ok) continue;
        Json::Value root = Parse(bridge::WebInstallerInfoAnswer(parts, L"{}", 1));
        EXPECT_EQ(c.folder, root["path"].asString());
        EXPECT_EQ(c.name, root["name"].asString());
        EXPECT_EQ(c.type, root["type"].asString());
    }
}

TEST(IdentityCommands, WebInstallerInfoCarriesTheStampedData) {
    bridge::ProgramPathParts parts{L"C:\\Downloads", L"setup", L"exe"};
    EXPECT_EQ(L"{ \"path\" : \"C:/Downloads\" , \"name\" : \"setup\" , \"type\" : \"exe\" , \"result\" : true , "
              L"\"error\" : \"\" , \"base\" : \"\" , \"crypt\" : true , \"advexe\" : {} , \"fallback\" : \"\", "
              L"\"indextype\" : 1 }",
              bridge::WebInstallerInfoAnswer(parts, L"{}", 1));
    // The stamped JSON goes in as it is: its own escapes (a backslash) stay.
    Json::Value stamped = Parse(bridge::WebInstallerInfoAnswer(parts, L"{\"dir\":\"C:\\\\x\",\"src\":\"mail\"}", 2));
    EXPECT_EQ("C:\\x", stamped["advexe"]["dir"].asString());
    EXPECT_EQ("mail", stamped["advexe"]["src"].asString());
    EXPECT_EQ(2, stamped["indextype"].asInt());
    EXPECT_TRUE(Parse(bridge::WebInstallerInfoAnswer(parts, L"null", 1))["advexe"].isNull());
}

TEST(IdentityCommands, EnvironmentAnswerUsesForwardSlashes) {
    bridge::EnvironmentFacts f;
    f.localAppData = L"C:\\Users\\o\"neil\\AppData\\Local";  // a quote in a user name stays valid JSON
    f.sid = L"S-1-5-21-1-1001";
    f.temp = L"C:\\Temp\\WebInstaller_AB\\";
    f.programFiles = L"C:\\Program Files (x86)";
    f.version = L"1.1.1.36";
    f.processId = L"AB";
    f.verifier = L"0f";
    f.systemStartMenu = L"C:\\ProgramData\\Start Menu\\Programs";
    f.userStartMenu = L"C:\\Users\\o\"neil\\Start Menu";
    f.className = L"WebInstallerClassName";
    std::wstring answer = bridge::EnvironmentAnswer(f);
    EXPECT_EQ(0u, answer.find(L"{ \"LOCALAPPDATA\" : \"C:/Users/o\\\"neil/AppData/Local\" , \"sid\" : "));
    EXPECT_NE(std::wstring::npos, answer.find(L"\"userStartMenu\" : \"C:/Users/o\\\"neil/Start Menu\" ,\"className\" : "
                                              L"\"WebInstallerClassName\" }"));
    Json::Value root = Parse(answer);
    EXPECT_EQ("C:/Users/o\"neil/AppData/Local", root["LOCALAPPDATA"].asString());
    EXPECT_EQ("C:/Temp/WebInstaller_AB/", root["temp"].asString());
    EXPECT_EQ("C:/Program Files (x86)", root["PROGRAMFILES"].asString());
    EXPECT_EQ("C:/ProgramData/Start Menu/Programs", root["systemStartMenu"].asString());
    EXPECT_EQ("AB", root["processId"].asString());
    EXPECT_EQ(10u, root.size());
}

TEST(IdentityCommands, SystemStartMenuFolder) {
    const struct {
        const wchar_t* shortName;
        const wchar_t* folder;
    } cases[] = {
        {L"V", L"D:\\PD\\Microsoft\\Windows\\Start Menu\\Programs"},
        {L"7", L"D:\\PD\\Microsoft\\Windows\\Start Menu\\Programs"},
        {L"8", L"D:\\PD\\Microsoft\\Windows\\Start Menu\\Programs"},
        {L"v", L"D:\\PD\\Microsoft\\Windows\\Start Menu\\Programs"},
        {L"8_1", L"D:\\AU\\Start Menu\\Programs"},
        {L"XP32", L"D:\\AU\\Start Menu\\Programs"},
        {L"X", L"D:\\AU\\Start Menu\\Programs"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.folder, bridge::SystemStartMenuFolder(c.shortName, L"D:\\PD", L"D:\\AU"));
}

}  // namespace
