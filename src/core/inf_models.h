// How Windows finds a printer's model in a driver INF on a 64-bit PC, and
// which USB hardware ID of it Plug and Play is asked for.  Plain rules over
// the lines the INF parser gives (SetupAPI on Windows, the INF reader
// elsewhere), so that the installer and the medium checker decide alike.
//
//  - Every [Manufacturer] line names a models section (field 1) and the
//    decorations it comes in (fields 2 on, "NTamd64", "NTamd64.6.0", ...).
//    On x64 Windows takes the NTamd64 decoration with the highest version
//    not above its own (an ".major.minor.productType.suiteMask.build" part
//    must fit this PC); an undecorated or x86-only section is not used
//    (since Windows Server 2003 SP1 an undecorated one is for x86 only).
//    SetupDiGetActualModelsSectionW would say the same on Windows, but Wine
//    8 does not implement it (a call ends the program), so it is done here.
//  - In the sections so chosen, in [Manufacturer] order, the lines whose
//    key (the model name, %strkey% resolved) equals the printer name
//    exactly are the printer's.
//  - Its USB hardware ID is the first field from field 2 on, over all its
//    lines in order, that starts with "USBPRINT\" or "USB\" (letter case
//    ignored).
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/inf_reader.h"

namespace core {

// The Windows the installer runs on, as RtlGetVersion reports it.
struct WindowsVersion {
    unsigned major = 10;
    unsigned minor = 0;
    unsigned build = 19045;
    unsigned productType = 1;    // VER_NT_WORKSTATION
    unsigned suiteMask = 0x100;  // VER_SUITE_SINGLEUSERTS
};

// One line of an INF section as the parser gives it, %strkey% resolved.
struct InfFields {
    std::optional<std::wstring> key;   // field 0
    std::vector<std::wstring> fields;  // fields 1 on
    size_t fileLine = 0;               // 1-based, 0 when the parser does not say
};

// The lines of a section; null when the INF has no section of that name.
// What it gives stays valid as long as the reader (or a copy) lives.
using InfSectionReader = std::function<const std::vector<InfFields>*(const std::wstring& section)>;
// A reader that loads each section once, however often it is asked for.
InfSectionReader CachingReader(std::function<std::optional<std::vector<InfFields>>(const std::wstring&)> load);

// The sections of a parsed INF, with their lines' numbers in the file.
InfSectionReader SectionReaderOf(const InfDocument& document);

// The decorated models section of one [Manufacturer] line that Windows
// reads on an x64 PC of `windows`; nothing when the line offers none.
std::optional<std::wstring> ModelsSectionForX64(const InfFields& manufacturerLine, const WindowsVersion& windows);

// "USBPRINT\..." or "USB\...", letter case ignored.
bool IsUsbHardwareId(std::wstring_view id);
// And neither empty nor with a blank at either end: an ID a device can match.
bool IsUsableHardwareId(std::wstring_view id);

struct ModelLookup {
    enum Status {
        NoManufacturer,  // the INF has no [Manufacturer] section
        NotListed,       // no models section for x64 has a line for the printer
        NoUsbId,         // listed, but none of its lines carries a USB hardware ID
        Unusable,        // its first USB hardware ID is over 1023 characters, or long enough (511) to be cut
        Found,
    } status = NotListed;
    std::wstring id;              // Found
    std::wstring section;         // models section of the printer's first line
    size_t modelLine = 0;         // its line (0 when the parser does not say)
    size_t idLine = 0;            // the line of the ID (Found, Unusable)
    std::vector<std::wstring> modelsSections;  // the sections read for x64, in order
};

ModelLookup LookUpModel(const InfSectionReader& read, std::wstring_view printerName, const WindowsVersion& windows);

}  // namespace core
