// A reader of INI (profile) files that answers as the Windows profile
// functions GetPrivateProfileSectionW and GetPrivateProfileStringW do, for
// the places where those functions are not available (the native medium
// checker), and which also keeps what the functions hide: the line of every
// section and key, and the sections and keys that a lookup never reaches.
//
// What it reproduces, as Windows and Wine read a file:
//  - the text: UTF-16LE when the file starts with the byte-order mark FF FE,
//    otherwise 8-bit text of the ANSI code page (936 on the PCs the medium is
//    for), decoded by the caller's function;
//  - lines end at any run of CR and LF; blanks (space, tab, VT, FF, Ctrl-Z)
//    around lines, names and values do not count; blank lines are skipped;
//  - "[name]" starts a section (the name runs to the line's last "]");
//    "name=value" is a key (split at the first "="); a line without "=" is a
//    key without a value; lines starting with ";" are left out of section
//    reads but are still keys to a lookup;
//  - names compare without regard to letter case; only the first section of
//    a name is read, and in it only the first key of a name;
//  - a section read copies "name=value" (or the bare name) of each line, each
//    followed by a zero, and reports capacity - 2 when they do not fit;
//  - a key read strips one pair of matching quotation marks (" or ') around
//    the value and copies at most capacity - 1 characters.
// Where Wine and Windows are known to differ, the reader follows Windows:
// see ini_reader.cpp.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace core {

// How a profile file's bytes are read as text.
enum class ProfileEncoding {
    Ansi,     // 8-bit text of the ANSI code page
    Utf16LE,  // byte-order mark FF FE
};

// The byte-order marks the profile functions do NOT honour: such a file is
// read as ANSI text, marks included.  Named so that a checker can say why.
enum class IgnoredByteOrderMark { None, Utf8, Utf16BE };

struct ProfileEncodingSniff {
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    IgnoredByteOrderMark ignoredMark = IgnoredByteOrderMark::None;
};

ProfileEncodingSniff SniffProfileEncoding(std::string_view bytes);

// Turns 8-bit text of the ANSI code page into wide text the way
// MultiByteToWideChar does without MB_ERR_INVALID_CHARS: every byte sequence
// gives characters, those without a form giving a substitute.
using AnsiDecoder = std::wstring (*)(std::string_view bytes);

// The file's text as the profile functions see it (the UTF-16 mark removed;
// a last odd byte of a UTF-16 file ignored).
std::wstring DecodeProfileBytes(std::string_view bytes, AnsiDecoder decodeAnsi);

// Names compare as the profile functions compare them: ASCII letters of
// either case are equal, every other character only to itself.
wchar_t FoldProfileChar(wchar_t c);
bool ProfileNamesEqual(std::wstring_view a, std::wstring_view b);

// The blanks the profile functions trim around lines, names and values.
bool IsProfileBlank(wchar_t c);

struct ProfileKey {
    std::wstring name;                  // trimmed
    std::optional<std::wstring> value;  // after the first "=", trimmed; none without "="
    size_t line = 0;                    // 1-based line in the file
    bool IsComment() const { return !name.empty() && name.front() == L';'; }
    // The entry as a section read gives it: "name=value" or the bare name.
    std::wstring Entry() const;
};

struct ProfileSection {
    std::wstring name;  // trimmed; "" for the lines before the first section
    size_t line = 0;    // line of its "[...]", 0 for the lines before the first section
    std::vector<ProfileKey> keys;
};

class ProfileDocument {
public:
    ProfileDocument() = default;
    // Parses decoded text (DecodeProfileBytes).
    explicit ProfileDocument(std::wstring_view text);

    // All sections in file order, repeated names included; the first one
    // holds the lines before the first "[...]" (often none).
    const std::vector<ProfileSection>& Sections() const { return sections_; }

    // The section a read of `name` reaches: the first of that name.  A
    // whole-section read compares the name as given; a key read first trims
    // blanks around it (`trimRequest`).
    const ProfileSection* FindSection(std::wstring_view name, bool trimRequest = false) const;
    // The key a lookup reaches: the first of that name (trimmed) in the
    // first section of that name (trimmed); nullptr when there is none.
    const ProfileKey* FindKey(std::wstring_view section, std::wstring_view key) const;

    // As GetPrivateProfileSectionW(section, buffer, capacity): the entries,
    // each followed by a zero, then one more zero; the result counts the
    // characters before that last zero, or is capacity - 2 when the entries
    // did not fit.  0 for a missing or empty section.
    size_t ReadSection(std::wstring_view section, wchar_t* buffer, size_t capacity) const;
    // As GetPrivateProfileStringW(section, key, L"", buffer, capacity): the
    // value, quotation marks stripped, at most capacity - 1 characters and a
    // zero; the result is its length.  A missing key, or one without "=",
    // gives "".
    size_t ReadString(std::wstring_view section, std::wstring_view key, wchar_t* buffer, size_t capacity) const;

    // What the two reads would report with a buffer of any size: the
    // characters of all entries with their zeros, and of the value with its
    // quotation marks stripped.  Measured from the parsed file, so that
    // telling how far a read fell short costs no buffer.
    size_t SectionLength(std::wstring_view section) const;
    size_t ValueLength(std::wstring_view section, std::wstring_view key) const;

    // Convenience forms of the two reads: the characters the read reported.
    std::wstring ReadSection(std::wstring_view section, size_t capacity) const;
    std::wstring ReadString(std::wstring_view section, std::wstring_view key, size_t capacity) const;

private:
    static std::wstring Fold(std::wstring_view name);
    void Index();

    std::vector<ProfileSection> sections_;
    // Folded name -> index of its first section; per section, folded key
    // name -> index of its first key.  Lookups of a 500-model catalogue
    // stay linear in the number of lookups, not in lookups times keys.
    std::unordered_map<std::wstring, size_t> firstSection_;
    std::vector<std::unordered_map<std::wstring, size_t>> firstKey_;
};

}  // namespace core
