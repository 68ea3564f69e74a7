#pragma once
// A file object that opens a file (waiting up to 10 s for files held by other
// programs), maps a non-empty file whole, and reads or writes it raw or as text.
// It does not log; failures come back as results and error texts.
#include <windows.h>

#include <string>

#include "platform/Handles.h"

class CMappedFile {
public:
    // Results of Open.
    enum OpenResult { kOpened = 0, kOpenFailed = 1, kAlreadyOpenOrNoSize = 2 };
    static constexpr int kRetryCount = 10;
    static constexpr DWORD kRetryDelayMs = 1000;

    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // access: GENERIC_READ and/or GENERIC_WRITE; creation: OPEN_EXISTING, OPEN_ALWAYS ...
    // Write access always brings read access, readWrite asks for both. Read-write
    // opens share nothing; read-only opens share reading. A sharing violation is
    // retried 10 times, 1 s apart; access-denied only when retryOnAccessDenied.
    int Open(const std::wstring& path, DWORD access, DWORD creation, bool readWrite, bool retryOnAccessDenied);
    // Unmaps, closes the mapping, then the file; closing a closed object does nothing.
    void Close();

    // Reads up to count bytes from the current file position.
    bool ReadBinaricFile(void* buffer, DWORD count, DWORD* bytesRead, std::wstring& error);
    // Reads count bytes and decodes them: BOM FF FE UTF-16LE, FE FF UTF-16BE,
    // EF BB BF UTF-8; otherwise UTF-8, or the ANSI code page when not valid UTF-8.
    std::wstring ReadText(DWORD count, DWORD* bytesRead);
    // Makes the file hold exactly the text as UTF-16LE (no BOM, no terminator).
    // An empty text is refused and leaves the file as it was.
    bool WriteText(const std::wstring& text);
    // Opens read-only and reads the whole file as text; errors
    // "openFileError_<open result>_<system error>" and "emptyFile_<system error>".
    bool ReadTextFile(const std::wstring& path, std::wstring& text, std::wstring& error);

    // State, for callers and tests.
    bool IsOpen() const { return static_cast<bool>(file_); }
    HANDLE FileHandle() const { return file_.get(); }
    bool HasMapping() const { return static_cast<bool>(mapping_); }
    const void* View() const { return view_.get(); }
    DWORD FileSize() const { return fileSize_; }
    DWORD MappedSize() const { return mappedSize_; }
    DWORD ViewAccess() const { return viewAccess_; }
    DWORD PageProtection() const { return pageProtection_; }
    DWORD ShareMode() const { return shareMode_; }

    // The pure part of ReadText: decodes a byte buffer as described there.
    static std::wstring DecodeText(const unsigned char* bytes, size_t count);

private:
    void UnmapView();

    wi::unique_hfile file_;        // INVALID_HANDLE_VALUE when closed
    wi::unique_handle mapping_;    // null when there is no mapping
    wi::unique_mapview view_;      // null when there is no view
    DWORD fileSize_ = 0;           // low 32 bits of the size at open
    DWORD mappedSize_ = 0;         // 0 without a view
    DWORD viewAccess_ = 0;
    DWORD pageProtection_ = 0;
    DWORD shareMode_ = 0;
};
