#include "bridge/dispatcher/CommandTable.h"

#include "app/Application.h"
#include "bridge/dispatcher/DispatcherHandler.h"

CCommandTable::CCommandTable(std::initializer_list<CommandEntry> entries) : entries_(entries) {}

CommandHandler CCommandTable::Find(int id) const {
    for (const CommandEntry& entry : entries_) {
        if (entry.id == id) return entry.handler;
    }
    return nullptr;
}

namespace {

void CloseApp(const Json::Value& params, VARIANT*) { CApplication::Instance()->CloseApp(params); }
void ShowApp(const Json::Value& params, VARIANT*) { CApplication::Instance()->ShowApp(params); }
// Commands 36 and 39 differ in their worker's name and the password.
void Extract7zPlain(const Json::Value& params, VARIANT* answer) {
    CDispatcherHandler::Extract7z(params, "extractGzipThreadRequest", L"", answer);
}
void Extract7zWithPackagePassword(const Json::Value& params, VARIANT* answer) {
    CDispatcherHandler::Extract7z(params, "extractWithPasswordThreadRequest",
                                  CApplication::Instance()->PackagePassword(), answer);
}
// Command 34 is accepted and does nothing.
void AcceptAndIgnore(const Json::Value&, VARIANT*) {}

}  // namespace

const CCommandTable& ProgramCommands() {
    static const CCommandTable table = {
        {1, &CDispatcherHandler::DownloadFile},
        {2, &CDispatcherHandler::ExecuteFile},
        {4, &CDispatcherHandler::CrossDomainRequest},
        {5, &CloseApp},
        {6, &ShowApp},
        {8, &CDispatcherHandler::MinimizeWindow},
        {13, &CDispatcherHandler::GetInfo},
        {15, &CDispatcherHandler::GetInstallerParams},
        {16, &CDispatcherHandler::DeleteFolder},
        {21, &CDispatcherHandler::CreateTextFile},
        {22, &CDispatcherHandler::CreateFolder},
        {23, &CDispatcherHandler::GetWebInstallerInfo},
        {24, &CDispatcherHandler::GetCommandLineParams},
        {25, &CDispatcherHandler::FileCopy},
        {27, &CDispatcherHandler::GetEnvoriment},
        {28, &CDispatcherHandler::GetGuid},
        {33, &CDispatcherHandler::StopFallbackTimer},
        {34, &AcceptAndIgnore},
        {36, &Extract7zPlain},
        {37, &CDispatcherHandler::IsFileExist},
        {39, &Extract7zWithPackagePassword},
        {40, &CDispatcherHandler::ReadTextFile},
        {47, &CDispatcherHandler::IsDirectoryEmpty},
    };
    return table;
}
