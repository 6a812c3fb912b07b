#include "core/json.h"

#include "core/utf8.h"

namespace core {

std::string JsonString(std::wstring_view text) {
    static const char* kHex = "0123456789abcdef";
    const std::string utf8 = ToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

template <class Members>
std::string ObjectOf(const Members& members) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, value] : members) {
        if (!first) out += ", ";
        first = false;
        out += JsonString(std::wstring(key.begin(), key.end())) + ": " + value;
    }
    return out + "}";
}

}  // namespace

std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string>> members) {
    return ObjectOf(members);
}

std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members) { return ObjectOf(members); }

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + "]";
}

}  // namespace core
