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
    // About one printer in five leaves out the ';' after its last pair: the
    // text's end closes the value as well.
    size_t semicolon = text.find(';', colon + 1);
    value = text.substr(colon + 1, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - colon - 1);
    return true;
}

std::string_view TrimDeviceIdBlanks(std::string_view value) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t first = value.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return value.substr(first, value.find_last_not_of(kBlanks) - first + 1);
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
    // The model goes without the blanks some printers pad it with; the
    // manufacturer stays as sent, since the installation path depends on
    // where the joined text stands in the printer name.
    model = TrimDeviceIdBlanks(model);
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
    constexpr std::wstring_view kBlanks = L" \t\r\n\v\f";
    size_t key = idText.find(kKey);
    if (key == std::wstring_view::npos) return {};
    std::wstring_view model = idText.substr(key + kKey.size());
    model = model.substr(0, model.find(L';'));
    const size_t first = model.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) return {};
    return std::wstring(model.substr(first, model.find_last_not_of(kBlanks) - first + 1));
}

}  // namespace core
