// Decisions of the file and folder commands: which folder a deletion
// request names, and the copy answer.
#include <gtest/gtest.h>

#include <json/json.h>

#include "bridge/commands/FileCommands.h"
#include "bridge/commands/FolderCommands.h"
#include "platform/Text.h"

namespace {

TEST(FolderCommands, FolderToDelete) {
    const struct {
        const wchar_t* page;
        bool deletes;
        const wchar_t* target;
    } cases[] = {
        {L"C:/Temp/Dir/", true, L"C:\\Temp\\Dir"},
        {L"C:\\Temp\\Dir", true, L"C:\\Temp\\Dir"},
        {L"C:\\Temp\\Dir\\\\", true, L"C:\\Temp\\Dir\\"},  // one final separator only
        {L"\\\\server/share/dir/", true, L"\\\\server\\share\\dir"},
        {L"", false, L""},
        {L"/", false, L""},
        {L"\\", false, L""},
        // A drive root would become "C:", the current folder of drive C.
        {L"C:/", false, L""},
        {L"C:\\", false, L""},
        {L"z:", false, L""},
    };
    for (const auto& c : cases) {
        std::wstring target = L"<none>";
        EXPECT_EQ(c.deletes, bridge::FolderToDelete(c.page, &target)) << wi::WideToUtf8(c.page);
        if (c.deletes) {
            EXPECT_EQ(c.target, target) << wi::WideToUtf8(c.page);
        }
    }
}

TEST(FileCommands, CopyAnswerIsJsonWithForwardSlashes) {
    EXPECT_EQ(L"{ \"result\" : true , \"error\" : \"\"}", bridge::FileCopyAnswer(L""));
    std::wstring error = bridge::CopyErrorText(L"C:\\a \"b\".txt", L"D:\\t", L"n.txt", L"file_does_not_exists");
    std::wstring answer = bridge::FileCopyAnswer(error);
    Json::Value root;
    ASSERT_TRUE(Json::Reader().parse(wi::WideToUtf8(answer), root)) << wi::WideToUtf8(answer);
    EXPECT_FALSE(root["result"].asBool());
    EXPECT_EQ("C:/a \"b\".txt_D:/t_n.txt_file_does_not_exists", root["error"].asString());
}

}  // namespace
