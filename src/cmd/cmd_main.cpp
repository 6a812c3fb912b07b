// Entry point of "PrinterInstallCmd.exe", the console program beside the
// installer for deployment tools and service engineers.
#include <windows.h>

#include <string>
#include <vector>

#include "cmd/cmd_texts.h"
#include "cmd/commands.h"
#include "cmd/console.h"
#include "core/console_command.h"
#include "install/install_api.h"
#include "ports/usb_api.h"
#include "win/module_path.h"
#include "win/system_libraries.h"

int wmain(int argc, wchar_t** argv) {
    // Before anything can load a library: run as an administrator from a
    // folder others may write to, as the installer is.
    win::RestrictLibrarySearch();
    try {
        cmd::Console console;
        const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
        const core::ParsedCommand parsed = core::ParseConsoleCommand(args);
        if (!parsed.command) {
            console.Error(cmd::CommandLineErrorText(parsed.error));
            return core::kExitBadCommandLine;
        }
        static const InstallApi api = SystemInstallApi(SystemUsbApi());
        cmd::Context context{api, win::ModuleDirectory(), console};
        const core::ConsoleCommand& command = *parsed.command;
        switch (command.kind) {
        case core::ConsoleCommand::Help:
            console.Line(cmdtexts::kUsage);
            return core::kExitSuccess;
        case core::ConsoleCommand::List:
            return cmd::RunList(command, context);
        case core::ConsoleCommand::Detect:
            return cmd::RunDetect(command, context);
        case core::ConsoleCommand::Install:
            return cmd::RunInstall(command, context);
        case core::ConsoleCommand::Installed:
            return cmd::RunInstalled(command, context);
        case core::ConsoleCommand::Firmware:
            return cmd::RunFirmware(command, context);
        }
        return core::kExitBadCommandLine;
    } catch (...) {
        return core::kExitFailed;
    }
}
