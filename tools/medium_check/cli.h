// The command line of medium-check, the same on Windows and natively:
//   medium-check [--json] [--program-dir DIR] [--port NAME] <medium-folder>
// Exit status 0 when the medium has no error, 1 when it has, 2 when the
// check cannot run (bad arguments, no such folder, output failed).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/medium_rules.h"

namespace medium_check {

inline constexpr int kExitClean = 0;
inline constexpr int kExitErrors = 1;
inline constexpr int kExitCannotRun = 2;

struct CommandLine {
    bool json = false;
    bool help = false;
    std::wstring folder;
    // The Windows folder the installer will run from; by default the
    // platform's own choice.
    std::optional<std::wstring> programDirectory;
    std::optional<std::wstring> port;
    std::string error;  // set when the arguments cannot be used
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::wstring>& args);
std::string Usage();

// The options of the check: the command line's, else the given defaults.
core::CheckOptions OptionsFor(const CommandLine& commandLine, const std::wstring& defaultProgramDirectory);

// Standard output: one line per finding, or the JSON object.
std::string RenderReport(const core::CheckReport& report, std::wstring_view medium, bool json);
// One line for standard error: the counts.
std::string Summary(const core::CheckReport& report);
int ExitStatus(const core::CheckReport& report);

// What a platform adds to the command: where text goes, and the check of
// the command line's folder.
struct Platform {
    // UTF-8 text to standard output or standard error; false when it failed.
    bool (*write)(bool toError, const std::string& text) = nullptr;
    // The report, and the folder as the report names it; nothing when the
    // folder cannot be checked (`problem` then says why).
    std::optional<core::CheckReport> (*check)(const CommandLine& commandLine, std::wstring& folder,
                                              std::string& problem) = nullptr;
};

// The whole command: arguments (after the program's name) to exit status.
// The platform's report gets the findings of the medium's physical limits
// (medium_listing.h) added.
int RunCommand(const std::vector<std::wstring>& args, const Platform& platform);

}  // namespace medium_check
