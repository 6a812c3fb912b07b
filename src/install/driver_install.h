// The driver installation job as it runs on its worker thread: removing an
// earlier printer of the same name with its driver, installing the driver
// through Plug and Play or the set-up command, the default printer, the
// display name of a high-speed printer and the test page.
//
// The steps that work on the installation in progress take the dialog's
// InstallCatalogue, whose printer name, port and INF path they fill and read;
// they live here, beside the spooler, so that the catalogue stays a reader.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "install/install_api.h"

class InstallCatalogue;

// Milliseconds of each pause between the job's later steps.
inline constexpr DWORD kInstallStepPauseMs = 100;

// Local printers whose name equals, exactly, the display name of the printer
// name (for the four high-speed printers their Chinese name, otherwise the
// printer name itself), appended to `found` in the spooler's order.  The
// number found, 0 when the spooler has no printers at all, -1 when they
// cannot be listed.
int FindInstalledPrinters(const std::wstring& printerName, std::vector<std::wstring>& found, const InstallApi& api);

// Purges the printer's queued jobs and deletes it (when it opens; those
// failures are ignored), then deletes the printer driver of the same name
// with its unused files.  True when the driver was deleted.
bool RemovePrinterAndDriver(const std::wstring& name, const InstallApi& api);

// Makes `printerName` and `port` the installation in progress and installs:
// through Plug and Play when a printer of the maker's is attached by USB and
// its identification string does not begin the printer name, otherwise with
// the set-up command on `port`.  True when the installation succeeded.
bool InstallDriver(InstallCatalogue& catalogue, const std::wstring& printerName, const std::wstring& port,
                   const InstallApi& api);

// Forced Plug and Play driver update with the hardware ID that the INF file
// of the installation in progress gives its printer name.  False when no
// hardware ID is found or Windows refuses.
bool InstallUsbDriver(InstallCatalogue& catalogue, const InstallApi& api);

// Gives the installed printer of the installation in progress its display
// name (a level-2 rewrite of its information).  Skipped when it cannot be
// opened or its information does not fit 12000 bytes; nothing is reported.
void RenameToDisplayName(InstallCatalogue& catalogue, const InstallApi& api);

// What the user chose, taken once when the job starts.
struct InstallChoices {
    std::wstring model;
    std::wstring port;
    bool makeDefault = false;
    bool testPage = false;
};

// Where the job reports: the status line (called on the worker's thread;
// the receiver hands the text to the window's thread) and the window that
// owns its message boxes (asked each time a box is shown).
struct InstallReport {
    std::function<void(const wchar_t* text)> status;
    std::function<HWND()> owner;
};

// The whole job, from the lookup of the printer name to the last status
// text.  1 after a successful installation, -1 after a failed one.
int RunDriverInstallJob(InstallCatalogue& catalogue, const InstallChoices& choices, const InstallReport& report,
                        const InstallApi& api);
