// One driver installation, described once as a value by whoever starts it
// (the window or the console program), and what the installation job tells
// about its way through it.  Values only: no texts, no windows.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

class InstallCatalogue;

// The printer attached by USB, as an installation sees it.
struct AttachedUsbPrinter {
    std::wstring port;            // its Windows port ("USB001"); empty when none was found
    std::wstring identification;  // manufacturer and model joined; empty unless one of the maker's
};

struct Installation {
    std::wstring printerName;  // PRINTER_NAME of the model: queue name and the INF's model name
    std::wstring port;         // the port the set-up command puts the printer on
    std::wstring infPath;      // the driver INF of the printer's pin type
    bool makeDefault = false;
    bool testPage = false;
    // The attached printer.  Not given: the job looks for it itself when it
    // comes to choose between Plug and Play and the set-up command.
    std::optional<AttachedUsbPrinter> attached;
    // Plug and Play is asked to tell whether Windows needs a restart instead
    // of asking the user itself (for callers without a window).
    bool reportRestart = false;
};

// The installation of `model` from the catalogue on `port`: its printer
// name and the INF path of that printer's pin type, built once.  A model
// without a printer name gives an empty one, and a path that would be too
// long an empty INF path; the job then fails.
Installation DescribeInstallation(const InstallCatalogue& catalogue, const std::wstring& model,
                                  const std::wstring& port, bool makeDefault, bool testPage);

enum class InstallStep {
    WaitingForAnotherInstallation,  // another installation on this PC runs; this one waits
    AnotherInstallationRunning,     // ... and this one, not to wait, is not run
    RemovingEarlierPrinter,      // detail: the printer's name
    Installing,                  // the installation proper begins
    InstallingWithPlugAndPlay,   // detail: the INF's hardware ID for the printer (empty: none)
    InstallingWithSetUpCommand,  // detail: the port
    SetUpCommandNotStarted,      // code: the error the start failed with
    InstallSucceeded,
    InstallFailed,
    RestartNeeded,               // Plug and Play says Windows must restart (reportRestart only)
    SettingDefault,              // detail: the printer's name
    Renaming,                    // detail: the display name
    PrintingTestPage,            // detail: the printer the page goes to
    Finished,
};

struct InstallEvent {
    InstallStep step;
    std::wstring detail;
    DWORD code = 0;
};

// Where the job reports, on its own thread.  The job goes on when a call
// returns, so a receiver may hold it (a message box the user must close).
class InstallObserver {
public:
    virtual void OnInstallEvent(const InstallEvent& event) = 0;
    // The job's last call: 1 after a successful installation, -1 after a
    // failed one, -2 when it did not run because another one did.
    virtual void OnInstallEnd(int outcome) = 0;

protected:
    ~InstallObserver() = default;
};
