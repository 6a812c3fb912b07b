// The Windows printer set-up commands (PrintUIEntry of PRINTUI.DLL, started
// through the system's rundll32.exe) and the check that a printer exists.
// Everything here runs on the installation's thread and blocks it while a
// command runs.
#pragma once
#include <string>

#include "install/install_api.h"

// Milliseconds the runner waits for one set-up process.
inline constexpr DWORD kPrintUiWaitMs = 120000;
// Milliseconds between the install command and the existence check.
inline constexpr DWORD kInstallSettleMs = 500;

// Starts the system's rundll32.exe with the parameter string and waits up to
// two minutes for it.  True when the process was started, whether or not it
// ended in time and whatever it returned.  False when it could not be
// started: `startError` (when given) gets the error, for the caller to tell
// the user; an empty parameter string (one refused by the formatting rules)
// starts nothing and leaves it 0.
bool RunPrintUI(const std::wstring& parameters, const InstallApi& api, DWORD* startError = nullptr);

// Installs the printer queue `printerName` on `port` from the INF file with
// the set-up command and tells whether it exists afterwards.  False without
// starting anything when the name is empty or the command would not fit its
// 1024-character buffer; `startError` as for RunPrintUI.
bool InstallPrinterWithPrintUI(const std::wstring& printerName, const std::wstring& infPath,
                               const std::wstring& port, const InstallApi& api, DWORD* startError = nullptr);
// The results of RunPrintUI; false without starting anything when the
// command would not fit.
bool MakeDefaultPrinter(const std::wstring& printerName, const InstallApi& api, DWORD* startError = nullptr);
bool PrintTestPage(const std::wstring& printerName, const InstallApi& api, DWORD* startError = nullptr);

// True when a local printer's name begins with the given, non-empty name.
bool PrinterExists(const std::wstring& printerName, const InstallApi& api);
