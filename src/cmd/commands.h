// The console program's commands.  Each reads the catalogue and driver
// package next to the program, as the window does, runs the window's own
// jobs, and returns the exit code.
#pragma once
#include <string>

#include "cmd/console.h"
#include "core/console_command.h"
#include "install/install_api.h"

namespace cmd {

// What a command works with: the system's calls (or a test's), the medium
// folder (the program's own, ending in a backslash), the output.
struct Context {
    const InstallApi& api;
    std::wstring medium;
    Console& console;
};

int RunList(const core::ConsoleCommand& command, Context& context);
int RunDetect(const core::ConsoleCommand& command, Context& context);
int RunInstall(const core::ConsoleCommand& command, Context& context);
int RunInstalled(const core::ConsoleCommand& command, Context& context);
int RunFirmware(const core::ConsoleCommand& command, Context& context);

// The message for a wrong command line.
std::wstring CommandLineErrorText(const core::CommandLineError& error);

}  // namespace cmd
