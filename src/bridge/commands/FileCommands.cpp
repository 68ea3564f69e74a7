// The file commands: read a text file (40), copy a file (25), write a text
// file (21), does a file exist (37).
#include "bridge/commands/FileCommands.h"

#include <windows.h>

#include "app/Application.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/LastErrorName.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/FileSystemUtils.h"
#include "platform/MappedFile.h"
#include "platform/Text.h"

namespace bridge {

std::wstring FileCopyAnswer(const std::wstring& error) {
    return FillAnswer(L"{ \"result\" : %s , \"error\" : \"%s\"}",
                      {AnswerValue::Bool(error.empty()), AnswerValue::Text(error)}, Slashes::Forward);
}

std::wstring CopyErrorText(const std::wstring& source, const std::wstring& folder, const std::wstring& name,
                           const std::wstring& copyError) {
    return wi::Format(L"%ls_%ls_%ls_%ls", source.c_str(), folder.c_str(), name.c_str(), copyError.c_str());
}

std::unique_ptr<Json::Value> ReadFileResult(const std::wstring& error, const std::wstring& content) {
    std::unique_ptr<Json::Value> result = MakeResult("readFileThread");
    (*result)["result"] = error.empty();
    (*result)["error"] = wi::WideToUtf8(error);
    (*result)["content"] = error.empty() ? wi::WideToUtf8(content) : std::string();
    return result;
}

std::unique_ptr<Json::Value> CopyFileResult(const std::wstring& error) {
    std::unique_ptr<Json::Value> result = MakeResult("copyFileThread");
    (*result)["result"] = error.empty();
    (*result)["error"] = wi::WideToUtf8(error);
    return result;
}

std::wstring TextFilePath(const std::wstring& folder, const std::wstring& name) {
    return wi::Format(L"%ls\\%ls.txt", folder.c_str(), name.c_str());
}

namespace {

// The callback id of commands 40 and 25: -1 (work in the call itself) when
// absent, not an integer, or -1.
int FinishId(const Json::Value& params, const wchar_t* handlerName) {
    int id = -1;
    if (!ReadJsonInteger(params, "onFinishId", &id)) {
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls onFinishId not exist", handlerName);
        return -1;
    }
    return id;
}

void ReadFileThread(const std::wstring& path, int callbackId) {
    std::wstring text;
    std::wstring error;
    {
        CMappedFile file;
        if (!file.ReadTextFile(path, text, error)) {
            error = wi::Format(L"readFileThread_readFile_%ls_%ls", path.c_str(), error.c_str());
        }
    }
    PostResult(callbackId, ReadFileResult(error, text));
}

// The copy of command 25 and of its worker; the error text, empty on success.
std::wstring CopyInto(const std::wstring& source, const std::wstring& folder, const std::wstring& name) {
    std::wstring copyError;
    if (CFileSystemUtils::CopyFileW(source, folder, name, copyError)) return std::wstring();
    return CopyErrorText(source, folder, name, copyError);
}

}  // namespace

}  // namespace bridge

void CDispatcherHandler::ReadTextFile(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::ReadTextFile";
    if (!answer) return;
    std::wstring path;
    if (!bridge::ReadPath(params, "filePath", &path)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls filePath error", kName);
        bridge::SetAnswerText(answer, L"");
        return;
    }
    if (!CFileSystemUtils::FileExists(path)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls file not exist [%ls]", kName, path.c_str());
        bridge::SetAnswerText(answer, L"");
        return;
    }
    int callbackId = bridge::FinishId(params, kName);
    if (callbackId != -1) {
        if (!bridge::StartWorker([path, callbackId]() { bridge::ReadFileThread(path, callbackId); })) {
            Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kName);
        }
        bridge::SetAnswerText(answer, L"");
        return;
    }
    std::wstring text;
    std::wstring error;
    {
        CMappedFile file;
        if (!file.ReadTextFile(path, text, error)) {
            Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls ReadFile error [%ls]", kName, error.c_str());
            text.clear();
        }
    }
    bridge::SetAnswerText(answer, text);
}

void CDispatcherHandler::FileCopy(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::FileCopy";
    std::wstring source;
    std::wstring folder;
    std::wstring name;
    std::wstring error;
    // A request that cannot be carried out is answered as a failure: the page
    // must not take a copy that never happened for a done one.
    if (!bridge::ReadPath(params, "filePath", &source)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls filePath error", kName);
        error = L"copyFile_filePath_missing";
    }
    if (!bridge::ReadPath(params, "newFilePath", &folder)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls newFilePath error", kName);
        if (error.empty()) error = L"copyFile_newFilePath_missing";
    }
    if (!bridge::ReadPath(params, "newFileName", &name)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls newFileName error", kName);
        if (error.empty()) error = L"copyFile_newFileName_missing";
    }
    if (error.empty()) {
        folder = CApplication::Instance()->QaPath(folder);
        int callbackId = bridge::FinishId(params, kName);
        if (callbackId != -1) {
            bool started = bridge::StartWorker([source, folder, name, callbackId]() {
                bridge::PostResult(callbackId, bridge::CopyFileResult(bridge::CopyInto(source, folder, name)));
            });
            if (!started) {
                error = L"copyFile_beginthreadex_error";
                Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kName);
            }
        } else {
            error = bridge::CopyInto(source, folder, name);
            if (!error.empty()) {
                Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls CopyFile error [%ls]", kName, error.c_str());
            }
        }
    }
    if (!answer) return;
    std::wstring text = bridge::FileCopyAnswer(error);
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls result [%ls]", kName, text.c_str());
    bridge::SetAnswerText(answer, text);
}

void CDispatcherHandler::CreateTextFile(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::CreateTextFile";
    std::wstring folder;
    std::wstring name;
    std::wstring content;
    if (!bridge::ReadPath(params, "filePath", &folder)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls filePath error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    if (!bridge::ReadPath(params, "name", &name)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls name error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    if (!bridge::ReadString(params, "content", &content)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls content error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    std::wstring path = bridge::TextFilePath(folder, name);

    if (!CFileSystemUtils::CreateDirectoryRecurcive(folder)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls CreateDirectory [%ls] error [%ls]", kName, folder.c_str(), L"");
        CSendStats::SendErrorEvent(L"error",
                                   wi::Format(L"%ls_%ls_%ls", L"textfileerrorcreatedir", folder.c_str(), L""));
        bridge::SetAnswerBool(answer, false);
        return;
    }
    CMappedFile file;
    // Waits up to 10 s for a file that another program holds.
    if (file.Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true) != CMappedFile::kOpened) {
        std::wstring errorName = LastErrorName();  // before anything else can change it
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls openFile error", kName);
        CSendStats::SendError(L"textfileerroropen", errorName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    // An empty text is refused and leaves the file as it was.
    if (!file.WriteText(content)) {
        std::wstring errorName = LastErrorName();
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls WriteFile error", kName);
        CSendStats::SendError(L"textfileerrorwrite", errorName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    file.Close();
    bridge::SetAnswerBool(answer, true);
}

void CDispatcherHandler::IsFileExist(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::IsFileExist";
    std::wstring path;
    if (!bridge::ReadPath(params, "filePath", &path)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls filePath error", kName);
        bridge::SetAnswerBool(answer, false);
        return;
    }
    path = CApplication::Instance()->QaPath(path);
    bool exists = CFileSystemUtils::FileExists(path);
    if (!exists) Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls file not exist [%ls]", kName, path.c_str());
    bridge::SetAnswerBool(answer, exists);
}
