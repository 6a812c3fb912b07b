// The INI reader and the medium checker on arbitrary bytes (taken as the
// catalogue and as both driver INF files): no crash, and every read keeps
// the profile functions' promises about its buffer.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ini_reader.h"
#include "core/medium_rules.h"
#include "fuzz_catalogue_check.h"

namespace {

std::wstring Latin1(std::string_view bytes) { return std::wstring(bytes.begin(), bytes.end()); }

// The input, as every file of the medium, and as the catalogue read.
std::string bytes;
core::ProfileDocument doc;

// A read into `capacity` characters with guards behind them: it stays in the
// buffer and ends in a zero; a section read reports at most capacity - 2,
// a key read at most capacity - 1.
template <class Read>
void CheckRead(size_t capacity, bool section, Read read) {
    constexpr wchar_t kGuard = 0x2BAD;
    static std::vector<wchar_t> buffer;
    buffer.assign(capacity + 4, kGuard);
    const size_t n = read(buffer.data(), capacity);
    for (size_t i = capacity; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == kGuard);
    FUZZ_CHECK(n + (section ? 2 : 1) <= capacity);
    FUZZ_CHECK(buffer[n] == L'\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
    doc = core::ProfileDocument(core::DecodeProfileBytes(bytes, &Latin1));

    size_t sections = 0;
    for (const core::ProfileSection& s : doc.Sections()) {
        if (++sections > 16) break;
        for (size_t capacity : {2, 3, 17, 2048})
            CheckRead(capacity, true, [&](wchar_t* b, size_t c) { return doc.ReadSection(s.name, b, c); });
        for (size_t k = 0; k < s.keys.size() && k < 16; ++k)
            for (size_t capacity : {1, 2, 20, 260})
                CheckRead(capacity, false,
                          [&](wchar_t* b, size_t c) { return doc.ReadString(s.name, s.keys[k].name, b, c); });
    }

    // The checker: 8-bit text is Latin-1, of which only ASCII counts as the code page's.
    core::MediumAccess access;
    access.readSection = [](void*, const std::wstring& s, wchar_t* b, size_t n) { return doc.ReadSection(s, b, n); };
    access.readString = [](void*, const std::wstring& s, const std::wstring& k, wchar_t* b, size_t n) {
        return doc.ReadString(s, k, b, n);
    };
    access.readFile = [](void*, const std::wstring&, size_t maxBytes, std::string& read) {
        read = bytes;
        return read.size() > maxBytes ? core::FileRead::TooLarge : core::FileRead::Ok;
    };
    access.fileOpens = [](void*, const std::wstring& path) { return path.size() % 2 == 0; };
    access.decodeAnsi = &Latin1;
    access.ansiToWide = [](std::string_view ansi, std::wstring& text) {
        text = Latin1(ansi);
        return std::all_of(ansi.begin(), ansi.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    access.wideToAnsi = [](std::wstring_view text, std::string& ansi) {
        ansi.assign(text.begin(), text.end());
        return std::all_of(text.begin(), text.end(), [](wchar_t c) { return static_cast<unsigned>(c) < 0x80; });
    };
    core::CheckReport report = core::CheckMedium(access, {});
    for (const core::Finding& f : report.findings) FUZZ_CHECK(!f.rule.empty() && !f.message.empty());
    // The forms a finding is printed in, for the first few (the rest are
    // printed by the same code).
    if (report.findings.size() > 8) report.findings.resize(8);
    for (const core::Finding& f : report.findings) FUZZ_CHECK(core::FindingText(f).find('\n') == std::string::npos);
    const std::string json = core::ReportJson(report, L"medium");
    FUZZ_CHECK(!json.empty() && json.back() == '\n');
    return 0;
}
