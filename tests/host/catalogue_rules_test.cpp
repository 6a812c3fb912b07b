// The catalogue's and driver package's rules, without Windows.
#include "core/catalogue_rules.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using core::PinType;
using Entries = std::vector<std::wstring>;

// What a whole-section read leaves in its buffer: each entry followed by its
// zero.  The read's result counts these characters (not the final zero).
std::wstring SectionBuffer(const Entries& entries) {
    std::wstring buffer;
    for (const auto& e : entries) buffer += e + L'\0';
    return buffer;
}

// Entries of `count` names of `length` characters each, all different.
Entries ManyEntries(size_t count, size_t length) {
    Entries entries(count);
    for (size_t i = 0; i < count; ++i) entries[i] = (L"M" + std::to_wstring(i)).append(length, L'x').substr(0, length);
    return entries;
}

// ---- Section lists ------------------------------------------------------

TEST(SectionList, SplitsTheReadIntoWholeEntries) {
    const std::wstring longest(core::kMaxEntryChars, L'L');
    const std::wstring tooLong(core::kMaxEntryChars + 1, L'T');
    // 2045 characters still fit the 2048 buffer: 92 entries of 21 and one of 20.
    Entries justFits = ManyEntries(92, 21);
    justFits.push_back(std::wstring(20, L'z'));
    // Regression: a read that did not fit reports capacity - 2 with whole
    // entries in it, and those used to show as a partial list.
    std::wstring didNotFit = SectionBuffer(ManyEntries(300, 20));
    didNotFit.resize(core::kSectionCapacity - 2);
    didNotFit.back() = L'\0';
    const struct {
        const char* name;
        std::wstring filled;
        size_t capacity;
        bool ok;
        Entries entries;
    } cases[] = {
        {"key=value lines are whole entries, in file order", SectionBuffer({L"b=1", L"VP 系列=x=y", L"a"}), 2048, true,
         {L"b=1", L"VP 系列=x=y", L"a"}},
        {"last entry lacks its zero", std::wstring(L"a\0b", 3), 2048, false, {}},
        {"entry of the longest length kept", SectionBuffer({longest, L"x"}), 2048, true, {longest, L"x"}},
        {"over-long entry left out, others kept", SectionBuffer({L"a", tooLong, L"b"}), 2048, true, {L"a", L"b"}},
        {"empty entry left out", std::wstring(L"a\0\0b\0", 5), 2048, true, {L"a", L"b"}},
        {"2045 characters", SectionBuffer(justFits), 2048, true, justFits},
        {"section that did not fit", didNotFit, 2048, false, {}},
        {"small buffer, result capacity - 2", SectionBuffer({L"ab", L"cd"}), 8, false, {}},
    };
    for (const auto& c : cases) {
        core::SectionList list = core::SplitProfileSection(c.filled, c.capacity);
        EXPECT_EQ(list.ok, c.ok) << c.name;
        EXPECT_EQ(list.entries, c.entries) << c.name;
    }
}

// ---- Key values ------------------------------------------------------------

TEST(KeyValue, EmptyOrNotFittingCountsAsMissing) {
    const struct {
        size_t capacity;
        size_t valueLength;  // characters the read reports
        bool found;
    } cases[] = {
        // capacity - 1: cut or exactly full, cannot tell; over it: a result beyond the buffer
        {core::kPrinterTypeCapacity, 0, false},   {core::kPrinterTypeCapacity, 1, true},
        {core::kPrinterTypeCapacity, 19, false},  {core::kPrinterNameCapacity, 258, true},
        {core::kPrinterNameCapacity, 259, false}, {core::kManualCapacity, 98, true},
        {core::kManualCapacity, 99, false},       {core::kOtherSoftwareCapacity, 150, false},
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
        {L"24", PinType::Pin24},      {L"9", PinType::Pin9},       {L"09", PinType::PinOther},
        {L" 24", PinType::PinOther},  {L"24 ", PinType::PinOther}, {L"9pin", PinType::PinOther},
        {L"", PinType::PinOther},     {L"２４", PinType::PinOther},
    };
    for (const auto& c : cases) EXPECT_EQ(core::PinTypeFromValue(c.value), c.expected) << "value \"" << c.value << "\"";
}

// ---- Paths --------------------------------------------------------------

// Every path is built whole or not at all: never over 259 characters (a cut
// path names another file), never relative to the current directory.
TEST(Paths, BuiltFromTheProgramDirectoryWholeOrNotAtAll) {
    const std::wstring dir = L"D:\\媒体\\", driver = L"E:\\OrvaneDriver\\OrvaneDriver\\";
    const std::wstring d235(235, L'd'), d210(210, L'd'), d200(200, L'd'), d255 = L"C:\\" + std::wstring(255, L'd');
    const std::optional<std::wstring> none;
    const struct {
        std::optional<std::wstring> got, expected;
    } cases[] = {
        {core::NormalizeProgramDirectory(L"C:\\Setup"), L"C:\\Setup\\"},
        {core::NormalizeProgramDirectory(L""), none},
        {core::NormalizeProgramDirectory(d255), d255 + L"\\"},
        {core::NormalizeProgramDirectory(d255 + L"d"), none},  // 259 plus the added backslash
        {core::CataloguePathFor(dir), L"D:\\媒体\\PrinterInfor.Inf"},
        {core::CataloguePathFor(std::wstring(243, L'd')), std::wstring(243, L'd') + L"PrinterInfor.Inf"},
        {core::CataloguePathFor(std::wstring(244, L'd')), none},
        {core::ManualPathFor(dir, std::nullopt), L"D:\\媒体\\OrvaneManual\\Printer.PDF"},
        {core::ManualPathFor(d235, std::nullopt), d235 + L"OrvaneManual\\Printer.PDF"},  // 259
        {core::ManualPathFor(d235 + L"d", std::nullopt), none},
        {core::ManualPathFor(d235, L"Printer.PDFx"), none},
        {core::OtherSoftwarePathFor(dir, L""), none},
        {core::OtherSoftwarePathFor(d200, std::wstring(59, L'q')), d200 + std::wstring(59, L'q')},
        {core::OtherSoftwarePathFor(d200, std::wstring(60, L'q')), none},
        {core::DriverInfPathFor(L"E:\\", PinType::Pin24), driver + L"Orvane 24pin\\Orvane.INF"},
        {core::DriverInfPathFor(L"E:\\", PinType::PinOther), driver},
        {core::DriverInfPathFor(L"", PinType::PinOther), none},
        {core::DriverInfPathFor(d210, PinType::Pin24), d210 + L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF"},
        {core::DriverInfPathFor(d210 + L"d", PinType::Pin24), none},
        {core::DriverInfPathFor(d210 + L"d", PinType::Pin9),
         d210 + L"dOrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].expected) << "case " << i;
}

// ---- High-speed names ------------------------------------------------------

TEST(HighSpeedNames, ExactMatchesOnly) {
    const struct {
        std::wstring printer, display;
    } display[] = {
        {L"Orvane VP-7730", L"Orvane 曜驰7730"}, {L"Orvane VP-7730+", L"Orvane 曜驰7730+"},
        {L"Orvane VP-7330", L"Orvane 曜驰7330"}, {L"Orvane VP-7330+", L"Orvane 曜驰7330+"},
        {L"Orvane VP-7730 II", L"Orvane VP-7730 II"}, {L" Orvane VP-7730", L" Orvane VP-7730"},
    };
    for (const auto& c : display) EXPECT_EQ(core::GetDisplayPrinterName(c.printer), c.display);
    const struct {
        std::wstring reported, listed;
    } models[] = {
        {L"VP-7730", L"曜驰7730"}, {L"VP-7730+", L"曜驰7730+"}, {L"VP-7330", L"曜驰7330"}, {L"VP-7330+", L"曜驰7330+"},
        {L"VP-7730X", L"VP-7730X"}, {L"vp-7330", L"vp-7330"},   {L"VP-7330 ", L"VP-7330 "},
    };
    for (const auto& c : models) EXPECT_EQ(core::MapDeviceModelName(c.reported), c.listed);
}

// ---- Hardware ID lines ------------------------------------------------------
// (FindUsbHardwareId's tests under Wine add lines led by blanks, one comma
// only, other printers' names and two lines for one printer.)

TEST(HardwareIdLine, JudgesOneModelsLine) {
    using enum core::HardwareIdLine;
    const std::string key = core::QuotedPrinterKey("Orvane VP-7730");
    ASSERT_EQ(key, "\"Orvane VP-7730\"");
    const std::string x1020(1020, 'x');
    const struct {
        std::string line;
        core::HardwareIdLine verdict;
        std::string id;
    } cases[] = {
        {"\"Orvane VP-7730\" = VP7730.Install,USBPRINT\\OrvaneVP-7730A1B2,LPTENUM\\X", Match,
         "USBPRINT\\OrvaneVP-7730A1B2"},
        {"\"Orvane VP-7730\"=Inst, USBPRINT\\Orv , LPT", Match, " USBPRINT\\Orv "},  // blanks kept
        {"\"Orvane VP-7730\"=Inst,LPTENUM\\Orv,USBPRINT\\Orv", Match, "LPTENUM\\Orv"},  // USB anywhere after
        {"\"Orvane VP-7730\"=InstUSB,x,y", NoMatch, ""},  // USB ending just before the comma
        {"\"Orvane VP-7730\"=USBInst,LPTENUM\\Orv", NoMatch, ""},
        {"\"Orvane VP-7730\"=Inst,usbprint\\Orv,x", NoMatch, ""},
        {"\t\"Orvane VP-7730\"=Inst,USBPRINT\\Orv,x", NoMatch, ""},
        {"\"orvane VP-7730\"=Inst,USBPRINT\\Orv,x", NoMatch, ""},
        {"\"Orvane VP-7730\"=I,USB" + x1020 + ",z", Match, "USB" + x1020},  // the longest ID
        {"\"Orvane VP-7730\"=I,USB" + x1020 + "x,z", Unusable, ""},
        {std::string("\"Orvane VP-7730\"=I,USB\0x,z", 26), Unusable, ""},  // a zero byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        std::string id = "untouched";
        EXPECT_EQ(core::MatchHardwareIdLine(c.line, key, id), c.verdict);
        EXPECT_EQ(id, c.verdict == Match ? c.id : "untouched");
    }
}

// The search over a whole INF: which line decides and its number.  Lines
// end at LF, with or without a CR before it; a CR alone ends no line.
TEST(HardwareIdSearch, FirstUsbLineOfThePrinterDecides) {
    using enum core::HardwareIdSearch::Status;
    const std::string inf = "; \"P\"=I,USB\\Comment,x\n"
                            "\"P\"=I,LPTENUM\\P,x\r\n"
                            "x\r\"P\"=I,USB\\AfterCR,y\n"
                            "\"P\"=I,USB\\1,USB\\2\r\n"
                            "\"P\"=I,USB\\Later,y\n"
                            // Regression: an over-long ID must not be cut into a wrong one,
                            // nor replaced by a later line's ID that the first line hides.
                            "\"Q\"=I,USBPRINT\\" + std::string(1100, 'x') + ",y\n" +
                            "\"Q\"=I,USBPRINT\\Short,y\n"
                            "\"R\"=I,USBPRINT\\R";  // last line without line end, one comma only
    const struct {
        const char* printer;
        core::HardwareIdSearch::Status status;
        std::string id;
        size_t line;
    } cases[] = {
        {"P", Found, "USB\\1", 4}, {"Q", Unusable, "", 6}, {"R", Found, "", 8}, {"S", NotFound, "", 0},
        {"", NotFound, "", 0},
    };
    for (const auto& c : cases) {
        const core::HardwareIdSearch s = core::FindHardwareIdInText(inf, c.printer);
        EXPECT_EQ(s.status, c.status) << c.printer;
        EXPECT_EQ(s.id, c.id) << c.printer;
        EXPECT_EQ(s.lineNumber, c.line) << c.printer;
    }
    EXPECT_EQ(core::FindHardwareIdInText("", "P").status, NotFound);
}

}  // namespace
