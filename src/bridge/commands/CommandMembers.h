#pragma once
// Stricter member readers for the file and launch commands.
//
// A path member is a string member without NUL characters: the Win32 calls
// would end the path at the first NUL and act on a shorter path than the one
// the page named (a folder deletion on "C:\Data\0\Old" would delete C:\Data).
// Such a member counts as missing.
//
// An integer member counts only when it is written as a JSON integer that fits
// a signed 32-bit value: 5 counts, 5.0, 5e0 and "5" do not.
#include <json/json.h>

#include <string>

namespace bridge {

bool ReadPath(const Json::Value& params, const char* name, std::wstring* out);
bool ReadJsonInteger(const Json::Value& params, const char* name, int* out);

}  // namespace bridge
