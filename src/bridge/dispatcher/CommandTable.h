#pragma once
// The command table: the one place that maps the page's command ids to their
// handlers. Adding a command is one entry in ProgramCommands()
// (CommandTable.cpp) plus its handler file under bridge/commands/.
#include <windows.h>
#include <oaidl.h>

#include <json/json.h>

#include <initializer_list>
#include <vector>

// A handler gets the request's params (null when missing) and the script
// call's result place (null when the caller offers none).
using CommandHandler = void (*)(const Json::Value& params, VARIANT* answer);

struct CommandEntry {
    int id;
    CommandHandler handler;
};

class CCommandTable {
public:
    CCommandTable(std::initializer_list<CommandEntry> entries);
    // The handler of the id, or null for an unhandled id.
    CommandHandler Find(int id) const;

private:
    std::vector<CommandEntry> entries_;
};

// The program's commands.
const CCommandTable& ProgramCommands();
