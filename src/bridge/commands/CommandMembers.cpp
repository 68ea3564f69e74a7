#include "bridge/commands/CommandMembers.h"

#include "bridge/dispatcher/Request.h"

namespace bridge {

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

}  // namespace bridge
