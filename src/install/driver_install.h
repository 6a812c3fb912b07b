// The steps of a driver installation that talk to the spooler and to Plug
// and Play: removing an earlier printer with its driver, installing the
// driver through Plug and Play or the set-up command, the display name of a
// high-speed printer.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "install/install_api.h"
#include "install/installation.h"

struct UsbApi;

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

// The attached USB printer's port and, for one of the maker's printers, its
// identification string; both empty when none is attached.  The device is
// closed again at once.
AttachedUsbPrinter ReadAttachedUsbPrinter(const UsbApi& api);

// How an installation went that could not start its set-up command: the
// error the start failed with.
using SetUpNotStarted = std::function<void(DWORD error)>;

// Installs the driver of the installation: through Plug and Play when a
// printer of the maker's is attached by USB and its identification string
// does not begin the printer name, otherwise with the set-up command on the
// installation's port.  `pathChosen` hears which, with the hardware ID or
// the port.  True when the installation succeeded; `restartNeeded` is set
// when Plug and Play said Windows must restart (only asked when the
// installation says so).
bool InstallDriver(const Installation& installation, const AttachedUsbPrinter& attached, const InstallApi& api,
                   const std::function<void(const InstallEvent&)>& pathChosen, const SetUpNotStarted& notStarted,
                   bool& restartNeeded);

// The hardware ID that the INF gives the printer, for Plug and Play; false
// when there is none (an empty one names no device).
bool UsbHardwareIdFor(const Installation& installation, std::wstring& hardwareId);

// Forced Plug and Play driver update with that hardware ID from the INF.
// False when Windows refuses.
bool InstallUsbDriver(const std::wstring& hardwareId, const std::wstring& infPath, const InstallApi& api,
                      bool* restartNeeded);

// Gives the installed printer its display name (a level-2 rewrite of its
// information).  Skipped when it cannot be opened or its information does
// not fit 12000 bytes; nothing is reported.
void RenameToDisplayName(const std::wstring& printerName, const InstallApi& api);
