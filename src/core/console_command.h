// The console program's command line and exit codes: plain rules, no
// Windows, so they are unit-tested with the other portable rules.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace core {

// Exit codes, in the conventions deployment tools already read (those of
// Windows Installer where one fits), then the firmware download's own.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitNo = 1,                  // `installed`: not installed; `detect`: no USB printer attached
    kExitFailed = 1603,           // the job failed, the medium cannot be read, or no administrator
    kExitNotConfirmed = 1602,     // firmware: the download was not confirmed
    kExitBusy = 1618,             // another installation is running
    kExitBadCommandLine = 1639,
    kExitRestartNeeded = 3010,    // installed; Windows must restart to finish
    kExitNoPortAccess = 20,       // firmware: no port I/O library, or no direct port access
    kExitPrinterNotReady = 21,    // firmware: no printer in download mode answers
    kExitFileNotOpened = 22,      // firmware: the file cannot be opened
    kExitFileNotRead = 23,        // firmware: the file cannot be read whole
    kExitTransferFailed = 24,     // firmware: the printer stopped taking bytes (or stalled 20 s)
    kExitOtherFailure = 25,       // firmware: no memory, or too large for one transfer
    kExitBrokenFirmwareFile = 26, // firmware: a *.mot file that is no valid S-record file
};

// The exit code of a download's outcome code (1 sent, -1 to -4 failures).
int FirmwareExitCode(int outcome);

struct ConsoleCommand {
    enum Kind { Help, List, Detect, Install, Installed, Firmware } kind = Help;
    bool json = false;
    std::wstring model;  // install, installed
    std::wstring port;   // install: the set-up command's port (empty with --usb)
    bool usb = false;    // install: the detected USB port
    bool makeDefault = false;
    bool testPage = false;
    std::wstring logFile;  // install: progress lines also appended here
    std::wstring file;     // firmware
    bool yes = false;      // firmware: no question asked
    bool force = false;    // firmware: a broken S-record file is sent anyway
};

// What is wrong with a command line, and the argument it is about.
struct CommandLineError {
    enum Kind {
        UnknownCommand,   // argument: the word
        UnknownOption,    // argument: the option
        NotForCommand,    // an option the command does not take
        MissingValue,     // an option given without its value, or with an empty one
        Repeated,         // an option given twice
        MissingOption,    // argument: the option the command needs
        PortAndUsb,       // install: both --port and --usb
        Unexpected,       // argument: a word that is no option
    } kind = UnknownCommand;
    std::wstring argument;
};

struct ParsedCommand {
    std::optional<ConsoleCommand> command;
    CommandLineError error;  // when there is no command
};

// The arguments after the program's name.  Options are "--name value" or
// "--name=value"; each may be given once and only with the commands it
// belongs to.  No arguments at all, "help", "--help", "-h" and "/?" ask for
// the help.
ParsedCommand ParseConsoleCommand(const std::vector<std::wstring>& args);

}  // namespace core
