// Device paths and registry texts (UTF-16, two bytes a character) through
// the VID/PID and port-number rules.  Checks what must hold for every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/usb_names.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::wstring AsciiCase(std::wstring text, bool upper) {
    for (wchar_t& c : text) {
        if (upper && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
        if (!upper && c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

    std::wstring vid = L"-", pid = L"-";
    const bool ok = core::ParseVidPid(text, vid, pid);
    const std::wstring upper = AsciiCase(text, true);
    const size_t v = upper.find(L"VID_"), p = upper.find(L"PID_");
    Check(ok == (v != std::wstring::npos && p != std::wstring::npos));
    if (ok) {
        Check(vid == upper.substr(v + 4, 4));
        Check(pid == upper.substr(p + 4, 4));
        for (wchar_t c : vid + pid) Check(!(c >= L'a' && c <= L'z'));
    } else {
        Check(vid == L"-" && pid == L"-");
    }
    // A path in lower case and an instance ID in upper case give the same
    // texts.
    std::wstring vid2, pid2;
    Check(core::ParseVidPid(AsciiCase(text, false), vid2, pid2) == ok);
    if (ok) Check(vid2 == vid && pid2 == pid);

    // Port numbers: what parses names a port whose digits read back the same.
    int number = -7;
    if (core::ParsePortNumber(text, number)) {
        Check(number >= 0);
        const std::wstring name = core::UsbPortName(number);
        Check(name.rfind(L"USB", 0) == 0 && name.size() >= 6);
        int back = -1;
        Check(core::ParsePortNumber(name.substr(3), back) && back == number);
        // The digits are the number, padded with zeros to three.
        std::wstring digits = name.substr(3);
        const size_t first = digits.find_first_not_of(L'0');
        digits.erase(0, first == std::wstring::npos ? digits.size() - 1 : first);
        Check(digits == std::to_wstring(number));
    } else {
        Check(number == -7);
    }
    return 0;
}
