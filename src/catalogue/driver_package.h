// Driver package selection beyond the INF path (which InstallCatalogue
// builds): the names of the high-speed printers and the USB hardware ID that
// an INF file's models line gives a printer.
#pragma once
#include <string>

#include "core/catalogue_rules.h"

// Display name in Windows after installation, and the model-list name of a
// model as its device ID reports it: exact matches of the four high-speed
// printers, every other name unchanged.
using core::GetDisplayPrinterName;
using core::MapDeviceModelName;

// The hardware ID of the first line of the INF file (read as 8-bit text in
// the thread's ANSI code page) that starts with the quoted printer name and
// has "USB" from just before its first comma: the text between its first
// and second comma, unchanged, possibly empty.  False, with an empty ID, when
// the file cannot be read, no line matches, the printer name has no form in
// that code page, or the first matching line's ID is over 1023 characters or
// is not text of that code page.
bool FindUsbHardwareId(const std::wstring& infPath, const std::wstring& printerName, std::wstring& hardwareId);

// The conversions of that search, also used by the medium checker: a name as
// 8-bit text of the thread's ANSI code page (false when a character has no
// form there), and such text back (false when it is no text of that code page).
bool ToThreadAnsi(const std::wstring& text, std::string& bytes);
bool FromThreadAnsi(const std::string& bytes, std::wstring& text);
