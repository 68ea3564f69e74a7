#include "bridge/commands/ShortcutPath.h"

#include <windows.h>

#include <vector>

#include "bridge/commands/IdentityCommands.h"
#include "diagnostics/Logger.h"
#include "platform/Handles.h"
#include "platform/InteractiveUser.h"

namespace {

const DWORD kMaxFolderChars = 2097151;

// A string value (REG_SZ or REG_EXPAND_SZ, taken unexpanded); false when
// missing, of another type or longer than kMaxFolderChars.
bool ReadFolderValue(HKEY key, const wchar_t* name, std::wstring* text) {
    for (int attempt = 0; attempt < 3; ++attempt) {  // the value may grow between the two reads
        DWORD type = 0;
        DWORD bytes = 0;
        if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        if (bytes / sizeof(wchar_t) > kMaxFolderChars) return false;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        *text = buffer.data();  // ends at the first NUL; the extra element ends an unterminated value
        return true;
    }
    return false;
}

}  // namespace

namespace bridge {

const wchar_t* ShellFolderValueName(int type) {
    switch (type) {
    case 0: return L"Desktop";
    case 1: return L"Start Menu";
    case 2: return L"Startup";
    default: return L"";
    }
}

std::wstring FallbackShortcutFolder(int type, bool olderLayout, const std::wstring& appData,
                                    const std::wstring& userProfile) {
    std::wstring startMenu = olderLayout ? userProfile + L"\\Start Menu\\Programs"
                                         : appData + L"\\Microsoft\\Windows\\Start Menu\\Programs";
    switch (type) {
    case 0: return userProfile + L"\\Desktop";
    case 1: return startMenu;
    case 2: return startMenu + L"\\Startup";
    default: return std::wstring();
    }
}

}  // namespace bridge

std::wstring Tools::GetShortcutNonePublicPath(int type) {
    const wchar_t* const kName = L"Tools::GetShortcutNonePublicPath";
    InteractiveUser user = InteractiveUser::Lookup();
    std::wstring folder;
    wi::unique_hkey key;
    std::wstring keyPath = user.hiveName + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    if (::RegOpenKeyExW(HKEY_USERS, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls failed to open Shell Folders registry key", kName);
    } else {
        const wchar_t* valueName = bridge::ShellFolderValueName(type);
        std::wstring text;
        if (ReadFolderValue(key.get(), valueName, &text)) {
            Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls Shortcut Query string [%ls]", kName, text.c_str());
            folder = text;
        } else {
            Logger::Write(DISPATCHER_HANDLER, WRN, L"%ls failed to read registry value [%ls]", kName, valueName);
        }
        key.reset();
    }
    if (folder.empty()) {
        bool olderLayout = LOBYTE(LOWORD(::GetVersion())) <= 5;
        std::wstring profile = user.userProfile;
        if (olderLayout) profile = bridge::EnvironmentValue(L"USERPROFILE").value_or(profile);
        folder = bridge::FallbackShortcutFolder(type, olderLayout, user.appData, profile);
    }
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls Shortcut path [%ls]", kName, folder.c_str());
    return folder;
}
