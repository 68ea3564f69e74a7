// The identity and environment queries: machine (13), installer (23), user
// and environment (27).
#include "bridge/commands/IdentityCommands.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "app/Application.h"
#include "bridge/commands/ShortcutPath.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "diagnostics/Logger.h"
#include "platform/InteractiveUser.h"
#include "platform/SystemInfo.h"
#include "ui/MainWindow.h"

namespace bridge {

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD got = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return std::nullopt;
        if (got < buffer.size()) return std::wstring(buffer.data(), got);
        buffer.resize(got);  // too small: `got` is the size needed
    }
}

std::wstring InfoAnswer(const std::wstring& osName, bool is64, const std::wstring& ieVersion,
                        const std::wstring& chromeMajor, const std::wstring& firefoxMajor, unsigned long lcid) {
    return FillAnswer(L"{\"os\" : \"%s_%s\" , \"ie\" : \"%s\" , \"ch\" : \"%s\" , \"ff\" : \"%s\" , \"lg\" : %d }",
                      {AnswerValue::Text(osName), AnswerValue::Text(is64 ? L"64bit" : L"32bit"),
                       AnswerValue::Text(ieVersion), AnswerValue::Text(chromeMajor), AnswerValue::Text(firefoxMajor),
                       AnswerValue::Number(static_cast<long long>(lcid))});
}

ProgramPathSplit SplitProgramPath(const std::wstring& path, ProgramPathParts* parts) {
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return ProgramPathSplit::NoBackslash;
    std::wstring file = path.substr(slash + 1);
    size_t dot = file.rfind(L'.');
    if (dot == std::wstring::npos) return ProgramPathSplit::NoDot;
    parts->folder = path.substr(0, slash);
    parts->name = file.substr(0, dot);
    parts->type = file.substr(dot + 1);
    return ProgramPathSplit::Ok;
}

std::wstring WebInstallerInfoAnswer(const ProgramPathParts& parts, const std::wstring& advData, int indexType) {
    // Only the folder can hold backslashes; the stamped data is raw JSON and keeps its own.
    return FillAnswer(L"{ \"path\" : \"%s\" , \"name\" : \"%s\" , \"type\" : \"%s\" , \"result\" : true , "
                      L"\"error\" : \"\" , \"base\" : \"%s\" , \"crypt\" : true , \"advexe\" : %s , "
                      L"\"fallback\" : \"%s\", \"indextype\" : %d }",
                      {AnswerValue::Text(parts.folder), AnswerValue::Text(parts.name), AnswerValue::Text(parts.type),
                       AnswerValue::Text(L""), AnswerValue::Raw(advData), AnswerValue::Text(L""),
                       AnswerValue::Number(indexType)},
                      Slashes::Forward);
}

std::wstring EnvironmentAnswer(const EnvironmentFacts& f) {
    return FillAnswer(L"{ \"LOCALAPPDATA\" : \"%s\" , \"sid\" : \"%s\" , \"temp\" : \"%s\" , \"PROGRAMFILES\" : "
                      L"\"%s\" , \"version\" : \"%s\" , \"processId\" : \"%s\" , \"verifier\" : \"%s\" , "
                      L"\"systemStartMenu\" : \"%s\" , \"userStartMenu\" : \"%s\" ,\"className\" : \"%s\" }",
                      {AnswerValue::Text(f.localAppData), AnswerValue::Text(f.sid), AnswerValue::Text(f.temp),
                       AnswerValue::Text(f.programFiles), AnswerValue::Text(f.version),
                       AnswerValue::Text(f.processId), AnswerValue::Text(f.verifier),
                       AnswerValue::Text(f.systemStartMenu), AnswerValue::Text(f.userStartMenu),
                       AnswerValue::Text(f.className)},
                      Slashes::Forward);
}

std::wstring SystemStartMenuFolder(const std::wstring& osShortName, const std::wstring& programData,
                                   const std::wstring& allUsersProfile) {
    std::wstring name = osShortName;
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towupper(c); });
    if (name == L"V" || name == L"7" || name == L"8") return programData + L"\\Microsoft\\Windows\\Start Menu\\Programs";
    return allUsersProfile + L"\\Start Menu\\Programs";
}

namespace {

void Answer(const wchar_t* name, const std::wstring& text, VARIANT* answer) {
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls result [%ls]", name, text.c_str());
    SetAnswerText(answer, text);
}

// The running program's full path; empty when it cannot be had. Grows past
// MAX_PATH: a truncated path would name another file.
std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

}  // namespace

}  // namespace bridge

void CDispatcherHandler::GetInfo(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    std::wstring firefox = SystemInfo::GetMajorVersion(SystemInfo::GetFirefoxVersion(), 2);
    std::wstring chrome = SystemInfo::GetMajorVersion(SystemInfo::GetChromeVersion(), 2);
    std::wstring ie = SystemInfo::GetIEVersion();
    std::wstring osName = SystemInfo::GetOSName();
    LCID lcid = ::GetSystemDefaultLCID();
    bool is64 = SystemInfo::IsWow64();
    bridge::Answer(L"CDispatcherHandler::GetInfo", bridge::InfoAnswer(osName, is64, ie, chrome, firefox, lcid),
                   answer);
}

void CDispatcherHandler::GetWebInstallerInfo(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    const wchar_t* const kName = L"CDispatcherHandler::GetWebInstallerInfo";
    std::wstring text;
    std::wstring path = bridge::ProgramPath();
    if (path.empty()) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls GetModuleFileName error", kName);
    } else {
        Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls GetModuleFileName ", kName, path.c_str());
        bridge::ProgramPathParts parts;
        switch (bridge::SplitProgramPath(path, &parts)) {
        case bridge::ProgramPathSplit::NoBackslash:
            Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls find '\\'", kName);
            break;
        case bridge::ProgramPathSplit::NoDot:
            Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls find '.'", kName);
            break;
        case bridge::ProgramPathSplit::Ok: {
            CApplication* app = CApplication::Instance();
            text = bridge::WebInstallerInfoAnswer(parts, app->AdvData(), app->IndexType());
            break;
        }
        }
    }
    bridge::Answer(kName, text, answer);
}

void CDispatcherHandler::GetEnvoriment(const Json::Value&, VARIANT* answer) {
    if (!answer) return;
    CApplication* app = CApplication::Instance();
    InteractiveUser user = InteractiveUser::Lookup();
    bridge::EnvironmentFacts facts;
    facts.localAppData = user.localAppData;
    facts.sid = user.hiveName;
    facts.temp = app->WorkingDirectory();
    facts.programFiles = bridge::EnvironmentValue(L"ProgramFiles(x86)")
                             .value_or(bridge::EnvironmentValue(L"ProgramFiles").value_or(L""));
    facts.version = app->VersionText();
    facts.processId = app->RunGuid();
    facts.verifier = app->Verifier();
    facts.systemStartMenu =
        bridge::SystemStartMenuFolder(SystemInfo::GetOSShortName(), bridge::EnvironmentValue(L"PROGRAMDATA").value_or(L""),
                                      bridge::EnvironmentValue(L"ALLUSERSPROFILE").value_or(L""));
    facts.userStartMenu = Tools::GetShortcutNonePublicPath(1);
    facts.className = CMainWindow::kClassName;
    bridge::Answer(L"CDispatcherHandler::GetEnvoriment", bridge::EnvironmentAnswer(facts), answer);
}
