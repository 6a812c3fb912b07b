#include "core/inf_models.h"

#include "core/catalogue_rules.h"

namespace core {

namespace {

bool StartsWithAsciiNoCase(std::wstring_view s, std::wstring_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        wchar_t a = s[i], b = prefix[i];
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + 32);
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b + 32);
        if (a != b) return false;
    }
    return true;
}

// A number of a decoration: decimal, or hexadecimal after "0x"; nothing
// for an empty part, false for one that is no number.
bool ParsePart(std::wstring_view part, std::optional<unsigned>& value) {
    value.reset();
    if (part.empty()) return true;
    unsigned base = 10;
    if (StartsWithAsciiNoCase(part, L"0x")) {
        base = 16;
        part.remove_prefix(2);
        if (part.empty()) return false;
    }
    unsigned long long n = 0;
    for (wchar_t c : part) {
        unsigned digit;
        if (c >= L'0' && c <= L'9') digit = static_cast<unsigned>(c - L'0');
        else if (base == 16 && c >= L'a' && c <= L'f') digit = static_cast<unsigned>(c - L'a' + 10);
        else if (base == 16 && c >= L'A' && c <= L'F') digit = static_cast<unsigned>(c - L'A' + 10);
        else return false;
        n = n * base + digit;
        if (n > 0xFFFFFFFFull) return false;
    }
    value = static_cast<unsigned>(n);
    return true;
}

struct Decoration {
    unsigned major = 0, minor = 0, build = 0;
    size_t parts = 0;  // how many of the version parts are given
};

// An "NTamd64[.major[.minor[.productType[.suiteMask[.build]]]]]" decoration
// that fits `windows`; nothing for another platform, a malformed one or one
// meant for a newer or other Windows.
std::optional<Decoration> FittingDecoration(std::wstring_view text, const WindowsVersion& windows) {
    constexpr std::wstring_view kPlatform = L"NTamd64";
    if (!StartsWithAsciiNoCase(text, kPlatform)) return std::nullopt;
    std::wstring_view rest = text.substr(kPlatform.size());
    if (!rest.empty() && rest.front() != L'.') return std::nullopt;
    std::optional<unsigned> part[5];
    size_t given = 0;
    while (!rest.empty()) {
        rest.remove_prefix(1);  // the '.'
        const size_t dot = rest.find(L'.');
        if (given == 5 || !ParsePart(rest.substr(0, dot), part[given])) return std::nullopt;
        ++given;
        rest = dot == std::wstring_view::npos ? std::wstring_view() : rest.substr(dot);
    }
    Decoration d;
    d.major = part[0].value_or(0);
    d.minor = part[1].value_or(0);
    d.build = part[4].value_or(0);
    d.parts = given;
    if (part[0] && (d.major > windows.major || (d.major == windows.major && d.minor > windows.minor)))
        return std::nullopt;
    if (part[2] && *part[2] != 0 && *part[2] != windows.productType) return std::nullopt;
    if (part[3] && (windows.suiteMask & *part[3]) != *part[3]) return std::nullopt;
    if (part[4] && d.build > windows.build) return std::nullopt;
    return d;
}

bool Better(const Decoration& a, const Decoration& b) {
    if (a.major != b.major) return a.major > b.major;
    if (a.minor != b.minor) return a.minor > b.minor;
    if (a.build != b.build) return a.build > b.build;
    return a.parts > b.parts;
}

}  // namespace

InfSectionReader CachingReader(std::function<std::optional<std::vector<InfFields>>(const std::wstring&)> load) {
    using Cache = std::unordered_map<std::wstring, std::optional<std::vector<InfFields>>>;
    auto cache = std::make_shared<Cache>();
    return [cache, load = std::move(load)](const std::wstring& name) -> const std::vector<InfFields>* {
        std::wstring folded = name;
        for (wchar_t& c : folded) c = FoldProfileChar(c);
        auto it = cache->find(folded);
        if (it == cache->end()) it = cache->emplace(std::move(folded), load(name)).first;
        return it->second ? &*it->second : nullptr;
    };
}

InfSectionReader SectionReaderOf(const InfDocument& document) {
    return CachingReader([&document](const std::wstring& name) -> std::optional<std::vector<InfFields>> {
        const InfSection* section = document.FindSection(name);
        if (!section) return std::nullopt;
        std::vector<InfFields> lines;
        lines.reserve(section->lines.size());
        for (const InfLine& line : section->lines) {
            InfFields f;
            f.key = document.Field(line, 0);
            f.fields.reserve(line.fields.size());
            for (const std::wstring& raw : line.fields) f.fields.push_back(document.Resolve(raw));
            f.fileLine = line.fileLine;
            lines.push_back(std::move(f));
        }
        return lines;
    });
}

std::optional<std::wstring> ModelsSectionForX64(const InfFields& line, const WindowsVersion& windows) {
    if (line.fields.empty()) return std::nullopt;
    std::optional<Decoration> best;
    size_t bestField = 0;
    for (size_t i = 1; i < line.fields.size(); ++i) {
        const auto d = FittingDecoration(line.fields[i], windows);
        if (d && (!best || Better(*d, *best))) {
            best = d;
            bestField = i;
        }
    }
    if (!best) return std::nullopt;
    return line.fields.front() + L"." + line.fields[bestField];
}

bool IsUsbHardwareId(std::wstring_view id) {
    return StartsWithAsciiNoCase(id, L"USBPRINT\\") || StartsWithAsciiNoCase(id, L"USB\\");
}

bool IsUsableHardwareId(std::wstring_view id) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    return IsUsbHardwareId(id) && !blank(id.front()) && !blank(id.back());
}

ModelLookup LookUpModel(const InfSectionReader& read, std::wstring_view printerName, const WindowsVersion& windows) {
    ModelLookup result;
    const auto manufacturers = read(L"Manufacturer");
    if (!manufacturers) {
        result.status = ModelLookup::NoManufacturer;
        return result;
    }
    for (const InfFields& manufacturer : *manufacturers) {
        const auto section = ModelsSectionForX64(manufacturer, windows);
        if (!section) continue;
        result.modelsSections.push_back(*section);
        const auto models = read(*section);
        if (!models) continue;
        for (const InfFields& model : *models) {
            if (!model.key || *model.key != printerName) continue;
            if (result.status == ModelLookup::NotListed) {
                result.status = ModelLookup::NoUsbId;
                result.section = *section;
                result.modelLine = model.fileLine;
            }
            for (size_t i = 1; i < model.fields.size(); ++i) {
                if (!IsUsbHardwareId(model.fields[i])) continue;
                result.idLine = model.fileLine;
                // An ID over the limit is refused, not cut, and hides later
                // ones: a cut or a later ID could name another device.  The
                // parser itself cuts a field at 511 characters, so an ID that
                // long may be cut already.
                if (model.fields[i].size() > kMaxHardwareIdChars || model.fields[i].size() >= kMaxInfTokenChars) {
                    result.status = ModelLookup::Unusable;
                    return result;
                }
                result.status = ModelLookup::Found;
                result.id = model.fields[i];
                return result;
            }
        }
    }
    return result;
}

}  // namespace core
