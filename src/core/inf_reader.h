// A reader of driver INF files that answers as Windows' INF parser does
// (SetupOpenInfFileW with INF_STYLE_WIN4, SetupFindFirstLineW and
// SetupFindNextLine, SetupGetFieldCount, SetupGetStringFieldW), for the
// places where that parser is not available (the native medium checker),
// and which also keeps what the parser hides: the line of every section and
// line, and the %strkey% tokens that [Strings] does not define.
//
// What it reproduces, as the differential test under Wine pins it:
//  - the text: UTF-16LE after the mark FF FE, UTF-8 after EF BB BF,
//    otherwise 8-bit text of the ANSI code page (936 on the PCs the medium
//    is for), decoded by the caller's function;
//  - "[name]" starts a section, the name taken as written up to the first
//    "]" (blanks included), the rest of that line ignored; sections of the
//    same name (letter case ignored) are one section, their lines in order;
//  - a line is a key, "=", and fields split at ",", or fields only; blanks
//    around each are dropped; "..." quotes (a doubled quote is one), ";"
//    starts a comment, "\" at the end of a line continues it on the next;
//    a line of one field and no key has that field as its key too;
//  - a token longer than 511 characters is cut to 511; a zero character in
//    a token becomes a blank; Ctrl-Z ends the file;
//  - %strkey% is replaced by its [Strings] value (names compared without
//    regard to letter case), %% by one %, up to 4097 characters in all;
//  - text before the first section is passed over (a "[" or ";" in it
//    still counts); the file does not open for it when it has no [Strings]
//    section; nor when a
//    "[" has no "]" on its line, a section name has over 255 characters, or
//    [Version] has no Signature of $Windows NT$, $Chicago$ or $Windows 95$.
// Where the reader cannot follow Windows exactly, it says so below.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ini_reader.h"

namespace core {

enum class InfEncoding {
    Utf16LE,              // mark FF FE: what Windows' documentation asks for
    Utf16LEWithoutMark,   // no mark, but mostly zero bytes between ASCII
    Utf16BE,              // mark FE FF
    Utf8,                 // mark EF BB BF
    Ansi,                 // 8-bit text of the ANSI code page
};

// Why the INF parser refuses a file; None when it opens.  The numbers are
// the Windows error codes SetupOpenInfFileW sets.
enum class InfError : unsigned {
    None = 0,
    LineBeforeFirstSection = 0xE0000000,  // ERROR_EXPECTED_SECTION_NAME
    UnfinishedSectionName = 0xE0000001,   // ERROR_BAD_SECTION_NAME_LINE
    SectionNameTooLong = 0xE0000002,      // ERROR_SECTION_NAME_TOO_LONG
    NoSignature = 0xE0000100,             // ERROR_WRONG_INF_STYLE
};

inline constexpr size_t kMaxInfSectionNameChars = 255;
inline constexpr size_t kMaxInfTokenChars = 511;
inline constexpr size_t kMaxInfStringChars = 4097;

// One line as written: its key and fields before %strkey% substitution.
struct InfLine {
    size_t fileLine = 0;               // 1-based line it starts on
    std::optional<std::wstring> key;   // none for a line of several fields without "="
    std::vector<std::wstring> fields;  // the fields after the key, 1-based for the parser
};

struct InfSection {
    std::wstring name;     // as first written
    size_t fileLine = 0;   // line of its first "[...]"
    std::vector<InfLine> lines;
};

// Letters compare as Windows compares file names: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width Latin letters of either
// case are equal; other scripts exactly.
wchar_t FoldWindowsNameChar(wchar_t c);
// Section names and keys compare as the INF parser compares them: ASCII
// letters of either case are equal, every other character only to itself.
bool InfNamesEqual(std::wstring_view a, std::wstring_view b);

// A %token% the parser reads as a directory id (%11%): the whole token a
// decimal number, blanks and a sign allowed in front.
bool IsInfDiridToken(std::wstring_view token);

InfEncoding SniffInfEncoding(std::string_view bytes);
std::wstring DecodeInfBytes(std::string_view bytes, AnsiDecoder decodeAnsi);

class InfDocument {
public:
    InfDocument() = default;
    // Decodes (DecodeInfBytes) and parses the bytes of an INF file.
    InfDocument(std::string_view bytes, AnsiDecoder decodeAnsi);

    InfEncoding Encoding() const { return encoding_; }
    // Whether SetupOpenInfFileW(INF_STYLE_WIN4) opens it; when it does not,
    // the line the parser stopped at (0 for a missing signature).
    InfError Error() const { return error_; }
    size_t ErrorLine() const { return errorLine_; }
    bool Opens() const { return error_ == InfError::None; }

    // Every section in order of first appearance (also when the file does
    // not open: what was read up to the fault).
    const std::vector<InfSection>& Sections() const { return sections_; }
    const InfSection* FindSection(std::wstring_view name) const;

    // As SetupGetStringFieldW: field 0 is the key, 1 onwards the fields;
    // nothing where the line has no such field.  %strkey% resolved.
    std::optional<std::wstring> Field(const InfLine& line, size_t index) const;
    // %strkey% and %% resolved in written text.  A token that [Strings]
    // does not define stays as written (a directory id such as %11% too:
    // the reader does not know the folders of the PC it runs on).
    std::wstring Resolve(std::wstring_view raw) const;
    // The tokens of written text that [Strings] does not define, directory
    // ids left out; each without its % signs.
    std::vector<std::wstring> UndefinedTokens(std::wstring_view raw) const;

private:
    void Parse(std::wstring_view text);
    void CheckSignature();
    const std::wstring* StringValue(std::wstring_view token) const;

    InfEncoding encoding_ = InfEncoding::Ansi;
    InfError error_ = InfError::None;
    size_t errorLine_ = 0;
    std::vector<InfSection> sections_;
    std::unordered_map<std::wstring, size_t> sectionIndex_;  // folded name -> index
    // Folded [Strings] key -> its first line's first field, or null when
    // that line has no field (the token then counts as undefined).
    std::unordered_map<std::wstring, const std::wstring*> strings_;
};

}  // namespace core
