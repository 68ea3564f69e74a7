// HTTP(S) transfer through WinINet.
//
// Why it is built the way it is:
// - Reads grow up to 1,024,000 bytes while the network keeps up: under Wine
//   every InternetReadFile is a round trip into the server process, and
//   10,240-byte reads cost several times the transfer itself (256 MiB from a
//   local server: 256,000-byte reads 0.47 s, 1,024,000-byte reads 0.14-0.20 s,
//   curl 0.25-0.27 s). A blocking read
//   returns only once it is full, so on a slow link reads shrink again and
//   cancelling still answers within a fraction of a second. Progress
//   counting, the report threshold and the final zero-byte step run per
//   10,240-byte slice of the stream, so the page sees the same reports
//   whatever the read sizes; the cancel event is looked at after every report
//   and every read (SliceMeter).
// - Redirects are followed here, not by WinINet (which, under Wine, follows
//   https to http whatever the flags say): at most kMaxRedirects hops, only to
//   http(s), never from https down to http. Nothing is sent to a refused
//   address, so the caller's headers never leave over plain http.
// - Certificate errors are never ignored: the downloaded page gets full
//   control of the machine.
// - A body for a file streams into a temporary file beside the target, which
//   is moved over the target only when the body is complete and checked:
//   memory stays small and no partial file is ever left behind.
// - Responses are not written to the WinINet cache: it would keep a second
//   copy of every download in the user's profile.
// - A failed statistics request (noResponseNeeded) reports nothing, or each
//   failure report could fail the same way and start another one.
#include "transfer/Download.h"

#include <wininet.h>

#include <atomic>
#include <cwctype>
#include <vector>

#include "diagnostics/LastErrorName.h"
#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace Tools {

namespace {

constexpr const wchar_t* kFn = L"Tools::Download";
constexpr DWORD kSlice = 10240;             // unit of progress and cancel checks
constexpr DWORD kMaxReadSlices = 100;       // largest read: 1,024,000 bytes
constexpr DWORD kFastReadMs = 50;           // a full read this quick: read more next time
constexpr DWORD kSlowReadMs = 250;          // a read this slow: read less next time
constexpr int kMaxReadRetries = 10;         // ERROR_INSUFFICIENT_BUFFER retries
constexpr int kMaxRedirects = 10;
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kUrlPartChars = 2048;
constexpr DWORD kQueryBytes = 10240;
constexpr double kDefaultFraction = 0.05;

const wchar_t* const kAcceptedStatus[] = {L"200", L"201", L"202", L"203", L"204",
                                          L"205", L"206", L"207", L"226"};

std::atomic<DownloadErrorSink> g_errorSink{nullptr};

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    }
    return true;
}

bool IsAcceptedStatus(const std::wstring& status) {
    for (const wchar_t* accepted : kAcceptedStatus)
        if (status == accepted) return true;
    return false;
}

bool IsRedirectStatus(const std::wstring& status) {
    return status == L"301" || status == L"302" || status == L"303" || status == L"307" ||
           status == L"308";
}

DWORD RequestFlags(const std::wstring& url, const std::wstring& headers) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE;
    // The caller's own cookie only: the session's cookies are not added.
    if (wi::Contains(headers, L"Cookie:")) flags |= INTERNET_FLAG_NO_COOKIES;
    if (StartsWithNoCase(url, L"https://")) flags |= INTERNET_FLAG_SECURE;
    return flags;
}

// Statistics for a failed step; none for a statistics request itself.
void ReportFailure(const DownloadRequest& request, const std::wstring& text) {
    if (request.noResponseNeeded) return;
    DownloadErrorSink sink = g_errorSink.load();
    if (sink) {
        sink(text);
    } else {
        CSendStats::SendErrorEvent(L"error", text);
    }
}

void ReportStepFailure(const DownloadRequest& request, const wchar_t* token) {
    ReportFailure(request, token + request.url);
}

struct UrlParts {
    std::wstring host;
    std::wstring path;  // path and query
    INTERNET_PORT port = 0;
};

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    std::vector<wchar_t> host(kUrlPartChars, L'\0');
    std::vector<wchar_t> path(kUrlPartChars, L'\0');
    URL_COMPONENTSW components{};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = host.data();
    components.dwHostNameLength = kUrlPartChars;
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = kUrlPartChars;
    if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) return false;
    parts.host.assign(host.data(), components.dwHostNameLength);
    parts.path.assign(path.data(), components.dwUrlPathLength);
    parts.port = components.nPort;
    return true;
}

// A header as text into the zeroed buffer the transfer uses for its queries.
bool QueryText(HINTERNET request, DWORD info, std::wstring& out) {
    std::vector<wchar_t> buffer(kQueryBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = kQueryBytes;
    if (!::HttpQueryInfoW(request, info, buffer.data(), &size, nullptr)) return false;
    out.assign(buffer.data());
    return true;
}

// Content-Length as a 64-bit number (0 when absent or not a number), so a
// body of 4 GiB or more is still checked against what the server announced.
unsigned long long AnnouncedLength(HINTERNET request) {
    std::wstring text;
    if (!QueryText(request, HTTP_QUERY_CONTENT_LENGTH, text) || text.empty()) return 0;
    unsigned long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > (~0ULL - 9) / 10) return 0;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

bool QueryLocation(HINTERNET request, std::wstring& out) {
    DWORD size = 0;
    ::HttpQueryInfoW(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (!::HttpQueryInfoW(request, HTTP_QUERY_LOCATION, buffer.data(), &size, nullptr)) return false;
    out.assign(buffer.data());
    return true;
}

// A Location header may be relative to the address that answered.
std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location) {
    DWORD chars = static_cast<DWORD>(base.size() + location.size() + 16);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> buffer(chars + 1, L'\0');
        DWORD size = chars;
        if (::InternetCombineUrlW(base.c_str(), location.c_str(), buffer.data(), &size, ICU_NO_ENCODE))
            return std::wstring(buffer.data());
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= chars) break;
        chars = size;
    }
    return std::wstring();
}

// The temporary file a body for a file streams into; removed unless it was
// moved over the target.
class PartFile {
public:
    ~PartFile() {
        file_.reset();
        if (!path_.empty()) ::DeleteFileW(path_.c_str());
    }

    bool Create(const std::wstring& target) {
        size_t slash = target.find_last_of(L"\\/");
        std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : target.substr(0, slash + 1);
        wchar_t name[MAX_PATH + 1] = {};
        if (!::GetTempFileNameW(folder.c_str(), L"dl", 0, name)) return false;
        path_ = name;  // the call created it: ours to remove from here on
        file_.reset(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return static_cast<bool>(file_);
    }

    bool Write(const char* data, DWORD size) {
        while (size > 0) {
            DWORD written = 0;
            if (!::WriteFile(file_.get(), data, size, &written, nullptr) || written == 0) return false;
            data += written;
            size -= written;
        }
        return true;
    }

    // Closes the file and moves it over the target.
    bool Commit(const std::wstring& target) {
        file_.reset();
        if (!::MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        path_.clear();
        return true;
    }

private:
    std::wstring path_;
    wi::unique_hfile file_;
};

// Progress bookkeeping per 10,240-byte slice of the body, and the cancel
// check. The cancel event is looked at after every report and after every
// read: no report follows a cancel that a read could have noticed, which is
// all the page can tell, and under Wine each look is a round trip into the
// server process that per-slice checks would pay some 26,000 times a 256 MiB.
class SliceMeter {
public:
    SliceMeter(const DownloadRequest& request, unsigned long long threshold)
        : request_(request), threshold_(threshold) {}

    // Takes the bytes of one read; a read of 0 bytes ends the body. Returns
    // false once the caller has asked to cancel.
    bool Consume(DWORD count) {
        if (count == 0) {
            if (fill_ > 0) {
                DWORD last = fill_;
                fill_ = 0;
                if (Count(last) && Cancelled()) return false;
            }
            Count(0);
            return !Cancelled();
        }
        while (count > 0) {
            DWORD take = count < kSlice - fill_ ? count : kSlice - fill_;
            fill_ += take;
            count -= take;
            if (fill_ == kSlice) {
                fill_ = 0;
                if (Count(kSlice) && Cancelled()) return false;
            }
        }
        return !Cancelled();
    }

private:
    // Counts one slice; true when it produced a report.
    bool Count(DWORD bytes) {
        if (request_.progressId <= 0) return false;
        amount_ += bytes;
        if (amount_ < threshold_) return false;
        if (request_.progressCallback)
            request_.progressCallback(request_.progressId, request_.progressStep * report_, request_.url,
                                      static_cast<unsigned int>(amount_));
        amount_ = 0;
        ++report_;
        return true;
    }

    bool Cancelled() const {
        return request_.cancelEvent != INVALID_HANDLE_VALUE &&
               ::WaitForSingleObject(request_.cancelEvent, 0) == WAIT_OBJECT_0;
    }

    const DownloadRequest& request_;
    const unsigned long long threshold_;
    unsigned long long amount_ = 0;
    int report_ = 1;
    DWORD fill_ = 0;
};

void SetTimeouts(HINTERNET request) {
    DWORD timeout = kTimeoutMs;
    if (::InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout))) {
        Logger::Write(UTILS, DBG, L"%ls Set HttpRequest_InternetSetOption_Rec_[%d]", kFn, static_cast<int>(timeout));
    } else {
        Logger::Write(UTILS, WRN, L"%ls HttpRequest_InternetSetOption_Rec error [%d]", kFn,
                      static_cast<int>(::GetLastError()));
    }
    if (::InternetSetOptionW(request, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout))) {
        Logger::Write(UTILS, DBG, L"%ls Set HttpRequest_InternetSetOption_Send_[%d]", kFn, static_cast<int>(timeout));
    } else {
        Logger::Write(UTILS, WRN, L"%ls HttpRequest_InternetSetOption_Send error [%d]", kFn,
                      static_cast<int>(::GetLastError()));
    }
}

}  // namespace

DownloadErrorSink SetDownloadErrorSink(DownloadErrorSink sink) { return g_errorSink.exchange(sink); }

bool MayFollowRedirect(const std::wstring& from, const std::wstring& to) {
    bool toHttps = StartsWithNoCase(to, L"https://");
    if (!toHttps && !StartsWithNoCase(to, L"http://")) return false;
    return toHttps || !StartsWithNoCase(from, L"https://");
}

std::wstring DecodeTextBody(const std::string& body) {
    auto byteAt = [&body](size_t i) { return static_cast<unsigned char>(body[i]); };
    if (body.size() >= 2 && ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == 0xFE && byteAt(1) == 0xFF))) {
        bool bigEndian = byteAt(0) == 0xFE;
        std::wstring text;
        text.reserve((body.size() - 2) / 2);
        for (size_t i = 2; i + 1 < body.size(); i += 2) {
            wchar_t c = bigEndian ? static_cast<wchar_t>((byteAt(i) << 8) | byteAt(i + 1))
                                  : static_cast<wchar_t>((byteAt(i + 1) << 8) | byteAt(i));
            if (c == L'\0') break;
            text.push_back(c);
        }
        return text;
    }
    size_t start = 0;
    if (body.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) start = 3;
    size_t end = body.find('\0', start);
    std::string bytes = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
    bool utf8 = false;
    std::wstring text = wi::Utf8ToWide(bytes, &utf8);
    return utf8 ? text : wi::AnsiToWide(bytes);
}

DownloadResult Download(const DownloadRequest& request) {
    DownloadResult result;
    const std::wstring& url = request.url;
    Logger::Write(UTILS, INF, L"%ls url[%ls], output file [%ls]", kFn, url.c_str(), request.outputFile.c_str());

    wi::unique_hinternet session(
        ::InternetOpenW(L"WinClient", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        std::wstring name = LastErrorName();
        Logger::Write(UTILS, WRN, L"%ls internet open failed!", kFn);
        ReportFailure(request, L"openInternetError_" + name);
        return result;
    }

    // Each pass sends one request; a followed redirect starts another pass.
    wi::unique_hinternet connection;
    wi::unique_hinternet httpRequest;
    std::wstring address = url;
    for (int redirects = 0;; ++redirects) {
        httpRequest.reset();
        connection.reset();
        UrlParts parts;
        if (!CrackUrl(address, parts)) {
            Logger::Write(UTILS, WRN, L"%ls internet crack url failed!", kFn);
            ReportStepFailure(request, L"CrackUrl_failed_");
            return result;
        }
        connection.reset(::InternetConnectW(session.get(), parts.host.c_str(), parts.port, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) {
            Logger::Write(UTILS, WRN, L"%ls internet connect failed!", kFn);
            ReportStepFailure(request, L"internet_connect_failed_");
            return result;
        }
        if (!request.referer.empty())
            Logger::Write(UTILS, DBG, L"%ls Opening HTTP request with, referer [%ls]", kFn, request.referer.c_str());
        const wchar_t* acceptTypes[] = {L"*/*", nullptr};
        httpRequest.reset(::HttpOpenRequestW(connection.get(), L"GET", parts.path.c_str(), nullptr,
                                             request.referer.empty() ? nullptr : request.referer.c_str(),
                                             acceptTypes, RequestFlags(address, request.headers), 1));
        if (!httpRequest) {
            Logger::Write(UTILS, WRN, L"%ls open request failed!", kFn);
            ReportStepFailure(request, L"open_request_failed_");
            return result;
        }
        if (!request.headers.empty())
            Logger::Write(UTILS, DBG, L"%ls Additional headers [%ls]", kFn, request.headers.c_str());
        if (request.progressId > 0) SetTimeouts(httpRequest.get());

        if (!::HttpSendRequestW(httpRequest.get(), request.headers.c_str(),
                                static_cast<DWORD>(request.headers.size()), nullptr, 0)) {
            Logger::Write(UTILS, WRN, L"%ls send request failed!", kFn);
            return result;
        }
        if (request.noResponseNeeded) {
            Logger::Write(UTILS, WRN, L"%ls No response is needed so we can exit", kFn);
            return result;
        }

        std::wstring status;
        if (!QueryText(httpRequest.get(), HTTP_QUERY_STATUS_CODE, status)) {
            Logger::Write(UTILS, WRN, L"%ls query info status failed!", kFn);
            ReportStepFailure(request, L"query_info_status_failed_");
            return result;
        }
        Logger::Write(UTILS, INF, L"%ls query status [%ls]", kFn, status.c_str());
        if (!IsRedirectStatus(status)) {
            if (IsAcceptedStatus(status)) break;
            Logger::Write(UTILS, WRN, L"%ls query status not good!", kFn);
            return result;
        }

        std::wstring location;
        std::wstring next;
        if (QueryLocation(httpRequest.get(), location)) next = ResolveLocation(address, location);
        if (next.empty() || redirects >= kMaxRedirects || !MayFollowRedirect(address, next)) {
            Logger::Write(UTILS, WRN, L"%ls redirect not followed [%ls], after [%d] redirects", kFn,
                          location.c_str(), redirects);
            Logger::Write(UTILS, WRN, L"%ls query status not good!", kFn);
            return result;
        }
        Logger::Write(UTILS, INF, L"%ls redirect to [%ls]", kFn, next.c_str());
        address = next;
    }

    unsigned long long announced = AnnouncedLength(httpRequest.get());
    double fraction = request.progressStep > 0 ? request.progressStep / 100.0 : kDefaultFraction;
    double product = static_cast<double>(announced) * fraction;
    unsigned long long threshold = product < 1.0 ? 0 : static_cast<unsigned long long>(product);

    const bool toFile = !request.outputFile.empty();
    PartFile part;
    if (toFile && !part.Create(request.outputFile)) {
        Logger::Write(UTILS, WRN, L"%ls write output file failed!", kFn);
        ReportStepFailure(request, L"write_output_file_failed_");
        return result;
    }

    std::string body;              // the whole body, when kept as text
    std::vector<char> buffer;      // one read, when streamed to the file
    unsigned long long received = 0;
    SliceMeter meter(request, threshold);
    DWORD slices = 1;  // read size in slices, adapted to the link
    for (int factor = 1;;) {
        DWORD want = static_cast<DWORD>(factor) * slices * kSlice;
        char* target = nullptr;
        if (toFile) {
            if (buffer.size() < want) buffer.resize(want);
            target = buffer.data();
        } else {
            body.resize(static_cast<size_t>(received) + want);
            target = &body[static_cast<size_t>(received)];
        }
        DWORD read = 0;
        DWORD started = ::GetTickCount();
        if (!::InternetReadFile(httpRequest.get(), target, want, &read)) {
            if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER && factor <= kMaxReadRetries) {
                ++factor;
                continue;
            }
            Logger::Write(UTILS, WRN, L"%ls internet read file failed!", kFn);
            ReportStepFailure(request, L"internet_read_file_failed_");
            return result;
        }
        DWORD took = ::GetTickCount() - started;
        if (read == want && took < kFastReadMs && slices < kMaxReadSlices) {
            slices = slices * 2 < kMaxReadSlices ? slices * 2 : kMaxReadSlices;
        } else if (took > kSlowReadMs && slices > 1) {
            slices /= 2;
        }
        factor = 1;
        if (toFile) {
            if (read > 0 && !part.Write(buffer.data(), read)) {
                Logger::Write(UTILS, WRN, L"%ls write output file failed!", kFn);
                ReportStepFailure(request, L"write_output_file_failed_");
                return result;
            }
        } else {
            body.resize(static_cast<size_t>(received) + read);
        }
        received += read;
        if (!meter.Consume(read)) {
            Logger::Write(UTILS, WRN, L"%ls thread need to end by kill!", kFn);
            ReportStepFailure(request, L"thread_need_to_end_by_kill_");
            return result;
        }
        if (read == 0) break;
    }

    if (announced > received) {
        Logger::Write(UTILS, WRN, L"%ls resp buffer size[%lld] not correct [%lld]!", kFn,
                      static_cast<long long>(received), static_cast<long long>(announced));
        ReportStepFailure(request, L"resp_buffer_size_not_correct_");
        return result;
    }
    httpRequest.reset();

    if (toFile) {
        if (!part.Commit(request.outputFile)) {
            Logger::Write(UTILS, WRN, L"%ls write output file failed!", kFn);
            ReportStepFailure(request, L"write_output_file_failed_");
            return result;
        }
    } else {
        result.text = DecodeTextBody(body);
    }
    result.ok = true;
    Logger::Write(UTILS, INF, L"%ls finish url[%ls]", kFn, url.c_str());
    return result;
}

}  // namespace Tools
