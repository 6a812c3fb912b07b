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
    // Exactly the zero-ended segments within the limits, in order; nothing
    // at all when the read is not usable.
    std::vector<std::wstring> expected;
    for (size_t start = 0, end; usable && (end = filled.find(L'\0', start)) != std::wstring::npos; start = end + 1) {
        if (end > start && end - start <= core::kMaxEntryChars) expected.push_back(filled.substr(start, end - start));
    }
    FUZZ_CHECK(list.entries == expected);

    // The same characters as a one-key result.
    const auto value = core::TakeKeyValue(filled, capacity);
    FUZZ_CHECK(value.has_value() == (!filled.empty() && capacity >= 2 && filled.size() < capacity - 1));
    if (value) FUZZ_CHECK(*value == filled);
    return 0;
}
