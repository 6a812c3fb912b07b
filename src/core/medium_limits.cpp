#include "core/medium_limits.h"

#include <algorithm>
#include <array>
#include <map>

namespace core {

namespace {

constexpr uint64_t kSector = 2048;

uint64_t Sectors(uint64_t bytes) { return (bytes + kSector - 1) / kSector; }

std::wstring_view NameOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

std::wstring_view ParentOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash);
}

wchar_t FoldedChar(wchar_t c) {
    const auto u = static_cast<uint32_t>(c);
    if (u >= L'a' && u <= L'z') return static_cast<wchar_t>(u - 0x20);
    // Latin-1: à..þ but ÷; ÿ folds to Ÿ.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 0x20);
    if (u == 0xFF) return static_cast<wchar_t>(0x178);
    // Latin Extended-A: pairs of capital (even) and small (odd) letters,
    // but where the block's order shifts: ı and ĸ stand alone, and from Ĺ
    // to Ň the capital letters are the odd ones.
    if (u >= 0x100 && u <= 0x137 && u != 0x131) return static_cast<wchar_t>(u & ~1u);
    if (u >= 0x139 && u <= 0x148) return static_cast<wchar_t>(u % 2 == 0 ? u - 1 : u);
    if (u >= 0x14A && u <= 0x177) return static_cast<wchar_t>(u & ~1u);
    if (u == 0x17A || u == 0x17C || u == 0x17E) return static_cast<wchar_t>(u - 1);
    // Greek α..ω, final ς as σ.
    if (u == 0x3C2) return static_cast<wchar_t>(0x3A3);
    if (u >= 0x3B1 && u <= 0x3C9) return static_cast<wchar_t>(u - 0x20);
    // Cyrillic а..я and ѐ..џ.
    if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
    // Full-width ａ..ｚ.
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 0x20);
    return c;
}

// Characters no Windows name holds, and those Joliet names cannot hold
// either (";" is one of them), each of which the image replaces with "_".
bool UnusableCharacter(wchar_t c) {
    return static_cast<uint32_t>(c) < 0x20 || std::wstring_view(L"<>:\"/\\|?*;").find(c) != std::wstring_view::npos;
}

// Windows opens the device, not a file, for these names with any extension
// ("nul.txt" too); and it drops dots and blanks at a name's end.
bool ReservedName(std::wstring_view name) {
    if (!name.empty() && (name.back() == L'.' || name.back() == L' ')) return true;
    std::wstring base(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    base = FoldedName(base);
    static constexpr std::array<std::wstring_view, 4> kDevices = {L"CON", L"PRN", L"AUX", L"NUL"};
    if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) return true;
    return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'1' &&
           base[3] <= L'9';
}

Finding Error(std::string rule, const std::wstring& path, std::wstring message,
              Severity severity = Severity::Error) {
    Finding f;
    f.severity = severity;
    f.rule = std::move(rule);
    f.file = path;
    f.message = std::move(message);
    return f;
}

std::wstring Number(uint64_t n) {
    const std::string digits = std::to_string(n);
    return std::wstring(digits.begin(), digits.end());
}

// Rounded up, so that a size over a limit never prints as the limit.
std::wstring Mebibytes(uint64_t bytes) { return Number((bytes + (1u << 20) - 1) >> 20) + L" MiB"; }

}  // namespace

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = FoldedChar(c);
    return folded;
}

uint64_t EstimatedImageBytes(const std::vector<MediumEntry>& entries) {
    // Directory bytes of each folder in the two trees: "." and "..", then a
    // record per entry: ISO 9660 (a name of at most 31 characters and the
    // Rock Ridge fields) and Joliet (the UTF-16 name).
    std::map<std::wstring, std::pair<uint64_t, uint64_t>> folders{{L"", {2 * 140, 2 * 34}}};
    uint64_t data = 0;
    for (const MediumEntry& e : entries) {
        const uint64_t name = NameOf(e.path).size();
        auto& [iso, joliet] = folders[std::wstring(ParentOf(e.path))];
        iso += 33 + std::min<uint64_t>(name, 31) + 1 + 120;
        joliet += 33 + 2 * name + 1;
        if (e.folder) folders.try_emplace(e.path, 2 * 140, 2 * 34);
        else data += Sectors(e.size) * kSector;
    }
    uint64_t directories = 0;
    for (const auto& [path, bytes] : folders) directories += (Sectors(bytes.first) + Sectors(bytes.second)) * kSector;
    // What xorriso writes around them: the 32 sectors before the volume,
    // the system area, the volume descriptors, the path tables of the two
    // trees, and the padding and tail the image ends with.
    const uint64_t volume = (32 + 16 + 3 + 8 + 150 + 16) * kSector;
    return data + directories + volume;
}

std::vector<Finding> CheckMediumLimits(const std::vector<MediumEntry>& entries) {
    std::vector<Finding> findings;
    // Folded name -> the first entry of that name, per folder.
    std::map<std::pair<std::wstring, std::wstring>, const MediumEntry*> seen;
    for (const MediumEntry& e : entries) {
        const std::wstring_view name = NameOf(e.path);
        if (name.size() > kJolietNameLimit)
            findings.push_back(Error("name-too-long", e.path,
                                     L"a name of " + Number(name.size()) + L" characters: the CD image's names hold " +
                                         Number(kJolietNameLimit) + L", so it would be cut to another name"));
        if (std::any_of(name.begin(), name.end(), UnusableCharacter))
            findings.push_back(Error("name-character", e.path,
                                     L"the name holds a character Windows or the CD image's names cannot hold "
                                     L"(< > : \" / \\ | ? * ; or a control character); the image writes \"_\" "
                                     L"in its place or Windows cannot open it"));
        else if (ReservedName(name))
            findings.push_back(Error("name-reserved", e.path,
                                     L"Windows cannot open a file of this name: a device name (CON, PRN, AUX, NUL, "
                                     L"COM1-9, LPT1-9) or a name ending in a dot or a blank"));
        // "D:\" and the path.
        if (3 + e.path.size() > kWindowsPathLimit)
            findings.push_back(Error("medium-path-too-long", e.path,
                                     L"the path from the drive's root is " + Number(3 + e.path.size()) +
                                         L" characters, over Windows' " + Number(kWindowsPathLimit) +
                                         L": Windows cannot open it on the CD"));
        if (!e.folder && e.size > kIsoFileLimit)
            findings.push_back(Error("file-too-big", e.path,
                                     L"a file of " + Mebibytes(e.size) +
                                         L": the CD image holds files of less than 4 GiB only"));
        const auto [at, fresh] = seen.try_emplace({std::wstring(ParentOf(e.path)), FoldedName(name)}, &e);
        if (!fresh)
            findings.push_back(Error("name-case-clash", e.path,
                                     L"differs from '" + at->second->path +
                                         L"' only in letter case: Windows sees one of the two only"));
    }
    const uint64_t bytes = EstimatedImageBytes(entries);
    if (bytes > kDvdBytes)
        findings.push_back(Error("too-big-for-dvd", L"", L"the image takes about " + Mebibytes(bytes) +
                                                             L", more than a single-layer DVD holds (4.7 GB)"));
    else if (bytes > kCdBytes)
        findings.push_back(Error("too-big-for-cd", L"",
                                 L"the image takes about " + Mebibytes(bytes) + L", more than an 80-minute CD holds (700 MB): it needs a DVD",
                                 Severity::Warning));
    return findings;
}

}  // namespace core
