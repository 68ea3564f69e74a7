// The extraction commands (36 and 39): one handler and one worker, which
// differ only in the password and the name their finish message carries.
// The script call answers nothing; the worker unpacks and posts the result.
// A worker whose output folder cannot be created still posts result false,
// so the page never waits in vain.
#include "bridge/commands/ExtractCommands.h"

#include <utility>

#include "app/Application.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/Logger.h"
#include "platform/FileSystemUtils.h"
#include "transfer/Extract.h"

namespace bridge {

ExtractRequestError ReadExtractRequest(const Json::Value& params, ExtractRequest* request) {
    if (!ReadString(params, "inputFilePath", &request->archivePath)) return ExtractRequestError::InputFilePath;
    if (!ReadString(params, "outputFolder", &request->outputFolder) || request->outputFolder.empty())
        return ExtractRequestError::OutputFolder;
    if (request->outputFolder.back() != L'\\') request->outputFolder += L'\\';
    request->hasFinishId = ReadInt(params, "onFinishId", &request->finishId);
    if (!request->hasFinishId) request->finishId = 0;
    return ExtractRequestError::None;
}

namespace {

constexpr const wchar_t* kHandler = L"CDispatcherHandler::Extract7z";
constexpr const wchar_t* kWorker = L"CDispatcherHandler::extractThreadRequest";

struct ExtractJob {
    std::wstring archivePath;
    std::wstring outputFolder;
    int finishId;
    const char* function;
    std::wstring password;

    void operator()() {
        bool ok = false;
        if (!CFileSystemUtils::CreateDirectoryRecurcive(outputFolder)) {
            Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls output folder [%ls], error [%ls]", kWorker,
                          outputFolder.c_str(), L"");
        } else {
            ok = Tools::Extract(archivePath, outputFolder, password);
        }
        std::unique_ptr<Json::Value> finish = MakeResult(function);
        (*finish)["result"] = ok;
        (*finish)["error"] = "";
        if (finishId != -1) PostResult(finishId, std::move(finish));
    }
};

}  // namespace

}  // namespace bridge

void CDispatcherHandler::Extract7z(const Json::Value& params, const char* workerName, const std::wstring& password,
                                   VARIANT*) {
    using namespace bridge;
    ExtractRequest request;
    switch (ReadExtractRequest(params, &request)) {
    case ExtractRequestError::InputFilePath:
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls inputFilePath error", kHandler);
        return;
    case ExtractRequestError::OutputFolder:
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls outputFolder error", kHandler);
        return;
    case ExtractRequestError::None:
        break;
    }
    request.outputFolder = CApplication::Instance()->QaPath(request.outputFolder);
    if (!request.hasFinishId) Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls onFinishId not exist", kHandler);

    if (!StartWorker(ExtractJob{std::move(request.archivePath), std::move(request.outputFolder), request.finishId,
                                workerName, password}))
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kHandler);
}
