// The download command (1): checks the request, picks a free name in the
// working directory and starts the worker, which downloads with progress
// messages and posts one finish message.
//
// The page names only the file; the folder is always the working directory,
// so a name that could point elsewhere is refused. Nothing can signal the
// cancel event yet; its handle value is what the page gets as threadId.
#include "bridge/commands/DownloadCommand.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <utility>

#include "app/Application.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/Logger.h"
#include "platform/FileSystemUtils.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "transfer/Download.h"

namespace bridge {

bool IsSafeDownloadName(const std::wstring& fileName) {
    bool onlyDotsAndBlanks = true;
    for (wchar_t c : fileName) {
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20) return false;
        if (c != L'.' && c != L' ') onlyDotsAndBlanks = false;
    }
    // Covers "" too.
    return !onlyDotsAndBlanks;
}

std::wstring NumberedName(const std::wstring& fileName, int n) {
    std::wstring number = wi::Format(L" (%d)", n);
    size_t dot = fileName.rfind(L'.');
    if (dot == std::wstring::npos) return fileName + number;
    return fileName.substr(0, dot) + number + fileName.substr(dot);
}

bool FindFreePath(const std::wstring& folder, const std::wstring& fileName,
                  const std::function<bool(const std::wstring&)>& exists, std::wstring* path) {
    std::wstring candidate = folder + fileName;
    for (int n = 1; exists(candidate); ++n) {
        if (n > kMaxNumberedNames) return false;
        candidate = folder + NumberedName(fileName, n);
    }
    *path = candidate;
    return true;
}

int ProgressStep(const Json::Value& params) {
    const Json::Value* member = Member(params, "progressPercent");
    if (!member) return 0;
    long long step = 0;
    switch (member->type()) {
    case Json::intValue:
        step = member->asLargestInt();
        break;
    case Json::uintValue:
        // Beyond the signed range it is out of 0..100 all the same.
        step = member->asLargestUInt() > 100 ? 0 : static_cast<long long>(member->asLargestUInt());
        break;
    case Json::booleanValue:
        step = member->asBool() ? 1 : 0;
        break;
    default:
        return 0;
    }
    return step < 0 || step > 100 ? 0 : static_cast<int>(step);
}

std::wstring DownloadAnswer(int threadId, const std::wstring& error) {
    return FillAnswer(L"{ \"threadId\" : %d , \"result\" : %s , \"error\" : \"%s\" }",
                      {AnswerValue::Number(threadId), AnswerValue::Bool(threadId != 0), AnswerValue::Text(error)},
                      Slashes::Forward);
}

namespace {

constexpr const wchar_t* kHandler = L"CDispatcherHandler::DownloadFile";

// What the worker owns: the request it carries out and the cancel event.
struct DownloadJob {
    std::wstring url;
    std::wstring outputFile;
    int progressId;
    int finishId;
    int progressStep;
    wi::unique_handle cancelEvent;

    void operator()() {
        Tools::DownloadRequest request;
        request.url = url;
        request.outputFile = outputFile;
        request.cancelEvent = cancelEvent.get();
        request.progressStep = progressStep;
        if (progressId != -1) {
            request.progressId = progressId;
            request.progressCallback = [](int id, int percent, const std::wstring& address, unsigned int amount) {
                std::unique_ptr<Json::Value> message = MakeResult("progressCallback");
                (*message)["url"] = wi::WideToUtf8(address);
                (*message)["percent"] = percent;
                (*message)["amount"] = amount;
                PostResult(id, std::move(message));
            };
        }
        bool ok = Tools::Download(request).ok;
        cancelEvent.reset();

        std::unique_ptr<Json::Value> finish = MakeResult("downloadThreadRequest");
        (*finish)["result"] = ok;
        (*finish)["outputPath"] = ok ? wi::WideToUtf8(outputFile) : std::string();
        (*finish)["url"] = wi::WideToUtf8(url);
        // Also with -1: the receiver drops it.
        PostResult(finishId, std::move(finish));
    }
};

int ProcessClock() { return static_cast<int>(std::clock()); }

// Checks the request and starts its worker: the error token ("" when the
// worker runs) and, on success, the cancel event's handle value.
std::wstring StartDownload(const Json::Value& params, int* threadId) {
    std::wstring url;
    std::wstring fileName;
    if (!ReadString(params, "url", &url)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls url error", kHandler);
        return L"downloadFile_url_missing";
    }
    if (!ReadString(params, "fileName", &fileName)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls fileName error", kHandler);
        return L"downloadFile_fileName_missing";
    }
    if (!IsSafeDownloadName(fileName)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls fileName invalid [%ls]", kHandler, fileName.c_str());
        return L"downloadFile_fileName_invalid";
    }
    int finishId = -1;
    if (!ReadInt(params, "onFinishId", &finishId))
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls onFinishId not exist", kHandler);
    int progressId = -1;
    if (!ReadInt(params, "onProgressId", &progressId))
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls onProgressId not exist", kHandler);

    const std::wstring& folder = CApplication::Instance()->WorkingDirectory();
    std::wstring outputPath;
    if (!FindFreePath(folder, fileName, &CFileSystemUtils::PathExists, &outputPath)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls ERROR could not find valid file name to use", kHandler);
        return L"downloadFile_findfile_1000";
    }
    if (outputPath != folder + fileName)
        Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls strOutputPath [%ls]", kHandler, outputPath.c_str());

    wi::unique_handle cancelEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!cancelEvent) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls CreateEvent error [%d]", kHandler,
                      static_cast<int>(::GetLastError()));
        return L"downloadFile_createEvent_error";
    }
    int handleValue = static_cast<int>(reinterpret_cast<intptr_t>(cancelEvent.get()));
    DownloadJob job{url, outputPath, progressId, finishId, ProgressStep(params), std::move(cancelEvent)};
    if (!StartWorker(std::move(job))) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kHandler);
        return L"downloadFile_beginthreadex_error";
    }
    *threadId = handleValue;
    return std::wstring();
}

}  // namespace

}  // namespace bridge

void CDispatcherHandler::DownloadFile(const Json::Value& params, VARIANT* answer) {
    using namespace bridge;
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls IN time [%d]", kHandler, ProcessClock());
    if (!answer) return;
    int threadId = 0;
    std::wstring error = StartDownload(params, &threadId);
    SetAnswerText(answer, DownloadAnswer(threadId, error));
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls OUT time [%d]", kHandler, ProcessClock());
}
