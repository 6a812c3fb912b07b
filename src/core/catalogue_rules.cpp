#include "core/catalogue_rules.h"

namespace core {

// ---- Profile results --------------------------------------------------------

SectionList SplitProfileSection(std::wstring_view filled, size_t capacity) {
    SectionList list;
    // The profile function reports capacity - 2 when the section did not fit,
    // whatever it managed to copy: a cut list would silently lose models.
    if (filled.empty() || capacity < 2 || filled.size() >= capacity - 2) return list;
    if (filled.back() != L'\0') return list;
    size_t start = 0;
    for (size_t i = 0; i < filled.size(); ++i) {
        if (filled[i] != L'\0') continue;
        const size_t length = i - start;
        if (length > 0 && length <= kMaxEntryChars) list.entries.emplace_back(filled.substr(start, length));
        start = i + 1;
    }
    list.ok = true;
    return list;
}

std::optional<std::wstring> TakeKeyValue(std::wstring_view filled, size_t capacity) {
    // A value of capacity - 1 characters and a longer one that was cut both
    // give capacity - 1: neither can be told from a whole value, so neither is.
    if (filled.empty() || capacity < 2 || filled.size() >= capacity - 1) return std::nullopt;
    return std::wstring(filled);
}

PinType PinTypeFromValue(std::wstring_view value) {
    if (value == L"24") return PinType::Pin24;
    if (value == L"9") return PinType::Pin9;
    return PinType::PinOther;
}

// ---- Paths --------------------------------------------------------------

std::optional<std::wstring> JoinPath(std::initializer_list<std::wstring_view> parts) {
    size_t length = 0;
    for (std::wstring_view part : parts) length += part.size();
    if (length > kMaxPathChars) return std::nullopt;
    std::wstring path;
    path.reserve(length);
    for (std::wstring_view part : parts) path.append(part);
    return path;
}

std::optional<std::wstring> NormalizeProgramDirectory(std::wstring_view directory) {
    if (directory.empty()) return std::nullopt;
    const bool hasSeparator = directory.back() == L'\\' || directory.back() == L'/';
    return hasSeparator ? JoinPath({directory}) : JoinPath({directory, L"\\"});
}

std::optional<std::wstring> CataloguePathFor(std::wstring_view programDirectory) {
    if (programDirectory.empty()) return std::nullopt;
    return JoinPath({programDirectory, kCatalogueFileName});
}

std::optional<std::wstring> ManualPathFor(std::wstring_view programDirectory,
                                          const std::optional<std::wstring>& manualFile) {
    if (programDirectory.empty()) return std::nullopt;
    return JoinPath({programDirectory, kManualDirectory, manualFile ? std::wstring_view(*manualFile) : kDefaultManual});
}

std::optional<std::wstring> OtherSoftwarePathFor(std::wstring_view programDirectory, std::wstring_view file) {
    if (programDirectory.empty() || file.empty()) return std::nullopt;
    return JoinPath({programDirectory, file});
}

std::optional<std::wstring> DriverInfPathFor(std::wstring_view programDirectory, PinType pinType) {
    if (programDirectory.empty()) return std::nullopt;
    std::wstring_view inf;
    switch (pinType) {
        case PinType::Pin24:
            inf = kInf24Pin;
            break;
        case PinType::Pin9:
            inf = kInf9Pin;
            break;
        case PinType::PinOther:
            break;
    }
    return JoinPath({programDirectory, kDriverDirectory, kDriverDirectory, inf});
}

// ---- Names of the high-speed printers ---------------------------------------

namespace {

struct HighSpeedName {
    std::wstring_view printerName;  // catalogue, INF and install command
    std::wstring_view displayName;  // Windows, after installation
    std::wstring_view deviceModel;  // the printer's device ID
    std::wstring_view listModel;    // the model list
};

constexpr HighSpeedName kHighSpeedNames[] = {
    {L"Orvane VP-7730", L"Orvane 曜驰7730", L"VP-7730", L"曜驰7730"},
    {L"Orvane VP-7730+", L"Orvane 曜驰7730+", L"VP-7730+", L"曜驰7730+"},
    {L"Orvane VP-7330", L"Orvane 曜驰7330", L"VP-7330", L"曜驰7330"},
    {L"Orvane VP-7330+", L"Orvane 曜驰7330+", L"VP-7330+", L"曜驰7330+"},
};

}  // namespace

std::wstring GetDisplayPrinterName(std::wstring_view printerName) {
    for (const auto& n : kHighSpeedNames)
        if (printerName == n.printerName) return std::wstring(n.displayName);
    return std::wstring(printerName);
}

std::wstring MapDeviceModelName(std::wstring_view reportedModel) {
    for (const auto& n : kHighSpeedNames)
        if (reportedModel == n.deviceModel) return std::wstring(n.listModel);
    return std::wstring(reportedModel);
}

// ---- USB hardware ID of an INF file -------------------------------------

std::string QuotedPrinterKey(std::string_view printerName) {
    std::string key;
    key.reserve(printerName.size() + 2);
    key += '"';
    key.append(printerName);
    key += '"';
    return key;
}

HardwareIdLine MatchHardwareIdLine(std::string_view line, std::string_view key, std::string& id) {
    if (key.empty() || !line.starts_with(key)) return HardwareIdLine::NoMatch;
    const size_t firstComma = line.find(',');
    if (firstComma == std::string_view::npos) return HardwareIdLine::NoMatch;
    // The test starts one character early: a comma in the very first column
    // cannot happen after a key, but keep the index in range regardless.
    const size_t usbFrom = firstComma == 0 ? 0 : firstComma - 1;
    if (line.find("USB", usbFrom) == std::string_view::npos) return HardwareIdLine::NoMatch;
    const size_t secondComma = line.find(',', firstComma + 1);
    const std::string_view found = secondComma == std::string_view::npos
                                       ? std::string_view()
                                       : line.substr(firstComma + 1, secondComma - firstComma - 1);
    // A zero byte would end the ID early once it is handed on as text.
    if (found.size() > kMaxHardwareIdChars || found.find('\0') != std::string_view::npos)
        return HardwareIdLine::Unusable;
    id.assign(found);
    return HardwareIdLine::Match;
}

HardwareIdSearch FindHardwareIdInText(std::string_view text, std::string_view printerName) {
    HardwareIdSearch result;
    if (printerName.empty()) return result;
    const std::string key = QuotedPrinterKey(printerName);
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
        ++lineNumber;
        std::string id;
        switch (MatchHardwareIdLine(line, key, id)) {
            case HardwareIdLine::NoMatch:
                break;
            case HardwareIdLine::Match:
                result.status = HardwareIdSearch::Found;
                result.id = std::move(id);
                result.lineNumber = lineNumber;
                return result;
            case HardwareIdLine::Unusable:
                result.status = HardwareIdSearch::Unusable;
                result.lineNumber = lineNumber;
                return result;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return result;
}

}  // namespace core
