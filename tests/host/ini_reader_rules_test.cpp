// The INI reader against what Windows' profile functions answer (as Wine's
// do, where tests/win/ini_reader_differential_test.cpp compares a generated
// corpus against them).
#include "core/ini_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/medium_rules.h"
#include "gbk_codec.h"
#include "core/utf8.h"

namespace {

using core::ProfileDocument;
using namespace std::string_literals;

// 8-bit text is read in code page 936, as on the customers' PCs.
ProfileDocument Doc(std::string_view bytes) {
    return ProfileDocument(core::DecodeProfileBytes(bytes, &medium_check::DecodeGbk));
}

std::string Utf16(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// A read as UTF-8 with its zeros shown as '|'; `buffer[result]` must be a zero.
std::string Shown(const std::vector<wchar_t>& buffer, size_t result) {
    EXPECT_EQ(buffer.at(result), L'\0') << "no zero after the characters the read counts";
    std::string out = core::ToUtf8(std::wstring_view(buffer.data(), result));
    std::replace(out.begin(), out.end(), '\0', '|');
    return out;
}

TEST(IniReader, SectionAndKeyReads) {
    const std::string spaces = "[ A ]\r\n  x = 1 \r\n\ty\t=\t2\t\r\n z \r\n=v\r\n=w\r\n;c=1\r\n# h=3\r\n[B]\r\nk=\"q\"\r\n";
    const std::string fits = "[A]\r\naaaa\r\nbbbb\r\ncc=dd\r\n";
    const std::string keys = "[ A ]\r\n  x = 1 \r\nz\r\n;c=1\r\n[B]\r\nk=\"q\"\r\nk3='a'\r\n"
                             "q=\"abcde\"\r\nx=abcde\r\nd=1\r\nd=2\r\n[b]\r\ne=1\r\n";
    const struct {
        const char* name;
        std::string file;
        std::wstring section;
        const wchar_t* key;  // nullptr for a section read
        size_t capacity;
        std::string shown;  // the characters the result counts
    } cases[] = {
        {"blanks around lines, names and values go; a second nameless key in a row is dropped; ';' lines are left out",
         spaces, L"A", nullptr, 2048, "x=1|y=2|z|=v|# h=3|"},
        {"only the first of two sections of a name; keys repeat", "[A]\r\nx=1\r\nx=2\r\n[B]\r\n[a]\r\nx=3\r\n", L"A",
         nullptr, 2048, "x=1|x=2|"},
        {"lone CR and LF end lines; blank lines go; Ctrl-Z is a blank", "[A]\rx=1\ry=2\n\n\nz=3\x1a\r\n[B]\n\n", L"A",
         nullptr, 2048, "x=1|y=2|z=3|"},
        {"a section of blank lines is empty", "[A]\rx=1\r\n[B]\n\n", L"B", nullptr, 2048, ""},
        {"GBK text, LF", "[\xCF\xB5]\n\xD0\xCD=1\n", L"系", nullptr, 2048, "型=1|"},
        {"UTF-16LE with its mark, CR LF", Utf16(L"[系列]\r\n型号=名\r\n"), L"系列", nullptr, 2048, "型号=名|"},
        // Windows does not honour a UTF-8 or a big-endian mark: the first line is no longer a header.
        {"UTF-8 mark", "\xEF\xBB\xBF[A]\r\nx=1\r\n", L"A", nullptr, 2048, ""},
        {"UTF-16BE mark", "\xFE\xFF[A]\r\nx=1\r\n", L"A", nullptr, 2048, ""},
        // A read that does not fit reports capacity - 2 with what fits; one
        // that just fits reports the same and cannot be told from it.
        {"nothing fits", fits, L"A", nullptr, 2, ""},
        {"an entry with its zero", fits, L"A", nullptr, 7, "aaaa|"},
        {"all but the last zero", fits, L"A", nullptr, 17, "aaaa|bbbb|cc=dd"},
        {"all fit, reported as capacity - 2", fits, L"A", nullptr, 18, "aaaa|bbbb|cc=dd|"},
        {"all fit", fits, L"A", nullptr, 19, "aaaa|bbbb|cc=dd|"},
        {"2046 characters fit the installer's 2048 and are what a filled buffer reports",
         "[A]\r\n" + std::string(2045, 'a'), L"A", nullptr, 2048, std::string(2045, 'a') + "|"},
        {"2047 do not fit", "[A]\r\n" + std::string(2046, 'a'), L"A", nullptr, 2048, std::string(2046, 'a')},
        // Key reads: the value, quotation marks stripped, at most capacity - 1 characters.
        {"plain", keys, L"A", L"x", 20, "1"},
        {"section and key trimmed", keys, L" A ", L" x ", 20, "1"},
        {"letter case does not count", keys, L"a", L"X", 20, "1"},
        {"a line without '=' has no value", keys, L"A", L"z", 20, ""},
        {"a ';' line is still a key to a lookup", keys, L"A", L";c", 20, "1"},
        {"missing key", keys, L"A", L"y", 20, ""},
        {"the first of two keys of a name", keys, L"B", L"d", 20, "1"},
        {"the second section of a name is not reached", keys, L"B", L"e", 20, ""},
        {"double quotation marks dropped", keys, L"B", L"k", 20, "q"},
        {"single quotation marks dropped", keys, L"B", L"k3", 20, "a"},
        {"value cut to capacity - 1", keys, L"B", L"x", 4, "abc"},
        {"value that just fits", keys, L"B", L"x", 6, "abcde"},
        {"quoted value that fits", keys, L"B", L"q", 7, "abcde"},
        {"quoted value exactly one over loses one more character", keys, L"B", L"q", 6, "abcd"},
        {"quoted one-character value in a buffer of 2", keys, L"B", L"k", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProfileDocument doc = Doc(c.file);
        std::vector<wchar_t> buffer(c.capacity + 1, L'#');
        const size_t result = c.key ? doc.ReadString(c.section, c.key, buffer.data(), c.capacity)
                                    : doc.ReadSection(c.section, buffer.data(), c.capacity);
        EXPECT_EQ(Shown(buffer, result), c.shown);
    }
}

TEST(IniReader, EncodingsAndLineNumbers) {
    EXPECT_EQ(core::SniffProfileEncoding(Utf16(L"")).encoding, core::ProfileEncoding::Utf16LE);
    for (const std::string mark : {"\xEF\xBB\xBF", "\xFE\xFF"})
        EXPECT_NE(core::SniffProfileEncoding(mark).ignoredMark, core::IgnoredByteOrderMark::None);
    // Line numbers: CR LF, LF and CR each end one line; blank lines count.
    const ProfileDocument lines = Doc("[A]\r\n\r\nx=1\ny=2\rz=3\r\n\n[B]\r\nw");
    ASSERT_NE(lines.FindKey(L"A", L"z"), nullptr);
    EXPECT_EQ(lines.FindKey(L"A", L"x")->line, 3u);
    EXPECT_EQ(lines.FindKey(L"A", L"y")->line, 4u);
    EXPECT_EQ(lines.FindKey(L"A", L"z")->line, 5u);
    EXPECT_EQ(lines.FindSection(L"B")->line, 7u);
    EXPECT_EQ(lines.FindKey(L"B", L"w")->line, 8u);
}

// Only ASCII letters compare without regard to case, as Wine's profile
// functions compare names (the differential test pins this in reads).
TEST(IniReader, LetterCaseFolding) {
    EXPECT_TRUE(core::ProfileNamesEqual(L"PRINTER_name", L"printer_NAME"));
    for (const auto& [a, b] : {std::pair{L"ab", L"a"}, {L"Éa", L"éa"}, {L"ΑΒΓ", L"αβγ"}, {L"ＡＢ", L"ａｂ"}, {L"[", L"{"}})
        EXPECT_FALSE(core::ProfileNamesEqual(a, b)) << core::ToUtf8(a);
}

// Regression: a zero character inside a line ends the name or value it is
// in, as the C strings the profile functions keep, without ending the line.
TEST(IniReader, ZeroCharacterEndsTheNameOnly) {
    const ProfileDocument doc(L"[A]\r\nx\0y=1\r\nz=2\0w\r\n"s);
    EXPECT_EQ(doc.ReadString(L"A", L"x", 20), L"1");
    EXPECT_EQ(doc.ReadString(L"A", L"z", 20), L"2");
    EXPECT_EQ(doc.ReadSection(L"A", 40), L"x=1\0z=2\0"s);
}

}  // namespace
