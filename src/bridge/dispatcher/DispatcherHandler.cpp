#include "bridge/dispatcher/DispatcherHandler.h"

#include <exception>

#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/CommandTable.h"
#include "bridge/dispatcher/Request.h"
#include "diagnostics/Logger.h"
#include "platform/Text.h"

CDispatcherHandler::CDispatcherHandler(const CCommandTable& commands) : commands_(commands) {}

void CDispatcherHandler::HandleJSRequest(const std::wstring& text, VARIANT* answer) {
    static const wchar_t kName[] = L"CDispatcherHandler::HandleJSRequest";
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls js request [%ls]!", kName, text.c_str());

    bridge::Request request = bridge::ParseRequest(wi::WideToUtf8(text));
    switch (request.status) {
    case bridge::RequestStatus::Ok:
        break;
    case bridge::RequestStatus::ParseFailed:
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls json reader parse failed!", kName);
        bridge::SetAnswerNull(answer);
        return;
    case bridge::RequestStatus::RootNull:
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls json root is null!", kName);
        bridge::SetAnswerNull(answer);
        return;
    case bridge::RequestStatus::IdMissing:
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls json member id is missing!", kName);
        bridge::SetAnswerNull(answer);
        return;
    case bridge::RequestStatus::IdNotCommand:
        // A string, array, object or a number beyond 32 bits: refused like an unparsable request.
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls json member id is not a command id!", kName);
        bridge::SetAnswerNull(answer);
        return;
    }

    CommandHandler handler = commands_.Find(request.id);
    if (!handler) {
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls Unhandled JS cmd[%d]", kName, request.id);
        return;
    }
    try {
        handler(request.params, answer);
    } catch (const std::exception& e) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls cmd[%d] failed with an exception [%hs]", kName, request.id,
                      e.what());
    } catch (...) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls cmd[%d] failed with an exception", kName, request.id);
    }
}
