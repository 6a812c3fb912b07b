// Device paths and registry texts (UTF-16, two bytes a character) through
// the VID/PID and port-number rules.  Checks what must hold for every input.
#include <cstdint>
#include <string>

#include "core/usb_names.h"
#include "fuzz_catalogue_check.h"

namespace {

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
    FUZZ_CHECK(ok == (v != std::wstring::npos && p != std::wstring::npos));
    FUZZ_CHECK(vid == (ok ? upper.substr(v + 4, 4) : L"-"));
    FUZZ_CHECK(pid == (ok ? upper.substr(p + 4, 4) : L"-"));
    // A path in lower case and an instance ID in upper case give the same
    // texts.
    std::wstring vid2, pid2;
    FUZZ_CHECK(core::ParseVidPid(AsciiCase(text, false), vid2, pid2) == ok);
    FUZZ_CHECK(!ok || (vid2 == vid && pid2 == pid));

    // Port numbers: what parses is the text's own decimal number, and names
    // the port "USB" + its digits padded with zeros to three.
    int number = -7;
    if (core::ParsePortNumber(text, number)) {
        FUZZ_CHECK(number >= 0);
        std::wstring digits = std::to_wstring(number);
        const size_t nonZero = text.find_first_not_of(L'0');
        FUZZ_CHECK(text.substr(nonZero == std::wstring::npos ? text.size() - 1 : nonZero) == digits);
        digits.insert(0, digits.size() < 3 ? 3 - digits.size() : 0, L'0');
        FUZZ_CHECK(core::UsbPortName(number) == L"USB" + digits);
    } else {
        FUZZ_CHECK(number == -7);
    }
    return 0;
}
