// The USB hardware-ID search over arbitrary INF text: the result comes from
// the first line that is the printer's USB line, its ID is the text between
// that line's first two commas and within the limit, and CRLF or LF line
// ends give the same answer.
//
// Input: byte 0 is the printer name's length (mod 32), then the name, then
// the INF text.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/catalogue_rules.h"
#include "fuzz_catalogue_check.h"

namespace {

// The printer's USB line, judged the plain way: it starts with the key and
// has "USB" after its first comma; its text between the first two commas
// goes to `id`.
bool IsUsbLineOf(const std::string& line, const std::string& key, std::string& id) {
    const size_t first = line.find(',');
    if (!line.starts_with(key) || first == std::string::npos || line.find("USB", first) == std::string::npos)
        return false;
    const size_t second = line.find(',', first + 1);
    id = second == std::string::npos ? std::string() : line.substr(first + 1, second - first - 1);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t nameLength = std::min<size_t>(data[0] % 32, size - 1);
    const std::string name(reinterpret_cast<const char*>(data + 1), nameLength);
    const std::string text(reinterpret_cast<const char*>(data + 1 + nameLength), size - 1 - nameLength);

    const core::HardwareIdSearch result = core::FindHardwareIdInText(text, name);
    if (name.empty()) {
        FUZZ_CHECK(result.status == core::HardwareIdSearch::NotFound);
        return 0;
    }

    // The first qualifying line decides, and nothing else does.  Lines end at
    // LF; a CR just before it is dropped.
    size_t deciding = 0, number = 0;
    std::string expectedId;
    for (size_t start = 0; start < text.size() && !deciding;) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos && line.ends_with('\r')) line.pop_back();
        ++number;
        if (IsUsbLineOf(line, '"' + name + '"', expectedId)) deciding = number;
        start = end == std::string::npos ? text.size() : end + 1;
    }

    FUZZ_CHECK(result.lineNumber == deciding);
    switch (result.status) {
        case core::HardwareIdSearch::NotFound:
            FUZZ_CHECK(result.id.empty());
            break;
        case core::HardwareIdSearch::Found:
            FUZZ_CHECK(result.id == expectedId);
            FUZZ_CHECK(result.id.size() <= core::kMaxHardwareIdChars);
            FUZZ_CHECK(result.id.find('\0') == std::string::npos);
            break;
        case core::HardwareIdSearch::Unusable:
            FUZZ_CHECK(result.id.empty());
            FUZZ_CHECK(expectedId.size() > core::kMaxHardwareIdChars || expectedId.find('\0') != std::string::npos);
            break;
    }

    // CRLF line ends read like LF ones.
    if (name.find_first_of("\r\n") == std::string::npos) {
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        const core::HardwareIdSearch again = core::FindHardwareIdInText(crlf, name);
        FUZZ_CHECK(again.status == result.status && again.id == result.id && again.lineNumber == result.lineNumber);
    }
    return 0;
}
