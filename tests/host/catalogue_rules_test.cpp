// The catalogue's and driver package's rules, without Windows.
#include "core/catalogue_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using core::PinType;
using Entries = std::vector<std::wstring>;

// What a whole-section read leaves in its buffer: each entry followed by its
// zero.  The read's result counts these characters (not the final zero).
std::wstring SectionBuffer(const Entries& entries) {
    std::wstring buffer;
    for (const auto& e : entries) {
        buffer += e;
        buffer += L'\0';
    }
    return buffer;
}

// Entries of `count` names of `length` characters each, all different.
Entries ManyEntries(size_t count, size_t length) {
    Entries entries;
    for (size_t i = 0; i < count; ++i) {
        std::wstring e = L"M" + std::to_wstring(i);
        e.resize(length, L'x');
        entries.push_back(e);
    }
    return entries;
}

// ---- Section lists ------------------------------------------------------

struct SectionCase {
    const char* name;
    std::wstring filled;
    size_t capacity;
    bool ok;
    Entries entries;
};

TEST(SectionList, SplitsTheReadIntoWholeEntries) {
    const std::wstring longest(core::kMaxEntryChars, L'L');
    const std::wstring tooLong(core::kMaxEntryChars + 1, L'T');
    const SectionCase cases[] = {
        {"one entry", SectionBuffer({L"VP-7730"}), 2048, true, {L"VP-7730"}},
        {"file order kept", SectionBuffer({L"b", L"a", L"c"}), 2048, true, {L"b", L"a", L"c"}},
        {"key=value lines are whole entries", SectionBuffer({L"A=1", L"VP 系列=x=y"}), 2048, true,
         {L"A=1", L"VP 系列=x=y"}},
        {"blanks inside an entry kept", SectionBuffer({L" a b "}), 2048, true, {L" a b "}},
        {"nothing read", L"", 2048, false, {}},
        {"last entry lacks its zero", std::wstring(L"a\0b", 3), 2048, false, {}},
        {"entry of the longest length kept", SectionBuffer({longest, L"x"}), 2048, true, {longest, L"x"}},
        {"over-long entry left out, others kept", SectionBuffer({L"a", tooLong, L"b"}), 2048, true, {L"a", L"b"}},
        {"empty entry left out", std::wstring(L"a\0\0b\0", 5), 2048, true, {L"a", L"b"}},
        {"small buffer that fits", SectionBuffer({L"ab", L"c"}), 8, true, {L"ab", L"c"}},
        {"small buffer, result capacity - 2", SectionBuffer({L"ab", L"cd"}), 8, false, {}},
        {"buffer too small for anything", SectionBuffer({L"a"}), 2, false, {}},
    };
    for (const auto& c : cases) {
        core::SectionList list = core::SplitProfileSection(c.filled, c.capacity);
        EXPECT_EQ(list.ok, c.ok) << c.name;
        EXPECT_EQ(list.entries, c.entries) << c.name;
    }
}

// Regression: a series section too long for the buffer used to show the
// models that happened to fit, silently dropping the rest.
TEST(SectionList, SectionThatDidNotFitGivesNoPartialList) {
    // A read that did not fit reports capacity - 2 with whole entries in it.
    std::wstring filled = SectionBuffer(ManyEntries(300, 20));
    filled.resize(core::kSectionCapacity - 2);
    filled.back() = L'\0';
    core::SectionList list = core::SplitProfileSection(filled);
    EXPECT_FALSE(list.ok);
    EXPECT_TRUE(list.entries.empty());
}

TEST(SectionList, ResultJustBelowTheLimitIsWhole) {
    // 2045 characters: 92 entries of 21 characters plus one of 20, with zeros.
    Entries entries = ManyEntries(92, 21);
    entries.push_back(std::wstring(20, L'z'));
    const std::wstring filled = SectionBuffer(entries);
    ASSERT_EQ(filled.size(), core::kSectionCapacity - 3);
    core::SectionList list = core::SplitProfileSection(filled);
    EXPECT_TRUE(list.ok);
    EXPECT_EQ(list.entries, entries);
}

// ---- Key values ------------------------------------------------------------

struct KeyCase {
    size_t capacity;
    size_t valueLength;  // characters the read reports
    bool found;
};

TEST(KeyValue, EmptyOrNotFittingCountsAsMissing) {
    const KeyCase cases[] = {
        {core::kPrinterTypeCapacity, 0, false},
        {core::kPrinterTypeCapacity, 1, true},
        {core::kPrinterTypeCapacity, 18, true},
        {core::kPrinterTypeCapacity, 19, false},  // capacity - 1: cut or exactly full, cannot tell
        {core::kPrinterNameCapacity, 258, true},
        {core::kPrinterNameCapacity, 259, false},
        {core::kManualCapacity, 98, true},
        {core::kManualCapacity, 99, false},
        {core::kOtherSoftwareCapacity, 99, false},
        {core::kOtherSoftwareCapacity, 150, false},  // a reported length beyond the buffer
        {1, 0, false},
    };
    for (const auto& c : cases) {
        const std::wstring filled(c.valueLength, L'v');
        auto value = core::TakeKeyValue(filled, c.capacity);
        EXPECT_EQ(value.has_value(), c.found) << "capacity " << c.capacity << ", length " << c.valueLength;
        if (value) EXPECT_EQ(*value, filled);
    }
}

// ---- Pin type ----------------------------------------------------------

TEST(PinTypeRule, OnlyExactlyTwentyFourOrNine) {
    const struct {
        const wchar_t* value;
        PinType expected;
    } cases[] = {
        {L"24", PinType::Pin24},   {L"9", PinType::Pin9},      {L"09", PinType::PinOther},
        {L"024", PinType::PinOther}, {L" 24", PinType::PinOther}, {L"24 ", PinType::PinOther},
        {L"9pin", PinType::PinOther}, {L"", PinType::PinOther},   {L"18", PinType::PinOther},
        {L"２４", PinType::PinOther},
    };
    for (const auto& c : cases) EXPECT_EQ(core::PinTypeFromValue(c.value), c.expected) << "value \"" << c.value << "\"";
}

// ---- Paths --------------------------------------------------------------

TEST(Paths, JoinRefusesAnythingOverTheLimit) {
    const std::wstring half(130, L'a');
    EXPECT_EQ(core::JoinPath({half, std::wstring(129, L'b')})->size(), core::kMaxPathChars);
    EXPECT_FALSE(core::JoinPath({half, std::wstring(130, L'b')}).has_value());
    EXPECT_EQ(*core::JoinPath({L"C:\\a\\", L"b", L"", L"c"}), L"C:\\a\\bc");
}

TEST(Paths, ProgramDirectoryEndsInABackslash) {
    const struct {
        std::wstring in;
        std::optional<std::wstring> out;
    } cases[] = {
        {L"C:\\Setup\\", L"C:\\Setup\\"},
        {L"C:\\Setup", L"C:\\Setup\\"},
        {L"Z:/tmp/", L"Z:/tmp/"},
        {L"", std::nullopt},
        {L"C:\\" + std::wstring(256, L'd'), std::nullopt},  // 259 plus the added backslash
        {L"C:\\" + std::wstring(255, L'd'), L"C:\\" + std::wstring(255, L'd') + L"\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(core::NormalizeProgramDirectory(c.in), c.out) << c.in.size();
}

TEST(Paths, CatalogueManualAndCompanionPaths) {
    const std::wstring dir = L"D:\\媒体\\";
    EXPECT_EQ(*core::CataloguePathFor(dir), L"D:\\媒体\\PrinterInfor.Inf");
    EXPECT_EQ(*core::ManualPathFor(dir, L"VP-7730.pdf"), L"D:\\媒体\\OrvaneManual\\VP-7730.pdf");
    EXPECT_EQ(*core::ManualPathFor(dir, std::nullopt), L"D:\\媒体\\OrvaneManual\\Printer.PDF");
    EXPECT_EQ(*core::OtherSoftwarePathFor(dir, L"Tools\\Quorin.exe"), L"D:\\媒体\\Tools\\Quorin.exe");
    // No directory means no path at all, never one relative to the current directory.
    EXPECT_FALSE(core::CataloguePathFor(L"").has_value());
    EXPECT_FALSE(core::ManualPathFor(L"", std::nullopt).has_value());
    EXPECT_FALSE(core::OtherSoftwarePathFor(L"", L"Quorin.exe").has_value());
    EXPECT_FALSE(core::OtherSoftwarePathFor(dir, L"").has_value());
}

TEST(Paths, OverLongPathsAreMissingNotCut) {
    // 259 - len("OrvaneManual\") - len("Printer.PDF") = 235 leaves exactly the limit.
    const std::wstring fits(259 - 13 - 11, L'd');
    EXPECT_EQ(core::ManualPathFor(fits, std::nullopt)->size(), core::kMaxPathChars);
    EXPECT_FALSE(core::ManualPathFor(fits + L"d", std::nullopt).has_value());
    EXPECT_FALSE(core::ManualPathFor(fits, L"Printer.PDFx").has_value());
    const std::wstring dir(200, L'd');
    EXPECT_FALSE(core::OtherSoftwarePathFor(dir, std::wstring(60, L'q')).has_value());
    EXPECT_TRUE(core::OtherSoftwarePathFor(dir, std::wstring(59, L'q')).has_value());
    EXPECT_FALSE(core::CataloguePathFor(std::wstring(244, L'd')).has_value());
    EXPECT_TRUE(core::CataloguePathFor(std::wstring(243, L'd')).has_value());
}

TEST(Paths, DriverInfPathHasBothDirectoryLevels) {
    const std::wstring dir = L"E:\\";
    const struct {
        PinType pin;
        std::wstring expected;
    } cases[] = {
        {PinType::Pin24, L"E:\\OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF"},
        {PinType::Pin9, L"E:\\OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF"},
        {PinType::PinOther, L"E:\\OrvaneDriver\\OrvaneDriver\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(*core::DriverInfPathFor(dir, c.pin), c.expected);
    // 259 - 26 - 23 = 210 characters of directory fit a 24-pin path exactly.
    const std::wstring fits(210, L'd');
    EXPECT_EQ(core::DriverInfPathFor(fits, PinType::Pin24)->size(), core::kMaxPathChars);
    EXPECT_FALSE(core::DriverInfPathFor(fits + L"d", PinType::Pin24).has_value());
    EXPECT_TRUE(core::DriverInfPathFor(fits + L"d", PinType::Pin9).has_value());
    EXPECT_FALSE(core::DriverInfPathFor(L"", PinType::PinOther).has_value());
}

// ---- High-speed names ------------------------------------------------------

TEST(HighSpeedNames, ExactMatchesOnly) {
    const struct {
        std::wstring printer, display;
    } display[] = {
        {L"Orvane VP-7730", L"Orvane 曜驰7730"},   {L"Orvane VP-7730+", L"Orvane 曜驰7730+"},
        {L"Orvane VP-7330", L"Orvane 曜驰7330"},   {L"Orvane VP-7330+", L"Orvane 曜驰7330+"},
        {L"Orvane VP-7730 II", L"Orvane VP-7730 II"}, {L"Orvane VP-7330++", L"Orvane VP-7330++"},
        {L"orvane vp-7730", L"orvane vp-7730"},   {L" Orvane VP-7730", L" Orvane VP-7730"},
        {L"Orvane LQ-630K", L"Orvane LQ-630K"},   {L"", L""},
    };
    for (const auto& c : display) EXPECT_EQ(core::GetDisplayPrinterName(c.printer), c.display);

    const struct {
        std::wstring reported, listed;
    } models[] = {
        {L"VP-7730", L"曜驰7730"},   {L"VP-7730+", L"曜驰7730+"}, {L"VP-7330", L"曜驰7330"},
        {L"VP-7330+", L"曜驰7330+"}, {L"VP-7730X", L"VP-7730X"}, {L"vp-7330", L"vp-7330"},
        {L"VP-7330 ", L"VP-7330 "},  {L"LQ-630K", L"LQ-630K"},   {L"", L""},
    };
    for (const auto& c : models) EXPECT_EQ(core::MapDeviceModelName(c.reported), c.listed);
}

// ---- Hardware ID lines ------------------------------------------------------

struct LineCase {
    const char* name;
    std::string line;
    core::HardwareIdLine verdict;
    std::string id;
};

TEST(HardwareIdLine, JudgesOneModelsLine) {
    const std::string key = core::QuotedPrinterKey("Orvane VP-7730");
    ASSERT_EQ(key, "\"Orvane VP-7730\"");
    const LineCase cases[] = {
        {"usual line", "\"Orvane VP-7730\" = VP7730.Install,USBPRINT\\OrvaneVP-7730A1B2,LPTENUM\\X",
         core::HardwareIdLine::Match, "USBPRINT\\OrvaneVP-7730A1B2"},
        {"blank after the comma stays", "\"Orvane VP-7730\"=Inst, USBPRINT\\Orv , LPT", core::HardwareIdLine::Match,
         " USBPRINT\\Orv "},
        {"one comma only: empty ID, found", "\"Orvane VP-7730\"=Inst,USBPRINT\\Orv", core::HardwareIdLine::Match, ""},
        {"USB anywhere after the comma", "\"Orvane VP-7730\"=Inst,LPTENUM\\Orv,USBPRINT\\Orv",
         core::HardwareIdLine::Match, "LPTENUM\\Orv"},
        {"USB split by the comma", "\"Orvane VP-7730\"=InstU,SB", core::HardwareIdLine::NoMatch, ""},
        {"USB ending just before the comma", "\"Orvane VP-7730\"=InstUSB,x,y", core::HardwareIdLine::NoMatch, ""},
        {"USB right after the comma", "\"Orvane VP-7730\"=Inst,USB,y", core::HardwareIdLine::Match, "USB"},
        {"no USB at all", "\"Orvane VP-7730\"=Inst,LPTENUM\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"USB only before the comma", "\"Orvane VP-7730\"=USBInst,LPTENUM\\Orv", core::HardwareIdLine::NoMatch, ""},
        {"lower-case usb", "\"Orvane VP-7730\"=Inst,usbprint\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"no comma", "\"Orvane VP-7730\"=Inst USBPRINT", core::HardwareIdLine::NoMatch, ""},
        {"leading blank", " \"Orvane VP-7730\"=Inst,USBPRINT\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"leading tab", "\t\"Orvane VP-7730\"=Inst,USBPRINT\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"other printer with the name as prefix", "\"Orvane VP-7730+\"=Inst,USBPRINT\\Orv,x",
         core::HardwareIdLine::NoMatch, ""},
        {"letter case differs", "\"orvane VP-7730\"=Inst,USBPRINT\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"unquoted name", "Orvane VP-7730=Inst,USBPRINT\\Orv,x", core::HardwareIdLine::NoMatch, ""},
        {"the key alone", "\"Orvane VP-7730\"", core::HardwareIdLine::NoMatch, ""},
        {"ID of the longest length", "\"Orvane VP-7730\"=I,USB" + std::string(1020, 'x') + ",z",
         core::HardwareIdLine::Match, "USB" + std::string(1020, 'x')},
        {"ID over the limit", "\"Orvane VP-7730\"=I,USB" + std::string(1021, 'x') + ",z", core::HardwareIdLine::Unusable,
         ""},
        {"ID holding a zero byte", std::string("\"Orvane VP-7730\"=I,USB\0x,z", 26), core::HardwareIdLine::Unusable, ""},
    };
    for (const auto& c : cases) {
        std::string id = "untouched";
        const core::HardwareIdLine verdict = core::MatchHardwareIdLine(c.line, key, id);
        EXPECT_EQ(verdict, c.verdict) << c.name;
        if (c.verdict == core::HardwareIdLine::Match) EXPECT_EQ(id, c.id) << c.name;
        else EXPECT_EQ(id, "untouched") << c.name;
    }
}

TEST(HardwareIdLine, EmptyKeyMatchesNothing) {
    std::string id;
    EXPECT_EQ(core::MatchHardwareIdLine("\"\"=x,USB,y", "", id), core::HardwareIdLine::NoMatch);
}

// A printer's INF with CRLF line ends, comments, blank lines and several IDs per models line.
const char kInf[] =
    "; Orvane dot-matrix printers\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "\r\n"
    "[Orvane.NTamd64]\r\n"
    "; \"Orvane VP-7730\"=VP7730,USBPRINT\\Commented,x\r\n"
    "\t\"Orvane VP-7730\"=VP7730,USBPRINT\\Tabbed,x\r\n"
    "\"Orvane VP-7730\"=VP7730,LPTENUM\\OrvaneVP-7730,USBPRINT\\Later\r\n"
    "\"Orvane VP-7730\"=VP7730,USBPRINT\\OrvaneVP-7730A1B2,LPTENUM\\OrvaneVP-7730,OrvaneVP-7730\r\n"
    "\"Orvane VP-7330\" = VP7330, USBPRINT\\OrvaneVP-7330C3D4 ,LPTENUM\\OrvaneVP-7330\r\n"
    "\"Orvane LQ-100\"=LQ100,USBPRINT\r\n"
    "\"Orvane LQ-200\"=LQ200\r\n"
    "\"Orvane LQ-300\"=LQ300,USBPRINT\\OrvaneLQ-300";  // last line without line end

TEST(HardwareIdSearch, FirstUsbLineOfThePrinterDecides) {
    const struct {
        const char* printer;
        core::HardwareIdSearch::Status status;
        std::string id;
        size_t line;
    } cases[] = {
        // Line 8 has USB only after its second comma, so it is the ID there.
        {"Orvane VP-7730", core::HardwareIdSearch::Found, "LPTENUM\\OrvaneVP-7730", 8},
        {"Orvane VP-7330", core::HardwareIdSearch::Found, " USBPRINT\\OrvaneVP-7330C3D4 ", 10},
        {"Orvane LQ-100", core::HardwareIdSearch::Found, "", 11},
        {"Orvane LQ-200", core::HardwareIdSearch::NotFound, "", 0},
        {"Orvane LQ-300", core::HardwareIdSearch::Found, "", 13},
        {"Orvane VP-7730+", core::HardwareIdSearch::NotFound, "", 0},
        {"", core::HardwareIdSearch::NotFound, "", 0},
    };
    for (const auto& c : cases) {
        const core::HardwareIdSearch s = core::FindHardwareIdInText(kInf, c.printer);
        EXPECT_EQ(s.status, c.status) << c.printer;
        EXPECT_EQ(s.id, c.id) << c.printer;
        EXPECT_EQ(s.lineNumber, c.line) << c.printer;
    }
}

TEST(HardwareIdSearch, LineWithoutUsbIsPassedOverForTheNextOne) {
    const std::string inf =
        "\"Orvane LQ-630K\"=LQ630,LPTENUM\\OrvaneLQ-630K,x\r\n"
        "\"Orvane LQ-630K\"=LQ630,USBPRINT\\OrvaneLQ-630K9F,LPTENUM\\OrvaneLQ-630K\r\n";
    const core::HardwareIdSearch s = core::FindHardwareIdInText(inf, "Orvane LQ-630K");
    EXPECT_EQ(s.status, core::HardwareIdSearch::Found);
    EXPECT_EQ(s.id, "USBPRINT\\OrvaneLQ-630K9F");
    EXPECT_EQ(s.lineNumber, 2u);
}

// Regression: an over-long ID must not be cut into a wrong one, nor replaced
// by a later line's ID that the first matching line hides.
TEST(HardwareIdSearch, OverLongIdIsUnusableNotCut) {
    const std::string inf = "\"P\"=I,USBPRINT\\" + std::string(1100, 'x') + ",y\n\"P\"=I,USBPRINT\\Short,y\n";
    const core::HardwareIdSearch s = core::FindHardwareIdInText(inf, "P");
    EXPECT_EQ(s.status, core::HardwareIdSearch::Unusable);
    EXPECT_TRUE(s.id.empty());
    EXPECT_EQ(s.lineNumber, 1u);
}

TEST(HardwareIdSearch, LineEndsAndEmptyText) {
    EXPECT_EQ(core::FindHardwareIdInText("", "P").status, core::HardwareIdSearch::NotFound);
    EXPECT_EQ(core::FindHardwareIdInText("\n\n\r\n", "P").status, core::HardwareIdSearch::NotFound);
    // LF-only line ends count the same as CRLF.
    const core::HardwareIdSearch s = core::FindHardwareIdInText("x\n\"P\"=I,USB\\1,y\n", "P");
    EXPECT_EQ(s.id, "USB\\1");
    EXPECT_EQ(s.lineNumber, 2u);
    // A CR ends no line: the key must still be at the start of a line.
    EXPECT_EQ(core::FindHardwareIdInText("x\r\"P\"=I,USB\\1,y", "P").status, core::HardwareIdSearch::NotFound);
}

}  // namespace
