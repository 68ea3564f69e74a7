#pragma once
// Worker threads of the long commands and the way their results reach the
// user interface thread.
//
// A command that needs time moves what its worker needs (normally its heap
// copy of params) into a task and starts it with StartWorker: the thread is
// started with _beginthreadex (default stack, no flags), its handle is closed
// at once (the worker runs detached) and the worker owns the task, which is
// freed when the worker ends. No exception leaves the thread entry.
//
// Workers hand results over only through the thread result message: PostResult
// posts a heap JSON object (which always has the member `function`) with the
// callback id to the web view window. The receiver owns the object from then
// on; a post that fails frees it at once.
#include <windows.h>
#include <process.h>

#include <json/json.h>

#include <exception>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "diagnostics/Logger.h"

namespace bridge {

// The thread result message: wParam the callback id, lParam a Json::Value*.
constexpr UINT kThreadResultMessage = WM_USER + 1;  // 1025

// A result object naming its worker.
std::unique_ptr<Json::Value> MakeResult(const char* function);

// Posts to the web view window of the application object.
bool PostResult(int callbackId, std::unique_ptr<Json::Value> result);
bool PostResultTo(HWND window, int callbackId, std::unique_ptr<Json::Value> result);

namespace detail {
template <typename Task>
unsigned __stdcall WorkerEntry(void* parameter) {
    std::unique_ptr<Task> task(static_cast<Task*>(parameter));
    try {
        (*task)();
    } catch (const std::exception& e) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls worker ended by an exception [%hs]", L"bridge::StartWorker",
                      e.what());
    } catch (...) {
        Logger::Write(DISPATCHER_HANDLER, ERR, L"%ls worker ended by an exception", L"bridge::StartWorker");
    }
    return 0;
}
}  // namespace detail

// Starts task() on a detached thread; false (and the task freed) when the
// thread cannot be started.
template <typename Fn>
bool StartWorker(Fn&& fn) {
    using Task = std::decay_t<Fn>;
    std::unique_ptr<Task> task(new (std::nothrow) Task(std::forward<Fn>(fn)));
    if (!task) return false;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &detail::WorkerEntry<Task>, task.get(), 0, nullptr);
    if (thread == 0) return false;
    task.release();  // the worker owns it now
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace bridge
