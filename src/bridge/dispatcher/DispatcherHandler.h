#pragma once
// The router of the page's requests and the command handlers.
//
// HandleJSRequest parses the request text, converts the command id and calls
// the handler that the command table names. Every handler has the same shape
// (params, result place); the handlers live in bridge/commands/, one file
// group per command family, and share the helpers of Request.h (typed
// members, callback ids), Answer.h (escaped JSON answers) and Worker.h
// (detached workers, thread result message).
#include <windows.h>
#include <oaidl.h>

#include <json/json.h>

#include <string>

class CCommandTable;

class CDispatcherHandler {
public:
    explicit CDispatcherHandler(const CCommandTable& commands);

    // Never throws; failures reach the page through the answer.
    void HandleJSRequest(const std::wstring& text, VARIANT* answer);

    // Command handlers, by command id.
    static void DownloadFile(const Json::Value& params, VARIANT* answer);          // 1
    static void ExecuteFile(const Json::Value& params, VARIANT* answer);           // 2
    static void CrossDomainRequest(const Json::Value& params, VARIANT* answer);    // 4
    static void MinimizeWindow(const Json::Value& params, VARIANT* answer);        // 8
    static void ReadRegistry(const Json::Value& params, VARIANT* answer);          // 10
    static void WriteRegistry(const Json::Value& params, VARIANT* answer);         // 11
    static void OpenUrl(const Json::Value& params, VARIANT* answer);               // 12
    static void GetInfo(const Json::Value& params, VARIANT* answer);               // 13
    static void ShowMessageBox(const Json::Value& params, VARIANT* answer);        // 14
    static void GetInstallerParams(const Json::Value& params, VARIANT* answer);    // 15
    static void DeleteFolder(const Json::Value& params, VARIANT* answer);          // 16
    static void DeleteRegistry(const Json::Value& params, VARIANT* answer);        // 17
    static void CreateShortcut(const Json::Value& params, VARIANT* answer);        // 19
    static void DeleteShortcut(const Json::Value& params, VARIANT* answer);        // 20
    static void CreateTextFile(const Json::Value& params, VARIANT* answer);        // 21
    static void CreateFolder(const Json::Value& params, VARIANT* answer);          // 22
    static void GetWebInstallerInfo(const Json::Value& params, VARIANT* answer);   // 23
    static void GetCommandLineParams(const Json::Value& params, VARIANT* answer);  // 24
    static void FileCopy(const Json::Value& params, VARIANT* answer);              // 25
    static void SelectFolder(const Json::Value& params, VARIANT* answer);          // 26
    static void GetEnvoriment(const Json::Value& params, VARIANT* answer);         // 27
    static void GetGuid(const Json::Value& params, VARIANT* answer);               // 28
    static void IsProcessRunAsAdmin(const Json::Value& params, VARIANT* answer);   // 29
    static void CheckProcessRun(const Json::Value& params, VARIANT* answer);       // 31
    static void StopFallbackTimer(const Json::Value& params, VARIANT* answer);     // 33
    // 36 and 39: the table's entries pass the worker name and the password.
    static void Extract7z(const Json::Value& params, const char* workerName, const std::wstring& password,
                          VARIANT* answer);
    static void IsFileExist(const Json::Value& params, VARIANT* answer);           // 37
    static void CheckExeSignaure(const Json::Value& params, VARIANT* answer);      // 38
    static void ReadTextFile(const Json::Value& params, VARIANT* answer);          // 40
    static void KillProcess(const Json::Value& params, VARIANT* answer);           // 46
    static void IsDirectoryEmpty(const Json::Value& params, VARIANT* answer);      // 47

private:
    const CCommandTable& commands_;
};
