// The INI reader and the medium checker on arbitrary bytes (taken as the
// catalogue and as both driver INF files): no crash, and every read keeps
// the profile functions' promises about its buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "core/ini_reader.h"
#include "core/medium_rules.h"
#include "fuzz_catalogue_check.h"

namespace {

std::wstring Latin1(std::string_view bytes) { return std::wstring(bytes.begin(), bytes.end()); }

bool Ascii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

struct Medium {
    std::string bytes;
    core::ProfileDocument doc;
};

constexpr wchar_t kGuard = 0x2BAD;

// A read into `capacity` characters with guards behind them.
template <class Read>
void CheckRead(size_t capacity, bool section, Read read) {
    std::vector<wchar_t> buffer(capacity + 4, kGuard);
    const size_t n = read(buffer.data(), capacity);
    for (size_t i = capacity; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == kGuard);
    if (section) {
        FUZZ_CHECK(n <= capacity - 2);
        FUZZ_CHECK(buffer[n] == L'\0');
    } else {
        FUZZ_CHECK(n < capacity);
        FUZZ_CHECK(buffer[n] == L'\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Medium medium;
    medium.bytes.assign(reinterpret_cast<const char*>(data), size);
    medium.doc = core::ProfileDocument(core::DecodeProfileBytes(medium.bytes, &Latin1));

    size_t sections = 0;
    for (const core::ProfileSection& s : medium.doc.Sections()) {
        if (++sections > 16) break;
        for (size_t capacity : {2, 3, 17, 2048})
            CheckRead(capacity, true, [&](wchar_t* b, size_t c) { return medium.doc.ReadSection(s.name, b, c); });
        size_t keys = 0;
        for (const core::ProfileKey& k : s.keys) {
            if (++keys > 16) break;
            for (size_t capacity : {1, 2, 20, 260})
                CheckRead(capacity, false,
                          [&](wchar_t* b, size_t c) { return medium.doc.ReadString(s.name, k.name, b, c); });
        }
    }

    core::MediumAccess access;
    access.context = &medium;
    access.readSection = [](void* c, const std::wstring& s, wchar_t* b, size_t n) {
        return static_cast<Medium*>(c)->doc.ReadSection(s, b, n);
    };
    access.readString = [](void* c, const std::wstring& s, const std::wstring& k, wchar_t* b, size_t n) {
        return static_cast<Medium*>(c)->doc.ReadString(s, k, b, n);
    };
    access.readFile = [](void* c, const std::wstring&, size_t maxBytes, std::string& bytes) {
        bytes = static_cast<Medium*>(c)->bytes;
        return bytes.size() > maxBytes ? core::FileRead::TooLarge : core::FileRead::Ok;
    };
    access.fileOpens = [](void*, const std::wstring& path) { return path.size() % 2 == 0; };
    access.decodeAnsi = &Latin1;
    access.ansiToWide = [](std::string_view bytes, std::wstring& text) {
        text = Latin1(bytes);
        return Ascii(bytes);
    };
    access.wideToAnsi = [](std::wstring_view text, std::string& bytes) {
        bytes.clear();
        for (wchar_t c : text) {
            if (static_cast<unsigned>(c) >= 0x80) return false;
            bytes += static_cast<char>(c);
        }
        return true;
    };
    const core::CheckReport report = core::CheckMedium(access, {});
    for (const core::Finding& f : report.findings) {
        const std::string line = core::FindingText(f);
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        FUZZ_CHECK(!f.rule.empty() && !f.message.empty());
    }
    const std::string json = core::ReportJson(report, L"medium");
    FUZZ_CHECK(!json.empty() && json.back() == '\n');
    return 0;
}
