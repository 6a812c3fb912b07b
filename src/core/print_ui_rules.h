// Rules of the printer set-up commands and of the driver installation job
// that need no Windows: the PrintUI parameter strings, the texts for a
// set-up process that cannot be started, how printer names are compared, and
// when the driver goes in through Plug and Play.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// A parameter string lives in a buffer of 1024 characters, terminating zero
// included.
inline constexpr size_t kPrintUiParamCapacity = 1024;
inline constexpr size_t kMaxPrintUiParamChars = kPrintUiParamCapacity - 1;

// The program started for every set-up command: the system's own
// rundll32.exe, named by its full path.  A name left to the system's search
// would find a rundll32.exe planted next to the elevated installer first.
inline constexpr std::wstring_view kPrintUiHost = L"rundll32.exe";
// The host's path in the system folder (a backslash is added when missing);
// nothing for an empty folder or a path over 259 characters.
std::optional<std::wstring> PrintUiHostPath(std::wstring_view systemDirectory);

// Installs a printer queue (/n) on a port (/r) from an INF file (/f) with a
// driver model (/m); the printer name is both queue name and model.  The
// trailing blank belongs to the command as PrintUI has always been given it.
std::optional<std::wstring> InstallParameters(std::wstring_view printerName, std::wstring_view infPath,
                                              std::wstring_view port);
// Makes the named printer the default printer, quietly.
std::optional<std::wstring> MakeDefaultParameters(std::wstring_view printerName);
// Prints the named printer's test page, quietly.
std::optional<std::wstring> TestPageParameters(std::wstring_view printerName);
// Each of the three gives nothing, rather than a cut string, when the result
// would not fit kMaxPrintUiParamChars (a cut command would name another
// printer or file), and nothing when a text put in is empty or holds a double
// quotation mark or a zero (either would end the quoted argument early and
// let the rest of the text be read as further switches).

// The message for a set-up process that could not be started, by the code
// GetLastError gave; "Other error occurred." for any code not in the table.
std::wstring_view StartFailureText(uint32_t errorCode);

// The existence check after an installation: the printer's name begins with
// the given name (the first as many characters as the given name has,
// exactly, with letter case).  An empty given name names no printer and
// matches nothing.
bool PrinterNameBeginsWith(std::wstring_view printerName, std::wstring_view givenName);

// The search for earlier printers to remove: the same name exactly (same
// length, characters and letter case).  An empty name matches nothing.
bool IsSamePrinterName(std::wstring_view printerName, std::wstring_view searchedName);

// Whether the driver goes in through Plug and Play: the attached printer's
// port name starts with "USB", and searching the printer name for the
// printer's identification string (its manufacturer and model joined, empty
// for none or for a printer not of the maker's) gives anything but position
// 0.  An empty identification string is found at 0, so without a recognised
// printer this never holds; nor does it for one whose identification string
// begins the printer name exactly.
bool TakesPlugAndPlayPath(std::wstring_view usbPortName, std::wstring_view identification,
                          std::wstring_view printerName);

}  // namespace core
