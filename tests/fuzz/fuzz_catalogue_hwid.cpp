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
#include <string_view>
#include <vector>

#include "core/catalogue_rules.h"
#include "fuzz_catalogue_check.h"

namespace {

// The text's lines without their LF, and without a CR just before it.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (char c : text) {
        if (c == '\n') {
            if (!current.empty() && current.back() == '\r') current.pop_back();
            lines.push_back(current);
            current.clear();
            pending = false;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending) lines.push_back(current);
    return lines;
}

// The printer's USB line, judged the plain way: its text between the first
// two commas goes to `id`.
bool IsUsbLineOf(const std::string& line, const std::string& key, std::string& id) {
    if (line.size() < key.size() || line.compare(0, key.size(), key) != 0) return false;
    size_t first = 0;
    while (first < line.size() && line[first] != ',') ++first;
    if (first == line.size()) return false;
    bool usb = false;
    for (size_t i = first; i + 3 <= line.size() && !usb; ++i)
        usb = line[i] == 'U' && line[i + 1] == 'S' && line[i + 2] == 'B';
    if (!usb) return false;
    size_t second = first + 1;
    while (second < line.size() && line[second] != ',') ++second;
    id = second == line.size() ? std::string() : line.substr(first + 1, second - first - 1);
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

    // The first qualifying line decides, and nothing else does.
    const std::string key = '"' + name + '"';
    const std::vector<std::string> lines = LinesOf(text);
    size_t deciding = 0;
    std::string expectedId;
    for (size_t i = 0; i < lines.size() && !deciding; ++i)
        if (IsUsbLineOf(lines[i], key, expectedId)) deciding = i + 1;

    switch (result.status) {
        case core::HardwareIdSearch::NotFound:
            FUZZ_CHECK(deciding == 0);
            FUZZ_CHECK(result.lineNumber == 0 && result.id.empty());
            break;
        case core::HardwareIdSearch::Found:
            FUZZ_CHECK(result.lineNumber == deciding);
            FUZZ_CHECK(result.id == expectedId);
            FUZZ_CHECK(result.id.size() <= core::kMaxHardwareIdChars);
            FUZZ_CHECK(result.id.find('\0') == std::string::npos);
            FUZZ_CHECK(result.id.find('\n') == std::string::npos);
            break;
        case core::HardwareIdSearch::Unusable:
            FUZZ_CHECK(result.lineNumber == deciding);
            FUZZ_CHECK(result.id.empty());
            FUZZ_CHECK(expectedId.size() > core::kMaxHardwareIdChars || expectedId.find('\0') != std::string::npos);
            break;
    }

    // CRLF line ends read like LF ones.
    if (name.find('\n') == std::string::npos && name.find('\r') == std::string::npos) {
        std::string crlf;
        for (char c : text) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        const core::HardwareIdSearch again = core::FindHardwareIdInText(crlf, name);
        FUZZ_CHECK(again.status == result.status && again.id == result.id && again.lineNumber == result.lineNumber);
    }
    return 0;
}
