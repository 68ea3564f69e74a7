#pragma once
// Stamped download data: a download site may stamp a block of named text
// parameters into the signed program file, directly in front of its
// certificate table, followed by a 12-byte trailer (block offset, version,
// marker; big-endian). tools/stamp.py writes and reads such blocks.
//
//   X        block: key\0value\0key\0value\0 ... ended by N bytes or an empty key
//   C - 12   X (uint32, big-endian)
//   C - 8    version 1
//   C - 4    marker "QVRk"
//   C        certificate table (its offset is the security directory entry)
//
// ParseAdvData works on the file's bytes only and reads nothing outside them;
// the caller sends the statistics events and writes the log lines it returns.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace advdata {
constexpr uint32_t kTrailerSize = 12;
constexpr uint32_t kVersion = 1;
constexpr uint32_t kMarker = 0x5156526B;  // the bytes "QVRk"
constexpr int64_t kMaxBlockSize = 10000;
constexpr uint32_t kDosLfanewOffset = 0x3C;
constexpr uint32_t kDosHeaderSize = 64;
constexpr uint32_t kNtHeadersSize = 248;          // IMAGE_NT_HEADERS32
constexpr uint32_t kSecurityDirectoryOffset = 152;  // from the NT headers' start
}  // namespace advdata

struct AdvDataLogLine {
    int level;          // LogLevel
    std::wstring text;  // what follows the function name, e.g. "dwAdvVersion err [...]"
};

struct AdvDataResult {
    // True only when the whole block was read without error: `text` is then
    // the new stamped data text (compact JSON, members sorted; "null" when
    // the block holds no pair).
    bool store = false;
    std::wstring text;
    std::wstring errorText;                 // the last error text produced, if any
    std::vector<std::wstring> statsErrors;  // texts of statistics "error" events, in order
    std::vector<AdvDataLogLine> log;
};

// Parses the stamped block of a PE32 file held in memory. Never reads outside
// [data, data + size). Key and value bytes are text in the ANSI code page.
AdvDataResult ParseAdvData(const uint8_t* data, size_t size);

// Compact JSON text of the pairs (jsoncpp's compact writer: members sorted by
// key, no blanks, no final line feed); "null" for no pair. A repeated key keeps
// its last value. Keys and values are UTF-8.
std::string AdvPairsToJson(const std::vector<std::pair<std::string, std::string>>& pairs);
