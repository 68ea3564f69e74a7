#include "app/AdvData.h"

#include <windows.h>

#include <json/json.h>

#include <cstring>
#include <exception>
#include <vector>

#include "app/Application.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/MappedFile.h"
#include "platform/Text.h"

namespace {

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t ReadBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

std::string AnsiBytesToUtf8(const uint8_t* bytes, size_t count) {
    return wi::WideToUtf8(wi::AnsiToWide(std::string(reinterpret_cast<const char*>(bytes), count)));
}

class Reader {
public:
    explicit Reader(AdvDataResult& result) : r_(result) {}

    void Log(int level, const std::wstring& text) { r_.log.push_back({level, text}); }
    // An error that is logged only.
    void Error(const wchar_t* logWhat, const std::wstring& errorText) {
        r_.errorText = errorText;
        Log(ERR, wi::Format(L"%ls err [%ls]", logWhat, errorText.c_str()));
    }
    // An error that is also sent as a statistics event.
    void ErrorWithEvent(const wchar_t* logWhat, const std::wstring& errorText) {
        Error(logWhat, errorText);
        r_.statsErrors.push_back(errorText);
    }

private:
    AdvDataResult& r_;
};

// Reads the pairs of a block whose bytes lie inside the file. Returns false
// (after reporting) when a pair is broken.
bool ReadPairs(const uint8_t* block, size_t n, Reader& reader,
               std::vector<std::pair<std::string, std::string>>& pairs) {
    size_t offset = 0;
    while (offset < n) {
        const uint8_t* keyEnd = static_cast<const uint8_t*>(std::memchr(block + offset, 0, n - offset));
        if (!keyEnd) {
            // A key that runs to the block's end without its NUL.
            reader.ErrorWithEvent(L"dwCertificateAddress",
                                  wi::Format(L"readAdvDataFromExec_ReadParamsKeyError_%d", static_cast<int>(offset)));
            return false;
        }
        size_t keyLength = static_cast<size_t>(keyEnd - (block + offset));
        if (keyLength == 0) break;  // an empty key ends the block
        std::string key(reinterpret_cast<const char*>(block + offset), keyLength);
        offset += keyLength + 1;

        const uint8_t* valueEnd =
            offset < n ? static_cast<const uint8_t*>(std::memchr(block + offset, 0, n - offset)) : nullptr;
        size_t valueLength = valueEnd ? static_cast<size_t>(valueEnd - (block + offset)) : 0;
        if (!valueEnd || valueLength == 0) {
            // An empty value, or one without its NUL inside the block.
            reader.ErrorWithEvent(L"dwCertificateAddress",
                                  wi::Format(L"readAdvDataFromExec_ReadParamsValueError_%ls_%d",
                                             wi::AnsiToWide(key).c_str(), static_cast<int>(offset)));
            return false;
        }
        pairs.emplace_back(AnsiBytesToUtf8(reinterpret_cast<const uint8_t*>(key.data()), key.size()),
                           AnsiBytesToUtf8(block + offset, valueLength));
        offset += valueLength + 1;
    }
    return true;
}

}  // namespace

std::string AdvPairsToJson(const std::vector<std::pair<std::string, std::string>>& pairs) {
    Json::Value root;  // stays null without pairs: written as "null"
    for (const auto& pair : pairs) root[pair.first] = pair.second;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";  // compact: no blanks, no line feed
    return Json::writeString(builder, root);
}

AdvDataResult ParseAdvData(const uint8_t* data, size_t size) {
    using namespace advdata;
    AdvDataResult result;
    Reader reader(result);

    if (size < 2) {
        reader.Error(L"memcopy IMAGE_DOS_HEADER",
                     wi::Format(L"readAdvDataFromExec_ImageDosHeader_size_%u", static_cast<unsigned>(size)));
        return result;
    }
    uint16_t magic = ReadLe16(data);
    if (magic != 0x5A4D) {
        reader.Error(L"memcopy IMAGE_DOS_HEADER", wi::Format(L"readAdvDataFromExec_ImageDosHeader_%x", magic));
        return result;
    }
    if (size < kDosHeaderSize) {
        reader.Error(L"memcopy IMAGE_DOS_HEADER",
                     wi::Format(L"readAdvDataFromExec_ImageDosHeader_size_%u", static_cast<unsigned>(size)));
        return result;
    }

    uint32_t ntOffset = ReadLe32(data + kDosLfanewOffset);
    if (static_cast<uint64_t>(ntOffset) + kNtHeadersSize > size) {
        reader.Error(L"memcopy IMAGE_NT_HEADERS",
                     wi::Format(L"readAdvDataFromExec_ImageNtHeader_offset_%u", static_cast<unsigned>(ntOffset)));
        return result;
    }
    const uint8_t* nt = data + ntOffset;
    uint32_t signature = ReadLe32(nt);
    if (signature != 0x00004550) {
        reader.Error(L"memcopy IMAGE_NT_HEADERS", wi::Format(L"readAdvDataFromExec_ImageNtHeader_%x", signature));
        return result;
    }

    uint32_t certificates = ReadLe32(nt + kSecurityDirectoryOffset);
    if (certificates == 0) {
        reader.ErrorWithEvent(L"dwCertificateAddress", L"readAdvDataFromExec_nosignuture");
        return result;
    }
    // The trailer must lie inside the file, in front of the certificate table.
    if (certificates < kTrailerSize || certificates > size) {
        reader.Error(L"dwCertificateAddress", wi::Format(L"readAdvDataFromExec_dwCertificateAddress_%u",
                                                         static_cast<unsigned>(certificates)));
        return result;
    }

    const uint8_t* trailer = data + (certificates - kTrailerSize);
    uint32_t blockOffset = ReadBe32(trailer);
    uint32_t version = ReadBe32(trailer + 4);
    uint32_t marker = ReadBe32(trailer + 8);
    if (version != kVersion || marker != kMarker) {
        // The ordinary case of a signed file without a block: logged only.
        reader.Log(ERR, wi::Format(L"dwAdvVersion err [no valid advData version=%d marker=%#x]",
                                   static_cast<int>(version), marker));
        return result;
    }

    // In 64 bits, so a block offset behind the trailer gives a negative size
    // instead of wrapping around.
    int64_t n = static_cast<int64_t>(certificates - kTrailerSize) - static_cast<int64_t>(blockOffset);
    if (n < 0 || n > kMaxBlockSize) {
        std::wstring text = wi::Format(L"readAdvDataFromExec_advSize_error_%lld", static_cast<long long>(n));
        result.errorText = text;
        result.statsErrors.push_back(text);
        if (n < 0) return result;  // nothing to read
        // Too large, but inside the file: read on; the error keeps it from being stored.
    }

    std::vector<std::pair<std::string, std::string>> pairs;
    bool pairsOk = ReadPairs(data + blockOffset, static_cast<size_t>(n), reader, pairs);
    if (!pairsOk || !result.errorText.empty()) return result;

    bool ok = true;
    result.text = wi::Utf8ToWide(AdvPairsToJson(pairs), &ok);
    result.store = ok;
    return result;
}

void CApplication::ReadAdvDataFromExec() {
    const wchar_t* const kName = L"CApplication::ReadAdvDataFromExec";
    Logger::Write(APPLICATION, DBG, L"%ls Enter", kName);

    // Grows past MAX_PATH: a truncated path would name another file.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            // Error text getWebInstallerInfo_GetModuleFileName_<error>: stops here, nothing stored.
            Logger::Write(APPLICATION, ERR, L"%ls GetModuleFileName error", kName);
            return;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            Logger::Write(APPLICATION, ERR, L"%ls GetModuleFileName error", kName);
            return;
        }
        path.resize(path.size() * 2);
    }
    if (path.empty()) {
        Logger::Write(APPLICATION, DBG, L"%ls No base file to read the data from", kName);
        return;
    }

    AdvDataResult result;
    {
        CMappedFile file;
        int opened = file.Open(path, GENERIC_READ, OPEN_EXISTING, false, false);
        if (opened != CMappedFile::kOpened) {
            std::wstring errorText = wi::Format(L"readAdvDataFromExec_openFile_%ls_%d", path.c_str(), opened);
            Logger::Write(APPLICATION, ERR, L"%ls open file err [%ls]", kName, errorText.c_str());
            return;
        }
        try {
            std::vector<uint8_t> bytes(file.FileSize());
            DWORD read = 0;
            std::wstring readError;
            if (!file.ReadBinaricFile(bytes.data(), static_cast<DWORD>(bytes.size()), &read, readError)) {
                std::wstring errorText = wi::Format(L"readAdvDataFromExec_ReadBinaricFile_%ls_%ls", path.c_str(),
                                                    readError.c_str());
                Logger::Write(APPLICATION, ERR, L"%ls read file err [%ls]", kName, errorText.c_str());
                return;
            }
            // Only what was really read is looked at.
            result = ParseAdvData(bytes.data(), read);
        } catch (const std::exception& e) {
            Logger::Write(APPLICATION, ERR, L"%ls read file err [%ls]", kName, wi::AnsiToWide(e.what()).c_str());
            return;
        }
    }  // the file is closed here, before anything is reported or stored

    for (const AdvDataLogLine& line : result.log) {
        Logger::Write(APPLICATION, line.level, L"%ls %ls", kName, line.text.c_str());
    }
    for (const std::wstring& text : result.statsErrors) CSendStats::SendErrorEvent(L"error", text);
    if (result.store) SetAdvData(result.text);
}
