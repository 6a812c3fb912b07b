#include "core/utf8.h"

namespace core {

namespace {

// The character of the sequence at `i` and its length in bytes; 0 when the
// bytes there are no well-formed sequence (overlong, a surrogate, beyond
// U+10FFFF, cut short).
size_t DecodeSequence(std::string_view bytes, size_t i, char32_t& c) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    size_t extra = 0;
    char32_t least = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) extra = 1, c = b & 0x1F, least = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) extra = 2, c = b & 0x0F, least = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) extra = 3, c = b & 0x07, least = 0x10000;
    else return 0;
    if (i + extra >= bytes.size()) return 0;
    for (size_t k = 1; k <= extra; ++k) {
        const auto t = static_cast<unsigned char>(bytes[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return extra + 1;
}

void Append(char32_t c, std::wstring& text) {
    if (c >= 0x10000) {
        c -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (c >> 10));
        text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        text += static_cast<wchar_t>(c);
    }
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool Utf8ToWide(std::string_view bytes, std::wstring& text) {
    text.clear();
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const size_t length = DecodeSequence(bytes, i, c);
        if (length == 0) return false;
        Append(c, text);
        i += length;
    }
    return true;
}

std::wstring Utf8ToWideLeniently(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const size_t length = DecodeSequence(bytes, i, c);
        if (length == 0) {
            text += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        Append(c, text);
        i += length;
    }
    return text;
}

}  // namespace core
