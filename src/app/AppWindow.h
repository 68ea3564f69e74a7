#pragma once
// The decisions of the page's window commands (show: 6, close: 5) and of the
// silent run's exit code, as plain functions. The commands themselves are
// CApplication members (AppWindow.cpp).
#include <json/json.h>

#include <string>

#include "ui/MainWindow.h"

struct ShowAppRequest {
    bool stop = false;  // rgba given but incomplete: only the timer is stopped
    bool colourSet = false;
    Rgba colour;
    int width = 0;
    int height = 0;
};
ShowAppRequest ParseShowAppParams(const Json::Value& params);

struct CloseAppRequest {
    bool fade = true;
    bool hasReason = false;
    std::wstring reason;
};
CloseAppRequest ParseCloseAppParams(const Json::Value& params);

// Silent runs that reached the message loop: 0 when the page finished
// successfully, 2 for every other ending.
int SilentExitCode(const std::wstring& closeReason);
