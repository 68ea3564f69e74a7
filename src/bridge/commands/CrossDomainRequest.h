#pragma once
// The cross-domain request command (4): its decisions, as plain functions.
#include <json/json.h>

namespace bridge {

// A worker carries the request when onSuccessId or onFailureId is a JSON
// integer other than -1; otherwise the script call itself waits for it.
bool CrossDomainRunsInWorker(const Json::Value& params);

}  // namespace bridge
