#include "bridge/dispatcher/Worker.h"

#include "app/Application.h"

namespace bridge {

std::unique_ptr<Json::Value> MakeResult(const char* function) {
    std::unique_ptr<Json::Value> result(new Json::Value(Json::objectValue));
    (*result)["function"] = function;
    return result;
}

bool PostResult(int callbackId, std::unique_ptr<Json::Value> result) {
    return PostResultTo(CApplication::Instance()->WebViewWindowHandle(), callbackId, std::move(result));
}

bool PostResultTo(HWND window, int callbackId, std::unique_ptr<Json::Value> result) {
    if (!result) return false;
    // Without a window the post would land in the worker's own queue and never be read.
    if (!window || !::PostMessageW(window, kThreadResultMessage, static_cast<WPARAM>(callbackId),
                        reinterpret_cast<LPARAM>(result.get()))) {
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls post failed, callback [%d]", L"bridge::PostResult", callbackId);
        return false;  // the object is freed here
    }
    result.release();  // the receiver owns it now
    return true;
}

}  // namespace bridge
