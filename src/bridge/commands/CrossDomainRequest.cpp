// The cross-domain request command (4): one GET with the body kept in memory,
// answered either in the script call itself (no callback ids) or by a worker
// through the page's callback.
//
// Both ways fetch the same prepared address: the QA address substitution
// (QA installer mode) and the encoded form of a statistics address (outside
// debug mode). Worker results carry the body as UTF-8, so no character is
// lost on the way to the page.
#include "bridge/commands/CrossDomainRequest.h"

#include <ctime>
#include <utility>

#include "app/Application.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "bridge/dispatcher/Request.h"
#include "bridge/dispatcher/Worker.h"
#include "diagnostics/Logger.h"
#include "platform/Text.h"
#include "transfer/Download.h"

namespace bridge {

bool CrossDomainRunsInWorker(const Json::Value& params) {
    return CallbackId(params, "onSuccessId") != -1 || CallbackId(params, "onFailureId") != -1;
}

namespace {

constexpr const wchar_t* kHandler = L"CDispatcherHandler::CrossDomainRequest";
constexpr const wchar_t* kWorker = L"CDispatcherHandler::AjaxRequestThreadFunc";

Tools::DownloadResult Fetch(const std::wstring& url, const std::wstring& headers, const std::wstring& referer) {
    Tools::DownloadRequest request;
    request.url = url;
    request.headers = headers;
    request.referer = referer;
    return Tools::Download(request);
}

struct AjaxJob {
    std::wstring url;
    std::wstring headers;
    std::wstring referer;
    int successId;
    int failureId;

    void operator()() {
        Tools::DownloadResult fetched = Fetch(url, headers, referer);
        if (!fetched.ok) Logger::Write(APPLICATION, ERR, L"%ls download failed, url[%ls]!", kWorker, url.c_str());
        std::unique_ptr<Json::Value> result = MakeResult("AjaxRequestThreadFunc");
        (*result)["result"] = fetched.ok;
        if (fetched.ok) (*result)["content"] = wi::WideToUtf8(fetched.text);
        int callbackId = fetched.ok ? successId : failureId;
        if (callbackId != -1) PostResult(callbackId, std::move(result));
    }
};

int ProcessClock() { return static_cast<int>(std::clock()); }

}  // namespace

}  // namespace bridge

void CDispatcherHandler::CrossDomainRequest(const Json::Value& params, VARIANT* answer) {
    using namespace bridge;
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls IN time [%d]", kHandler, ProcessClock());
    if (!answer) return;

    std::wstring text;
    std::wstring url;
    if (!ReadString(params, "url", &url)) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls url error", kHandler);
    } else {
        CApplication* app = CApplication::Instance();
        url = app->QaUrl(url);
        if (app->EncodeStatsUrl(url)) Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls stats url encoded", kHandler);
        std::wstring headers;
        std::wstring referer;
        ReadString(params, "additionalRequestHeaders", &headers);
        ReadString(params, "referer", &referer);

        if (CrossDomainRunsInWorker(params)) {
            if (!StartWorker(AjaxJob{url, headers, referer, CallbackId(params, "onSuccessId"),
                                     CallbackId(params, "onFailureId")}))
                Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls _beginthreadex error", kHandler);
        } else {
            // Blocks the page and the window until the transfer ends.
            Tools::DownloadResult fetched = Fetch(url, headers, referer);
            if (fetched.ok) {
                text = std::move(fetched.text);
            } else {
                Logger::Write(APPLICATION, ERR, L"%ls download failed, url[%ls]!", kHandler, url.c_str());
            }
        }
    }

    SetAnswerText(answer, text);
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls OUT time [%d]", kHandler, ProcessClock());
}
