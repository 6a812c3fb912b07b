// The INI reader against what Windows' profile functions answer (as Wine's
// do, where the differential test under Wine pins them; see
// tests/win/ini_reader_differential_test.cpp for the generated corpus).
#include "core/ini_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/medium_rules.h"
#include "gbk_codec.h"

namespace {

using core::ProfileDocument;

// 8-bit test text is plain ASCII unless a case says otherwise.
std::wstring Ascii(std::string_view bytes) { return std::wstring(bytes.begin(), bytes.end()); }

ProfileDocument Doc(std::string_view bytes) { return ProfileDocument(core::DecodeProfileBytes(bytes, &Ascii)); }

// A section read as "entries|separated|by|zeros" for readable expectations.
std::string Shown(const std::wstring& filled) {
    std::string out;
    for (wchar_t c : filled) out += c == L'\0' ? '|' : static_cast<char>(c);
    return out;
}

struct SectionCase {
    const char* name;
    std::string file;
    std::wstring section;
    size_t capacity;
    size_t result;
    std::string shown;  // the characters the result counts
};

TEST(IniReader, SectionReads) {
    const std::string spaces =
        "[ A ]\r\n  x = 1 \r\n\ty\t=\t2\t\r\n z \r\n=v\r\n=w\r\n;c=1\r\n# h=3\r\n[B]\r\nk=\"q\"\r\n";
    const SectionCase cases[] = {
        {"blanks around lines, names and values go; a second nameless key in a row is dropped; ';' lines are left out",
         spaces, L"A", 2048, 19, "x=1|y=2|z|=v|# h=3|"},
        {"the section name is compared as asked, not trimmed", spaces, L" A ", 2048, 0, ""},
        {"letter case of the section name does not count", spaces, L"a", 2048, 19, "x=1|y=2|z|=v|# h=3|"},
        {"values keep their quotation marks in a section read", spaces, L"B", 2048, 6, "k=\"q\"|"},
        {"missing section", spaces, L"C", 2048, 0, ""},
        {"only the first of two sections of a name", "[A]\r\nx=1\r\nx=2\r\n[B]\r\ny=1\r\n[a]\r\nx=3\r\n", L"A", 2048,
         8, "x=1|x=2|"},
        {"lone CR and LF end lines; Ctrl-Z is a blank", "[A]\rx=1\ry=2\n\n\nz=3\x1a\r\n[B]\n\n", L"A", 2048, 12,
         "x=1|y=2|z=3|"},
        {"a section of blank lines is empty", "[A]\rx=1\r\n[B]\n\n", L"B", 2048, 0, ""},
        {"text after the last ']' is ignored; '[' without ']' is a key", "[A] ; c\r\nx=1\r\n[B\r\ny=2\r\n", L"A",
         2048, 11, "x=1|[B|y=2|"},
        {"the name runs to the last ']'", "[C]]\r\nz=3\r\n", L"C]", 2048, 4, "z=3|"},
        {"a header with blanks around it", "  [D]  \r\nw=4\r\n", L"D", 2048, 4, "w=4|"},
        {"lines before the first section belong to the nameless one", "x=1\r\n[A]\r\n=1\r\n=2\r\nb\r\n=3\r\n", L"",
         2048, 4, "x=1|"},
        {"nameless keys: the first is kept, after a named one too", "x=1\r\n[A]\r\n=1\r\n=2\r\nb\r\n=3\r\n", L"A",
         2048, 8, "=1|b|=3|"},
        {"unicode blanks are not trimmed", "[A]\r\n\xA0x=1\r\n", L"A", 2048, 5, "\xA0x=1|"},
    };
    for (const auto& c : cases) {
        const ProfileDocument doc = Doc(c.file);
        std::vector<wchar_t> buffer(c.capacity + 1, L'#');
        const size_t got = doc.ReadSection(c.section, buffer.data(), c.capacity);
        EXPECT_EQ(got, c.result) << c.name;
        std::string shown = Shown(std::wstring(buffer.data(), std::min(got, c.capacity)));
        // Latin-1 text compared bytewise.
        std::string expected = c.shown;
        EXPECT_EQ(shown, expected) << c.name;
        EXPECT_EQ(buffer[got], L'\0') << c.name << ": the list ends in a second zero";
    }
}

// How a read into a buffer too small goes: Wine's answers for
// "aaaa", "bbbb", "cc=dd" at every capacity from 2 to 19.
TEST(IniReader, SectionReadThatDoesNotFit) {
    const ProfileDocument doc = Doc("[A]\r\naaaa\r\nbbbb\r\ncc=dd\r\n");
    const struct {
        size_t capacity, result;
        const char* shown;
    } cases[] = {
        {2, 0, ""},
        {3, 1, "a"},
        {4, 2, "aa"},
        {5, 3, "aaa"},
        {6, 4, "aaaa"},
        {7, 5, "aaaa|"},
        {8, 6, "aaaa|b"},
        {11, 9, "aaaa|bbbb"},
        {12, 10, "aaaa|bbbb|"},
        {13, 11, "aaaa|bbbb|c"},
        {15, 13, "aaaa|bbbb|cc="},
        {16, 14, "aaaa|bbbb|cc=d"},
        {17, 15, "aaaa|bbbb|cc=dd"},
        // All 16 characters fit, but the result is capacity - 2: the read cannot
        // be told from one that did not fit.
        {18, 16, "aaaa|bbbb|cc=dd|"},
        {19, 16, "aaaa|bbbb|cc=dd|"},
    };
    for (const auto& c : cases) {
        std::vector<wchar_t> buffer(c.capacity, L'#');
        const size_t got = doc.ReadSection(L"A", buffer.data(), c.capacity);
        EXPECT_EQ(got, c.result) << c.capacity;
        EXPECT_EQ(Shown(std::wstring(buffer.data(), got)), c.shown) << c.capacity;
        EXPECT_EQ(buffer[got], L'\0') << c.capacity;
    }
}

TEST(IniReader, KeyReads) {
    const std::string file =
        "[ A ]\r\n  x = 1 \r\nz\r\n=v\r\n;c=1\r\n[B]\r\nk=\"q\"\r\nk2=\"q\r\nk3='a'\r\nk4=\"\"\r\nk5=\"a\"b\"\r\n"
        "q=\"abcde\"\r\nx=abcde\r\n";
    const ProfileDocument doc = Doc(file);
    const struct {
        const char* name;
        std::wstring section, key;
        size_t capacity;
        std::wstring value;
    } cases[] = {
        {"plain", L"A", L"x", 20, L"1"},
        {"section and key trimmed", L" A ", L" x ", 20, L"1"},
        {"letter case does not count", L"a", L"X", 20, L"1"},
        {"a line without '=' has no value", L"A", L"z", 20, L""},
        {"the nameless key", L"A", L"", 20, L"v"},
        {"a ';' line is still a key to a lookup", L"A", L";c", 20, L"1"},
        {"missing key", L"A", L"y", 20, L""},
        {"missing section", L"C", L"x", 20, L""},
        {"double quotation marks dropped", L"B", L"k", 20, L"q"},
        {"a lone opening mark stays", L"B", L"k2", 20, L"\"q"},
        {"single quotation marks dropped", L"B", L"k3", 20, L"a"},
        {"empty quoted value", L"B", L"k4", 20, L""},
        {"only the outer pair dropped", L"B", L"k5", 20, L"a\"b"},
        {"value cut to capacity - 1", L"B", L"x", 4, L"abc"},
        {"value that just fits", L"B", L"x", 6, L"abcde"},
        {"quoted value that fits", L"B", L"q", 7, L"abcde"},
        // A quoted value exactly one over loses one more character.
        {"quoted value cut", L"B", L"q", 6, L"abcd"},
        {"quoted value cut further", L"B", L"q", 5, L"abcd"},
        {"quoted one-character value in a buffer of 2", L"B", L"k", 2, L""},
    };
    for (const auto& c : cases) {
        std::vector<wchar_t> buffer(c.capacity + 1, L'#');
        const size_t got = doc.ReadString(c.section, c.key, buffer.data(), c.capacity);
        EXPECT_EQ(std::wstring(buffer.data(), got), c.value) << c.name;
        EXPECT_EQ(buffer[got], L'\0') << c.name;
    }
}

TEST(IniReader, EncodingsAndLineNumbers) {
    // UTF-16LE with its mark, CR LF.
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : std::wstring(L"[系列]\r\n型号=名\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const ProfileDocument wide(core::DecodeProfileBytes(utf16, &Ascii));
    EXPECT_EQ(wide.ReadString(L"系列", L"型号", 20), L"名");
    EXPECT_EQ(core::SniffProfileEncoding(utf16).encoding, core::ProfileEncoding::Utf16LE);

    // GBK text through the code page 936 decoder.
    std::string gbk;
    ASSERT_TRUE(medium_check::EncodeGbkStrict(L"[系列]\n型号=名\n", gbk));
    const ProfileDocument ansi(core::DecodeProfileBytes(gbk, &medium_check::DecodeGbk));
    EXPECT_EQ(ansi.ReadString(L"系列", L"型号", 20), L"名");

    // Windows does not honour a UTF-8 or a big-endian mark: the first line
    // is no longer a section header.
    for (const std::string& mark : {std::string("\xEF\xBB\xBF"), std::string("\xFE\xFF")}) {
        const ProfileDocument marked = Doc(mark + "[A]\r\nx=1\r\n");
        EXPECT_EQ(marked.ReadString(L"A", L"x", 20), L"");
        EXPECT_NE(core::SniffProfileEncoding(mark).ignoredMark, core::IgnoredByteOrderMark::None);
    }

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
// functions compare names (the differential test pins this).
TEST(IniReader, LetterCaseFolding) {
    const struct {
        std::wstring a, b;
        bool equal;
    } cases[] = {
        {L"PRINTER_NAME", L"printer_name", true}, {L"Op-730K", L"oP-730k", true}, {L"曜驰", L"曜驰", true},
        {L"a", L"b", false},                      {L"ab", L"a", false},         {L"Éa", L"éa", false},
        {L"ΑΒΓ", L"αβγ", false},                  {L"ＡＢ", L"ａｂ", false},     {L"[", L"{", false},
    };
    for (const auto& c : cases) EXPECT_EQ(core::ProfileNamesEqual(c.a, c.b), c.equal) << core::ToUtf8(c.a);
    const ProfileDocument doc(std::wstring(L"[Éa]\r\nÉ=1\r\n[A]\r\nK=2\r\n"));
    EXPECT_EQ(doc.ReadString(L"Éa", L"é", 20), L"");
    EXPECT_EQ(doc.ReadString(L"Éa", L"É", 20), L"1");
    EXPECT_EQ(doc.ReadString(L"a", L"k", 20), L"2");
}

// Regression: a zero character inside a line ends the name or value it is
// in, as the C strings the profile functions keep, without ending the line.
TEST(IniReader, ZeroCharacterEndsTheNameOnly) {
    const wchar_t text[] = L"[A]\r\nx\0y=1\r\nz=2\0w\r\n";
    const ProfileDocument doc(std::wstring(text, std::size(text) - 1));
    EXPECT_EQ(doc.ReadString(L"A", L"x", 20), L"1");
    EXPECT_EQ(doc.ReadString(L"A", L"z", 20), L"2");
    EXPECT_EQ(doc.ReadSection(L"A", 40), std::wstring(L"x=1\0z=2\0", 8));
}

}  // namespace
