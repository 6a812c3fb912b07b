#include "core/device_id.h"

#include <algorithm>
#include <cstring>

namespace core {

namespace {

// First of `primary`, else first of `fallback`; npos when neither occurs.
size_t FindKey(std::string_view text, std::string_view primary, std::string_view fallback) {
    size_t pos = text.find(primary);
    return pos != std::string_view::npos ? pos : text.find(fallback);
}

bool Fail(char* out, size_t capacity, size_t& length) {
    length = 0;
    if (out && capacity > 0) out[0] = '\0';
    return false;
}

}  // namespace

std::string_view DeviceIdText(const uint8_t* id, size_t count) {
    if (!id || count <= 2) return {};
    const char* text = reinterpret_cast<const char*>(id) + 2;
    size_t n = count - 2;
    const void* zero = std::memchr(text, 0, n);
    if (zero) n = static_cast<size_t>(static_cast<const char*>(zero) - text);
    return {text, n};
}

bool ExtractKeyValue(std::string_view text, size_t pos, std::string_view& value) {
    size_t colon = text.find(':', pos);
    if (colon == std::string_view::npos) return false;
    size_t semicolon = text.find(';', colon + 1);
    if (semicolon == std::string_view::npos) return false;
    value = text.substr(colon + 1, semicolon - colon - 1);
    return true;
}

bool ReadMakeAndModel(std::string_view idText, char* out, size_t capacity, size_t& length) {
    if (!out || capacity == 0) {
        length = 0;
        return false;
    }
    size_t makePos = FindKey(idText, "MFG:", "MANUFACTURER:");
    std::string_view make;
    if (makePos == std::string_view::npos || !ExtractKeyValue(idText, makePos, make))
        return Fail(out, capacity, length);
    size_t modelPos = FindKey(idText, "MODEL:", "MDL:");
    std::string_view model;
    if (modelPos == std::string_view::npos || !ExtractKeyValue(idText, modelPos, model))
        return Fail(out, capacity, length);
    const size_t room = std::min(capacity, kMakeAndModelBytes);
    if (make.size() + model.size() + 1 > room) return Fail(out, capacity, length);
    std::memcpy(out, make.data(), make.size());
    std::memcpy(out + make.size(), model.data(), model.size());
    length = make.size() + model.size();
    out[length] = '\0';
    return true;
}

bool IsMakersOwnPrinter(std::wstring_view makeAndModel) {
    // Compared over exactly these lengths, so a longer company name such as
    // "Telvix Corp" still counts.
    static constexpr std::wstring_view kMakers[] = {L"Telvix", L"TELVIX", L"Kesto", L"Orvane"};
    return std::any_of(std::begin(kMakers), std::end(kMakers),
                       [&](std::wstring_view name) { return makeAndModel.substr(0, name.size()) == name; });
}

std::wstring ModelAfterMdlKey(std::wstring_view idText) {
    constexpr std::wstring_view kKey = L"MDL:";
    size_t key = idText.find(kKey);
    if (key == std::wstring_view::npos) return {};
    size_t start = key + kKey.size();
    size_t end = idText.find(L';', start);
    if (end == std::wstring_view::npos) return {};
    return std::wstring(idText.substr(start, end - start));
}

}  // namespace core
