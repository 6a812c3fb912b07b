// The INI reader against Wine's profile functions: the same catalogue files,
// hand-written tricky ones and a few hundred generated ones (fixed seed),
// read by both, must give the same section lists and key values at every
// buffer size the installer uses and around the sizes where reads stop
// fitting.  The reader's ANSI text goes through MultiByteToWideChar with the
// ANSI code page, as the profile functions' does.
//
// Known differences between Wine and Windows, where the reader follows
// Windows, are not part of the corpus (the host tests pin the reader's side):
// a UTF-8 byte-order mark (Wine decodes UTF-8, Windows reads ANSI text) and a
// UTF-16 big-endian mark (Wine decodes it, Windows 10 reads ANSI text).
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

using namespace std::string_literals;

std::wstring AnsiDecode(std::string_view bytes) {
    std::wstring text(bytes.size(), L'\0');  // never more characters than bytes
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                        static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

std::string Escaped(std::wstring_view s) {
    std::string out;
    for (wchar_t c : s) {
        char hex[12];
        std::snprintf(hex, sizeof hex, "<%04x>", static_cast<unsigned>(c));
        out += c == 0 ? std::string("|") : c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out;
}

// One read into `capacity` characters as "result:filled", filled being the
// characters the result counts and the zero after them.
template <class ReadInto>
std::string Shown(size_t capacity, ReadInto read) {
    std::vector<wchar_t> buffer(capacity + 2, L'#');
    const size_t result = read(buffer.data(), capacity);
    return std::to_string(result) + ":" + Escaped(std::wstring_view(buffer.data(), std::min(result + 1, capacity)));
}

bool HasGbkForm(const std::wstring& text, DWORD flags) {
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(cattest::kGbk, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

// Names to ask for: as written, in other letter case, with blanks around.
std::vector<std::wstring> Variants(const std::wstring& name) {
    std::wstring upper = name, lower = name;
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    return {name, upper, lower, L" " + name + L"\t"};
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
    // A section read (key null) or a key read at each capacity; false at the first difference.
    const auto same = [&](const std::wstring& section, const std::wstring* key, const std::set<size_t>& capacities) {
        for (size_t capacity : capacities) {
            if (capacity < 2) continue;  // below 2 Wine writes outside the buffer; the installer never asks so
            ++compared;
            const std::string wine = Shown(capacity, [&](wchar_t* b, size_t n) {
                return key ? ::GetPrivateProfileStringW(section.c_str(), key->c_str(), L"", b, static_cast<DWORD>(n),
                                                        file.c_str())
                           : ::GetPrivateProfileSectionW(section.c_str(), b, static_cast<DWORD>(n), file.c_str());
            });
            const std::string mine = Shown(capacity, [&](wchar_t* b, size_t n) {
                return key ? doc.ReadString(section, *key, b, n) : doc.ReadSection(section, b, n);
            });
            EXPECT_EQ(mine, wine) << label << " [" << Escaped(section) << "] " << (key ? Escaped(*key) : "(section)")
                                  << " capacity " << capacity;
            if (mine != wine) return false;
        }
        return true;
    };
    std::set<std::wstring> names{L"no such section", L""};
    for (const auto& s : doc.Sections()) names.insert(s.name);
    for (const std::wstring& name : names) {
        for (const std::wstring& section : Variants(name)) {
            const size_t needed = doc.ReadSection(section, 1 << 16).size();
            std::set<size_t> capacities{3, 2048, needed + 1, needed + 2, needed + 3};
            if (thorough) capacities.insert({2, 7, 64, needed});
            if (!same(section, nullptr, capacities)) return compared;
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
                const size_t length = doc.ReadString(section, key, 1 << 16).size();
                std::set<size_t> capacities{20, 260, length + 1, length + 2};
                if (thorough) capacities.insert({2, 100, length, length + 3});
                if (!same(section, &key, capacities)) return compared;
            }
        }
    }
    return compared;
}

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
        L"[A]\r\nx\0y=1\r\nz=2\0w\r\n\0[B]\r\nq=1\r\n"s,
    };
    size_t compared = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string label = "tricky " + std::to_string(i);
        compared += CompareFile(dir, cattest::Utf16File(texts[i]), label + " (UTF-16)", true);
        // The same as ANSI text where every character has a GBK form.
        if (HasGbkForm(texts[i], 0))
            compared += CompareFile(dir, cattest::AnsiFile(texts[i], cattest::kGbk), label + " (GBK)", true);
    }
    // Lists and values around the installer's buffer sizes.
    std::wstring big = L"[Big]\r\n";
    for (int i = 0; i < 93; ++i)
        big += L"M" + std::to_wstring(i) + std::wstring(18 - std::to_wstring(i).size(), L'x') + L"\r\n";
    big += L"[Values]\r\nn258=" + std::wstring(258, L'n') + L"\r\nn259=" + std::wstring(259, L'n') + L"\r\nq258=\"" +
           std::wstring(258, L'q') + L"\"\r\nt18=" + std::wstring(18, L'9') + L"\r\nt19=" + std::wstring(19, L'9') + L"\r\n";
    compared += CompareFile(dir, cattest::Utf16File(big), "buffer sizes", true);
    // Bytes that are no GBK text, and lead bytes before line ends.
    compared += CompareFile(dir, "[\xD2\xAA]\r\nx=\xB3\xDB\x80\r\ny=\x81\r\nz=\xFF\xFF\r\nw=\x81\x30\r\nu=a\xA1\xA4\r\n"
                                 "v=\x81\x7F\r\nt=\xA1\r\ns=\xAA\xA1\xA2\xAB\r\n[A]\r\nr=\xD2",
                            "invalid GBK", true);
    std::printf("[ COMPARED ] %zu reads of the tricky catalogues\n", compared);
}

// One generated catalogue: sections and lines of every kind the profile
// syntax knows, in UTF-16 or in GBK.
struct Generator {
    std::mt19937 rng;

    std::string Next() {
        const bool gbk = Pick(2) == 0;
        const std::wstring ends[] = {L"\r\n", L"\n", L"\r", L"\r\n"};
        const std::wstring& end = ends[Pick(4)];
        std::wstring text;
        const size_t sections = 1 + Pick(8);
        for (size_t s = 0; s < sections; ++s) {
            if (s > 0 || Pick(4) > 0) text += Blanks() + L"[" + Blanks() + Name(gbk) + Blanks() + L"]" + Blanks() + end;
            const size_t lines = Pick(4) == 0 ? 60 + Pick(80) : Pick(25);
            for (size_t l = 0; l < lines; ++l) text += Line(gbk) + (Pick(20) == 0 ? end + end : end);
        }
        return gbk ? cattest::AnsiFile(text, cattest::kGbk) : cattest::Utf16File(text);
    }

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

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
        while (gbk && !HasGbkForm(name, WC_NO_BEST_FIT_CHARS));
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
};

TEST(IniReaderDifferential, GeneratedCatalogues) {
    CATTEST_REQUIRE_GBK();
    constexpr int kCatalogues = 320;
    Generator generator{std::mt19937(20240618)};
    size_t compared = 0;
    for (int i = 0; i < kCatalogues; ++i) {
        cattest::TempDir dir;
        const std::string bytes = generator.Next();
        const char* encoding = bytes.starts_with("\xFF\xFE") ? " (UTF-16)" : " (GBK)";
        compared += CompareFile(dir, bytes, "generated " + std::to_string(i) + encoding, false);
        if (::testing::Test::HasFailure()) break;
    }
    std::printf("[ COMPARED ] %d generated catalogues, %zu reads\n", kCatalogues, compared);
    EXPECT_GT(compared, static_cast<size_t>(kCatalogues) * 50);
}

}  // namespace
