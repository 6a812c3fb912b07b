// Profile-section buffers and one-key results as the profile functions could
// leave them: the list is whole or empty, never partial, and every entry is
// within its limit.
//
// Input: byte 0 picks the buffer capacity; every further byte is one
// character of the filled part of the buffer, where byte 0x01 stands for a
// run of 256 characters so that over-long entries and full buffers are
// reached quickly.
#include <cstdint>
#include <string>
#include <vector>

#include "core/catalogue_rules.h"
#include "fuzz_catalogue_check.h"

namespace {

// Splits at zeros the plain way, keeping every segment.
std::vector<std::wstring> Segments(const std::wstring& filled) {
    std::vector<std::wstring> segments;
    std::wstring current;
    for (wchar_t c : filled) {
        if (c == L'\0') {
            segments.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return segments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // Small buffers reach their limit often; the real one is 2048.
    const size_t capacity = (data[0] & 0x80) ? core::kSectionCapacity : data[0] % 40;
    std::wstring filled;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0x01)
            filled.append(256, L'L');
        else
            filled.push_back(static_cast<wchar_t>(data[i]));
    }

    const core::SectionList list = core::SplitProfileSection(filled, capacity);
    const bool usable = !filled.empty() && capacity >= 2 && filled.size() < capacity - 2 && filled.back() == L'\0';
    FUZZ_CHECK(list.ok == usable);
    if (!list.ok) {
        FUZZ_CHECK(list.entries.empty());
    } else {
        // Exactly the segments within the limits, in order.
        std::vector<std::wstring> expected;
        for (const auto& s : Segments(filled))
            if (!s.empty() && s.size() <= core::kMaxEntryChars) expected.push_back(s);
        FUZZ_CHECK(list.entries == expected);
        size_t used = 0;
        for (const auto& e : list.entries) {
            FUZZ_CHECK(!e.empty() && e.size() <= core::kMaxEntryChars);
            FUZZ_CHECK(e.find(L'\0') == std::wstring::npos);
            used += e.size() + 1;
        }
        FUZZ_CHECK(used <= filled.size());
    }

    // The same characters as a one-key result.
    const auto value = core::TakeKeyValue(filled, capacity);
    FUZZ_CHECK(value.has_value() == (!filled.empty() && capacity >= 2 && filled.size() < capacity - 1));
    if (value) {
        FUZZ_CHECK(*value == filled);
        FUZZ_CHECK(value->size() + 2 <= capacity);
    }
    return 0;
}
