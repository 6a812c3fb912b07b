// Names around a USB printer on Windows: the VID/PID parts of its device
// path and instance ID, the name of its printer port, and which Windows
// version rules apply.  Plain string rules, no Windows.
#pragma once
#include <string>
#include <string_view>

namespace core {

// Finds "VID_" and "PID_" (each searched from the start) in an upper-cased
// copy of `text` and gives up to four characters after each.  Only ASCII
// letters are upper-cased, so the result never depends on a locale: device
// paths carry lower-case hex digits, instance IDs upper-case ones, and both
// give the same texts.  False when either prefix is missing.
bool ParseVidPid(std::wstring_view text, std::wstring& vid, std::wstring& pid);

// Reads a "Port Number" registry text ("%d" of a REG_DWORD, or a stored
// string) as a decimal port number.  Only plain digits that fit an int count:
// a negative, empty or non-numeric text names no port.
bool ParsePortNumber(std::wstring_view text, int& number);

// "USB%03d": 1 -> USB001, 12 -> USB012, 1000 -> USB1000.
std::wstring UsbPortName(int number);

// Whether a GetVersionExW answer means Windows 8 or later.  A program whose
// manifest names only Vista and 7 is told 6.2 by every later Windows; a
// manifest that names Windows 10 gets 10.0, which counts as later too.
bool IsWindows8OrLater(unsigned major, unsigned minor);

}  // namespace core
