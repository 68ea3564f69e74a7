#pragma once
// A small PE32 file image with a stamped block for the stamped-data tests:
// DOS header, NT headers, some section bytes, the block, its trailer and a
// certificate table whose offset the security directory holds.
#include <cstdint>
#include <string>
#include <vector>

#include "app/AdvData.h"

namespace advtest {

inline void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

struct Image {
    std::vector<uint8_t> bytes;
    uint32_t ntOffset = 0x80;
    uint32_t blockOffset = 0;
    uint32_t certOffset = 0;  // C

    size_t SecurityField() const { return ntOffset + advdata::kSecurityDirectoryOffset; }
    size_t TrailerAt() const { return certOffset - advdata::kTrailerSize; }
    void SetNtOffset(uint32_t v) { PutLe32(bytes, advdata::kDosLfanewOffset, v); }
    void SetCertOffset(uint32_t v) { PutLe32(bytes, SecurityField(), v); }
    void SetBlockOffset(uint32_t v) { PutBe32(bytes, TrailerAt(), v); }
    void SetVersion(uint32_t v) { PutBe32(bytes, TrailerAt() + 4, v); }
    void SetMarker(uint32_t v) { PutBe32(bytes, TrailerAt() + 8, v); }
};

inline Image MakeImage(const std::string& block, size_t sectionBytes = 512, size_t certificateBytes = 96) {
    Image img;
    const size_t headersEnd = img.ntOffset + advdata::kNtHeadersSize;
    img.blockOffset = static_cast<uint32_t>(headersEnd + sectionBytes);
    img.certOffset = static_cast<uint32_t>(img.blockOffset + block.size() + advdata::kTrailerSize);
    img.bytes.assign(img.certOffset + certificateBytes, 0);
    std::vector<uint8_t>& b = img.bytes;
    b[0] = 'M';
    b[1] = 'Z';
    PutLe32(b, advdata::kDosLfanewOffset, img.ntOffset);
    b[img.ntOffset] = 'P';
    b[img.ntOffset + 1] = 'E';
    PutLe32(b, img.ntOffset + 4, 0x014C);  // i386
    PutLe32(b, img.ntOffset + 24, 0x010B);  // PE32 optional header magic
    for (size_t i = headersEnd; i < img.blockOffset; ++i) b[i] = static_cast<uint8_t>(0x90 + i % 7);
    for (size_t i = 0; i < block.size(); ++i) b[img.blockOffset + i] = static_cast<uint8_t>(block[i]);
    img.SetCertOffset(img.certOffset);
    PutLe32(b, img.SecurityField() + 4, static_cast<uint32_t>(certificateBytes));
    img.SetBlockOffset(img.blockOffset);
    img.SetVersion(advdata::kVersion);
    img.SetMarker(advdata::kMarker);
    for (size_t i = img.certOffset; i < b.size(); ++i) b[i] = 0xCC;
    return img;
}

}  // namespace advtest
