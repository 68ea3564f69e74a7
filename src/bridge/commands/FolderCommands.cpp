// The folder commands: create (22), is empty (47), delete (16).
#include "bridge/commands/FolderCommands.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/Application.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "diagnostics/LastErrorName.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/FileSystemUtils.h"
#include "platform/Text.h"

namespace bridge {

bool FolderToDelete(const std::wstring& folder, std::wstring* target) {
    std::wstring path = wi::ReplaceAll(folder, L"/", L"\\");
    if (path.empty()) return false;
    if (path.back() == L'\\') path.pop_back();
    if (path.empty()) return false;
    if (path.size() == 2 && path[1] == L':') return false;
    *target = path;
    return true;
}

}  // namespace bridge

void CDispatcherHandler::CreateFolder(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::CreateFolder";
    std::wstring path;
    if (!bridge::ReadPath(params, "path", &path)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls path error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    if (CFileSystemUtils::CreateDirectoryRecurcive(path)) {
        bridge::SetAnswerBool(answer, true);
        return;
    }
    std::wstring errorName = LastErrorName();  // before anything else can change it
    Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls CreateDirectoryRecurcive error [%ls]", kName, L"");
    CSendStats::SendError(wi::Format(L"%ls_%ls_%ls", L"createfoldererror", path.c_str(), L""), errorName);
    bridge::SetAnswerBool(answer, false);
}

void CDispatcherHandler::IsDirectoryEmpty(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::IsDirectoryEmpty";
    std::wstring path;
    if (!bridge::ReadPath(params, "path", &path)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls path error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    // False also for a missing folder and for a file.
    bool empty = ::PathIsDirectoryEmptyW(path.c_str()) != FALSE;
    if (empty) {
        Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls path is empty", kName);
    } else {
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls path not empty", kName);
    }
    bridge::SetAnswerBool(answer, empty);
}

void CDispatcherHandler::DeleteFolder(const Json::Value& params, VARIANT*) {
    static const wchar_t kName[] = L"CDispatcherHandler::DeleteFolder";
    std::wstring folder;
    if (!bridge::ReadPath(params, "folder", &folder)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls folder error", kName);
        return;
    }
    folder = wi::ReplaceAll(folder, L"/", L"\\");
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls folder [%ls]", kName, folder.c_str());
    folder = CApplication::Instance()->QaPath(folder);
    std::wstring target;
    if (!bridge::FolderToDelete(folder, &target)) {
        if (!folder.empty()) Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls refused [%ls]", kName, folder.c_str());
        return;
    }
    std::wstring error;
    // A missing folder counts as deleted.
    if (!CFileSystemUtils::DeleteDirectory(true, error, target)) {
        CSendStats::SendErrorEvent(L"error",
                                   wi::Format(L"%ls_%ls_%ls", L"DeleteFolderFail", target.c_str(), error.c_str()));
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls DeleteDirectory error [%ls]", kName, target.c_str());
    }
}
