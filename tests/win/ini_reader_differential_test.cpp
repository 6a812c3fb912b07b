// The INI reader against Wine's profile functions: the same catalogue files,
// hand-written tricky ones and a few hundred generated ones (fixed seed),
// read by both, must give the same section lists and key values at every
// buffer size the installer uses and around the sizes where reads stop
// fitting.  The reader's ANSI text goes through MultiByteToWideChar with the
// ANSI code page, as the profile functions' does.
//
// Known differences between Wine and Windows, where the reader follows
// Windows (and which are therefore not part of the corpus, but pinned in
// KnownDifferencesFromWine): a UTF-8 byte-order mark (Wine decodes UTF-8,
// Windows reads ANSI text) and a UTF-16 big-endian mark (Wine decodes it,
// Windows 10 reads ANSI text).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue_test_files.h"
#include "core/ini_reader.h"

namespace {

std::wstring AnsiDecode(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(n, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::string Escaped(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) {
        if (c == 0) out += '|';
        else if (c >= 32 && c < 127) out += static_cast<char>(c);
        else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "<%04x>", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

struct Read {
    size_t result = 0;
    std::wstring filled;  // the characters the result counts, and the zero after them
    bool operator==(const Read&) const = default;
};

Read WineSection(const std::wstring& file, const std::wstring& section, size_t capacity) {
    std::vector<wchar_t> buffer(capacity + 2, L'#');
    Read r;
    r.result = ::GetPrivateProfileSectionW(section.c_str(), buffer.data(), static_cast<DWORD>(capacity), file.c_str());
    r.filled.assign(buffer.data(), std::min(r.result + 1, capacity));
    return r;
}

Read MineSection(const core::ProfileDocument& doc, const std::wstring& section, size_t capacity) {
    std::vector<wchar_t> buffer(capacity + 2, L'#');
    Read r;
    r.result = doc.ReadSection(section, buffer.data(), capacity);
    r.filled.assign(buffer.data(), std::min(r.result + 1, capacity));
    return r;
}

Read WineString(const std::wstring& file, const std::wstring& section, const std::wstring& key, size_t capacity) {
    std::vector<wchar_t> buffer(capacity + 2, L'#');
    Read r;
    r.result = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(), static_cast<DWORD>(capacity),
                                          file.c_str());
    r.filled.assign(buffer.data(), std::min(r.result + 1, capacity));
    return r;
}

Read MineString(const core::ProfileDocument& doc, const std::wstring& section, const std::wstring& key,
                size_t capacity) {
    std::vector<wchar_t> buffer(capacity + 2, L'#');
    Read r;
    r.result = doc.ReadString(section, key, buffer.data(), capacity);
    r.filled.assign(buffer.data(), std::min(r.result + 1, capacity));
    return r;
}

// Names to ask for: as written, in other letter case, with blanks around.
std::vector<std::wstring> Variants(const std::wstring& name) {
    std::wstring upper = name, lower = name;
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    return {name, upper, lower, L" " + name + L"\t"};
}

bool SameSection(const std::wstring& file, const core::ProfileDocument& doc, const std::wstring& section,
                 size_t capacity, const std::string& label) {
    const Read wine = WineSection(file, section, capacity), mine = MineSection(doc, section, capacity);
    EXPECT_EQ(mine.result, wine.result) << label << " section [" << Escaped(section) << "] capacity " << capacity;
    EXPECT_EQ(Escaped(mine.filled), Escaped(wine.filled))
        << label << " section [" << Escaped(section) << "] capacity " << capacity;
    return mine == wine;
}

bool SameString(const std::wstring& file, const core::ProfileDocument& doc, const std::wstring& section,
                const std::wstring& key, size_t capacity, const std::string& label) {
    const Read wine = WineString(file, section, key, capacity), mine = MineString(doc, section, key, capacity);
    EXPECT_EQ(Escaped(mine.filled), Escaped(wine.filled))
        << label << " [" << Escaped(section) << "] " << Escaped(key) << " capacity " << capacity;
    EXPECT_EQ(mine.result, wine.result)
        << label << " [" << Escaped(section) << "] " << Escaped(key) << " capacity " << capacity;
    return mine == wine;
}

// Compares the reads of `bytes` saved as a file; returns how many were
// compared, stopping at the first difference.  A thorough comparison asks
// every name in every variant at every capacity; otherwise each section in
// every variant around its size, and the keys of each as written (one of
// them in every variant) around their sizes.
size_t CompareFile(cattest::TempDir& dir, const std::string& bytes, const std::string& label, bool thorough) {
    static int counter = 0;
    const std::wstring file = dir.Write(L"c" + std::to_wstring(++counter) + L".ini", bytes);
    const core::ProfileDocument doc(core::DecodeProfileBytes(bytes, &AnsiDecode));
    size_t compared = 0;
    std::set<std::wstring> names{L"no such section", L""};
    for (const auto& s : doc.Sections()) names.insert(s.name);
    for (const std::wstring& name : names) {
        for (const std::wstring& section : Variants(name)) {
            const size_t needed = MineSection(doc, section, 1 << 16).result;
            std::set<size_t> capacities{3, 2048, needed + 1, needed + 2, needed + 3};
            if (thorough) capacities.insert({2, 7, 64, needed});
            for (size_t capacity : capacities) {
                // Below 2 Wine writes outside the buffer; the installer never asks so.
                if (capacity < 2) continue;
                ++compared;
                if (!SameSection(file, doc, section, capacity, label)) return compared;
            }
            if (!thorough && section != name) continue;
            // Keys: those of the section the lookup reaches, and one missing.
            const core::ProfileSection* s = doc.FindSection(section, true);
            std::vector<std::wstring> keys{L"no such key"};
            for (size_t k = 0; s && k < s->keys.size() && (thorough || k < 6); ++k) {
                const auto variants = Variants(s->keys[k].name);
                if (thorough || k == 0) keys.insert(keys.end(), variants.begin(), variants.end());
                else keys.push_back(s->keys[k].name);
            }
            for (const std::wstring& key : keys) {
                const size_t length = MineString(doc, section, key, 1 << 16).result;
                std::set<size_t> capacities{20, 260, length + 1, length + 2};
                if (thorough) capacities.insert({2, 100, length, length + 3});
                for (size_t capacity : capacities) {
                    if (capacity < 2) continue;
                    ++compared;
                    if (!SameString(file, doc, section, key, capacity, label)) return compared;
                }
            }
        }
    }
    return compared;
}

std::string Utf16(const std::wstring& text) { return cattest::Utf16File(text); }
// A literal with zero characters in it, whole.
template <size_t N>
std::wstring WithZeros(const wchar_t (&text)[N]) {
    return std::wstring(text, N - 1);
}
std::string Gbk(const std::wstring& text) { return cattest::AnsiFile(text, cattest::kGbk); }

TEST(IniReaderDifferential, HandWrittenTrickyCatalogues) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir dir;
    const std::vector<std::wstring> texts = {
        L"[ A ]\r\n  x = 1 \r\n\ty\t=\t2\t\r\n z \r\n=v\r\n=w\r\n;c=1\r\n# h=3\r\n[B]\r\nk=\"q\"\r\nk2=\"q\r\n"
        L"k3='a'\r\nk4=\"\"\r\nk5=\"a\"b\"\r\nk6='\r\nk7=\"'\r\nk8= \" spaced \" \r\n",
        L"[A]\r\nx=1\r\nx=2\r\n[B]\r\ny=1\r\n[a]\r\nx=3\r\nz=4\r\n[b ]\r\nw=5\r\n",
        L"[A]\rx=1\ry=2\n\n\nz=3\x1a\r\n[B]\n\n[C]\r\r\n\r\nq=\v\f1\f\v\r\n",
        L"[A] ; c\r\nx=1\r\n[B\r\ny=2\r\n[C]]\r\nz=3\r\n  [D]  \r\nw=4\r\n[]\r\ne=5\r\n[ ]\r\nf=6\r\n[E ] x]\r\ng=7\r\n",
        L"x=1\r\n=0\r\n[A]\r\n=1\r\n=2\r\nb\r\n=3\r\n;c\r\n=4\r\n==5\r\n= =\r\n",
        L"\x3000[A]\r\n[B]\r\n\x3000x\x00a0=\x3000" L"1\x00a0\r\n\x85y=\x2028" L"2\r\n",
        L"[PRINTER_SERIES]\r\n经典系列\r\n高速系列=VP\r\n;注释\r\n[经典系列]\r\nOP-730K\r\nOP-630K\r\n曜驰7730+\r\n"
        L"[PRINTER_NAME]\r\nOP-730K=Orvane OP-730K\r\n曜驰7730+ = \"Orvane VP-7730+\"\r\n[PRINTER_TYPE]\r\n"
        L"Orvane OP-730K=24\r\nOrvane VP-7730+=09\r\n[printer_name]\r\nOP-630K=Orvane OP-630K\r\n",
        L"[Ünïcödé]\r\nÉcole=1\r\nΑΒΓ=2\r\nДЖЁ=3\r\nＡＢ=4\r\nĲŁŸ=5\r\nß=6\r\n[ünïcÖdé]\r\nx=1\r\n",
        WithZeros(L"[A]\r\nx\0y=1\r\nz=2\0w\r\n\0[B]\r\nq=1\r\n"),
    };
    size_t compared = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        compared += CompareFile(dir, Utf16(texts[i]), "tricky " + std::to_string(i) + " (UTF-16)", true);
        // The same as ANSI text where every character has a GBK form.
        std::string gbk;
        BOOL usedDefault = FALSE;
        const int n = ::WideCharToMultiByte(cattest::kGbk, 0, texts[i].data(), static_cast<int>(texts[i].size()), nullptr,
                                            0, nullptr, &usedDefault);
        if (n > 0 && !usedDefault) compared += CompareFile(dir, Gbk(texts[i]), "tricky " + std::to_string(i) + " (GBK)", true);
    }
    // Lists and values around the installer's buffer sizes.
    std::wstring big = L"[Big]\r\n";
    for (int i = 0; i < 93; ++i) big += L"M" + std::to_wstring(i) + std::wstring(18 - std::to_wstring(i).size(), L'x') + L"\r\n";
    big += L"[Values]\r\nn258=" + std::wstring(258, L'n') + L"\r\nn259=" + std::wstring(259, L'n') + L"\r\nq258=\"" +
           std::wstring(258, L'q') + L"\"\r\nt18=" + std::wstring(18, L'9') + L"\r\nt19=" + std::wstring(19, L'9') + L"\r\n";
    compared += CompareFile(dir, Utf16(big), "buffer sizes", true);
    // Bytes that are no GBK text, and lead bytes before line ends.
    compared += CompareFile(dir, "[\xD2\xAA]\r\nx=\xB3\xDB\x80\r\ny=\x81\r\nz=\xFF\xFF\r\nw=\x81\x30\r\nu=a\xA1\xA4\r\n"
                                 "v=\x81\x7F\r\nt=\xA1\r\ns=\xAA\xA1\xA2\xAB\r\n[A]\r\nr=\xD2",
                            "invalid GBK", true);
    std::printf("[ COMPARED ] %zu reads of the tricky catalogues\n", compared);
}

// One generated catalogue: sections and lines of every kind the profile
// syntax knows, in UTF-16 or in GBK.
class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    std::string Next(std::string& label) {
        const bool gbk = Pick(2) == 0;
        label = gbk ? "GBK" : "UTF-16";
        const std::wstring ends[] = {L"\r\n", L"\n", L"\r", L"\r\n"};
        const std::wstring& end = ends[Pick(4)];
        std::wstring text;
        const size_t sections = 1 + Pick(8);
        for (size_t s = 0; s < sections; ++s) {
            if (s > 0 || Pick(4) > 0) text += Blanks() + L"[" + Blanks() + Name(gbk) + Blanks() + L"]" + Blanks() + end;
            const size_t lines = Pick(4) == 0 ? 60 + Pick(80) : Pick(25);
            for (size_t l = 0; l < lines; ++l) text += Line(gbk) + (Pick(20) == 0 ? end + end : end);
        }
        return gbk ? Gbk(text) : Utf16(text);
    }

private:
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

    std::wstring Blanks() {
        static const wchar_t* blanks[] = {L"", L"", L"", L" ", L"\t", L"  ", L" \t "};
        return blanks[Pick(7)];
    }

    // A name from a small pool, so that sections and keys repeat.
    std::wstring Name(bool gbk) {
        static const wchar_t* pool[] = {L"PRINTER_SERIES", L"printer_name", L"PRINTER_TYPE", L"PRINTER_MAN", L"A", L"a",
                                        L"经典系列", L"曜驰高速系列", L"OP-730K", L"op-730k", L"曜驰7730+",
                                        L"Orvane OP-9150", L"ΑΒΓ", L"αβγ", L"Дж", L"дЖ", L"ＡＢ", L"ａｂ",
                                        L"x y", L"Ünï", L"ünÏ", L"Ł", L"ł"};
        std::wstring name;
        do name = pool[Pick(23)];
        while (gbk && !HasGbkForm(name));
        return name;
    }

    std::wstring Value(bool gbk) {
        switch (Pick(10)) {
            case 0: return L"";
            case 1: return L"\"" + Name(gbk) + L"\"";
            case 2: return L"'" + Name(gbk) + L"'";
            case 3: return L"\"" + Name(gbk);
            case 4: return std::wstring(Pick(300), L'v');
            case 5: return L"\"" + std::wstring(Pick(270), L'q') + L"\"";
            case 6: return Name(gbk) + L" = " + Name(gbk);
            case 7: return std::to_wstring(Pick(100));
            default: return Name(gbk) + Blanks() + Name(gbk);
        }
    }

    std::wstring Line(bool gbk) {
        switch (Pick(12)) {
            case 0: return L";" + Name(gbk) + L"=" + Value(gbk);
            case 1: return Blanks() + L"=" + Value(gbk);
            case 2: return Blanks() + Name(gbk) + Blanks();
            case 3: return L"[" + Name(gbk);
            case 4: return L"";
            case 5: return Blanks() + Name(gbk) + std::wstring(Pick(40), L'n') + Blanks();
            default: return Blanks() + Name(gbk) + Blanks() + L"=" + Blanks() + Value(gbk) + Blanks();
        }
    }

    static bool HasGbkForm(const std::wstring& text) {
        BOOL usedDefault = FALSE;
        ::WideCharToMultiByte(cattest::kGbk, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, &usedDefault);
        return !usedDefault;
    }

    std::mt19937 rng_;
};

TEST(IniReaderDifferential, GeneratedCatalogues) {
    CATTEST_REQUIRE_GBK();
    constexpr int kCatalogues = 320;
    Generator generator(20240618);
    size_t compared = 0;
    for (int i = 0; i < kCatalogues; ++i) {
        cattest::TempDir dir;
        std::string label;
        const std::string bytes = generator.Next(label);
        compared += CompareFile(dir, bytes, "generated " + std::to_string(i) + " (" + label + ")", false);
        if (::testing::Test::HasFailure()) break;
    }
    std::printf("[ COMPARED ] %d generated catalogues, %zu reads\n", kCatalogues, compared);
    EXPECT_GT(compared, static_cast<size_t>(kCatalogues) * 50);
}

// Where the reader follows Windows rather than Wine: pinned, so that a
// change on either side is seen.
TEST(IniReaderDifferential, KnownDifferencesFromWine) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir dir;
    const std::string utf8 = "\xEF\xBB\xBF[A]\r\nx=1\r\n";
    std::string utf16be = "\xFE\xFF";
    for (wchar_t c : std::wstring(L"[A]\r\nx=1\r\n")) {
        utf16be += static_cast<char>(c >> 8);
        utf16be += static_cast<char>(c & 0xFF);
    }
    for (const std::string& bytes : {utf8, utf16be}) {
        const std::wstring file = dir.Write(L"marked" + std::to_wstring(bytes.size()) + L".ini", bytes);
        EXPECT_EQ(WineString(file, L"A", L"x", 20).filled, std::wstring(L"1\0", 2)) << "Wine decodes the mark";
        const core::ProfileDocument doc(core::DecodeProfileBytes(bytes, &AnsiDecode));
        EXPECT_EQ(MineString(doc, L"A", L"x", 20).filled, std::wstring(1, L'\0')) << "Windows reads ANSI text";
    }
}

}  // namespace
