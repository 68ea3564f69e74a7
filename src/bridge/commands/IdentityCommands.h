#pragma once
// The identity and environment queries: machine (13), the installer itself
// (23) and the user it installs for (27). Their answers as plain functions.
#include <optional>
#include <string>

namespace bridge {

// An environment variable of this process; nullopt when unset or empty.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name);

// Command 13. `osName` like 7(7601); the browser versions as major parts.
std::wstring InfoAnswer(const std::wstring& osName, bool is64, const std::wstring& ieVersion,
                        const std::wstring& chromeMajor, const std::wstring& firefoxMajor, unsigned long lcid);

// Command 23: the program path taken apart at its last backslash and at the
// file name's last dot.
enum class ProgramPathSplit { Ok, NoBackslash, NoDot };
struct ProgramPathParts {
    std::wstring folder;  // without the final separator
    std::wstring name;    // file name without its extension
    std::wstring type;    // extension without the dot
};
ProgramPathSplit SplitProgramPath(const std::wstring& path, ProgramPathParts* parts);
// `advData` is the stamped data's JSON text, inserted as it is.
std::wstring WebInstallerInfoAnswer(const ProgramPathParts& parts, const std::wstring& advData, int indexType);

// Command 27.
struct EnvironmentFacts {
    std::wstring localAppData;
    std::wstring sid;
    std::wstring temp;  // the working directory, ending with a backslash
    std::wstring programFiles;
    std::wstring version;
    std::wstring processId;  // the run GUID
    std::wstring verifier;
    std::wstring systemStartMenu;
    std::wstring userStartMenu;
    std::wstring className;
};
// Every path with forward slashes.
std::wstring EnvironmentAnswer(const EnvironmentFacts& facts);
// The all-users Start menu programs folder by the OS short name: Vista, 7 and
// 8 under PROGRAMDATA, every other name under ALLUSERSPROFILE.
std::wstring SystemStartMenuFolder(const std::wstring& osShortName, const std::wstring& programData,
                                   const std::wstring& allUsersProfile);

}  // namespace bridge
