// The request envelope and the typed members every command reads.
#include <gtest/gtest.h>

#include <string>

#include "bridge/dispatcher/Request.h"

namespace {

using bridge::RequestStatus;

Json::Value Parse(const std::string& text) {
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text, value)) << text;
    return value;
}

TEST(Request, EnvelopeAndCommandId) {
    const struct {
        const char* text;
        RequestStatus status;
        int id;
    } cases[] = {
        {R"({"id":28})", RequestStatus::Ok, 28},
        {R"({"id":15.9})", RequestStatus::Ok, 15},
        {R"({"id":-15.9})", RequestStatus::Ok, -15},
        {R"({"id":true})", RequestStatus::Ok, 1},
        {R"({"id":false})", RequestStatus::Ok, 0},
        {R"({"id":null})", RequestStatus::Ok, 0},
        {R"({"id":2147483647})", RequestStatus::Ok, 2147483647},
        {R"({"id":-2147483648})", RequestStatus::Ok, -2147483648LL},
        {R"({"id":-2147483648.9})", RequestStatus::Ok, -2147483648LL},  // cut towards zero first
        {R"({"id":2147483648})", RequestStatus::IdNotCommand, 0},
        {R"({"id":18446744073709551615})", RequestStatus::IdNotCommand, 0},
        {R"({"id":1e300})", RequestStatus::IdNotCommand, 0},
        {R"({"id":"28"})", RequestStatus::IdNotCommand, 0},
        {R"({"id":[28]})", RequestStatus::IdNotCommand, 0},
        {R"({"id":{"id":28}})", RequestStatus::IdNotCommand, 0},
        {R"({"params":{}})", RequestStatus::IdMissing, 0},
        {R"([{"id":28}])", RequestStatus::IdMissing, 0},
        {R"("text")", RequestStatus::IdMissing, 0},
        {"28", RequestStatus::IdMissing, 0},
        {"null", RequestStatus::RootNull, 0},
        {"", RequestStatus::ParseFailed, 0},
        {"{id:28}", RequestStatus::ParseFailed, 0},
        {R"({"id":28)", RequestStatus::ParseFailed, 0},
        {"\xff\xfe", RequestStatus::ParseFailed, 0},
    };
    for (const auto& c : cases) {
        bridge::Request request = bridge::ParseRequest(c.text);
        EXPECT_EQ(c.status, request.status) << c.text;
        if (c.status == RequestStatus::Ok) {
            EXPECT_EQ(c.id, request.id) << c.text;
        }
    }
}

TEST(Request, ParamsOfEveryTypeAndHostileShapes) {
    EXPECT_TRUE(bridge::ParseRequest(R"({"id":1})").params.isNull());
    for (const char* params : {"1", "\"s\"", "[1,2]", "true", "null", "{\"a\":1}", "1.5"}) {
        bridge::Request request = bridge::ParseRequest(std::string(R"({"id":1,"params":)") + params + "}");
        ASSERT_EQ(RequestStatus::Ok, request.status) << params;
        EXPECT_EQ(Parse(params), request.params) << params;
        // Reading members of params that is not an object finds nothing and does not throw.
        std::wstring text;
        EXPECT_EQ(request.params.isObject(), bridge::Member(request.params, "a") != nullptr) << params;
        EXPECT_FALSE(bridge::ReadString(request.params, "a", &text)) << params;
        EXPECT_EQ(-1, bridge::CallbackId(request.params, "onFinishId")) << params;
    }
    // Nesting beyond the reader's limit makes it throw: refused as unparsable.
    std::string deep = R"({"id":1,"params":)" + std::string(5000, '[') + std::string(5000, ']') + "}";
    EXPECT_EQ(RequestStatus::ParseFailed, bridge::ParseRequest(deep).status);
    std::string deepId = R"({"id":)" + std::string(5000, '[') + std::string(5000, ']') + "}";
    EXPECT_EQ(RequestStatus::ParseFailed, bridge::ParseRequest(deepId).status);
    // A large text is just a large text.
    std::string big = R"({"id":24,"params":{"x":")" + std::string(8 << 20, 'x') + "\"}}";
    bridge::Request large = bridge::ParseRequest(big);
    EXPECT_EQ(RequestStatus::Ok, large.status);
    EXPECT_EQ(24, large.id);
}

TEST(Request, TypedMembers) {
    Json::Value params = Parse(R"({"s":"Gr\u00fc\u00dfe","n":7,"big":4294967296,"r":7.5,"i":7.0,"b":true,)"
                               R"("neg":-3,"nul":null,"o":{},"cb":12,"cbText":"12","cbReal":12.5})");
    std::wstring text;
    EXPECT_TRUE(bridge::ReadString(params, "s", &text));
    EXPECT_EQ(L"Gr\u00fc\u00dfe", text);  // UTF-8 in the JSON text, UTF-16 here
    for (const char* notText : {"n", "b", "nul", "o", "missing"}) {
        EXPECT_FALSE(bridge::ReadString(params, notText, &text)) << notText;
    }

    int number = 0;
    EXPECT_TRUE(bridge::ReadInt(params, "n", &number));
    EXPECT_EQ(7, number);
    EXPECT_TRUE(bridge::ReadInt(params, "i", &number));  // integral real
    for (const char* notInt : {"big", "r", "b", "s", "nul"}) {
        EXPECT_FALSE(bridge::ReadInt(params, notInt, &number)) << notInt;
    }

    long long wide = 0;
    const struct {
        const char* name;
        long long value;
    } numbers[] = {{"n", 7}, {"big", 4294967296LL}, {"r", 7}, {"b", 1}, {"neg", -3}};
    for (const auto& n : numbers) {
        EXPECT_TRUE(bridge::ReadNumber(params, n.name, &wide)) << n.name;
        EXPECT_EQ(n.value, wide) << n.name;
    }
    EXPECT_FALSE(bridge::ReadNumber(params, "s", &wide));
    EXPECT_FALSE(bridge::ReadNumber(params, "nul", &wide));

    bool flag = false;
    EXPECT_TRUE(bridge::ReadBool(params, "b", &flag));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(bridge::ReadBool(params, "n", &flag));

    EXPECT_EQ(12, bridge::CallbackId(params, "cb"));
    EXPECT_EQ(-1, bridge::CallbackId(params, "cbText"));
    EXPECT_EQ(-1, bridge::CallbackId(params, "cbReal"));
    EXPECT_EQ(-1, bridge::CallbackId(params, "missing"));
}

}  // namespace
