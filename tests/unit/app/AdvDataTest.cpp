#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "AdvDataImage.h"
#include "app/AdvData.h"
#include "diagnostics/Logger.h"
#include "platform/Text.h"

using namespace std::string_literals;
using advtest::Image;
using advtest::MakeImage;

namespace {

const std::string kTwoPairs = "a\0" "1\0" "b\0" "2\0"s;

struct Case {
    const char* name;
    std::string block;
    std::function<void(Image&)> tweak;  // applied after the image is built
    bool store;
    std::wstring text;                // stored text when store
    std::wstring error;               // last error text
    std::vector<std::wstring> events; // statistics "error" texts
    std::vector<std::wstring> log;    // ERR lines after the function name
};

void Check(const Case& c, const AdvDataResult& r) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.store, r.store);
    if (c.store) {
        EXPECT_EQ(c.text, r.text);
    }
    EXPECT_EQ(c.error, r.errorText);
    EXPECT_EQ(c.events, r.statsErrors);
    std::vector<std::wstring> log;
    for (const AdvDataLogLine& line : r.log) {
        EXPECT_EQ(ERR, line.level);
        log.push_back(line.text);
    }
    EXPECT_EQ(c.log, log);
}

TEST(AdvData, BlocksThatAreStored) {
    // The ANSI code page decides what a byte above 127 means; JSON escapes it.
    wchar_t eAcute = 0;
    ASSERT_EQ(1, ::MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &eAcute, 1));
    const std::wstring escapedE = wi::Format(L"\\u%04x", static_cast<unsigned>(eAcute));

    const std::string tenThousand = "k\0"s + std::string(9997, 'v') + "\0"s;
    ASSERT_EQ(10000u, tenThousand.size());

    const Case cases[] = {
        {"two pairs", kTwoPairs, nullptr, true, LR"({"a":"1","b":"2"})", L"", {}, {}},
        {"members are sorted", "b\0" "2\0" "a\0" "1\0"s, nullptr, true, LR"({"a":"1","b":"2"})", L"", {}, {}},
        {"sorted by key, not by position", "src\0" "mail\0" "lang\0" "en\0"s, nullptr, true,
         LR"({"lang":"en","src":"mail"})", L"", {}, {}},
        {"a repeated key keeps its last value", "a\0" "1\0" "a\0" "3\0"s, nullptr, true, LR"({"a":"3"})", L"", {}, {}},
        {"empty block", "", nullptr, true, L"null", L"", {}, {}},
        {"block beginning with NUL", "\0" "a\0" "1\0"s, nullptr, true, L"null", L"", {}, {}},
        {"an empty key ends the block", "a\0" "1\0" "\0" "junk"s, nullptr, true, LR"({"a":"1"})", L"", {}, {}},
        {"JSON escapes", "q\0" "x\"y\\z\t\0" "n\0" "\xE9\0"s, nullptr, true,
         LR"({"n":")" + escapedE + LR"(","q":"x\"y\\z\t"})", L"", {}, {}},
        {"10,000 bytes are allowed", tenThousand, nullptr, true, L"{\"k\":\"" + std::wstring(9997, L'v') + L"\"}",
         L"", {}, {}},
    };
    for (const Case& c : cases) {
        Image img = MakeImage(c.block);
        if (c.tweak) c.tweak(img);
        Check(c, ParseAdvData(img.bytes.data(), img.bytes.size()));
    }
}

TEST(AdvData, FaultsStoreNothing) {
    const std::wstring sizeError = L"readAdvDataFromExec_advSize_error_10001";
    ASSERT_EQ(1004u, MakeImage(kTwoPairs).bytes.size());
    const Case cases[] = {
        {"empty value", "a\0" "1\0" "b\0" "\0" "c\0" "3\0"s, nullptr, false, L"",
         L"readAdvDataFromExec_ReadParamsValueError_b_6",
         {L"readAdvDataFromExec_ReadParamsValueError_b_6"},
         {L"dwCertificateAddress err [readAdvDataFromExec_ReadParamsValueError_b_6]"}},
        {"value without its NUL", "a\0" "12"s, nullptr, false, L"", L"readAdvDataFromExec_ReadParamsValueError_a_2",
         {L"readAdvDataFromExec_ReadParamsValueError_a_2"},
         {L"dwCertificateAddress err [readAdvDataFromExec_ReadParamsValueError_a_2]"}},
        {"key at the block's end", "a\0"s, nullptr, false, L"", L"readAdvDataFromExec_ReadParamsValueError_a_2",
         {L"readAdvDataFromExec_ReadParamsValueError_a_2"},
         {L"dwCertificateAddress err [readAdvDataFromExec_ReadParamsValueError_a_2]"}},
        {"key without its NUL", "a\0" "1\0" "bc"s, nullptr, false, L"", L"readAdvDataFromExec_ReadParamsKeyError_4",
         {L"readAdvDataFromExec_ReadParamsKeyError_4"},
         {L"dwCertificateAddress err [readAdvDataFromExec_ReadParamsKeyError_4]"}},
        {"block of 10,001 bytes", "k\0"s + std::string(9998, 'v') + "\0"s, nullptr, false, L"", sizeError,
         {sizeError}, {}},
        {"too large and broken: both events", "k\0"s + std::string(9998, 'v') + "\0" "x\0" "\0"s, nullptr, false,
         L"", L"readAdvDataFromExec_ReadParamsValueError_x_10003",
         {L"readAdvDataFromExec_advSize_error_10004", L"readAdvDataFromExec_ReadParamsValueError_x_10003"},
         {L"dwCertificateAddress err [readAdvDataFromExec_ReadParamsValueError_x_10003]"}},
        {"block offset behind the trailer", kTwoPairs, [](Image& i) { i.SetBlockOffset(i.TrailerAt() + 5); },
         false, L"", L"readAdvDataFromExec_advSize_error_-5", {L"readAdvDataFromExec_advSize_error_-5"}, {}},
        {"trailer version 2", kTwoPairs, [](Image& i) { i.SetVersion(2); }, false, L"", L"", {},
         {L"dwAdvVersion err [no valid advData version=2 marker=0x5156526b]"}},
        {"wrong marker", kTwoPairs, [](Image& i) { i.SetMarker(0x5156524B); }, false, L"", L"", {},
         {L"dwAdvVersion err [no valid advData version=1 marker=0x5156524b]"}},
        {"no signature", kTwoPairs, [](Image& i) { i.SetCertOffset(0); }, false, L"",
         L"readAdvDataFromExec_nosignuture", {L"readAdvDataFromExec_nosignuture"},
         {L"dwCertificateAddress err [readAdvDataFromExec_nosignuture]"}},
        {"no MZ", kTwoPairs, [](Image& i) { std::swap(i.bytes[0], i.bytes[1]); }, false, L"",
         L"readAdvDataFromExec_ImageDosHeader_4d5a", {},
         {L"memcopy IMAGE_DOS_HEADER err [readAdvDataFromExec_ImageDosHeader_4d5a]"}},
        {"no PE signature", kTwoPairs, [](Image& i) { i.bytes[i.ntOffset + 1] = 'X'; }, false, L"",
         L"readAdvDataFromExec_ImageNtHeader_5850", {},
         {L"memcopy IMAGE_NT_HEADERS err [readAdvDataFromExec_ImageNtHeader_5850]"}},
        // Offsets that point outside the file (the image of two pairs is 1,004 bytes).
        {"NT headers one byte past the end", kTwoPairs, [](Image& i) { i.SetNtOffset(1004 - 248 + 1); }, false,
         L"", L"readAdvDataFromExec_ImageNtHeader_offset_757", {},
         {L"memcopy IMAGE_NT_HEADERS err [readAdvDataFromExec_ImageNtHeader_offset_757]"}},
        {"NT header offset 0xFFFFFFFF", kTwoPairs, [](Image& i) { i.SetNtOffset(0xFFFFFFFF); }, false, L"",
         L"readAdvDataFromExec_ImageNtHeader_offset_4294967295", {},
         {L"memcopy IMAGE_NT_HEADERS err [readAdvDataFromExec_ImageNtHeader_offset_4294967295]"}},
        {"certificate table past the end", kTwoPairs, [](Image& i) { i.SetCertOffset(1005); }, false, L"",
         L"readAdvDataFromExec_dwCertificateAddress_1005", {},
         {L"dwCertificateAddress err [readAdvDataFromExec_dwCertificateAddress_1005]"}},
        {"certificate table at 11", kTwoPairs, [](Image& i) { i.SetCertOffset(11); }, false, L"",
         L"readAdvDataFromExec_dwCertificateAddress_11", {},
         {L"dwCertificateAddress err [readAdvDataFromExec_dwCertificateAddress_11]"}},
    };
    for (const Case& c : cases) {
        Image img = MakeImage(c.block);
        if (c.tweak) c.tweak(img);
        AdvDataResult r = ParseAdvData(img.bytes.data(), img.bytes.size());
        Check(c, r);
    }
}

TEST(AdvData, ShortFilesAndFarBlockOffsets) {
    // Files too short for the DOS header.
    for (size_t size : {0u, 1u, 2u, 63u}) {
        std::vector<uint8_t> b(size, 0);
        if (size > 0) b[0] = 'M';
        if (size > 1) b[1] = 'Z';
        AdvDataResult r = ParseAdvData(b.data(), b.size());
        EXPECT_FALSE(r.store) << size;
        EXPECT_EQ(wi::Format(L"readAdvDataFromExec_ImageDosHeader_size_%u", static_cast<unsigned>(size)),
                  r.errorText);
        EXPECT_TRUE(r.statsErrors.empty());
    }

    // A block offset anywhere behind the trailer is a negative size, never a
    // huge positive one that would be read.
    for (uint32_t x : {0x80000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        Image img = MakeImage(kTwoPairs);
        img.SetBlockOffset(x);
        AdvDataResult r = ParseAdvData(img.bytes.data(), img.bytes.size());
        const long long n = static_cast<long long>(img.TrailerAt()) - static_cast<long long>(x);
        ASSERT_LT(n, 0);
        EXPECT_EQ(wi::Format(L"readAdvDataFromExec_advSize_error_%lld", n), r.errorText);
        EXPECT_EQ(std::vector<std::wstring>{r.errorText}, r.statsErrors);
        EXPECT_FALSE(r.store);
    }
}

}  // namespace
