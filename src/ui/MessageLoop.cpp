#include "ui/MessageLoop.h"

#include <algorithm>

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) { filters_.push_back(filter); }

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

bool CMessageLoop::PreTranslate(MSG* msg) {
    // A filter may unregister itself while handling the message: walk a copy.
    std::vector<CMessageFilter*> filters(filters_);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if ((*it)->PreTranslateMessage(msg)) return true;
    }
    return false;
}

int CMessageLoop::Run() {
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) return static_cast<int>(msg.wParam);
        if (!PreTranslate(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}
