// The callback object on its own: reference counting, interface lookup, the
// password hand-over and the result rule; and how the driver turns exceptions
// of the library into results.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

#include "platform/Handles.h"
#include "transfer/Extract.h"
#include "transfer/ExtractCallbackWebInstaller.h"

namespace {

// A new callback held by one COM reference (count 1).
wi::com_ptr<IFolderArchiveExtractCallback> NewCallback(CExtractCallbackWebInstaller** raw) {
    *raw = new CExtractCallbackWebInstaller;
    EXPECT_EQ(0u, (*raw)->RefCount());  // starts at 0
    return wi::com_ptr<IFolderArchiveExtractCallback>(*raw);
}

std::wstring TakePassword(BSTR bstr) {
    wi::unique_bstr owner(bstr);
    return std::wstring(bstr, ::SysStringLen(bstr));
}

}  // namespace

TEST(ExtractCallback, ReferenceCountingAndInterfaces) {
    CExtractCallbackWebInstaller* raw = nullptr;
    auto callback = NewCallback(&raw);
    EXPECT_EQ(1u, raw->RefCount());

    struct Case {
        const IID* iid;
        void* expected;
    } cases[] = {
        {&IID_IUnknown, static_cast<IFolderArchiveExtractCallback*>(raw)},
        {&IID_IProgress, static_cast<IFolderArchiveExtractCallback*>(raw)},
        {&IID_IFolderArchiveExtractCallback, static_cast<IFolderArchiveExtractCallback*>(raw)},
        {&IID_ICryptoGetTextPassword, static_cast<ICryptoGetTextPassword*>(raw)},
    };
    for (const Case& c : cases) {
        void* object = nullptr;
        EXPECT_EQ(S_OK, callback->QueryInterface(*c.iid, &object));
        EXPECT_EQ(c.expected, object);
        EXPECT_EQ(2u, raw->RefCount());
        static_cast<IUnknown*>(object)->Release();
        EXPECT_EQ(1u, raw->RefCount());
    }

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, callback->QueryInterface(IID_IInArchive, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_NOINTERFACE, callback->QueryInterface(IID_ICryptoGetTextPassword2, &object));
    EXPECT_EQ(E_POINTER, callback->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(1u, raw->RefCount());

    EXPECT_EQ(2u, callback->AddRef());
    EXPECT_EQ(1u, callback->Release());
    // The last Release (by the com_ptr) deletes the object.
}

TEST(ExtractCallback, ResultRule) {
    struct Case {
        Int32 result;
        Int32 encrypted;
        HRESULT expected;
    } cases[] = {
        {0, 0, S_OK},  {0, 1, S_OK},
        {1, 0, 1},     {1, 1, 1},       // unsupported method
        {2, 0, 2},     {2, 1, 10002},   // data error: in an encrypted item, a wrong password
        {3, 0, 3},     {3, 1, 3},       // checksum error stays itself
        {9, 1, 10002}, {9, 0, 9},       // the library's own "wrong password" result
        {5, 1, 5},                      // unexpected end
    };
    CExtractCallbackWebInstaller* raw = nullptr;
    auto callback = NewCallback(&raw);
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CExtractCallbackWebInstaller::ItemResult(c.result, c.encrypted))
            << c.result << "/" << c.encrypted;
        EXPECT_EQ(c.expected, callback->SetOperationResult(c.result, c.encrypted)) << c.result << "/" << c.encrypted;
    }

    // Opening is reported as not encrypted: the open result passes unchanged.
    CArchiveLink link;
    IExtractCallbackUI* ui = raw;
    EXPECT_EQ(S_OK, ui->OpenResult(nullptr, link, L"a.7z", S_OK));
    EXPECT_EQ(S_FALSE, ui->OpenResult(nullptr, link, L"a.7z", S_FALSE));
    EXPECT_EQ(2, ui->OpenResult(nullptr, link, L"a.7z", 2));
    EXPECT_EQ(E_FAIL, ui->OpenResult(nullptr, link, L"a.7z", E_FAIL));
    // The extraction result comes back as it is.
    EXPECT_EQ(S_OK, ui->ExtractResult(S_OK));
    EXPECT_EQ(10002, ui->ExtractResult(10002));
    EXPECT_EQ(E_OUTOFMEMORY, ui->ExtractResult(E_OUTOFMEMORY));
}

TEST(ExtractCallback, QuietOperations) {
    CExtractCallbackWebInstaller* raw = nullptr;
    auto callback = NewCallback(&raw);
    UInt64 value = 5;
    EXPECT_EQ(S_OK, callback->SetTotal(100));
    EXPECT_EQ(S_OK, callback->SetCompleted(&value));
    Int32 answer = 12345;
    EXPECT_EQ(S_OK, callback->AskOverwrite(L"a", nullptr, nullptr, L"b", nullptr, nullptr, &answer));
    EXPECT_EQ(12345, answer);  // no answer given
    EXPECT_EQ(S_OK, callback->PrepareOperation(L"a", 0, 0, nullptr));
    EXPECT_EQ(S_OK, callback->MessageError(L"Cannot open output file"));

    IExtractCallbackUI* ui = raw;
    EXPECT_EQ(S_OK, ui->BeforeOpen(L"a.7z", false));
    EXPECT_EQ(S_OK, ui->ThereAreNoFiles());

    IOpenCallbackUI* open = raw;
    EXPECT_EQ(S_OK, open->Open_CheckBreak());
    EXPECT_EQ(S_OK, open->Open_SetTotal(&value, &value));
    EXPECT_EQ(S_OK, open->Open_SetCompleted(&value, &value));
    EXPECT_EQ(S_OK, open->Open_Finished());
    bool defined = false;
    UString password(L"unchanged");
    EXPECT_EQ(S_OK, raw->Open_GetPasswordIfAny(defined, password));
    EXPECT_FALSE(defined);
    EXPECT_TRUE(password == L"unchanged");
    EXPECT_TRUE(raw->Open_WasPasswordAsked());
    raw->Open_Clear_PasswordWasAsked_Flag();
    EXPECT_TRUE(raw->Open_WasPasswordAsked());
}

TEST(ExtractCallback, PasswordHandOver) {
    CExtractCallbackWebInstaller* raw = nullptr;
    auto callback = NewCallback(&raw);
    wi::com_ptr<ICryptoGetTextPassword> crypto;
    ASSERT_EQ(S_OK, callback.query(IID_ICryptoGetTextPassword, crypto));

    // No password set: nothing pending, the library gets an empty text.
    EXPECT_FALSE(raw->PasswordPending());
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, crypto->CryptoGetTextPassword(&text));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(L"", TakePassword(text));

    // Set: pending until the library first asks, through either interface.
    IExtractCallbackUI* ui = raw;
    EXPECT_EQ(S_OK, ui->SetPassword(UString(L"s3cret")));
    EXPECT_TRUE(raw->PasswordPending());
    EXPECT_EQ(L"s3cret", raw->Password());
    text = nullptr;
    EXPECT_EQ(S_OK, crypto->CryptoGetTextPassword(&text));
    EXPECT_EQ(L"s3cret", TakePassword(text));
    EXPECT_FALSE(raw->PasswordPending());

    EXPECT_EQ(S_OK, ui->SetPassword(UString(L"again")));
    EXPECT_TRUE(raw->PasswordPending());
    IOpenCallbackUI* open = raw;
    text = nullptr;
    EXPECT_EQ(S_OK, open->Open_CryptoGetTextPassword(&text));
    EXPECT_EQ(L"again", TakePassword(text));
    EXPECT_FALSE(raw->PasswordPending());

    EXPECT_EQ(E_POINTER, crypto->CryptoGetTextPassword(nullptr));
}

// What the library throws becomes a result code and, for texts, the error text.
TEST(ExtractExceptions, TurnIntoResults) {
    struct Case {
        void (*thrower)();
        HRESULT code;
        bool isText;
        std::wstring text;
    } cases[] = {
        {[] { throw UString(L"wide 7-Zip text"); }, E_FAIL, true, L"wide 7-Zip text"},
        {[] { throw AString("narrow 7-Zip text"); }, E_FAIL, true, L"narrow 7-Zip text"},
        {[] { throw L"wide C text"; }, E_FAIL, true, L"wide C text"},
        {[] { throw "narrow C text"; }, E_FAIL, true, L"narrow C text"},
        {[] { throw std::runtime_error("standard exception"); }, E_FAIL, true, L"standard exception"},
        {[] { throw 20120722; }, E_FAIL, false, L""},  // no text of its own
    };
    for (const Case& c : cases) {
        std::wstring text;
        bool isText = !c.isText;
        HRESULT code = S_OK;
        try {
            c.thrower();
        } catch (...) {
            code = ExtractExceptionResult(text, isText);
        }
        EXPECT_EQ(c.code, code) << c.text;
        EXPECT_EQ(c.isText, isText) << c.text;
        EXPECT_EQ(c.text, text);
    }
}
