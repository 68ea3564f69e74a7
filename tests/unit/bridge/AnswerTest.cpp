// Answers filled from templates: values escaped, spacing kept.
#include <gtest/gtest.h>

#include <json/json.h>

#include "bridge/commands/BasicCommands.h"
#include "bridge/dispatcher/Answer.h"
#include "platform/Text.h"

namespace {

using bridge::AnswerValue;
using bridge::FillAnswer;
using bridge::Slashes;

// The answer parses as JSON; returns the value of member `name` as UTF-8.
std::string Member(const std::wstring& answer, const char* name) {
    Json::Value root;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(wi::WideToUtf8(answer), root)) << wi::WideToUtf8(answer);
    return root.isObject() && root[name].isString() ? root[name].asString() : std::string("<not a string>");
}

TEST(Answer, TemplatesKeepTheirSpacing) {
    EXPECT_EQ(L"{ \"threadId\" : 1234 , \"result\" : true , \"error\" : \"\" }",
              FillAnswer(L"{ \"threadId\" : %d , \"result\" : %s , \"error\" : \"%s\" }",
                         {AnswerValue::Number(1234), AnswerValue::Bool(true), AnswerValue::Text(L"")}));
    EXPECT_EQ(L"{ \"GUID\" : \"AB12\" , \"result\" : true , \"error\" :\"\" }", bridge::GuidAnswer(L"AB12"));
    EXPECT_EQ(L"{ \"param1\": \"app-7\" }", bridge::InstallerParamsAnswer(L"app-7"));
    EXPECT_EQ(L"{\"advexe\" : {\"a\":\"b\"}, \"n\" : 100%}",
              FillAnswer(L"{\"advexe\" : %s, \"n\" : 100%%}", {AnswerValue::Raw(L"{\"a\":\"b\"}")}));
}

TEST(Answer, TextValuesAreEscaped) {
    const struct {
        const wchar_t* value;
        const char* parsed;
    } cases[] = {
        {L"\"C:\\Program Files\\x.exe\" /silent", "\"C:\\Program Files\\x.exe\" /silent"},
        {L"tab\there\nline\r\x01\x1f end", "tab\there\nline\r\x01\x1f end"},
        {L"Gr\u00fc\u00dfe \u65e5\u672c", "Gr\xc3\xbc\xc3\x9f" "e \xe6\x97\xa5\xe6\x9c\xac"},
        {L"trailing \\", "trailing \\"},
    };
    for (const auto& c : cases) {
        // Command 24 with a double quote in the command line gives valid JSON.
        EXPECT_EQ(c.parsed, Member(bridge::CommandLineAnswer(c.value), "commandLine")) << wi::WideToUtf8(c.value);
    }
}

TEST(Answer, ForwardSlashVariantTurnsValueBackslashesFirst) {
    const wchar_t* format = L"{ \"path\" : \"%s\" , \"result\" : %s , \"error\" : \"%s\"}";
    std::wstring answer = FillAnswer(
        format,
        {AnswerValue::Text(L"C:\\Users\\U\\a\"b.lnk"), AnswerValue::Bool(false), AnswerValue::Text(L"x_\\\\srv\\s")},
        Slashes::Forward);
    EXPECT_EQ(L"{ \"path\" : \"C:/Users/U/a\\\"b.lnk\" , \"result\" : false , \"error\" : \"x_//srv/s\"}", answer);
    EXPECT_EQ("C:/Users/U/a\"b.lnk", Member(answer, "path"));
}

}  // namespace
