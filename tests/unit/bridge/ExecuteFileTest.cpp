// Reading a launch request: which requests start anything, in which mode.
#include <gtest/gtest.h>

#include <json/json.h>

#include "bridge/commands/ExecuteFile.h"

namespace {

TEST(ExecuteFile, ParseLaunchRequest) {
    const struct {
        const char* params;
        bool starts;
        int onFinishId;
        bool bringOnTop;
        bool syncRun;
    } cases[] = {
        {R"({"file":"a.exe","commandLine":""})", true, -1, false, true},
        {R"({"file":"a.exe","commandLine":"/s","onFinishId":5,"bringOnTop":true,"syncRun":false})", true, 5, true,
         false},
        {R"({"file":"a.exe","commandLine":"","onFinishId":0})", true, 0, false, true},
        // Only a number written as an integer is a callback id.
        {R"({"file":"a.exe","commandLine":"","onFinishId":5.0})", true, -1, false, true},
        {R"({"file":"a.exe","commandLine":"","onFinishId":5e0})", true, -1, false, true},
        {R"({"file":"a.exe","commandLine":"","onFinishId":"5"})", true, -1, false, true},
        {R"({"file":"a.exe","commandLine":"","onFinishId":4294967296})", true, -1, false, true},
        {R"({"file":"a.exe","commandLine":"","bringOnTop":1,"syncRun":0})", true, -1, false, true},
        {R"({"file":"a.exe"})", false, -1, false, true},
        {R"({"commandLine":""})", false, -1, false, true},
        {R"({"file":null,"commandLine":""})", false, -1, false, true},
        {R"({"file":"a.exe\u0000.txt","commandLine":""})", false, -1, false, true},
        {R"(["a.exe",""])", false, -1, false, true},
    };
    for (const auto& c : cases) {
        Json::Value params;
        ASSERT_TRUE(Json::Reader().parse(c.params, params)) << c.params;
        bridge::LaunchRequest request;
        EXPECT_EQ(c.starts, bridge::ParseLaunchRequest(params, &request)) << c.params;
        if (!c.starts) continue;
        EXPECT_EQ(c.onFinishId, request.onFinishId) << c.params;
        EXPECT_EQ(c.bringOnTop, request.bringOnTop) << c.params;
        EXPECT_EQ(c.syncRun, request.syncRun) << c.params;
    }
}

}  // namespace
