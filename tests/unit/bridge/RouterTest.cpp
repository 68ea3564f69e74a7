// Request texts to the handler called and the answer the page receives.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/Application.h"
#include "bridge/commands/BasicCommands.h"
#include "bridge/dispatcher/Answer.h"
#include "bridge/dispatcher/CommandTable.h"
#include "bridge/dispatcher/Dispatcher.h"
#include "bridge/dispatcher/DispatcherHandler.h"
#include "platform/Text.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"

namespace {

// The application object made its working directory: removed at the end.
class RemoveWorkingDirectory : public ::testing::Environment {
public:
    void TearDown() override {
        const std::wstring& folder = CApplication::Instance()->WorkingDirectory();
        if (!folder.empty()) scratch::RemoveTree(folder.substr(0, folder.size() - 1));
    }
};
::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new RemoveWorkingDirectory);

struct Call {
    int command;
    Json::Value params;
};
std::vector<Call> g_calls;

void RecordOne(const Json::Value& params, VARIANT* answer) {
    g_calls.push_back({1, params});
    bridge::SetAnswerText(answer, L"one");
}
void Throws(const Json::Value& params, VARIANT*) {
    g_calls.push_back({2, params});
    throw std::runtime_error("handler failure");
}

const CCommandTable kRecording = {{1, &RecordOne}, {2, &Throws}};

// The answer as the page would see it: its variant type and text.
struct Answer {
    VARTYPE type;
    std::wstring text;
};

Answer Route(CDispatcherHandler& handler, const std::wstring& request) {
    VARIANT result;
    ::VariantInit(&result);
    handler.HandleJSRequest(request, &result);
    Answer answer{result.vt, result.vt == VT_BSTR ? std::wstring(result.bstrVal) : std::wstring()};
    ::VariantClear(&result);
    return answer;
}

TEST(Router, RequestsToHandlersAndAnswers) {
    CApplication* app = CApplication::Instance();
    CDispatcherHandler program(ProgramCommands());
    CDispatcherHandler recording(kRecording);
    const struct {
        CDispatcherHandler* handler;
        const wchar_t* request;
        int called;  // command recorded by the recording table, 0: none
        VARTYPE type;
        std::wstring text;
    } cases[] = {
        {&recording, L"{\"id\":true}", 1, VT_BSTR, L"one"},
        {&recording, L"{\"id\":1.99,\"params\":[1,2]}", 1, VT_BSTR, L"one"},
        {&recording, L"{\"id\":null}", 0, VT_EMPTY, L""},  // unhandled command 0: undefined
        {&recording, L"{\"id\":3}", 0, VT_EMPTY, L""},
        {&recording, L"[{\"id\":1}]", 0, VT_NULL, L""},
        {&recording, L"null", 0, VT_NULL, L""},
        {&recording, L"{\"params\":{\"id\":1}}", 0, VT_NULL, L""},
        {&recording, L"{\"id\":\"1\"}", 0, VT_NULL, L""},
        {&recording, L"{\"id\":4294967297}", 0, VT_NULL, L""},  // not folded onto command 1
        {&recording, L"{\"id\":1", 0, VT_NULL, L""},
        {&recording, L"{\"id\":2,\"params\":{\"x\":\"text\"}}", 2, VT_EMPTY, L""},  // handler threw: caught
        {&program, L"{\"id\":15.9}", 0, VT_BSTR, bridge::InstallerParamsAnswer(app->Brand().app_id)},
        {&program, L"{\"id\":28}", 0, VT_BSTR, bridge::GuidAnswer(app->RunGuid())},
        {&program, L"{\"id\":24,\"params\":\"ignored\"}", 0, VT_BSTR, bridge::CommandLineAnswer(app->CommandLine())},
        {&program, L"{\"id\":34}", 0, VT_EMPTY, L""},
        {&program, L"{\"id\":33}", 0, VT_EMPTY, L""},
    };
    for (const auto& c : cases) {
        g_calls.clear();
        Answer answer = Route(*c.handler, c.request);
        EXPECT_EQ(c.type, answer.type) << wi::WideToUtf8(c.request);
        EXPECT_EQ(c.text, answer.text) << wi::WideToUtf8(c.request);
        if (c.called) {
            ASSERT_EQ(1u, g_calls.size()) << wi::WideToUtf8(c.request);
            EXPECT_EQ(c.called, g_calls[0].command);
        } else {
            EXPECT_TRUE(g_calls.empty()) << wi::WideToUtf8(c.request);
        }
    }
    EXPECT_NE(std::wstring::npos, bridge::GuidAnswer(app->RunGuid()).find(app->RunGuid()));
}

TEST(Router, FailuresAreLogged) {
    LogCapture log;
    CDispatcherHandler handler(kRecording);
    const struct {
        const wchar_t* request;
        const wchar_t* line;
    } cases[] = {
        {L"{\"id\":7}", L"CDispatcherHandler::HandleJSRequest Unhandled JS cmd[7]"},
        {L"{\"id\":null}", L"CDispatcherHandler::HandleJSRequest Unhandled JS cmd[0]"},
        {L"not json", L"CDispatcherHandler::HandleJSRequest json reader parse failed!"},
        {L"null", L"CDispatcherHandler::HandleJSRequest json root is null!"},
        {L"{\"params\":1}", L"CDispatcherHandler::HandleJSRequest json member id is missing!"},
        {L"{\"id\":{}}", L"CDispatcherHandler::HandleJSRequest json member id is not a command id!"},
    };
    for (const auto& c : cases) {
        Route(handler, c.request);
        EXPECT_TRUE(log.Contains(c.line)) << wi::WideToUtf8(c.line);
    }
    EXPECT_TRUE(log.Contains(L"CDispatcherHandler::HandleJSRequest js request [{\"id\":7}]!"));
}

TEST(Router, NoResultPlace) {
    CDispatcherHandler handler(ProgramCommands());
    for (const wchar_t* request : {L"{\"id\":28}", L"{\"id\":24}", L"{\"id\":15}", L"null", L"{\"id\":1000}"}) {
        handler.HandleJSRequest(request, nullptr);  // nothing to answer into: nothing breaks
    }
}

TEST(Dispatcher, NamesAndReferences) {
    CDispatcher dispatcher(&kRecording);
    wchar_t execute[] = L"execute", other[] = L"Execute";
    LPOLESTR names[] = {execute, other};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatcher.GetIDsOfNames(IID_NULL, names, 2, 0, ids));
    EXPECT_EQ(1, ids[0]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
    EXPECT_EQ(S_OK, dispatcher.GetIDsOfNames(IID_NULL, names, 1, 0, ids));
    EXPECT_EQ(S_OK, dispatcher.GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr));

    // The count goes down to 0 and below without freeing the object.
    EXPECT_EQ(1u, dispatcher.AddRef());
    EXPECT_EQ(0u, dispatcher.Release());
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, dispatcher.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(0u, unknown->Release());
    void* none = &dispatcher;
    EXPECT_EQ(E_NOINTERFACE, dispatcher.QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    UINT count = 7;
    EXPECT_EQ(S_OK, dispatcher.GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(E_FAIL, dispatcher.GetTypeInfo(0, 0, &info));
}

TEST(Dispatcher, InvokeTakesOneStringAsAMethod) {
    CDispatcher dispatcher(&kRecording);
    VARIANT args[2];
    args[0].vt = VT_BSTR;
    args[0].bstrVal = ::SysAllocStringLen(L"{\"id\":1}\0{\"id\":2}", 17);  // ends at its first NUL
    args[1].vt = VT_BSTR;
    args[1].bstrVal = ::SysAllocString(L"{}");
    const struct {
        DISPID member;
        WORD flags;
        UINT argCount;
        VARTYPE argType;
        HRESULT hr;
        bool handled;
    } cases[] = {
        {1, DISPATCH_METHOD, 1, VT_BSTR, S_OK, true},
        {1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1, VT_BSTR, S_OK, true},
        {1, DISPATCH_PROPERTYGET, 1, VT_BSTR, E_FAIL, false},
        {1, DISPATCH_PROPERTYPUT, 1, VT_BSTR, E_FAIL, false},
        {1, DISPATCH_METHOD, 0, VT_BSTR, E_FAIL, false},
        {1, DISPATCH_METHOD, 2, VT_BSTR, E_FAIL, false},
        {1, DISPATCH_METHOD, 1, VT_I4, E_FAIL, false},
        {1, DISPATCH_METHOD, 1, VT_BSTR | VT_BYREF, E_FAIL, false},
        {2, DISPATCH_METHOD, 1, VT_BSTR, S_OK, false},  // another member: nothing happens
    };
    for (const auto& c : cases) {
        g_calls.clear();
        VARIANT first = args[0];
        first.vt = c.argType;
        VARIANT list[2] = {first, args[1]};
        DISPPARAMS params = {list, nullptr, c.argCount, 0};
        VARIANT result;
        ::VariantInit(&result);
        EXPECT_EQ(c.hr, dispatcher.Invoke(c.member, IID_NULL, 0, c.flags, &params, &result, nullptr, nullptr))
            << c.flags << " " << c.argCount;
        EXPECT_EQ(c.handled ? 1u : 0u, g_calls.size()) << c.flags << " " << c.argCount;
        EXPECT_EQ(c.handled ? VT_BSTR : VT_EMPTY, result.vt);
        ::VariantClear(&result);
    }
    EXPECT_EQ(E_FAIL, dispatcher.Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
    ::SysFreeString(args[0].bstrVal);
    ::SysFreeString(args[1].bstrVal);
}

}  // namespace
