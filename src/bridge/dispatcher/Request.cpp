#include "bridge/dispatcher/Request.h"

#include <cmath>
#include <exception>
#include <limits>

#include "platform/Text.h"

namespace bridge {

Request ParseRequest(const std::string& utf8Text) {
    Request request;
    Json::Value root;
    try {
        Json::Reader reader;
        if (!reader.parse(utf8Text, root, false)) {
            request.status = RequestStatus::ParseFailed;
            return request;
        }
    } catch (const std::exception&) {
        // The reader throws beyond its nesting limit.
        request.status = RequestStatus::ParseFailed;
        return request;
    }
    if (root.isNull()) {
        request.status = RequestStatus::RootNull;
        return request;
    }
    const Json::Value* id = Member(root, "id");
    if (!id) {
        request.status = RequestStatus::IdMissing;
        return request;
    }
    if (!ToCommandId(*id, &request.id)) {
        request.status = RequestStatus::IdNotCommand;
        return request;
    }
    if (const Json::Value* params = Member(root, "params")) request.params = *params;
    request.status = RequestStatus::Ok;
    return request;
}

bool ToCommandId(const Json::Value& value, int* id) {
    long long number = 0;
    if (value.isNull()) {
        number = 0;
    } else if (!NumberValue(value, &number)) {
        return false;
    }
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return false;
    *id = static_cast<int>(number);
    return true;
}

bool NumberValue(const Json::Value& value, long long* out) {
    switch (value.type()) {
    case Json::intValue:
        *out = value.asLargestInt();
        return true;
    case Json::uintValue: {
        Json::LargestUInt u = value.asLargestUInt();
        if (u > static_cast<Json::LargestUInt>(std::numeric_limits<long long>::max())) return false;
        *out = static_cast<long long>(u);
        return true;
    }
    case Json::realValue: {
        double d = std::trunc(value.asDouble());
        // -2^63 and 2^63 are exact doubles: the signed 64-bit range is [-2^63, 2^63).
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return false;
        *out = static_cast<long long>(d);
        return true;
    }
    case Json::booleanValue:
        *out = value.asBool() ? 1 : 0;
        return true;
    default:
        return false;
    }
}

const Json::Value* Member(const Json::Value& params, const char* name) {
    if (!params.isObject()) return nullptr;
    return params.find(name, name + std::char_traits<char>::length(name));
}

bool ReadUtf8(const Json::Value& params, const char* name, std::string* out) {
    const Json::Value* member = Member(params, name);
    if (!member || !member->isString()) return false;
    *out = member->asString();
    return true;
}

bool ReadString(const Json::Value& params, const char* name, std::wstring* out) {
    std::string utf8;
    if (!ReadUtf8(params, name, &utf8)) return false;
    *out = wi::Utf8ToWide(utf8);
    return true;
}

bool ReadBool(const Json::Value& params, const char* name, bool* out) {
    const Json::Value* member = Member(params, name);
    if (!member || !member->isBool()) return false;
    *out = member->asBool();
    return true;
}

bool ReadInt(const Json::Value& params, const char* name, int* out) {
    const Json::Value* member = Member(params, name);
    if (!member || !member->isInt()) return false;
    *out = member->asInt();
    return true;
}

bool ReadNumber(const Json::Value& params, const char* name, long long* out) {
    const Json::Value* member = Member(params, name);
    return member && NumberValue(*member, out);
}

bool ReadPath(const Json::Value& params, const char* name, std::wstring* out) {
    std::wstring text;
    if (!ReadString(params, name, &text)) return false;
    if (text.find(L'\0') != std::wstring::npos) return false;
    *out = text;
    return true;
}

bool ReadJsonInteger(const Json::Value& params, const char* name, int* out) {
    const Json::Value* member = Member(params, name);
    if (!member) return false;
    // The reader keeps a number written with a fraction or an exponent as a real.
    if (member->type() != Json::intValue && member->type() != Json::uintValue) return false;
    if (!member->isInt()) return false;
    *out = member->asInt();
    return true;
}

int CallbackId(const Json::Value& params, const char* name) {
    int id = -1;
    return ReadInt(params, name, &id) ? id : -1;
}

}  // namespace bridge
