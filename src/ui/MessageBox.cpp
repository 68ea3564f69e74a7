#include "ui/MessageBox.h"

#include "app/Application.h"
#include "diagnostics/Logger.h"

namespace {

// Process-wide, used on the user interface thread only.
ButtonLabels g_labels;
HHOOK g_hook = nullptr;

LRESULT CALLBACK RelabelHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        for (const auto& label : g_labels) {
            if (::GetDlgItem(box, label.first)) ::SetDlgItemTextW(box, label.first, label.second.c_str());
        }
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        return 0;
    }
    ::CallNextHookEx(g_hook, code, wParam, lParam);
    return 0;
}

}  // namespace

int DefaultButtonId(UINT flags) {
    static const std::vector<int> kButtons[] = {
        {IDOK},                         // MB_OK
        {IDOK, IDCANCEL},               // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},   // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},        // MB_YESNOCANCEL
        {IDYES, IDNO},                  // MB_YESNO
        {IDRETRY, IDCANCEL},            // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
    };
    UINT type = flags & MB_TYPEMASK;
    const std::vector<int>& buttons = type < 7 ? kButtons[type] : kButtons[0];
    size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags,
                   const ButtonLabels& labels) {
    if (CApplication::Instance()->IsSilent()) {
        int answer = DefaultButtonId(flags);
        Logger::Write(APPLICATION, INF, L"%ls silent, not shown [%ls] [%ls], answer [%d]", L"ShowMessageBox",
                      title.c_str(), text.c_str(), answer);
        return answer;
    }
    g_labels = labels;
    if (!g_labels.empty()) {
        g_hook = ::SetWindowsHookExW(WH_CBT, RelabelHook, nullptr, ::GetCurrentThreadId());
    }
    int answer = ::MessageBoxW(owner, text.c_str(), title.c_str(), flags);
    if (g_hook) {
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
    return answer;
}
