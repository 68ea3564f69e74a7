#include "diagnostics/SendStats.h"

#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <memory>

#include "app/Application.h"
#include "diagnostics/LastErrorName.h"
#include "diagnostics/Logger.h"
#include "diagnostics/StatsQuery.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "transfer/Download.h"

namespace {

StatsFacts CollectFacts() {
    CApplication* app = CApplication::Instance();
    StatsFacts f;
    f.runMode = app->RunModeValue();
    f.osName = SystemInfo::GetOSName();
    f.is64 = SystemInfo::IsWow64();
    f.osLang = static_cast<int>(::GetSystemDefaultLCID());
    f.ieVersion = SystemInfo::GetIEVersion();
    f.runGuid = app->RunGuid();
    f.verifier = app->Verifier();
    f.version = app->VersionText();
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // 100 ns units since 1601 to milliseconds since 1970.
    f.nowMs = (t.QuadPart - 116444736000000000ULL) / 10000ULL;
    f.adminUser = SystemInfo::IsAdminUser();
    f.startTime = app->StartTime();
    return f;
}

// Requests still on their way; the end of the run waits a little for them.
std::atomic<int> g_pending{0};

DWORD WINAPI PixelThread(LPVOID param) {
    std::unique_ptr<std::wstring> address(static_cast<std::wstring*>(param));
    struct Done {
        ~Done() { --g_pending; }
    } done;
    try {
        Tools::DownloadRequest request;
        request.url = *address;
        request.noResponseNeeded = true;
        CApplication::Instance()->EncodeStatsUrl(request.url);
        Tools::Download(request);
    } catch (...) {
        // A statistics request never takes the program down.
    }
    return 0;
}

}  // namespace

void CSendStats::SendEvent(const std::wstring& eventType) {
    SendToPixelServer(CApplication::Instance()->Brand().stats_url,
                      BuildStatsQuery(eventType, nullptr, CollectFacts()));
}

void CSendStats::SendErrorEvent(const std::wstring& eventType, const std::wstring& errorText) {
    SendToPixelServer(CApplication::Instance()->Brand().error_url,
                      BuildStatsQuery(eventType, &errorText, CollectFacts()));
}

void CSendStats::SendError(const std::wstring& token, const std::wstring& detail) {
    SendErrorEvent(L"error", wi::Format(L"%ls_%ls", token.c_str(), detail.c_str()));
}

void CSendStats::SendErrorCode(const std::wstring& token, int number) {
    SendErrorEvent(L"error", wi::Format(L"%ls_%d", token.c_str(), number));
}

void CSendStats::SendLastError(const std::wstring& token) {
    std::wstring name = LastErrorName();
    SendError(token, name);
}

void CSendStats::SendToPixelServer(const std::wstring& base, const std::wstring& query) {
    std::wstring address = base + query;
    Logger::Write(DISPATCHER_HANDLER, INF, L"%ls [%ls]", L"CSendStats::SendToPixelServer", address.c_str());
    auto* copy = new std::wstring(address);
    ++g_pending;
    HANDLE thread = ::CreateThread(nullptr, 0, PixelThread, copy, 0, nullptr);
    if (!thread) {
        --g_pending;
        delete copy;
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls Failed to create thread", L"CSendStats::SendToPixelServer");
        return;
    }
    ::CloseHandle(thread);
}

bool CSendStats::WaitForPending(DWORD maxMs) {
    DWORD start = ::GetTickCount();
    while (g_pending.load() > 0) {
        if (::GetTickCount() - start >= maxMs) return false;
        ::Sleep(10);
    }
    return true;
}
