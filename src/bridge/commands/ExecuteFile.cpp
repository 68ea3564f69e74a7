// Command 2: start a program or open a document through the shell, in the
// script call or in the worker "executeFileAsyncThreadFunc".
#include "bridge/commands/ExecuteFile.h"

#include <objbase.h>
#include <shellapi.h>

#include <ctime>

#include "app/Application.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/Logger.h"
#include "platform/Handles.h"

namespace bridge {

bool ParseLaunchRequest(const Json::Value& params, LaunchRequest* request) {
    // Paths and parameters with a NUL character count as missing: the start
    // would use only the text before it.
    if (!ReadPath(params, "file", &request->file)) return false;
    if (!ReadPath(params, "commandLine", &request->commandLine)) return false;
    ReadJsonInteger(params, "onFinishId", &request->onFinishId);
    ReadBool(params, "bringOnTop", &request->bringOnTop);
    ReadBool(params, "syncRun", &request->syncRun);
    return true;
}

std::wstring ExecuteFileAnswer(int exitCode, const std::wstring& error) {
    return FillAnswer(L"{ \"exitCode\" : %d , \"result\" : %s , \"error\" : \"%s\" }",
                      {AnswerValue::Number(exitCode), AnswerValue::Bool(error.empty()), AnswerValue::Text(error)},
                      Slashes::Forward);
}

std::unique_ptr<Json::Value> ExecuteFileResult(bool started, int exitCode) {
    std::unique_ptr<Json::Value> result = MakeResult("executeFileAsyncThreadFunc");
    (*result)["result"] = started;
    (*result)["exitCode"] = started ? exitCode : kExitWorkerStartFailed;
    (*result)["error"] = started ? "" : "executeFile_ShellExecuteEx_error";
    return result;
}

namespace {

int ClockMs() { return static_cast<int>(std::clock() * 1000LL / CLOCKS_PER_SEC); }

// The shell may hand the start to extensions that need COM on the calling
// thread; the user interface thread has it already, a worker sets it up.
class ComApartment {
public:
    ComApartment() : ready_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (ready_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ready_;
};

// The shell start of both modes. The process stays empty when the shell gives
// none (a document handed to a program that already runs).
bool ShellStart(const LaunchRequest& request, wi::unique_handle* process) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = nullptr;
    info.lpVerb = L"open";
    info.lpFile = request.file.c_str();
    info.lpParameters = request.commandLine.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOW;
    BOOL started = ::ShellExecuteExW(&info);
    process->reset(info.hProcess);
    return started != FALSE;
}

int WaitForExitCode(HANDLE process) {
    if (!process) return kExitCodeUnknown;
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return kExitCodeUnknown;
    return static_cast<int>(code);
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) {
        search->found = window;
        return FALSE;  // the first in enumeration order
    }
    return TRUE;
}

// Right after the start: a program that has no window yet is not brought forward.
void BringToFront(HANDLE process) {
    WindowSearch search = {process ? ::GetProcessId(process) : 0, nullptr};
    if (search.processId == 0) return;
    ::EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) ::SwitchToThisWindow(search.found, FALSE);
}

// Synchronous mode: the exit code of the answer.
int RunInCall(const LaunchRequest& request, const wchar_t* handlerName) {
    wi::unique_handle process;
    if (!ShellStart(request, &process)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls ShellExecuteEx error", handlerName);
        return kExitNotStarted;
    }
    if (request.bringOnTop) BringToFront(process.get());
    if (!request.syncRun) return 0;
    return WaitForExitCode(process.get());
}

void ExecuteFileAsyncThreadFunc(const LaunchRequest& request) {
    ComApartment com;
    wi::unique_handle process;
    if (!ShellStart(request, &process)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls ShellExecuteEx error", L"executeFileAsyncThreadFunc");
        PostResult(request.onFinishId, ExecuteFileResult(false, kExitWorkerStartFailed));
        return;
    }
    PostResult(request.onFinishId, ExecuteFileResult(true, WaitForExitCode(process.get())));
}

}  // namespace

}  // namespace bridge

void CDispatcherHandler::ExecuteFile(const Json::Value& params, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::ExecuteFile";
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls IN time [%d]", kName, bridge::ClockMs());
    int exitCode = bridge::kExitNotStarted;
    std::wstring error;
    bridge::LaunchRequest request;
    if (!bridge::ParseLaunchRequest(params, &request)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls file error", kName);
    } else {
        // The worker gets the substituted path too: both modes start the same file.
        request.file = CApplication::Instance()->QaPath(request.file);
        if (request.onFinishId != -1) {
            exitCode = 0;
            if (!bridge::StartWorker([request]() { bridge::ExecuteFileAsyncThreadFunc(request); })) {
                error = L"executeFile_beginthreadex";
                Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kName);
            }
        } else {
            exitCode = bridge::RunInCall(request, kName);
        }
    }
    bridge::SetAnswerText(answer, bridge::ExecuteFileAnswer(exitCode, error));
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls OUT time [%d]", kName, bridge::ClockMs());
}
