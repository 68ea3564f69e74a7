#pragma once
// Answers of the small run-state commands (15, 24, 28), as plain functions.
#include <string>

namespace bridge {

std::wstring InstallerParamsAnswer(const std::wstring& appId);
std::wstring CommandLineAnswer(const std::wstring& commandLine);
std::wstring GuidAnswer(const std::wstring& runGuid);

}  // namespace bridge
