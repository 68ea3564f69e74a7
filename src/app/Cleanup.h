#pragma once
// End-of-run removal: hidden batch files that delete the working directory,
// the installer itself or an uninstalled product's folder after the process
// has ended.
#include <string>
#include <vector>

namespace Tools {
// `command`: the path to remove, already in double quotes.
void CleanUpWithBatFile(const std::wstring& command, bool deleteFolder);
}

namespace cleanup {

// The batch text (CR LF line ends).
std::wstring BatchText(bool deleteFolder);

struct Removal {
    std::wstring command;  // quoted path
    bool deleteFolder;
};

// What to remove at the end of a run, in order. `programFolder` is the
// program's folder already widened for removal.
std::vector<Removal> Plan(int runMode, const std::wstring& closeReason, bool debugMode,
                          const std::wstring& programPath, const std::wstring& programFolder,
                          const std::wstring& workingDirectory);

// The folder of a path: up to and including its last backslash.
std::wstring FolderOf(const std::wstring& path);

}  // namespace cleanup
