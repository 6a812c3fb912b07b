// Writing JSON: the text of one value at a time, UTF-8.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

// A string value, quoted and escaped; wide text is UTF-16 code units.
std::string JsonString(std::wstring_view text);
inline std::string JsonBool(bool value) { return value ? "true" : "false"; }
inline std::string JsonNumber(long long value) { return std::to_string(value); }
inline std::string JsonNull() { return "null"; }

// An object of the members in the order given, each value already JSON.
std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string>> members);
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members);
// An array of values already JSON.
std::string JsonArray(const std::vector<std::string>& items);

}  // namespace core
