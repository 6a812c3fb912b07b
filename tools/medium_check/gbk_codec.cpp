#include "gbk_codec.h"

#include <iconv.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace medium_check {

namespace {

constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadLast = 0xFE;
constexpr wchar_t kEuro = 0x20AC;          // the single byte 0x80
constexpr wchar_t kLoneFF = 0xF8F5;        // the single byte 0xFF
constexpr wchar_t kSubstitute = L'?';

bool IsTrail(unsigned b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }

// The three user-defined areas of GBK, which Windows maps in order onto the
// private-use area; iconv knows none of them.
wchar_t UserDefinedArea(unsigned lead, unsigned trail) {
    if (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1) return static_cast<wchar_t>(0xE000 + (lead - 0xAA) * 94 + (trail - 0xA1));
    if (lead >= 0xF8 && trail >= 0xA1) return static_cast<wchar_t>(0xE234 + (lead - 0xF8) * 94 + (trail - 0xA1));
    if (lead >= 0xA1 && lead <= 0xA7 && trail <= 0xA0)
        return static_cast<wchar_t>(0xE4C6 + (lead - 0xA1) * 96 + (trail < 0x7F ? trail - 0x40 : trail - 0x41));
    return 0;
}

struct Tables {
    std::vector<wchar_t> pairs;  // [(lead - 0x81) * 256 + trail] -> character, 0 when none
    std::unordered_map<wchar_t, uint16_t> reverse;
};

Tables Build() {
    Tables t;
    t.pairs.assign((kLeadLast - kLeadFirst + 1) * 256, 0);
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    // The remaining gaps of the double-byte range follow the user-defined
    // areas in the private-use area, in byte order.
    wchar_t nextPrivate = 0xE766;
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (!IsTrail(trail)) continue;
            wchar_t c = 0;
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                unsigned char out[8] = {};
                char* inPtr = in;
                size_t inLeft = 2;
                char* outPtr = reinterpret_cast<char*>(out);
                size_t outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 &&
                    sizeof out - outLeft == 2)
                    c = static_cast<wchar_t>(out[0] | (out[1] << 8));
            }
            if (!c) c = UserDefinedArea(lead, trail);
            if (!c) c = nextPrivate++;
            t.pairs[(lead - kLeadFirst) * 256 + trail] = c;
            t.reverse.try_emplace(c, static_cast<uint16_t>((lead << 8) | trail));
        }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return t;
}

const Tables& GetTables() {
    static const Tables tables = Build();
    return tables;
}

// The character of a lead and a trail byte; 0 when they make none.
wchar_t Pair(unsigned lead, unsigned trail) {
    if (lead < kLeadFirst || lead > kLeadLast || !IsTrail(trail)) return 0;
    return GetTables().pairs[(lead - kLeadFirst) * 256 + trail];
}

}  // namespace

namespace {

// One decoder for both: the lenient one substitutes where the strict one
// gives up.
bool Decode(std::string_view bytes, bool strict, std::wstring& text) {
    text.clear();
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        wchar_t c = kSubstitute;
        size_t used = 1;
        bool valid = true;
        if (b < 0x80) {
            c = static_cast<wchar_t>(b);
        } else if (b == 0x80) {
            c = kEuro;
        } else if (b == 0xFF) {
            c = kLoneFF;
            valid = false;  // only the lenient conversion gives it a character
        } else if (i + 1 < bytes.size() && bytes[i + 1] != '\0') {
            // A lead byte takes the next byte along, whether it pairs or not;
            // at the end, or before a zero, it stands alone.
            const wchar_t pair = Pair(b, static_cast<unsigned char>(bytes[i + 1]));
            used = 2;
            valid = pair != 0;
            if (valid) c = pair;
        } else {
            valid = false;
        }
        if (!valid && strict) return false;
        text += c;
        i += used;
    }
    return true;
}

}  // namespace

std::wstring DecodeGbk(std::string_view bytes) {
    std::wstring text;
    Decode(bytes, false, text);
    return text;
}

bool DecodeGbkStrict(std::string_view bytes, std::wstring& text) {
    if (Decode(bytes, true, text)) return true;
    text.clear();
    return false;
}

bool EncodeGbkStrict(std::wstring_view text, std::string& bytes) {
    bytes.clear();
    const auto& reverse = GetTables().reverse;
    for (wchar_t c : text) {
        const auto u = static_cast<uint32_t>(c);
        if (u < 0x80) {
            bytes += static_cast<char>(u);
        } else if (c == kEuro) {
            bytes += '\x80';
        } else if (c == kLoneFF) {
            bytes += '\xFF';
        } else {
            const auto it = reverse.find(c);
            if (it == reverse.end()) return false;
            bytes += static_cast<char>(it->second >> 8);
            bytes += static_cast<char>(it->second & 0xFF);
        }
    }
    return true;
}

}  // namespace medium_check
