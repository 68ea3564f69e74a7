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
// Command 34 is accepted and does nothing.
void AcceptAndIgnore(const Json::Value&, VARIANT*) {}

}  // namespace

const CCommandTable& ProgramCommands() {
    static const CCommandTable table = {
        {5, &CloseApp},
        {6, &ShowApp},
        {8, &CDispatcherHandler::MinimizeWindow},
        {15, &CDispatcherHandler::GetInstallerParams},
        {24, &CDispatcherHandler::GetCommandLineParams},
        {28, &CDispatcherHandler::GetGuid},
        {33, &CDispatcherHandler::StopFallbackTimer},
        {34, &AcceptAndIgnore},
    };
    return table;
}
