// Device ID bytes as a USB printer returns them (two length bytes, then the
// text).  Checks what must hold for every input, not only that nothing
// crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_id.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Result {
    bool ok;
    std::string joined;
    size_t length;
};

Result Parse(std::string_view text, size_t capacity) {
    std::vector<char> out(capacity + 1, '\x7f');
    size_t length = 999;
    bool ok = core::ReadMakeAndModel(text, out.data(), capacity, length);
    if (!ok) {
        Check(length == 0);
        if (capacity) Check(out[0] == '\0');
        return {false, {}, 0};
    }
    Check(length < capacity && length < core::kMakeAndModelBytes);
    Check(out[length] == '\0');
    // Nothing was written past the terminator.
    for (size_t i = length + 1; i <= capacity; ++i) Check(out[i] == '\x7f');
    return {true, std::string(out.data(), length), length};
}

std::wstring Widen(std::string_view text) {
    std::wstring wide;
    for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

// The joined text is some manufacturer value followed by some model value,
// each standing in the text between its key and a ';'.
bool SplitsIntoKeyValues(std::string_view text, const std::string& joined) {
    static constexpr std::string_view kMakeKeys[] = {"MFG:", "MANUFACTURER:"};
    static constexpr std::string_view kModelKeys[] = {"MODEL:", "MDL:"};
    for (size_t k = 0; k <= joined.size(); ++k) {
        bool make = false, model = false;
        for (auto key : kMakeKeys)
            make |= text.find(std::string(key) + joined.substr(0, k) + ";") != std::string_view::npos;
        for (auto key : kModelKeys)
            model |= text.find(std::string(key) + joined.substr(k) + ";") != std::string_view::npos;
        if (make && model) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = core::DeviceIdText(data, size);

    // The text starts after the length bytes and ends at the first zero or
    // at the end of the bytes.
    if (size <= 2) {
        Check(text.empty());
    } else {
        Check(text.data() == reinterpret_cast<const char*>(data) + 2);
        Check(text.size() <= size - 2);
        Check(std::memchr(text.data(), 0, text.size()) == nullptr);
        if (text.size() < size - 2) Check(data[2 + text.size()] == 0);
    }

    const Result r = Parse(text, core::kMakeAndModelBytes);
    Check(r.joined.find(';') == std::string::npos);
    if (r.ok) Check(SplitsIntoKeyValues(text, r.joined));

    // The length bytes never matter.
    if (size >= 2) {
        std::vector<uint8_t> other(data, data + size);
        other[0] ^= 0xFF;
        other[1] = static_cast<uint8_t>(other[1] + 0x55);
        const Result again = Parse(core::DeviceIdText(other.data(), other.size()), core::kMakeAndModelBytes);
        Check(again.ok == r.ok && again.joined == r.joined);
    }

    // A larger buffer never lifts the bound; a buffer just large enough
    // takes the same text, one byte less refuses it.
    const Result big = Parse(text, 4096);
    Check(big.ok == r.ok && big.joined == r.joined);
    if (r.ok) {
        const Result exact = Parse(text, r.length + 1);
        Check(exact.ok && exact.joined == r.joined);
        if (r.length > 0) Check(!Parse(text, r.length).ok);
    }

    // Bytes appended after a readable ID that hold no ':' cannot form a key,
    // so the first occurrences and the answer stay.
    if (r.ok) {
        std::string longer(text);
        longer += ";;xyz;";
        const Result appended = Parse(longer, core::kMakeAndModelBytes);
        Check(appended.ok && appended.joined == r.joined);
    }

    // The maker test looks only at the start of the joined text.
    const std::wstring wide = Widen(r.joined);
    const bool own = wide.rfind(L"Telvix", 0) == 0 || wide.rfind(L"TELVIX", 0) == 0 ||
                     wide.rfind(L"Kesto", 0) == 0 || wide.rfind(L"Orvane", 0) == 0;
    Check(core::IsMakersOwnPrinter(wide) == own);

    // The detection's model: what stands between the first "MDL:" and the
    // next ';', never a ';' itself.
    const std::wstring wideText = Widen(text);
    const std::wstring model = core::ModelAfterMdlKey(wideText);
    Check(model.find(L';') == std::wstring::npos);
    const size_t key = wideText.find(L"MDL:");
    if (key == std::wstring::npos) {
        Check(model.empty());
    } else {
        const size_t end = wideText.find(L';', key + 4);
        if (end == std::wstring::npos) Check(model.empty());
        else Check(model == wideText.substr(key + 4, end - key - 4));
    }
    return 0;
}
