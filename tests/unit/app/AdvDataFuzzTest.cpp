// Deterministic mutations of a stamped image through the parser. The image
// sits flush against a PAGE_NOACCESS page, once at its end and once at its
// start, so any read outside it faults and ends the test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <json/json.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "AdvDataImage.h"
#include "app/AdvData.h"
#include "platform/Text.h"

using namespace std::string_literals;

namespace {

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t maxBytes) {
        SYSTEM_INFO si;
        ::GetSystemInfo(&si);
        page_ = si.dwPageSize;
        dataPages_ = (maxBytes + page_ - 1) / page_;
        base_ = static_cast<uint8_t*>(
            ::VirtualAlloc(nullptr, (dataPages_ + 2) * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        ok_ = base_ && ::VirtualProtect(base_, page_, PAGE_NOACCESS, &old) &&
              ::VirtualProtect(base_ + (dataPages_ + 1) * page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBuffer() {
        if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
    }
    bool ok() const { return ok_; }
    bool GuardsAreInaccessible() const {
        for (const uint8_t* guard : {base_, base_ + (dataPages_ + 1) * page_}) {
            MEMORY_BASIC_INFORMATION mbi;
            if (::VirtualQuery(guard, &mbi, sizeof mbi) != sizeof mbi || mbi.Protect != PAGE_NOACCESS) return false;
        }
        return true;
    }
    // Copies the bytes so that they end at the trailing guard (atEnd) or begin
    // right after the leading one.
    const uint8_t* Place(const std::vector<uint8_t>& bytes, bool atEnd) {
        uint8_t* first = base_ + page_;
        uint8_t* at = atEnd ? first + dataPages_ * page_ - bytes.size() : first;
        if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        return at;
    }

private:
    size_t page_ = 0;
    size_t dataPages_ = 0;
    uint8_t* base_ = nullptr;
    bool ok_ = false;
};

class Mutator {
public:
    explicit Mutator(uint32_t seed) : rng_(seed) {}

    uint32_t Below(uint64_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }

    // Values near the edges of the image, or anywhere.
    uint32_t Interesting(size_t size, uint32_t c) {
        const int64_t picks[] = {0,
                                 1,
                                 11,
                                 12,
                                 static_cast<int64_t>(size) - 1,
                                 static_cast<int64_t>(size),
                                 static_cast<int64_t>(size) + 1,
                                 static_cast<int64_t>(size) - advdata::kNtHeadersSize,
                                 static_cast<int64_t>(size) - advdata::kNtHeadersSize + 1,
                                 static_cast<int64_t>(c) - 12,
                                 static_cast<int64_t>(c) - 11,
                                 static_cast<int64_t>(c) - 13,
                                 static_cast<int64_t>(c) - 12 - 10000,
                                 static_cast<int64_t>(c) - 12 - 10001,
                                 0x7FFFFFFF,
                                 0x80000000,
                                 0xFFFFFFF4,
                                 0xFFFFFFFF,
                                 rng_(),
                                 Below(size + 64)};
        return static_cast<uint32_t>(picks[Below(sizeof picks / sizeof picks[0])]);
    }

    void Mutate(advtest::Image& img) {
        std::vector<uint8_t>& b = img.bytes;
        const size_t hot[] = {0, 1, advdata::kDosLfanewOffset, img.ntOffset, img.SecurityField(), img.TrailerAt(),
                              img.TrailerAt() + 4, img.TrailerAt() + 8, img.blockOffset};
        switch (Below(7)) {
        case 0:  // bit flips anywhere
            for (uint32_t i = 0, n = 1 + Below(8); i < n && !b.empty(); ++i) b[Below(b.size())] ^= 1u << Below(8);
            break;
        case 1: {  // bit flips in the fields the parser follows
            size_t at = hot[Below(sizeof hot / sizeof hot[0])] + Below(4);
            if (at < b.size()) b[at] ^= 1u << Below(8);
            break;
        }
        case 2:  // truncation
            b.resize(Below(b.size() + 1));
            break;
        case 3:
            if (b.size() >= 0x40) img.SetNtOffset(Interesting(b.size(), img.certOffset));
            break;
        case 4:
            if (img.SecurityField() + 4 <= b.size()) img.SetCertOffset(Interesting(b.size(), img.certOffset));
            break;
        case 5:  // block offset, in a trailer that is otherwise valid
            if (img.certOffset <= b.size()) img.SetBlockOffset(Interesting(b.size(), img.certOffset));
            break;
        case 6:  // block bytes: random, often without any NUL
            for (size_t i = img.blockOffset; i < img.TrailerAt() && i < b.size(); ++i) {
                b[i] = Below(4) == 0 ? 0 : static_cast<uint8_t>(1 + Below(255));
            }
            break;
        }
    }

private:
    std::mt19937 rng_;
};

TEST(AdvDataFuzz, MutatedImagesStayInsideTheBuffer) {
    const std::string block = "src\0" "mail\0" "lang\0" "en\0" "campaign\0" "spring 24\0"s;
    const advtest::Image base = advtest::MakeImage(block, 256, 64);
    // Room for a block a little over the size limit as well.
    const advtest::Image big = advtest::MakeImage("k\0"s + std::string(10050, 'v') + "\0"s, 64, 16);

    GuardedBuffer buffer(big.bytes.size());
    ASSERT_TRUE(buffer.ok());
    ASSERT_TRUE(buffer.GuardsAreInaccessible());

    Mutator mutator(20240611);
    int stored = 0, sizeErrors = 0, pairErrors = 0, unsigned_ = 0, notStamped = 0;
    const int kRounds = 20000;
    for (int round = 0; round < kRounds; ++round) {
        advtest::Image img = round % 8 == 7 ? big : base;
        for (uint32_t m = 0, n = 1 + mutator.Below(3); m < n; ++m) mutator.Mutate(img);

        AdvDataResult results[2];
        for (bool atEnd : {true, false}) {
            const uint8_t* data = buffer.Place(img.bytes, atEnd);
            results[atEnd ? 1 : 0] = ParseAdvData(data, img.bytes.size());
        }
        const AdvDataResult& r = results[0];
        ASSERT_EQ(r.store, results[1].store) << "round " << round;
        ASSERT_EQ(r.errorText, results[1].errorText) << "round " << round;
        if (r.store) {
            ++stored;
            ASSERT_TRUE(r.errorText.empty()) << "round " << round;
            ASSERT_TRUE(r.statsErrors.empty()) << "round " << round;
            Json::Value parsed;
            Json::Reader reader;
            ASSERT_TRUE(reader.parse(wi::WideToUtf8(r.text), parsed)) << "round " << round;
            ASSERT_TRUE(parsed.isObject() || parsed.isNull()) << "round " << round;
        } else if (r.errorText.empty()) {
            ++notStamped;  // version or marker wrong
            ASSERT_TRUE(r.statsErrors.empty());
        }
        for (const std::wstring& e : r.statsErrors) {
            if (e.rfind(L"readAdvDataFromExec_advSize_error_", 0) == 0) ++sizeErrors;
            else if (e.rfind(L"readAdvDataFromExec_ReadParams", 0) == 0) ++pairErrors;
            else if (e == L"readAdvDataFromExec_nosignuture") ++unsigned_;
            else ADD_FAILURE() << "unexpected event " << wi::WideToUtf8(e);
        }
    }
    // The mutations reach every outcome, not just the header checks.
    EXPECT_GT(stored, kRounds / 50);
    EXPECT_GT(sizeErrors, kRounds / 200);
    EXPECT_GT(pairErrors, kRounds / 200);
    EXPECT_GT(unsigned_, kRounds / 500);
    EXPECT_GT(notStamped, kRounds / 200);
}

}  // namespace
