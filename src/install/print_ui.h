// The Windows printer set-up commands (PrintUIEntry of PRINTUI.DLL, started
// through rundll32) and the check that a printer exists.  Everything here
// runs on the installation worker and blocks it while a command runs.
#pragma once
#include <string>

#include "install/install_api.h"

class InstallCatalogue;

// Milliseconds the runner waits for one set-up process.
inline constexpr DWORD kPrintUiWaitMs = 120000;
// Milliseconds between the install command and the existence check.
inline constexpr DWORD kInstallSettleMs = 500;

// Starts rundll32 with the parameter string and waits up to two minutes for
// it.  True when the process was started, whether or not it ended in time
// and whatever it returned; false after a start failure, which has been
// shown in an "ERROR" box.  An empty parameter string (one refused by the
// formatting rules) starts nothing and gives false without a message.
bool RunPrintUI(const std::wstring& parameters, const InstallApi& api);

// Installs the printer of the catalogue's installation in progress (its
// printer name, port and INF path, which is built anew) and tells whether it
// exists afterwards.  False without starting anything when the name is
// empty or the command would not fit its 1024-character buffer.
bool InstallPrinterWithPrintUI(InstallCatalogue& catalogue, const InstallApi& api);
// The results of RunPrintUI; false without starting anything when the
// command would not fit.
bool MakeDefaultPrinter(const std::wstring& printerName, const InstallApi& api);
bool PrintTestPage(const std::wstring& printerName, const InstallApi& api);

// True when a local printer's name begins with the given, non-empty name.
bool PrinterExists(const std::wstring& printerName, const InstallApi& api);
