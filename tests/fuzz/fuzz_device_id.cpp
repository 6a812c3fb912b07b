// Device ID bytes as a USB printer returns them (two length bytes, then the
// text).  Checks what must hold for every input, not only that nothing
// crashes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_id.h"
#include "fuzz_catalogue_check.h"

namespace {

struct Result {
    bool ok;
    std::string joined;
};

Result Parse(std::string_view text, size_t capacity) {
    std::vector<char> out(capacity + 1, '\x7f');
    size_t length = 999;
    bool ok = core::ReadMakeAndModel(text, out.data(), capacity, length);
    if (!ok) {
        FUZZ_CHECK(length == 0);
        if (capacity) FUZZ_CHECK(out[0] == '\0');
        return {false, {}};
    }
    FUZZ_CHECK(length < capacity && length < core::kMakeAndModelBytes);
    FUZZ_CHECK(out[length] == '\0');
    // Nothing was written past the terminator.
    for (size_t i = length + 1; i <= capacity; ++i) FUZZ_CHECK(out[i] == '\x7f');
    return {true, std::string(out.data(), length)};
}

std::wstring Widen(std::string_view text) {
    std::wstring wide;
    for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view v) {
    while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
    while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
    return v;
}

// The value after a key at `pos`: up to the next ';' or the end of the text.
std::string_view ValueAt(std::string_view text, size_t pos) {
    const std::string_view rest = text.substr(pos);
    return rest.substr(0, rest.find(';'));
}

// The joined text is some manufacturer value, as sent, followed by some
// model value without its blanks, each standing in the text after its key
// up to a ';' or the end.
bool SplitsIntoKeyValues(std::string_view text, const std::string& joined) {
    static constexpr std::string_view kMakeKeys[] = {"MFG:", "MANUFACTURER:"};
    static constexpr std::string_view kModelKeys[] = {"MODEL:", "MDL:"};
    for (size_t k = 0; k <= joined.size(); ++k) {
        bool make = false, model = false;
        for (auto key : kMakeKeys)
            for (size_t at = text.find(key); at != std::string_view::npos && !make; at = text.find(key, at + 1))
                make = ValueAt(text, at + key.size()) == joined.substr(0, k);
        for (auto key : kModelKeys)
            for (size_t at = text.find(key); at != std::string_view::npos && !model; at = text.find(key, at + 1))
                model = Trimmed(ValueAt(text, at + key.size())) == joined.substr(k);
        if (make && model) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = core::DeviceIdText(data, size);

    // The text starts after the length bytes, whatever they hold, and ends at
    // the first zero or at the end of the bytes.
    const std::string_view all =
        size > 2 ? std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2) : std::string_view();
    FUZZ_CHECK(text == all.substr(0, all.find('\0')));

    const Result r = Parse(text, core::kMakeAndModelBytes);
    FUZZ_CHECK(r.joined.find(';') == std::string::npos);
    if (r.ok) FUZZ_CHECK(SplitsIntoKeyValues(text, r.joined));

    // A larger buffer never lifts the bound; a buffer just large enough
    // takes the same text, one byte less refuses it.
    const Result big = Parse(text, 4096);
    FUZZ_CHECK(big.ok == r.ok && big.joined == r.joined);
    if (r.ok) {
        const Result exact = Parse(text, r.joined.size() + 1);
        FUZZ_CHECK(exact.ok && exact.joined == r.joined);
        if (!r.joined.empty()) FUZZ_CHECK(!Parse(text, r.joined.size()).ok);
        // Bytes appended after a readable ID that hold no ':' cannot form a
        // key, so the first occurrences and the answer stay (a ';' first, so
        // that a last value without one is closed where it ended).
        std::string longer(text);
        longer += ";;xyz;";
        const Result appended = Parse(longer, core::kMakeAndModelBytes);
        FUZZ_CHECK(appended.ok && appended.joined == r.joined);
    }

    // The maker test looks only at the start of the joined text.
    const std::wstring wide = Widen(r.joined);
    const bool own = wide.rfind(L"Telvix", 0) == 0 || wide.rfind(L"TELVIX", 0) == 0 ||
                     wide.rfind(L"Kesto", 0) == 0 || wide.rfind(L"Orvane", 0) == 0;
    FUZZ_CHECK(core::IsMakersOwnPrinter(wide) == own);

    // The detection's model: what stands between the first "MDL:" and the
    // next ';' or the end, without blanks at either end, never a ';' itself.
    const std::wstring wideText = Widen(text);
    const std::wstring model = core::ModelAfterMdlKey(wideText);
    FUZZ_CHECK(model.find(L';') == std::wstring::npos);
    FUZZ_CHECK(model.empty() || (!IsBlank(static_cast<char>(model.front())) && !IsBlank(static_cast<char>(model.back()))));
    const size_t key = text.find("MDL:");
    FUZZ_CHECK(model == (key == std::string_view::npos ? std::wstring() : Widen(Trimmed(ValueAt(text, key + 4)))));
    return 0;
}
