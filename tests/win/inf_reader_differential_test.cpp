// The INF reader against Wine's SetupAPI: the same INF files, hand-written
// tricky ones, a few hundred generated ones (fixed seed) and the real files
// of tests/data/realworld, opened by both, must give the same answer to
// whether the file opens (and where it stops when it does not), the same
// sections, and in every section the same lines with the same key and
// fields, %strkey% resolved.  The reader's ANSI text goes through
// MultiByteToWideChar with the ANSI code page, as SetupAPI's does.
//
// Left out, where the reader follows Windows' documentation or cannot know
// the PC (the host tests pin the reader's side): files without a byte-order
// mark that Wine's statistics take for UTF-16, the UTF-16 big-endian mark,
// and fields holding a directory id such as %11%.
#include <gtest/gtest.h>
#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue_test_files.h"
#include "core/inf_reader.h"
#include "support/realworld_data.h"

namespace {

using namespace std::string_literals;

std::wstring AnsiDecode(std::string_view bytes) {
    std::wstring text(bytes.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                        static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

std::string Shown(const std::optional<std::wstring>& s) {
    if (!s) return "(none)";
    std::string out = "\"";
    for (wchar_t c : *s) {
        char hex[12];
        std::snprintf(hex, sizeof hex, "<%04x>", static_cast<unsigned>(c));
        out += c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out + "\"";
}

bool HasDirid(const std::wstring& raw) {
    for (size_t open = raw.find(L'%'); open != std::wstring::npos;) {
        const size_t close = raw.find(L'%', open + 1);
        if (close == std::wstring::npos) return false;
        if (core::IsInfDiridToken(std::wstring_view(raw).substr(open + 1, close - open - 1))) return true;
        open = raw.find(L'%', close + 1);
    }
    return false;
}

std::optional<std::wstring> WineField(INFCONTEXT& context, DWORD index) {
    DWORD needed = 0;
    if (!::SetupGetStringFieldW(&context, index, nullptr, 0, &needed)) return std::nullopt;
    std::wstring text(needed, L'\0');
    if (!::SetupGetStringFieldW(&context, index, text.data(), needed, &needed)) return L"(read failed)";
    text.resize(needed ? needed - 1 : 0);
    return text;
}

struct Compared {
    size_t files = 0, opened = 0, lines = 0, queries = 0;
};

// Compares one file; false at the first difference (reported).
bool CompareFile(cattest::TempDir& dir, const std::string& bytes, const std::string& label, Compared& count) {
    static int counter = 0;
    const std::wstring path = dir.Write(L"f" + std::to_wstring(++counter) + L".inf", bytes);
    const core::InfDocument doc(bytes, &AnsiDecode);
    ++count.files;
    UINT errorLine = 12345;
    HINF inf = ::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
    const DWORD error = inf == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    ++count.queries;
    EXPECT_EQ(inf != INVALID_HANDLE_VALUE, doc.Opens())
        << label << ": Wine error " << std::hex << error << ", the reader's " << static_cast<unsigned>(doc.Error())
        << std::dec << " on line " << doc.ErrorLine();
    if ((inf != INVALID_HANDLE_VALUE) != doc.Opens()) {
        if (const char* keep = std::getenv("PI_KEEP_INF_MISMATCH")) std::ofstream(keep, std::ios::binary) << bytes;
        if (inf != INVALID_HANDLE_VALUE) ::SetupCloseInfFile(inf);
        return false;
    }
    if (inf == INVALID_HANDLE_VALUE) {
        ++count.queries;
        EXPECT_EQ(error, static_cast<DWORD>(doc.Error())) << label;
        EXPECT_EQ(errorLine, doc.ErrorLine()) << label;
        return error == static_cast<DWORD>(doc.Error()) && errorLine == doc.ErrorLine();
    }
    ++count.opened;
    bool same = true;
    // The sections Wine lists are the reader's, in the same order.
    std::vector<std::wstring> wineSections;
    wchar_t name[1024];
    for (UINT i = 0; ::SetupEnumInfSectionsW(inf, i, name, 1024, nullptr); ++i) wineSections.push_back(name);
    ++count.queries;
    std::vector<std::wstring> mine;
    for (const auto& s : doc.Sections()) mine.push_back(s.name);
    EXPECT_EQ(wineSections, mine) << label << ": sections";
    same = wineSections == mine;
    for (size_t s = 0; same && s < doc.Sections().size(); ++s) {
        const core::InfSection& section = doc.Sections()[s];
        std::wstring asked = section.name;  // asked in other letter case
        std::transform(asked.begin(), asked.end(), asked.begin(),
                       [&](wchar_t c) { return s % 2 ? static_cast<wchar_t>(::towupper(c)) : c; });
        ++count.queries;
        const LONG lines = ::SetupGetLineCountW(inf, asked.c_str());
        EXPECT_EQ(lines, static_cast<LONG>(section.lines.size())) << label << " [" << Shown(section.name) << "]";
        if (lines != static_cast<LONG>(section.lines.size())) return ::SetupCloseInfFile(inf), false;
        for (size_t l = 0; l < section.lines.size(); ++l) {
            const core::InfLine& line = section.lines[l];
            INFCONTEXT context{};
            ::SetupGetLineByIndexW(inf, asked.c_str(), static_cast<DWORD>(l), &context);
            ++count.lines;
            ++count.queries;
            EXPECT_EQ(::SetupGetFieldCount(&context), line.fields.size()) << label << " line " << line.fileLine;
            if (::SetupGetFieldCount(&context) != line.fields.size()) return ::SetupCloseInfFile(inf), false;
            for (size_t f = 0; f <= line.fields.size() + 1; ++f) {
                const std::wstring* raw = f == 0 ? (line.key ? &*line.key : nullptr)
                                                 : f <= line.fields.size() ? &line.fields[f - 1] : nullptr;
                if (raw && HasDirid(*raw)) continue;
                ++count.queries;
                const auto wine = WineField(context, static_cast<DWORD>(f));
                const auto reader = doc.Field(line, f);
                EXPECT_EQ(Shown(reader), Shown(wine)) << label << " [" << Shown(section.name) << "] line "
                                                      << line.fileLine << " field " << f;
                if (wine != reader) return ::SetupCloseInfFile(inf), false;
            }
        }
    }
    ::SetupCloseInfFile(inf);
    return same;
}

std::string Utf8File(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return "\xEF\xBB\xBF" + bytes;
}

const std::wstring kVersion = L"[Version]\r\nSignature=\"$Windows NT$\"\r\n";

TEST(InfReaderDifferential, HandWrittenTrickyFiles) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir dir;
    const std::vector<std::wstring> texts = {
        kVersion + L"[Manufacturer]\r\n%M%=Orv,NTamd64 , NTamd64.6.0\r\n[Orv.NTamd64]\r\n"
                   L"\"Orvane A\" = A.GPD,USBPRINT\\OrvA,LPTENUM\\OrvA ; comment\r\n"
                   L"%NameB%=B.GPD , USBPRINT\\OrvB\r\n\"Orvane \"\"C\"\"\"=C,\"USB\\C,x\",y\r\n"
                   L"\"Orvane D\"=D,\\\r\n   USBPRINT\\D  \\  \r\n  ,E\r\n[Strings]\r\nM=\"Orvane\"\r\n"
                   L"NameB = \"Orvane B\"\r\nnameb=ignored\r\n",
        L"; before\r\n\r\n[Version]\r\nsignature = $CHICAGO$\r\n[ Spaced ] trailing text\r\nx\r\n  y = 1 ; c\r\n"
        L"z=\r\n=w\r\n,a,,b,\r\na b c = d e  f \r\n[spaced ]\r\nq=1\r\n[ SPACED ]\r\nr=2\r\n",
        kVersion + L"[A]\r\nk=%%,%undefined%,%a%%b%,100%,%a\r\n[Strings]\r\na=1\r\nb=\"two\"\r\nempty=\r\n"
                   L"k=%a%\r\n[strings]\r\nc=3\r\n",
        kVersion + L"[A]\r\nk=\"unterminated\r\nl=x\"y\"z,\"a\"\"b\",\"\"\r\nm=a\\b,c\\\\,\\;d\r\nn=\\\\\r\n"
                   L"o=p \\ ; comment\r\nq\r\n",
        kVersion + L"[A]\r\n" + std::wstring(600, L'x') + L"=" + std::wstring(530, L'y') + L"," +
            std::wstring(511, L'z') + L"\r\n[" + std::wstring(255, L's') + L"]\r\nk=1\r\n",
        kVersion + L"[A]\rk=1\rl=2\n\n[B]\x1a[C]\r\nm=3\r\n",
        kVersion + L"[A]\r\n\x3000k\x00a0=\x3000v\x2028,\x85w\r\n[Ünïcödé]\r\nÉcole=1\r\n[ünïcÖdé]\r\nΑΒΓ=2\r\n"
                   L"[Strings]\r\nÉ=é\r\n[B]\r\nk=%é%\r\n",
        kVersion + L"[A]\r\nk=v\r\n[B\r\nl=w\r\n",
        L"k=1\r\n" + kVersion,
        L"[Version]\r\nSignature=\"$Windows XP$\"\r\n[A]\r\nk=1\r\n",
        L"[Version]\r\nSignature=%S%\r\n[Strings]\r\nS=\"$Windows NT$\"\r\n",
        kVersion + L"[" + std::wstring(256, L's') + L"]\r\nk=1\r\n",
        kVersion + L"[A]\r\n\"\"=1\r\n\"\" \"\" , \"\"\r\n\" a \" b\r\n",
    };
    Compared count;
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string label = "tricky " + std::to_string(i);
        CompareFile(dir, cattest::Utf16File(texts[i]), label + " (UTF-16)", count);
        CompareFile(dir, Utf8File(texts[i]), label + " (UTF-8)", count);
        BOOL usedDefault = FALSE;
        ::WideCharToMultiByte(cattest::kGbk, 0, texts[i].data(), static_cast<int>(texts[i].size()), nullptr, 0,
                              nullptr, &usedDefault);
        if (!usedDefault) CompareFile(dir, cattest::AnsiFile(texts[i], cattest::kGbk), label + " (GBK)", count);
    }
    std::printf("[ COMPARED ] %zu tricky files (%zu open), %zu lines, %zu queries\n", count.files, count.opened,
                count.lines, count.queries);
}

// One generated INF: sections and lines of every kind the syntax knows, in
// UTF-16LE, UTF-8 or GBK.
struct Generator {
    std::mt19937 rng;

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

    std::wstring Blanks() {
        static const wchar_t* blanks[] = {L"", L"", L"", L" ", L"\t", L"  ", L" \t "};
        return blanks[Pick(7)];
    }

    std::wstring Name() {
        static const wchar_t* pool[] = {L"Manufacturer", L"manufacturer", L"Orvane.NTamd64", L"ORVANE.ntamd64",
                                        L"Orvane", L"Strings", L"Version", L"OP730K.GPD", L"SourceDisksFiles",
                                        L"经典", L"A B", L"x", L"Orvane.NTamd64.6.0", L"DestinationDirs"};
        return pool[Pick(14)];
    }

    std::wstring Word() {
        static const wchar_t* pool[] = {L"Orvane OP-730K", L"USBPRINT\\OrvaneOP-730K8C1E", L"LPTENUM\\Orv",
                                        L"usb\\x", L"OP730K.GPD", L"NTamd64", L"NTamd64.10.0", L"曜驰7730",
                                        L"a", L"", L"$Windows NT$", L"%M%", L"%%", L"%undefined%", L"%M",
                                        L"x%M%y", L"100%", L"\\", L"a\\b", L"Ünï"};
        return pool[Pick(20)];
    }

    std::wstring Field() {
        switch (Pick(8)) {
            case 0: return L"\"" + Word() + L"\"";
            case 1: return L"\"" + Word() + L"\"\"" + Word() + L"\"";
            case 2: return Word() + Blanks() + Word();
            case 3: return std::wstring(Pick(600), L'f');
            case 4: return L"\"" + Word() + Blanks();
            default: return Word();
        }
    }

    std::wstring Fields() {
        std::wstring out = Field();
        for (size_t n = Pick(4); n > 0; --n) out += Blanks() + L"," + Blanks() + Field();
        return out;
    }

    std::wstring Line() {
        switch (Pick(14)) {
            case 0: return L";" + Fields();
            case 1: return Fields() + Blanks() + L";" + Word();
            case 2: return Field() + Blanks() + L"=" + Blanks() + Fields() + Blanks() + L"\\" + Blanks() +
                           L"\r\n" + Blanks() + Fields();
            case 3: return Fields();
            case 4: return L"";
            case 5: return Field() + L"=";
            default: return Blanks() + Field() + Blanks() + L"=" + Blanks() + Fields() + Blanks();
        }
    }

    std::string Next() {
        const std::wstring ends[] = {L"\r\n", L"\n", L"\r\n"};
        const std::wstring& end = ends[Pick(3)];
        std::wstring text;
        if (Pick(20) == 0) text += Line() + end;  // before any section
        if (Pick(10) > 0) text += L"[Version]" + end + L"Signature=" + (Pick(10) ? L"\"$Windows NT$\"" : L"$x$") + end;
        for (size_t s = 1 + Pick(8); s > 0; --s) {
            text += Blanks() + L"[" + (Pick(30) ? Name() : L"unfinished" + end) + (Pick(6) ? L"" : L" ") + L"]" +
                    Blanks() + (Pick(8) ? L"" : L" ; c") + end;
            for (size_t l = Pick(15); l > 0; --l) text += Line() + end;
        }
        text += L"[Strings]" + end + L"M = \"Orvane OP-730K\"" + end + L"m=\"other\"" + end;
        BOOL usedDefault = FALSE;
        ::WideCharToMultiByte(cattest::kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                              &usedDefault);
        switch (Pick(3)) {
            case 0: return cattest::Utf16File(text);
            case 1: return Utf8File(text);
            default: return usedDefault ? cattest::Utf16File(text) : cattest::AnsiFile(text, cattest::kGbk);
        }
    }
};

TEST(InfReaderDifferential, GeneratedFiles) {
    CATTEST_REQUIRE_GBK();
    constexpr int kFiles = 300;
    Generator generator{std::mt19937(20240619)};
    Compared count;
    cattest::TempDir dir;
    for (int i = 0; i < kFiles; ++i) {
        const std::string bytes = generator.Next();
        const char* encoding = bytes.starts_with("\xFF\xFE") ? " (UTF-16)" : bytes.starts_with("\xEF") ? " (UTF-8)" : " (GBK)";
        if (!CompareFile(dir, bytes, "generated " + std::to_string(i) + encoding, count)) break;
    }
    std::printf("[ COMPARED ] %zu generated files (%zu open), %zu lines, %zu queries\n", count.files, count.opened,
                count.lines, count.queries);
    EXPECT_EQ(count.files, static_cast<size_t>(kFiles));
    EXPECT_GT(count.opened, static_cast<size_t>(kFiles) / 2);
}

// The real files whole, and a medium INF around every real INF line (in
// its own encoding, and in UTF-8 and GBK).
TEST(InfReaderDifferential, RealFiles) {
    CATTEST_REQUIRE_GBK();
    Compared count;
    cattest::TempDir dir;
    for (const auto& [name, bytes] : realworld::MsSampleInfs())
        CompareFile(dir, bytes, "inf-ms-samples/" + name, count);
    for (const realworld::InfLineRow& row : realworld::InfLines()) {
        const std::wstring text = realworld::MediumInfAround(row.line);
        CompareFile(dir, cattest::Utf16File(text), "inf-lines " + std::to_string(row.number) + " (UTF-16)", count);
        CompareFile(dir, Utf8File(text), "inf-lines " + std::to_string(row.number) + " (UTF-8)", count);
        CompareFile(dir, cattest::AnsiFile(text, cattest::kGbk), "inf-lines " + std::to_string(row.number) + " (GBK)",
                    count);
    }
    std::printf("[ COMPARED ] %zu real files (%zu open), %zu lines, %zu queries\n", count.files, count.opened,
                count.lines, count.queries);
    EXPECT_EQ(count.opened, count.files);
}

}  // namespace
