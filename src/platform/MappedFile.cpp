#include "platform/MappedFile.h"

#include <cstring>
#include <vector>

#include "platform/Text.h"

namespace {

bool IsRetriedError(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

}  // namespace

int CMappedFile::Open(const std::wstring& path, DWORD access, DWORD creation, bool readWrite,
                      bool retryOnAccessDenied) {
    if (file_ || mapping_) return kAlreadyOpenOrNoSize;

    // Write access always brings read access: the view needs it.
    if ((access & GENERIC_WRITE) && !(access & GENERIC_READ)) access |= GENERIC_READ;
    if (readWrite) access = GENERIC_READ | GENERIC_WRITE;

    if ((access & GENERIC_WRITE) != 0) {
        viewAccess_ = FILE_MAP_ALL_ACCESS;
        pageProtection_ = PAGE_READWRITE;
        shareMode_ = 0;  // nobody else may open the file meanwhile
    } else {
        viewAccess_ = FILE_MAP_READ;
        pageProtection_ = PAGE_READONLY;
        shareMode_ = FILE_SHARE_READ;
    }

    auto openOnce = [&]() {
        return ::CreateFileW(path.c_str(), access, shareMode_, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    };

    HANDLE handle = openOnce();
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        // Access-denied on the first attempt waits only when the caller asked for it;
        // during the retries both errors keep waiting.
        bool retry = error == ERROR_SHARING_VIOLATION || (retryOnAccessDenied && error == ERROR_ACCESS_DENIED);
        if (!retry) return kOpenFailed;
        for (int attempt = 0; attempt < kRetryCount && handle == INVALID_HANDLE_VALUE; ++attempt) {
            ::Sleep(kRetryDelayMs);
            handle = openOnce();
            if (handle == INVALID_HANDLE_VALUE && !IsRetriedError(::GetLastError())) break;
        }
        if (handle == INVALID_HANDLE_VALUE) return kOpenFailed;  // the last error stays readable
    }
    file_.reset(handle);

    DWORD size = ::GetFileSize(file_.get(), nullptr);  // only the low 32 bits are used
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return kAlreadyOpenOrNoSize;
    fileSize_ = size;

    if (fileSize_ > 0) {
        mapping_.reset(::CreateFileMappingW(file_.get(), nullptr, pageProtection_, 0, fileSize_, nullptr));
        if (mapping_) {
            view_.reset(::MapViewOfFile(mapping_.get(), viewAccess_, 0, 0, fileSize_));
            if (view_) {
                mappedSize_ = fileSize_;
            } else {
                mapping_.reset();  // open, but without a view
            }
        }
    }
    return kOpened;
}

void CMappedFile::UnmapView() {
    view_.reset();
    mapping_.reset();
    mappedSize_ = 0;
}

void CMappedFile::Close() {
    UnmapView();
    file_.reset();
    fileSize_ = 0;
    viewAccess_ = 0;
    pageProtection_ = 0;
    shareMode_ = 0;
}

bool CMappedFile::ReadBinaricFile(void* buffer, DWORD count, DWORD* bytesRead, std::wstring& error) {
    if (!file_) {
        error = L"ReadBinaricFile_map_error";
        return false;
    }
    DWORD read = 0;
    if (!::ReadFile(file_.get(), buffer, count, &read, nullptr)) {
        error = wi::Format(L"ReadBinaricFile_ReadFile_error_%d", static_cast<int>(::GetLastError()));
        if (bytesRead) *bytesRead = read;
        return false;
    }
    if (bytesRead) *bytesRead = read;
    return true;
}

std::wstring CMappedFile::DecodeText(const unsigned char* bytes, size_t count) {
    enum { kAnsi, kUtf8, kUtf16Le, kUtf16Be } form = kAnsi;
    size_t skip = 0;
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        form = kUtf16Le;
        skip = 2;
    } else if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        form = kUtf16Be;
        skip = 2;
    } else if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        form = kUtf8;
        skip = 3;
    } else if (count >= 2 && count % 2 == 0 && bytes[0] != 0 && bytes[1] == 0) {
        // UTF-16LE without a byte-order mark, as WriteText stores text: read
        // as 8-bit text it would end after its first character.
        form = kUtf16Le;
    }
    const unsigned char* body = bytes + skip;
    size_t length = count - skip;

    if (form == kUtf16Le || form == kUtf16Be) {
        // Whole code units only; a trailing odd byte meets the added zero bytes
        // and ends the text there, as a NUL-terminated buffer would.
        std::wstring text;
        text.reserve(length / 2);
        for (size_t i = 0; i + 1 < length; i += 2) {
            wchar_t unit = form == kUtf16Le ? static_cast<wchar_t>(body[i] | (body[i + 1] << 8))
                                            : static_cast<wchar_t>((body[i] << 8) | body[i + 1]);
            if (unit == L'\0') break;
            text.push_back(unit);
        }
        if (length % 2 == 1 && body[length - 1] != 0 && text.size() == length / 2) {
            // The odd byte (never swapped) with the first added zero byte forms one last unit.
            text.push_back(static_cast<wchar_t>(body[length - 1]));
        }
        return text;
    }

    // 8-bit forms end at the first NUL byte.
    size_t end = 0;
    while (end < length && body[end] != 0) ++end;
    std::string narrow(reinterpret_cast<const char*>(body), end);
    bool ok = true;
    std::wstring text = wi::Utf8ToWide(narrow, &ok);
    if (!ok) text = wi::AnsiToWide(narrow);
    return text;
}

std::wstring CMappedFile::ReadText(DWORD count, DWORD* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!file_) return std::wstring();
    std::vector<unsigned char> bytes(count);
    DWORD read = 0;
    if (!::ReadFile(file_.get(), bytes.data(), count, &read, nullptr)) return std::wstring();
    if (bytesRead) *bytesRead = read;
    if (read == 0) return std::wstring();
    return DecodeText(bytes.data(), read);
}

bool CMappedFile::WriteText(const std::wstring& text) {
    if (!file_) return false;
    if (mapping_ && view_) UnmapView();
    if (mapping_ || view_) return false;

    if (text.size() > MAXDWORD / 2) return false;
    DWORD size = static_cast<DWORD>(text.size() * 2);
    if (size == 0) return false;  // the file keeps what it held

    // A mapping of the text's size grows a shorter file to that size.
    wi::unique_handle mapping(::CreateFileMappingW(file_.get(), nullptr, PAGE_READWRITE, 0, size, nullptr));
    if (!mapping) return false;
    wi::unique_mapview view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
    if (!view) return false;
    unsigned char* target = static_cast<unsigned char*>(view.get());
    std::memset(target, 0, size);
    for (size_t i = 0; i < text.size(); ++i) {  // UTF-16LE whatever the host order
        target[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
        target[2 * i + 1] = static_cast<unsigned char>((text[i] >> 8) & 0xFF);
    }
    if (!::FlushViewOfFile(view.get(), size)) return false;
    view.reset();
    mapping.reset();
    mappedSize_ = 0;

    // Cut off any older, longer content.
    LARGE_INTEGER position;
    position.QuadPart = size;
    if (!::SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN)) return false;
    return ::SetEndOfFile(file_.get()) != FALSE;
}

bool CMappedFile::ReadTextFile(const std::wstring& path, std::wstring& text, std::wstring& error) {
    error.clear();
    int opened = Open(path, GENERIC_READ, OPEN_EXISTING, false, false);
    if (opened != kOpened) {
        error = wi::Format(L"openFileError_%d_%d", opened, static_cast<int>(::GetLastError()));
        return false;
    }
    text = ReadText(fileSize_, nullptr);
    if (text.empty()) error = wi::Format(L"emptyFile_%d", static_cast<int>(::GetLastError()));
    return error.empty();
}
