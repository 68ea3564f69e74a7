#include "app/Cleanup.h"

#include <windows.h>
#include <shellapi.h>

#include "app/Application.h"
#include "diagnostics/Logger.h"
#include "platform/FileSystemUtils.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace cleanup {

std::wstring BatchText(bool deleteFolder) {
    const wchar_t* lines[] = {
        L"@echo off",
        L"IF NOT EXIST %1 GOTO END",
        L"SET /a i=0",
        L":REPEAT",
        L"IF %i%==10 GOTO END",
        deleteFolder ? L"RMDIR /S /Q %1" : L"DEL %1",
        L"IF NOT EXIST %1 GOTO END",
        L"SET /a i=%i%+1",
        L"GOTO REPEAT",
        L":END",
        L"DEL %0",
    };
    std::wstring text;
    for (const wchar_t* line : lines) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::vector<Removal> Plan(int runMode, const std::wstring& closeReason, bool debugMode,
                          const std::wstring& programPath, const std::wstring& programFolder,
                          const std::wstring& workingDirectory) {
    std::vector<Removal> plan;
    if (closeReason == L"finished_successfully") {
        if (runMode == RUN_INSTALL && !debugMode) plan.push_back({L"\"" + programPath + L"\"", false});
        if (runMode == RUN_EXECUTE_UNINSTALL) plan.push_back({L"\"" + programFolder + L"\"", true});
    }
    if (!debugMode) plan.push_back({L"\"" + wi::ReplaceAll(workingDirectory, L"/", L"\\") + L"\"", true});
    return plan;
}

}  // namespace cleanup

namespace {

std::wstring TempFolder() {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD got = ::GetEnvironmentVariableW(L"temp", value, MAX_PATH * 2);
    if (got == 0 || got >= MAX_PATH * 2) return std::wstring();
    std::wstring folder = value;
    wchar_t longPath[MAX_PATH * 2] = {};
    DWORD longGot = ::GetLongPathNameW(value, longPath, MAX_PATH * 2);
    if (longGot > 0 && longGot < MAX_PATH * 2) folder = longPath;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

// A new file whose name cannot collide with another run's: the run GUID and
// a number; an existing file is never appended to.
wi::unique_hfile CreateBatchFile(const std::wstring& folder, std::wstring* path) {
    const std::wstring& guid = CApplication::Instance()->RunGuid();
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = folder + wi::Format(L"WebInstaller_%ls_%d.bat", guid.c_str(), std::rand());
        wi::unique_hfile file(::CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return wi::unique_hfile();
}

}  // namespace

void Tools::CleanUpWithBatFile(const std::wstring& command, bool deleteFolder) {
    std::wstring batch = cleanup::BatchText(deleteFolder);
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls command [%ls] batch [%ls]", L"Tools::CleanUpWithBatFile",
                  command.c_str(), batch.c_str());
    std::wstring path;
    wi::unique_hfile file = CreateBatchFile(TempFolder(), &path);
    Logger::Write(DISPATCHER_HANDLER, DBG, L"%ls strBatFilePath [%ls]", L"Tools::CleanUpWithBatFile", path.c_str());
    if (file) {
        std::string bytes = "\xEF\xBB\xBF" + wi::WideToUtf8(batch);
        DWORD written = 0;
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::FlushFileBuffers(file.get());
        file.reset();
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = command.c_str();
    info.nShow = SW_HIDE;
    // Not waited for: the batch file outlives the process.
    if (::ShellExecuteExW(&info) && info.hProcess) ::CloseHandle(info.hProcess);
}

void CApplication::Clean() {
    Logger::Write(APPLICATION, DBG, L"%ls Enter, type [%d] close reason [%ls]", L"CApplication::Clean", runMode_,
                  closeReason_.c_str());
    wchar_t program[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring programPath(program, length < MAX_PATH ? length : MAX_PATH);
    std::wstring programFolder = cleanup::FolderOf(programPath);
    if (runMode_ == RUN_EXECUTE_UNINSTALL && closeReason_ == L"finished_successfully")
        CFileSystemUtils::GetRemovalFolder(programFolder);
    for (const cleanup::Removal& removal :
         cleanup::Plan(runMode_, closeReason_, debugMode_, programPath, programFolder, workingDirectory_)) {
        Tools::CleanUpWithBatFile(removal.command, removal.deleteFolder);
    }
}
