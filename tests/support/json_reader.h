// A small JSON reader for the tests of what the programs write: objects,
// arrays, strings (UTF-8, escapes and surrogate pairs), numbers, true,
// false and null.  Nothing is accepted that JSON does not allow.
#pragma once
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jsontest {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::wstring string;  // UTF-16
    std::vector<Value> items;
    std::vector<std::pair<std::wstring, Value>> members;  // in document order

    const Value* Find(const std::wstring& key) const {
        for (const auto& [k, v] : members)
            if (k == key) return &v;
        return nullptr;
    }
    // The member `key`; a null value when there is none.
    const Value& operator[](const std::wstring& key) const {
        static const Value none;
        const Value* v = Find(key);
        return v ? *v : none;
    }
};

class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {}
    // The one value of the document, with nothing but blanks after it.
    std::optional<Value> Document() {
        auto v = ReadValue();
        Blanks();
        if (!v || i_ != s_.size()) return std::nullopt;
        return v;
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool Take(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }
    std::optional<Value> ReadValue() {
        Blanks();
        if (i_ >= s_.size()) return std::nullopt;
        Value v;
        const char c = s_[i_];
        if (c == '{') {
            ++i_;
            v.kind = Value::Object;
            if (Take('}')) return v;
            do {
                Blanks();
                auto key = ReadString();
                if (!key || !Take(':')) return std::nullopt;
                auto member = ReadValue();
                if (!member) return std::nullopt;
                v.members.emplace_back(*key, std::move(*member));
            } while (Take(','));
            return Take('}') ? std::optional<Value>(std::move(v)) : std::nullopt;
        }
        if (c == '[') {
            ++i_;
            v.kind = Value::Array;
            if (Take(']')) return v;
            do {
                auto item = ReadValue();
                if (!item) return std::nullopt;
                v.items.push_back(std::move(*item));
            } while (Take(','));
            return Take(']') ? std::optional<Value>(std::move(v)) : std::nullopt;
        }
        if (c == '"') {
            auto text = ReadString();
            if (!text) return std::nullopt;
            v.kind = Value::String;
            v.string = *text;
            return v;
        }
        if (Word("true")) return v.kind = Value::Bool, v.boolean = true, v;
        if (Word("false")) return v.kind = Value::Bool, v;
        if (Word("null")) return v;
        size_t end = i_;
        if (end < s_.size() && s_[end] == '-') ++end;
        while (end < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[end])) || s_[end] == '.' ||
                                   s_[end] == 'e' || s_[end] == 'E' || s_[end] == '+' || s_[end] == '-'))
            ++end;
        if (end == i_) return std::nullopt;
        v.kind = Value::Number;
        v.number = std::stod(std::string(s_.substr(i_, end - i_)));
        i_ = end;
        return v;
    }
    // A string at i_, decoded to UTF-16.
    std::optional<std::wstring> ReadString() {
        if (i_ >= s_.size() || s_[i_] != '"') return std::nullopt;
        ++i_;
        std::wstring out;
        while (i_ < s_.size() && s_[i_] != '"') {
            const auto b = static_cast<unsigned char>(s_[i_]);
            if (b < 0x20) return std::nullopt;
            if (b == '\\') {
                if (++i_ >= s_.size()) return std::nullopt;
                const char e = s_[i_++];
                switch (e) {
                case '"': out += L'"'; break;
                case '\\': out += L'\\'; break;
                case '/': out += L'/'; break;
                case 'b': out += L'\b'; break;
                case 'f': out += L'\f'; break;
                case 'n': out += L'\n'; break;
                case 'r': out += L'\r'; break;
                case 't': out += L'\t'; break;
                case 'u': {
                    if (i_ + 4 > s_.size()) return std::nullopt;
                    const unsigned long unit = std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16);
                    out += static_cast<wchar_t>(unit);
                    i_ += 4;
                    break;
                }
                default: return std::nullopt;
                }
                continue;
            }
            // UTF-8 to UTF-16.
            size_t extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 9;
            if (extra == 9 || i_ + extra >= s_.size()) return std::nullopt;
            uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
            for (size_t k = 1; k <= extra; ++k) {
                const auto t = static_cast<unsigned char>(s_[i_ + k]);
                if ((t & 0xC0) != 0x80) return std::nullopt;
                cp = (cp << 6) | (t & 0x3F);
            }
            i_ += extra + 1;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (cp >> 10));
                out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            } else {
                out += static_cast<wchar_t>(cp);
            }
        }
        if (i_ >= s_.size()) return std::nullopt;
        ++i_;
        return out;
    }

    std::string_view s_;
    size_t i_ = 0;
};

inline std::optional<Value> Parse(std::string_view text) { return Reader(text).Document(); }

}  // namespace jsontest
