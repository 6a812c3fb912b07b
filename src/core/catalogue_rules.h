// Rules of the install catalogue and of the driver package that need no
// Windows: how a profile-section buffer becomes a list, when a key's value
// counts as found, the pin type, the paths assembled from the program
// directory, the high-speed printers' names and the USB hardware-ID line of
// an INF file.  The Windows reader feeds these with what the profile
// functions and the INF file return; the native medium checker feeds them
// with its own INI reader.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Paths and the catalogue's text fields live in 260-character buffers
// (terminating zero included), so a path holds at most 259 characters.
inline constexpr size_t kPathCapacity = 260;
inline constexpr size_t kMaxPathChars = kPathCapacity - 1;

// A list section is read into 2048 characters; an entry is at most 255.
inline constexpr size_t kSectionCapacity = 2048;
inline constexpr size_t kMaxEntryChars = 255;

// Buffers of the key values, terminating zero included.
inline constexpr size_t kPrinterNameCapacity = 260;
inline constexpr size_t kPrinterTypeCapacity = 20;
inline constexpr size_t kManualCapacity = 100;
inline constexpr size_t kOtherSoftwareCapacity = 100;

// A USB hardware ID taken from an INF file holds at most 1023 characters.
inline constexpr size_t kMaxHardwareIdChars = 1023;

inline constexpr std::wstring_view kCatalogueFileName = L"PrinterInfor.Inf";
inline constexpr std::wstring_view kSeriesSection = L"PRINTER_SERIES";
inline constexpr std::wstring_view kPrinterNameSection = L"PRINTER_NAME";
inline constexpr std::wstring_view kPrinterTypeSection = L"PRINTER_TYPE";
inline constexpr std::wstring_view kManualSection = L"PRINTER_MAN";
inline constexpr std::wstring_view kOtherSoftwareSection = L"OTHER_SOFTWARE";
inline constexpr std::wstring_view kQuorin = L"Quorin";
inline constexpr std::wstring_view kTessan = L"Tessan";

inline constexpr std::wstring_view kManualDirectory = L"OrvaneManual\\";
inline constexpr std::wstring_view kDefaultManual = L"Printer.PDF";
inline constexpr std::wstring_view kDriverDirectory = L"OrvaneDriver\\";
inline constexpr std::wstring_view kInf24Pin = L"Orvane 24pin\\Orvane.INF";
inline constexpr std::wstring_view kInf9Pin = L"Orvane 9pin\\Orvane.INF";

// Which driver INF a printer needs.
enum class PinType { Pin24, Pin9, PinOther };

// ---- Profile results --------------------------------------------------------

struct SectionList {
    bool ok = false;
    std::vector<std::wstring> entries;
};

// Turns what a whole-section read put into its buffer into the list of
// entries.  `filled` is the part of the buffer the read reported (its
// result, in characters); `capacity` is the buffer's size.  A result of 0 or
// of capacity - 2 (the section did not fit) fails with an empty list, never
// a partial one, as does a buffer whose last entry lacks its zero.  Every
// zero ends an entry, taken whole ("key=value" lines included); an empty
// entry or one over kMaxEntryChars is left out.
SectionList SplitProfileSection(std::wstring_view filled, size_t capacity = kSectionCapacity);

// The value of a one-key read, or nothing when the key counts as missing:
// absent or empty (result 0), or not fitting its buffer (result capacity - 1
// or more, the read having cut it).  `filled` is the part of the buffer the
// read reported.
std::optional<std::wstring> TakeKeyValue(std::wstring_view filled, size_t capacity);

// "24" is 24-pin, "9" is 9-pin, anything else (a leading zero, blanks, a
// missing key given as "") is neither.
PinType PinTypeFromValue(std::wstring_view value);

// ---- Paths --------------------------------------------------------------

// The parts joined, or nothing when the result would exceed kMaxPathChars:
// a path cut to fit would name a different file.
std::optional<std::wstring> JoinPath(std::initializer_list<std::wstring_view> parts);

// A program directory as the catalogue keeps it: ending in a backslash (one
// is added when missing).  Nothing for an empty directory or one that leaves
// no room in a path buffer, so that no path is ever built relative to the
// current directory by mistake.
std::optional<std::wstring> NormalizeProgramDirectory(std::wstring_view directory);

// Each of these gives nothing when the program directory is empty or the
// path would exceed kMaxPathChars.
std::optional<std::wstring> CataloguePathFor(std::wstring_view programDirectory);
// `manualFile` is the PRINTER_MAN value; a missing one means "Printer.PDF".
std::optional<std::wstring> ManualPathFor(std::wstring_view programDirectory,
                                          const std::optional<std::wstring>& manualFile);
std::optional<std::wstring> OtherSoftwarePathFor(std::wstring_view programDirectory, std::wstring_view file);
// Both "OrvaneDriver\" levels, then the INF of the pin type; PinOther names
// the inner directory itself.
std::optional<std::wstring> DriverInfPathFor(std::wstring_view programDirectory, PinType pinType);

// ---- Names of the high-speed printers ---------------------------------------

// The name Windows shows after installation: four high-speed printers get
// their Chinese name; every other printer keeps its own.  Exact matches only.
std::wstring GetDisplayPrinterName(std::wstring_view printerName);

// The model-list name of a model as its device ID reports it ("VP-7730" ->
// "曜驰7730"); every other model is used as reported.  Exact matches only.
std::wstring MapDeviceModelName(std::wstring_view reportedModel);

// ---- USB hardware ID of an INF file -------------------------------------

// The key a printer's models line starts with: the name in double quotes.
std::string QuotedPrinterKey(std::string_view printerName);

enum class HardwareIdLine {
    NoMatch,   // not the printer's line, or no "USB" from just before its first comma
    Match,     // the printer's USB line; the ID is set
    Unusable,  // the printer's USB line, but its ID is over the limit or holds a zero byte
};

// Judges one line of 8-bit INF text (without its line end) for `key`: it
// must start in the first column with the key; "USB" must occur at or after
// the character just before the line's first comma; the ID is the text
// strictly between the first and the second comma, unchanged, or empty when
// there is no second comma.
HardwareIdLine MatchHardwareIdLine(std::string_view line, std::string_view key, std::string& id);

struct HardwareIdSearch {
    enum Status { Found, NotFound, Unusable } status = NotFound;
    std::string id;          // set when Found
    size_t lineNumber = 0;   // 1-based line that decided (Found or Unusable), else 0
};

// Searches 8-bit INF text line by line (lines end at LF, a CR before it is
// dropped) for the first USB line of `printerName`.  That first line
// decides: an unusable ID there gives Unusable, never a later line's ID.  An
// empty printer name finds nothing.
HardwareIdSearch FindHardwareIdInText(std::string_view text, std::string_view printerName);

}  // namespace core
