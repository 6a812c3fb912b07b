// The physical limits of a medium: each rule at both sides of its limit,
// letter case folded as Windows folds it, the image size estimate, the
// native listing, and the checker program reporting them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/medium_limits.h"
#include "medium_listing.h"

namespace {

namespace fs = std::filesystem;
using core::MediumEntry;

MediumEntry File(std::wstring path, uint64_t size = 1) { return {std::move(path), size, false}; }
MediumEntry Folder(std::wstring path) { return {std::move(path), 0, true}; }

std::set<std::pair<std::string, std::wstring>> RulesOf(const std::vector<MediumEntry>& entries) {
    std::set<std::pair<std::string, std::wstring>> rules;
    for (const core::Finding& f : core::CheckMediumLimits(entries)) {
        EXPECT_FALSE(f.message.empty()) << f.rule;
        rules.insert({f.rule, f.file});
    }
    return rules;
}

TEST(MediumLimits, EachRuleAtBothSidesOfItsLimit) {
    const std::wstring name103 = std::wstring(99, L'a') + L".pdf";
    const std::wstring chinese103 = std::wstring(99, L'说') + L".pdf";
    const std::wstring name104 = std::wstring(100, L'b') + L".pdf";
    // "D:\" and 256 characters are Windows' 259; one more is not.
    const std::wstring parent = std::wstring(100, L'd');
    const std::wstring folder = parent + L"\\" + std::wstring(99, L'e');
    const std::wstring path259 = folder + L"\\" + std::wstring(55, L'p');
    const std::wstring path260 = folder + L"\\" + std::wstring(56, L'q');
    const uint64_t gib4 = 1ull << 32;
    const struct {
        const char* name;
        std::vector<MediumEntry> entries;
        std::set<std::pair<std::string, std::wstring>> expected;
    } cases[] = {
        {"a clean medium", {Folder(L"OrvaneManual"), File(L"OrvaneManual\\曜驰7730 使用说明.pdf"), File(L"Printer Install.exe")}, {}},
        {"103 characters fit, 104 do not",
         {File(name103), File(chinese103), File(name104), Folder(L"x"), File(L"x\\" + name104)},
         {{"name-too-long", name104}, {"name-too-long", L"x\\" + name104}}},
        {"characters Windows or Joliet cannot hold",
         {File(L"a;b.pdf"), File(L"a?b"), File(L"a\"b"), File(L"a<b>"), File(L"a|b"), File(L"a*b"), File(L"a:b"),
          File(L"tab\tname"), File(L"ok (1) & [2] #.pdf"), File(L"全角：冒号.pdf")},
         {{"name-character", L"a;b.pdf"}, {"name-character", L"a?b"}, {"name-character", L"a\"b"},
          {"name-character", L"a<b>"}, {"name-character", L"a|b"}, {"name-character", L"a*b"},
          {"name-character", L"a:b"}, {"name-character", L"tab\tname"}}},
        {"device names and trailing dots or blanks",
         {File(L"NUL.txt"), File(L"com1"), File(L"Lpt9.log"), File(L"aux"), File(L"con .txt"), File(L"trail."),
          File(L"blank "), Folder(L"prn"), File(L"COM0.txt"), File(L"CONSOLE.txt"), File(L"LPT10"), File(L".hidden")},
         {{"name-reserved", L"NUL.txt"}, {"name-reserved", L"com1"}, {"name-reserved", L"Lpt9.log"},
          {"name-reserved", L"aux"}, {"name-reserved", L"con .txt"}, {"name-reserved", L"trail."},
          {"name-reserved", L"blank "}, {"name-reserved", L"prn"}}},
        {"paths from the drive's root", {Folder(parent), Folder(folder), File(path259), File(path260)},
         {{"medium-path-too-long", path260}}},
        {"names that differ only in letter case, in one folder",
         {Folder(L"A"), File(L"A\\Manual.pdf"), File(L"A\\manual.PDF"), File(L"B"), Folder(L"b"),
          File(L"b\\Manual.pdf"), File(L"Ärger.txt"), File(L"ärger.txt"), File(L"Яблоко"), File(L"яблоко"),
          File(L"ＡＢ"), File(L"ａｂ"), File(L"曜驰"), File(L"曜馳")},
         {{"name-case-clash", L"A\\manual.PDF"}, {"name-case-clash", L"b"}, {"name-case-clash", L"ärger.txt"},
          {"name-case-clash", L"яблоко"}, {"name-case-clash", L"ａｂ"}}},
        {"a file of 4 GiB", {File(L"fits.bin", gib4 - 1), File(L"big.bin", gib4)},
         {{"file-too-big", L"big.bin"}, {"too-big-for-dvd", L""}}},
        {"a CD's worth", {File(L"data.bin", core::kCdBytes - 2 * 1024 * 1024)}, {}},
        {"more than a CD", {File(L"data.bin", core::kCdBytes)}, {{"too-big-for-cd", L""}}},
        {"more than a DVD", {File(L"1.bin", gib4 - 1), File(L"2.bin", core::kDvdBytes - gib4 + 1)},
         {{"too-big-for-dvd", L""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RulesOf(c.entries), c.expected);
    }
    // A CD image too big for a CD is a warning (a DVD takes it), any other
    // finding an error.
    for (const core::Finding& f : core::CheckMediumLimits({File(L"data.bin", core::kCdBytes), File(L"a?b")}))
        EXPECT_EQ(f.severity, f.rule == "too-big-for-cd" ? core::Severity::Warning : core::Severity::Error) << f.rule;
}

TEST(MediumLimits, LetterCaseFoldsAsWindowsFoldsIt) {
    const std::pair<std::wstring, std::wstring> same[] = {
        {L"Orvane.INF", L"orvane.inf"}, {L"ÀÉÎÕÜÞ", L"àéîõüþ"}, {L"Ÿ", L"ÿ"},     {L"ĀĞĲŁŇŊŽ", L"āğĳłňŋž"},
        {L"ΣΑΣ", L"σας"},               {L"ЁЖЯ", L"ёжя"},       {L"ＡＺ", L"ａｚ"},
    };
    for (const auto& [upper, lower] : same) EXPECT_EQ(core::FoldedName(upper), core::FoldedName(lower)) << lower;
    const std::pair<std::wstring, std::wstring> different[] = {
        {L"×", L"÷"}, {L"ı", L"i"}, {L"ĸ", L"Ĺ"}, {L"曜", L"馳"}, {L"a", L"b"}, {L"Ň", L"ŉ"},
    };
    for (const auto& [a, b] : different) EXPECT_NE(core::FoldedName(a), core::FoldedName(b)) << a;
}

TEST(MediumLimits, ImageSizeGrowsWithDataAndNames) {
    const uint64_t empty = core::EstimatedImageBytes({});
    EXPECT_EQ(empty % 2048, 0u);
    EXPECT_EQ(core::EstimatedImageBytes({File(L"a", 1)}) - empty, 2048u) << "a byte takes a sector";
    EXPECT_EQ(core::EstimatedImageBytes({File(L"a", 2049)}) - empty, 2 * 2048u);
    EXPECT_EQ(core::EstimatedImageBytes({File(L"a", 0)}), empty) << "an empty file takes no data sector";
    // 200 names of 100 characters: each Joliet record holds 234 bytes, so
    // the folder's Joliet directory alone takes 23 sectors.
    std::vector<MediumEntry> many{Folder(L"m")};
    for (int i = 0; i < 200; ++i) many.push_back(File(L"m\\" + std::to_wstring(1000 + i) + std::wstring(96, L'n'), 0));
    EXPECT_GE(core::EstimatedImageBytes(many) - empty, (23 + 2) * 2048u);
}

struct Scratch {
    const fs::path path = fs::temp_directory_path() / ("pi-medium-limits-" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(path); }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    void Write(const std::string& relative, const std::string& bytes) const {
        fs::create_directories((path / relative).parent_path());
        std::ofstream(path / relative, std::ios::binary) << bytes;
    }
};

TEST(MediumLimits, NativeListingHoldsEveryFileAndFolderSorted) {
    Scratch s;
    s.Write("驱动/子目录/说明.pdf", "12345");
    s.Write("Printer Install.exe", "");
    s.Write("a/b.txt", "xy");
    fs::create_directories(s.path / "empty");
    const std::vector<MediumEntry> listed = medium_check::ListMedium(s.path.wstring());
    std::vector<std::tuple<std::wstring, uint64_t, bool>> got;
    for (const MediumEntry& e : listed) got.emplace_back(e.path, e.size, e.folder);
    EXPECT_EQ(got, (std::vector<std::tuple<std::wstring, uint64_t, bool>>{
                       {L"Printer Install.exe", 0, false},
                       {L"a", 0, true},
                       {L"a\\b.txt", 2, false},
                       {L"empty", 0, true},
                       {L"驱动", 0, true},
                       {L"驱动\\子目录", 0, true},
                       {L"驱动\\子目录\\说明.pdf", 5, false},
                   }));
}

// The program reports the limits besides the catalogue's findings: the demo
// medium with two manuals whose names differ in letter case only.
TEST(MediumLimits, TheCheckerProgramReportsThem) {
    Scratch s;
    fs::copy(PI_NATIVE_DEMO_MEDIUM, s.path, fs::copy_options::recursive);
    s.Write("OrvaneManual/op-730k.PDF", "%PDF-1.4\n");
    const std::string out = (s.path / "out.txt").string();
    const int raw = std::system(("'" PI_MEDIUM_CHECK_EXE "' '" + s.path.string() + "' >'" + out + "' 2>/dev/null").c_str());
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(WEXITSTATUS(raw), 1) << text;
    EXPECT_NE(text.find("error: OrvaneManual\\op-730k.PDF: differs from 'OrvaneManual\\OP-730K.pdf' only in letter "
                        "case: Windows sees one of the two only [name-case-clash]"),
              std::string::npos)
        << text;
}

}  // namespace
