// The small commands: minimise (8), installer parameters (15), command line
// (24), run GUID (28), stop the fallback timer (33).
#include "bridge/commands/BasicCommands.h"

#include "app/Application.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "diagnostics/Logger.h"
#include "ui/FallbackTimer.h"

namespace bridge {

std::wstring InstallerParamsAnswer(const std::wstring& appId) {
    return FillAnswer(L"{ \"param1\": \"%s\" }", {AnswerValue::Text(appId)});
}

std::wstring CommandLineAnswer(const std::wstring& commandLine) {
    return FillAnswer(L"{ \"commandLine\" : \"%s\" }", {AnswerValue::Text(commandLine)});
}

std::wstring GuidAnswer(const std::wstring& runGuid) {
    return FillAnswer(L"{ \"GUID\" : \"%s\" , \"result\" : %s , \"error\" :\"%s\" }",
                      {AnswerValue::Text(runGuid), AnswerValue::Bool(true), AnswerValue::Text(L"")});
}

namespace {
void Answer(const wchar_t* name, const std::wstring& text, VARIANT* answer) {
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls result [%ls]", name, text.c_str());
    SetAnswerText(answer, text);
}
}  // namespace

}  // namespace bridge

void CDispatcherHandler::MinimizeWindow(const Json::Value&, VARIANT*) {
    CApplication* app = CApplication::Instance();
    // Silent runs show no window, not even minimised.
    if (app->IsSilent()) return;
    if (HWND main = app->MainWindowHandle()) ::ShowWindow(main, SW_MINIMIZE);
}

void CDispatcherHandler::GetInstallerParams(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    bridge::Answer(L"CDispatcherHandler::GetInstallerParams",
                   bridge::InstallerParamsAnswer(CApplication::Instance()->Brand().app_id), answer);
}

void CDispatcherHandler::GetCommandLineParams(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    bridge::Answer(L"CDispatcherHandler::GetCommandLineParams",
                   bridge::CommandLineAnswer(CApplication::Instance()->CommandLine()), answer);
}

void CDispatcherHandler::GetGuid(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    bridge::Answer(L"CDispatcherHandler::GetGuid", bridge::GuidAnswer(CApplication::Instance()->RunGuid()), answer);
}

void CDispatcherHandler::StopFallbackTimer(const Json::Value&, VARIANT*) {
    ::KillTimer(CApplication::Instance()->WebViewWindowHandle(), kFallbackTimerId);
}
