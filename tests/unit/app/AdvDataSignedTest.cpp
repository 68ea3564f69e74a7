// The stamped data of this very program file, read back by the application.
// tests/support/stamp-roundtrip.sh runs a stamped and signed copy of this
// test program with WEBINSTALLER_STAMPED_EXPECT set to the expected text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/AdvData.h"
#include "app/Application.h"
#include "platform/Text.h"
#include "support/ScratchFolder.h"

namespace {

TEST(AdvDataSigned, ReadsTheBlockInFrontOfTheSignature) {
    const char* expect = std::getenv("WEBINSTALLER_STAMPED_EXPECT");
    if (!expect) GTEST_SKIP() << "run by tests/support/stamp-roundtrip.sh on a stamped, signed copy";
    const std::wstring expected = wi::Utf8ToWide(expect);

    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    std::string bytes = scratch::ReadBytes(path);
    AdvDataResult parsed = ParseAdvData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_TRUE(parsed.errorText.empty()) << wi::WideToUtf8(parsed.errorText);
    EXPECT_TRUE(parsed.statsErrors.empty());
    if (expected == L"{}") {
        // Signed, no block: the trailer check fails quietly and nothing is stored.
        EXPECT_FALSE(parsed.store);
        ASSERT_EQ(1u, parsed.log.size());
        EXPECT_EQ(0u, parsed.log[0].text.find(L"dwAdvVersion err [no valid advData version="));
    } else {
        EXPECT_TRUE(parsed.store);
        EXPECT_EQ(expected, parsed.text);
    }

    CApplication* app = CApplication::Instance();
    ASSERT_EQ(L"{}", app->AdvData());
    app->ReadAdvDataFromExec();
    EXPECT_EQ(expected, app->AdvData());
}

}  // namespace
