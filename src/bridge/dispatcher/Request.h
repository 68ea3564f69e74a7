#pragma once
// Reading a request of the page: the envelope (command id and params) and the
// typed members of params. A member counts only when it is present and of the
// expected JSON type; a member of another type counts as absent, and so does
// every member when params is not an object. None of these functions throws.
#include <json/json.h>

#include <string>

namespace bridge {

enum class RequestStatus {
    Ok,
    ParseFailed,   // not JSON (or nested deeper than the reader allows)
    RootNull,      // the text "null"
    IdMissing,     // no member id (also every root that is not an object)
    IdNotCommand,  // id is a string, array or object, or outside the signed 32-bit range
};

struct Request {
    RequestStatus status = RequestStatus::ParseFailed;
    int id = 0;
    Json::Value params;  // null when missing
};

// Parses the request text (UTF-8) with the JSON reader's default features.
Request ParseRequest(const std::string& utf8Text);

// Command id conversion: an integer as it is, a fraction cut towards zero, a
// boolean as 0 or 1, null as 0. False for every other type and for numbers
// outside the signed 32-bit range.
bool ToCommandId(const Json::Value& value, int* id);

// The member, or null when params is not an object or has no such member.
const Json::Value* Member(const Json::Value& params, const char* name);

// A string member, converted from UTF-8 to UTF-16.
bool ReadString(const Json::Value& params, const char* name, std::wstring* out);
// A string member as its UTF-8 bytes.
bool ReadUtf8(const Json::Value& params, const char* name, std::string* out);
bool ReadBool(const Json::Value& params, const char* name, bool* out);
// A JSON integer that fits a signed 32-bit value (5.0 counts, 5.5 does not).
bool ReadInt(const Json::Value& params, const char* name, int* out);
// Any number (integer, unsigned, real cut towards zero) or boolean (0 or 1)
// that fits a signed 64-bit value.
bool ReadNumber(const Json::Value& params, const char* name, long long* out);
bool NumberValue(const Json::Value& value, long long* out);

// A path member: a string member without NUL characters. The Win32 calls
// would end the path at the first NUL and act on a shorter path than the one
// the page named (a folder deletion on "C:\Data\0\Old" would delete C:\Data),
// so such a member counts as missing.
bool ReadPath(const Json::Value& params, const char* name, std::wstring* out);
// A member written as a JSON integer that fits a signed 32-bit value: 5
// counts, 5.0, 5e0 and "5" do not (ReadInt also takes 5.0).
bool ReadJsonInteger(const Json::Value& params, const char* name, int* out);

// A callback id member (onFinishId, onProgressId ...): -1 when absent.
int CallbackId(const Json::Value& params, const char* name);

}  // namespace bridge
