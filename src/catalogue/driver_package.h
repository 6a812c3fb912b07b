// Driver package selection beyond the INF path (which InstallCatalogue
// builds): the names of the high-speed printers and the USB hardware ID that
// an INF file's models line gives a printer.
#pragma once
#include <windows.h>

#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

#include "core/catalogue_rules.h"
#include "core/inf_models.h"
#include "win/unique.h"

// Display name in Windows after installation, and the model-list name of a
// model as its device ID reports it: exact matches of the four high-speed
// printers, every other name unchanged.
using core::GetDisplayPrinterName;
using core::MapDeviceModelName;

// The USB hardware ID of the printer in its driver INF, or false with an
// empty ID.  First the 8-bit rule the installer has always used: the first
// line of the file that starts with the quoted printer name (in the thread's
// ANSI code page) and has "USB" from just before its first comma gives the
// text between its first and second comma.  When that is a usable ID
// (USBPRINT\ or USB\, no blank at either end, at most 1023 characters) it is
// the answer, unchanged.  Otherwise Windows' own INF parser is asked as
// Windows matches a model on this PC (core/inf_models.h), which also reads
// UTF-16 files, %strkey% names, quoting, comments and continued lines.
bool FindUsbHardwareId(const std::wstring& infPath, const std::wstring& printerName, std::wstring& hardwareId);

// The conversions of that search, also used by the medium checker: a name as
// 8-bit text of the thread's ANSI code page (false when a character has no
// form there), and such text back (false when it is no text of that code page).
bool ToThreadAnsi(const std::wstring& text, std::string& bytes);
bool FromThreadAnsi(const std::string& bytes, std::wstring& text);

// An open INF file of Windows' INF parser.
struct InfHandleTraits {
    using type = HINF;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::SetupCloseInfFile(h); }
};
using UniqueInf = win::Unique<InfHandleTraits>;

// The lines of a section as SetupAPI gives them (SetupGetLineCountW,
// SetupGetLineByIndexW, SetupGetFieldCount, SetupGetStringFieldW); nothing
// when the INF has no such section.  Line numbers are not known (0).
std::optional<std::vector<core::InfFields>> ReadInfSection(HINF inf, const std::wstring& section);

// The Windows this program runs on, whatever its manifest claims.
core::WindowsVersion RunningWindowsVersion();
