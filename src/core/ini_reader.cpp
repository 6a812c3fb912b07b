#include "core/ini_reader.h"

#include <algorithm>

// Behaviour pinned by the differential test against Wine's profile functions
// (tests/win/ini_reader_differential_test.cpp).  Where Wine is known to read
// a file differently from Windows, this reader follows Windows, because the
// installer runs there:
//  - a UTF-8 byte-order mark: Wine decodes the file as UTF-8, Windows reads
//    it as ANSI text, the mark included (so a section header on the first
//    line is lost);
//  - a UTF-16 big-endian mark: Wine decodes it, Windows 10 reads the file as
//    ANSI text.
// Not known either way, and reproduced as Wine does:
//  - letter case is ignored in names for ASCII letters only (Windows may
//    fold "É" and "é" as well; the checker would then call an entry missing
//    that Windows finds, never the reverse);
//  - a lone CR ends a line; VT, FF and Ctrl-Z are blanks; "[ name ]" is
//    trimmed; ";" lines are left out of section reads; a second nameless key
//    right after another one is dropped; a quoted value cut by a small
//    buffer loses one more character (the installer's reads never meet the
//    last two).

namespace core {

// ---- Text --------------------------------------------------------------------

ProfileEncodingSniff SniffProfileEncoding(std::string_view bytes) {
    ProfileEncodingSniff sniff;
    const auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xFF\xFE")) sniff.encoding = ProfileEncoding::Utf16LE;
    else if (startsWith("\xEF\xBB\xBF")) sniff.ignoredMark = IgnoredByteOrderMark::Utf8;
    else if (startsWith("\xFE\xFF")) sniff.ignoredMark = IgnoredByteOrderMark::Utf16BE;
    return sniff;
}

std::wstring DecodeProfileBytes(std::string_view bytes, AnsiDecoder decodeAnsi) {
    if (SniffProfileEncoding(bytes).encoding == ProfileEncoding::Utf16LE) {
        std::wstring text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i]);
            const auto hi = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<wchar_t>(lo | (hi << 8));
        }
        return text;
    }
    return decodeAnsi ? decodeAnsi(bytes) : std::wstring();
}

wchar_t FoldProfileChar(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

bool ProfileNamesEqual(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldProfileChar(a[i]) != FoldProfileChar(b[i])) return false;
    return true;
}

bool IsProfileBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r' || c == 0x1A;
}

namespace {

std::wstring_view Trim(std::wstring_view s) {
    while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names and values end at a zero character, as the C strings they become.
std::wstring UpToZero(std::wstring_view s) { return std::wstring(s.substr(0, s.find(L'\0'))); }

// lstrcpynW: at most capacity - 1 characters of `from` (up to its zero),
// then a zero; the number of characters copied.
size_t CopyCut(wchar_t* to, std::wstring_view from, size_t capacity) {
    if (capacity == 0) return 0;
    const size_t n = std::min(from.size(), capacity - 1);
    std::copy_n(from.data(), n, to);
    to[n] = L'\0';
    return n;
}

}  // namespace

std::wstring ProfileKey::Entry() const { return value ? name + L"=" + *value : name; }

// ---- Parsing -------------------------------------------------------------------

ProfileDocument::ProfileDocument(std::wstring_view text) {
    sections_.push_back(ProfileSection{});
    const ProfileKey* previous = nullptr;
    size_t lineNumber = 1;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        while (pos < text.size() && text[pos] != L'\n' && text[pos] != L'\r') ++pos;
        const std::wstring_view raw = text.substr(start, pos - start);
        const size_t thisLine = lineNumber;
        // A run of line ends is one break to the parser; for the line numbers
        // a CR LF pair counts once, every other CR or LF once.
        while (pos < text.size() && (text[pos] == L'\n' || text[pos] == L'\r')) {
            if (text[pos] == L'\r' && pos + 1 < text.size() && text[pos + 1] == L'\n') ++pos;
            ++pos;
            ++lineNumber;
        }

        const std::wstring_view line = Trim(raw);
        if (line.empty()) continue;
        if (line.front() == L'[') {
            const size_t close = line.find_last_of(L']');
            if (close != std::wstring_view::npos && close > 0) {
                ProfileSection section;
                section.name = UpToZero(Trim(line.substr(1, close - 1)));
                section.line = thisLine;
                sections_.push_back(std::move(section));
                previous = nullptr;
                continue;
            }
        }
        ProfileKey key;
        key.line = thisLine;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) {
            key.name = UpToZero(line);
        } else {
            key.name = UpToZero(Trim(line.substr(0, equals)));
            key.value = UpToZero(Trim(line.substr(equals + 1)));
        }
        // Two nameless keys in a row: the second is not kept.
        if (key.name.empty() && previous && previous->name.empty()) continue;
        auto& keys = sections_.back().keys;
        keys.push_back(std::move(key));
        previous = &keys.back();
    }
    Index();
}

std::wstring ProfileDocument::Fold(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = FoldProfileChar(c);
    return folded;
}

void ProfileDocument::Index() {
    firstKey_.resize(sections_.size());
    for (size_t s = 0; s < sections_.size(); ++s) {
        firstSection_.try_emplace(Fold(sections_[s].name), s);
        const auto& keys = sections_[s].keys;
        for (size_t k = 0; k < keys.size(); ++k) firstKey_[s].try_emplace(Fold(keys[k].name), k);
    }
}

// ---- Lookups -------------------------------------------------------------------

const ProfileSection* ProfileDocument::FindSection(std::wstring_view name, bool trimRequest) const {
    const std::wstring wanted = UpToZero(trimRequest ? Trim(name) : name);
    const auto it = firstSection_.find(Fold(wanted));
    return it == firstSection_.end() ? nullptr : &sections_[it->second];
}

const ProfileKey* ProfileDocument::FindKey(std::wstring_view section, std::wstring_view key) const {
    const ProfileSection* found = FindSection(section, true);
    if (!found) return nullptr;
    const auto& index = firstKey_[static_cast<size_t>(found - sections_.data())];
    const auto it = index.find(Fold(UpToZero(Trim(key))));
    return it == index.end() ? nullptr : &found->keys[it->second];
}

size_t ProfileDocument::ReadSection(std::wstring_view sectionName, wchar_t* buffer, size_t capacity) const {
    if (!buffer || capacity == 0) return 0;
    const ProfileSection* section = FindSection(sectionName);
    if (!section || capacity < 2) {
        buffer[0] = L'\0';
        if (capacity >= 2) buffer[1] = L'\0';
        return 0;
    }
    // `left` is the room still free, counted the way the profile function
    // counts it; each copy leaves one character for the final zero.
    size_t left = capacity;
    wchar_t* out = buffer;
    for (const ProfileKey& key : section->keys) {
        if (left <= 2) break;
        if ((key.name.empty() && !key.value) || key.IsComment()) continue;
        size_t n = CopyCut(out, key.name, left - 1);
        left -= n + 1;
        out += n + 1;
        if (left < 2) break;
        if (key.value) {
            out[-1] = L'=';
            n = CopyCut(out, *key.value, left - 1);
            left -= n + 1;
            out += n + 1;
        }
    }
    *out = L'\0';
    if (left <= 1) {
        out[-1] = L'\0';
        return capacity - 2;
    }
    return capacity - left;
}

namespace {

// One pair of matching quotation marks around a value is dropped.
bool IsQuoted(std::wstring_view value) {
    return value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front();
}

}  // namespace

size_t ProfileDocument::SectionLength(std::wstring_view sectionName) const {
    const ProfileSection* section = FindSection(sectionName);
    size_t total = 0;
    for (const ProfileKey& key : section ? section->keys : std::vector<ProfileKey>{}) {
        if ((key.name.empty() && !key.value) || key.IsComment()) continue;
        total += key.name.size() + 1 + (key.value ? key.value->size() + 1 : 0);
    }
    return total;
}

size_t ProfileDocument::ValueLength(std::wstring_view section, std::wstring_view keyName) const {
    const ProfileKey* key = FindKey(section, keyName);
    if (!key || !key->value) return 0;
    return IsQuoted(*key->value) ? key->value->size() - 2 : key->value->size();
}

size_t ProfileDocument::ReadString(std::wstring_view section, std::wstring_view keyName, wchar_t* buffer,
                                   size_t capacity) const {
    if (!buffer || capacity == 0) return 0;
    const ProfileKey* key = FindKey(section, keyName);
    std::wstring_view value = key && key->value ? std::wstring_view(*key->value) : std::wstring_view();
    // The closing quotation mark goes by cutting the copy's last character.
    const bool quoted = IsQuoted(value);
    if (quoted) value.remove_prefix(1);
    size_t n = CopyCut(buffer, value, capacity);
    if (quoted && capacity >= value.size() && n > 0) buffer[--n] = L'\0';
    return n;
}

std::wstring ProfileDocument::ReadSection(std::wstring_view section, size_t capacity) const {
    std::vector<wchar_t> buffer(std::max<size_t>(capacity, 2), L'\0');
    const size_t n = ReadSection(section, buffer.data(), capacity);
    return std::wstring(buffer.data(), std::min(n, capacity));
}

std::wstring ProfileDocument::ReadString(std::wstring_view section, std::wstring_view key, size_t capacity) const {
    std::vector<wchar_t> buffer(std::max<size_t>(capacity, 1), L'\0');
    const size_t n = ReadString(section, key, buffer.data(), capacity);
    return std::wstring(buffer.data(), std::min(n, capacity));
}

}  // namespace core
