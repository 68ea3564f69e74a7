#pragma once
// Command 2: start a program, or open a document, through the shell.
//
// Without a callback id the start happens inside the script call, which by
// default waits for the program and answers its exit code. With a callback id
// the call answers at once and the worker "executeFileAsyncThreadFunc" starts
// the program, waits for it and posts the exit code.
//
// Exit codes: the program's own; 0 when nothing was waited for; 1 when
// nothing was started in the call; 1000 when the start succeeded but no exit
// code can be read (the shell handed the document to a running program and
// gave no process); 2000 in the worker's result when the start failed.
#include <windows.h>

#include <json/json.h>

#include <memory>
#include <string>

namespace bridge {

constexpr int kExitNotStarted = 1;
constexpr int kExitCodeUnknown = 1000;
constexpr int kExitWorkerStartFailed = 2000;

struct LaunchRequest {
    std::wstring file;
    std::wstring commandLine;  // may be empty
    int onFinishId = -1;       // -1: no worker
    bool bringOnTop = false;
    bool syncRun = true;
};

// Reads the request; false when `file` or `commandLine` is missing or not a
// text (the call then starts nothing, also when it names a callback id).
bool ParseLaunchRequest(const Json::Value& params, LaunchRequest* request);

// The immediate answer; backslashes appear as forward slashes.
std::wstring ExecuteFileAnswer(int exitCode, const std::wstring& error);

// The worker's result object.
std::unique_ptr<Json::Value> ExecuteFileResult(bool started, int exitCode);

}  // namespace bridge
