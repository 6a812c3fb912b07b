// What a USB printer says about itself in its IEEE 1284 device ID: a text of
// "key:value;" pairs after two length bytes.  Plain byte and string rules so
// they can be tested and fuzzed without a printer or Windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Size of the buffer every caller hands to the device ID request.
constexpr size_t kDeviceIdBytes = 1024;
// The joined manufacturer and model plus its terminating zero must fit here.
constexpr size_t kMakeAndModelBytes = 64;

// The ID text: from byte 2 (the two length bytes are never trusted, a printer
// may send them in either order or leave them wrong) up to the first zero
// byte or the end of what the device returned.
std::string_view DeviceIdText(const uint8_t* id, size_t count);

// From `pos`, moves to the next ':' and gives everything after it up to, not
// including, the next ';' or the end of the text, whichever comes first.
// False only when no ':' follows `pos`.
bool ExtractKeyValue(std::string_view text, size_t pos, std::string_view& value);

// A value without the blanks (space, tab, CR, LF, VT, FF) at either end.
std::string_view TrimDeviceIdBlanks(std::string_view value);

// The manufacturer ("MFG:", else "MANUFACTURER:"), as sent, immediately
// followed by the model ("MODEL:", else "MDL:") without blanks at either
// end, zero-terminated in `out`, and their joint length.  Searches are case-sensitive; the first occurrence wins.  A joined
// text that does not fit min(capacity, kMakeAndModelBytes) with its zero is
// refused rather than cut, because a cut name would name another printer.
// On any failure `length` is 0 and `out` (when it has room) holds "".
bool ReadMakeAndModel(std::string_view idText, char* out, size_t capacity, size_t& length);

// Whether the joined manufacturer and model starts with one of the maker's
// own manufacturer names, case-sensitively ("Telvix Corp..." counts,
// "telvix..." does not).
bool IsMakersOwnPrinter(std::wstring_view makeAndModel);

// The model that the connected-printer detection reads: the text after the
// first "MDL:" up to the next ';' or the end of the text, without blanks at
// either end.  Only "MDL:" is read, never "MODEL:".  Empty when the key is
// absent.
std::wstring ModelAfterMdlKey(std::wstring_view idText);

}  // namespace core
