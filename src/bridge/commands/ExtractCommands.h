#pragma once
// The extraction commands (36 without a password, 39 with the package
// password): reading the request, as a plain function.
#include <json/json.h>

#include <string>

namespace bridge {

struct ExtractRequest {
    std::wstring archivePath;
    std::wstring outputFolder;  // always with its final backslash
    int finishId = 0;           // 0 when missing or not an integer
    bool hasFinishId = false;
};

enum class ExtractRequestError { None, InputFilePath, OutputFolder };

// inputFilePath a string, outputFolder a non-empty string; onFinishId only
// when it is a JSON integer.
ExtractRequestError ReadExtractRequest(const Json::Value& params, ExtractRequest* request);

}  // namespace bridge
