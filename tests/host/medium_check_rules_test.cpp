// Every rule of the medium checker against a medium that breaks it: the
// findings must be exactly the expected ones, no more, so that a rule that
// stops firing and a rule that fires where the installer would not fail are
// both caught.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "medium_check_test_media.h"

namespace {

using mctest::kCatalogue;
using mctest::kInf24;
using mctest::kInf9;
using mctest::Medium;

struct RuleCase {
    const char* name;
    std::function<void(Medium&)> change;
    std::vector<std::string> expected;  // mctest::Brief of each finding, any order
    core::CheckOptions options = {};
};

std::string At(const char* severityRule, const std::wstring& file, size_t line) {
    return std::string(severityRule) + " " + core::ToUtf8(file) + ":" + std::to_string(line);
}
std::string Cat(const char* severityRule, size_t line) { return At(severityRule, kCatalogue, line); }

void RunCases(const std::vector<RuleCase>& cases) {
    for (const RuleCase& c : cases) {
        Medium medium = Medium::Good();
        c.change(medium);
        const core::CheckReport report = mctest::Check(medium, c.options);
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(mctest::Briefs(report), expected) << c.name << "\n" << mctest::Listed(report);
    }
}

// The names a model needs to install cleanly: printer name, pin type, models line.
void AddModel(Medium& m, const std::wstring& series, const std::wstring& model, const std::wstring& printer) {
    m.InsertAfter(L"[" + series + L"]", {model});
    m.InsertAfter(L"[PRINTER_NAME]", {model + L"=" + printer});
    m.InsertAfter(L"[PRINTER_TYPE]", {printer + L"=24"});
    m.files[kInf24] += "\"" + core::ToUtf8(printer) + "\" = X.GPD,USBPRINT\\X,LPTENUM\\X\r\n";
}

TEST(MediumCheckRules, GoodMediumIsClean) {
    const core::CheckReport report = mctest::Check(Medium::Good());
    EXPECT_TRUE(report.findings.empty()) << mctest::Listed(report);
    EXPECT_EQ(report.series, 2u);
    EXPECT_EQ(report.models, 3u);
}

TEST(MediumCheckRules, CatalogueFile) {
    RunCases({
        {"missing", [](Medium& m) { m.hasCatalogue = false; }, {"error catalogue-missing PrinterInfor.Inf:0"}},
        {"GBK text reads like UTF-16", [](Medium& m) { m.encoding = mctest::Encoding::Gbk; }, {}},
        {"UTF-8 with its mark: Windows reads it as GBK and loses the first header",
         [](Medium& m) { m.encoding = mctest::Encoding::Utf8Bom; },
         {Cat("error catalogue-encoding", 1), Cat("error series-list-empty", 0)}},
        // Read as GBK, the UTF-8 bytes of "高速系列" end in a lead byte that
        // swallows the "]" of its section header: the series loses its
        // section, and the header line becomes a model of the series before.
        {"UTF-8 without a mark",
         [](Medium& m) { m.encoding = mctest::Encoding::Utf8; },
         {Cat("error catalogue-encoding", 2), Cat("error series-without-models", 3), Cat("error no-printer-name", 0)}},
        {"UTF-8 without a mark, names that survive the misreading: still an error",
         [](Medium& m) {
             m.encoding = mctest::Encoding::Utf8;
             m.Replace(L"高速系列", L"高速系列x");
             m.Replace(L"[高速系列]", L"[高速系列x]");
         },
         {Cat("error catalogue-encoding", 2)}},
        {"UTF-16 big-endian",
         [](Medium& m) { m.encoding = mctest::Encoding::Utf16BE; },
         {Cat("error catalogue-encoding", 0), Cat("error series-list-empty", 0),
          Cat("error companion-missing", 0), Cat("error companion-missing", 0)}},
        {"UTF-16 without a mark",
         [](Medium& m) { m.encoding = mctest::Encoding::Utf16NoBom; },
         {Cat("error catalogue-encoding", 0), Cat("error series-list-empty", 0),
          Cat("error companion-missing", 0), Cat("error companion-missing", 0)}},
    });
}

// A GBK catalogue with bytes that are no GBK text on one (comment) line.
TEST(MediumCheckRules, InvalidGbkBytesAreAWarningOnTheirLine) {
    Medium m = Medium::Good();
    m.encoding = mctest::Encoding::Gbk;
    std::string bytes = m.CatalogueBytes();
    bytes.insert(0, "; \x81\x20 note\r\n");  // 0x81 needs a trail byte of 0x40 or more
    m.hasCatalogue = false;
    m.files[kCatalogue] = bytes;
    const core::CheckReport report = mctest::Check(m);
    EXPECT_EQ(mctest::Briefs(report), (std::vector<std::string>{"warning catalogue-encoding PrinterInfor.Inf:1"}))
        << mctest::Listed(report);
}

TEST(MediumCheckRules, SeriesList) {
    RunCases({
        {"no PRINTER_SERIES header", [](Medium& m) { m.Remove(L"[PRINTER_SERIES]"); },
         {Cat("error series-list-empty", 0)}},
        {"PRINTER_SERIES holds only comments",
         [](Medium& m) {
             m.Replace(L"经典系列", L"; 经典系列");
             m.Replace(L"高速系列", L";高速系列");
         },
         {Cat("error series-list-empty", 1)}},
        {"series listed without a section", [](Medium& m) { m.InsertAfter(L"高速系列", {L"无型号系列"}); },
         {Cat("error series-without-models", 4)}},
        {"series section without lines",
         [](Medium& m) {
             m.InsertAfter(L"高速系列", {L"空系列"});
             m.catalogue.push_back(L"[空系列]");
         },
         {Cat("error series-without-models", 24)}},
        {"series line with '=' names a section of the whole line",
         [](Medium& m) { m.Replace(L"高速系列", L"高速系列=VP"); },
         {Cat("error series-without-models", 3)}},
        {"the same series listed twice is checked once", [](Medium& m) { m.InsertAfter(L"高速系列", {L"高速系列"}); },
         {}},
        {"model listed in two series",
         [](Medium& m) { m.InsertAfter(L"[高速系列]", {L"OP-730K"}); }, {"warning model-in-two-series PrinterInfor.Inf:8"}},
        {"series and section differ in letter case only: the profile functions match them",
         [](Medium& m) {
             m.Replace(L"高速系列", L"Fast");
             m.Replace(L"[高速系列]", L"[FAST]");
         },
         {}},
    });
}

// The 2048-character buffer of a list: 2045 characters of lines (with their
// zeros) still fit, 2046 is what the read reports for a buffer it filled, and
// the installer drops the whole list.
TEST(MediumCheckRules, SeriesSectionOneCharacterTooLongEmptiesTheModelList) {
    for (const size_t total : {size_t{2045}, size_t{2046}, size_t{2047}}) {
        Medium m = Medium::Good();
        // The two models there take 8 + 8 characters with their zeros.
        size_t used = 16;
        int n = 0;
        while (used < total) {
            const size_t room = total - used;
            // Entries of 20 characters (21 with the zero) until the last, which fills the rest.
            const size_t length = room - 1 >= 42 ? 20 : room - 1;
            std::wstring model = L"M" + std::to_wstring(n++) + L"-";
            model.resize(length, L'x');
            AddModel(m, L"经典系列", model, L"Orvane " + model);
            used += length + 1;
        }
        const core::CheckReport report = mctest::Check(m);
        if (total <= 2045)
            EXPECT_TRUE(report.findings.empty()) << total << "\n" << mctest::Listed(report);
        else
            EXPECT_EQ(mctest::Briefs(report), (std::vector<std::string>{Cat("error section-too-long", 4)}))
                << total << "\n" << mctest::Listed(report);
        if (total == 2046) {
            ASSERT_EQ(report.findings.size(), 1u);
            EXPECT_NE(report.findings[0].message.find(L"needs 2046 characters"), std::wstring::npos)
                << core::ToUtf8(report.findings[0].message);
        }
    }
}

TEST(MediumCheckRules, SeriesListTooLong) {
    Medium m = Medium::Good();
    std::vector<std::wstring> many;
    for (int i = 0; i < 120; ++i) many.push_back(L"Series number " + std::to_wstring(i) + L" xx");
    m.InsertAfter(L"高速系列", many);
    const core::CheckReport report = mctest::Check(m);
    EXPECT_EQ(mctest::Briefs(report), (std::vector<std::string>{Cat("error section-too-long", 1)}))
        << mctest::Listed(report);
    EXPECT_EQ(report.series, 0u);
}

TEST(MediumCheckRules, ListEntryLength) {
    RunCases({
        {"model name of 255 characters is listed",
         [](Medium& m) { AddModel(m, L"高速系列", std::wstring(255, L'L'), L"Orvane Long"); }, {}},
        {"model name of 256 characters is left out",
         [](Medium& m) { AddModel(m, L"高速系列", std::wstring(256, L'L'), L"Orvane Long"); },
         {Cat("error entry-too-long", 8)}},
    });
}

TEST(MediumCheckRules, PrinterName) {
    RunCases({
        {"no PRINTER_NAME entry", [](Medium& m) { m.Remove(L"OP-9150="); }, {Cat("error no-printer-name", 0)}},
        {"empty value", [](Medium& m) { m.Replace(L"OP-9150=", L"OP-9150="); }, {Cat("error no-printer-name", 11)}},
        {"line without '='", [](Medium& m) { m.Replace(L"OP-9150=", L"OP-9150"); }, {Cat("error no-printer-name", 11)}},
        {"model list line holding '='", [](Medium& m) { m.Replace(L"OP-9150", L"OP-9150=Orvane OP-9150"); },
         {Cat("error no-printer-name", 0)}},
        {"value of 259 characters does not fit 260",
         [](Medium& m) { m.Replace(L"OP-9150=", L"OP-9150=" + std::wstring(259, L'P')); },
         {Cat("error no-printer-name", 11)}},
        {"key in other letter case is found, as by the profile functions",
         [](Medium& m) { m.Replace(L"OP-9150=", L"op-9150 = Orvane OP-9150"); }, {}},
        {"quoted value loses its quotation marks",
         [](Medium& m) { m.Replace(L"OP-9150=", L"OP-9150=\"Orvane OP-9150\""); }, {}},
        {"entry only in a second PRINTER_NAME section",
         [](Medium& m) {
             m.Remove(L"OP-9150=");
             m.catalogue.push_back(L"[PRINTER_NAME]");
             m.catalogue.push_back(L"OP-9150=Orvane OP-9150");
         },
         {Cat("error no-printer-name", 23), Cat("warning duplicate-section", 22)}},
    });
}

// The installer holds a printer name whole, however long (up to the 258
// characters a PRINTER_NAME value can have): no limit of its own to report.
TEST(MediumCheckRules, PrinterNameCharacters) {
    RunCases({
        {"258 characters", [](Medium& m) { AddModel(m, L"高速系列", L"Long", L"Orvane " + std::wstring(251, L'N')); },
         {}},
        {"comma", [](Medium& m) { AddModel(m, L"高速系列", L"Comma", L"Orvane A,B"); },
         {Cat("error printer-name-character", 11), "error hardware-id-wrong " + core::ToUtf8(kInf24) + ":7"}},
        {"backslash", [](Medium& m) { AddModel(m, L"高速系列", L"Slash", L"Orvane A\\B"); },
         {Cat("error printer-name-character", 11)}},
        {"quotation mark", [](Medium& m) { AddModel(m, L"高速系列", L"Quote", L"Orvane A\"B"); },
         {Cat("error printer-name-character", 11)}},
        {"character outside code page 936",
         [](Medium& m) { AddModel(m, L"高速系列", L"Thai", L"Orvane \x0E01"); },
         {"error printer-name-not-ansi " + core::ToUtf8(kInf24) + ":0"}},
    });
}

TEST(MediumCheckRules, PrinterType) {
    RunCases({
        {"missing", [](Medium& m) { m.Remove(L"Orvane OP-9150="); }, {Cat("error no-printer-type", 0)}},
        {"keyed by the model name", [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"OP-9150=9"); },
         {Cat("error no-printer-type", 0)}},
        {"leading zero", [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150=09"); },
         {Cat("error bad-printer-type", 15)}},
        {"other text", [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150=9pin"); },
         {Cat("error bad-printer-type", 15)}},
        {"blanks around the value are not part of it",
         [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150 =  9 "); }, {}},
        {"quoted value", [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150=\"9\""); }, {}},
        {"value of 19 characters does not fit 20",
         [](Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150=" + std::wstring(19, L'9')); },
         {Cat("error no-printer-type", 15)}},
    });
}

TEST(MediumCheckRules, DriverInf) {
    const std::string inf24 = core::ToUtf8(kInf24), inf9 = core::ToUtf8(kInf9);
    const auto at24 = [&](const char* r, size_t line) { return std::string(r) + " " + inf24 + ":" + std::to_string(line); };
    const auto at9 = [&](const char* r, size_t line) { return std::string(r) + " " + inf9 + ":" + std::to_string(line); };
    RunCases({
        {"INF missing", [](Medium& m) { m.files.erase(kInf9); }, {at9("error inf-missing", 0)}},
        {"INF unreadable", [](Medium& m) { m.unreadable.insert(kInf9); }, {at9("error inf-missing", 0)}},
        {"INF in UTF-16", [](Medium& m) {
             std::wstring wide;
             ASSERT_TRUE(core::Utf8ToWide(m.files[kInf24], wide));
             m.files[kInf24] = mctest::Utf16Bytes(wide, false, true);
         },
         {at24("error inf-utf16", 0)}},
        {"INF in UTF-16 without the model at all", [](Medium& m) {
             m.ReplaceInfLine(kInf24, "\"Orvane VP-7730\"", "; none");
             std::wstring wide;
             ASSERT_TRUE(core::Utf8ToWide(m.files[kInf24], wide));
             m.files[kInf24] = mctest::Utf16Bytes(wide, false, true);
         },
         {at24("error inf-utf16", 0), at24("error inf-no-model-line", 0)}},
        {"no line for the printer", [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "; gone"); },
         {at9("error inf-no-model-line", 0)}},
        {"line starts with a blank",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "  \"Orvane OP-9150\" = A,USBPRINT\\A,B"); },
         {at9("error inf-line-not-at-start", 4)}},
        {"line starts with a tab",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\t\"Orvane OP-9150\" = A,USBPRINT\\A,B"); },
         {at9("error inf-line-not-at-start", 4)}},
        {"name in other letter case",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"ORVANE OP-9150\" = A,USBPRINT\\A,B"); },
         {at9("error inf-line-not-at-start", 4)}},
        {"name only inside a line (strings)",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "%M9150% = A,USBPRINT\\A,B");
             m.files[kInf9] += "M9150=\"Orvane OP-9150\"\r\n";
         },
         {at9("error inf-line-not-at-start", 6)}},
        {"several IDs, USB first after the section: fine",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"",
                              "\"Orvane OP-9150\"\t= OP9150.dat,USBPRINT\\OrvaneOP9150AF90,LPTENUM\\OrvaneOP9150AF90,OP 9150");
         },
         {}},
        {"LPTENUM before USBPRINT: the installer takes the LPT ID",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,LPTENUM\\X,USBPRINT\\X");
         },
         {at9("error hardware-id-wrong", 4)}},
        {"USB only on a second line, first line without USB: the second gives the ID",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"",
                              "\"Orvane OP-9150\"=sec,LPTENUM\\X\r\n\"Orvane OP-9150\"=sec,USBPRINT\\X,L");
         },
         {}},
        {"no USB on any line of the printer",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,LPTENUM\\X"); },
         {at9("warning inf-no-usb-line", 4)}},
        {"'usb' in small letters does not count",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,usbprint\\X,lpt"); },
         {at9("warning inf-no-usb-line", 4)}},
        {"only one comma: empty ID",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,USBPRINT\\X"); },
         {at9("error hardware-id-empty", 4)}},
        {"nothing between the commas",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,,USBPRINT\\X"); },
         {at9("error hardware-id-empty", 4)}},
        {"blank after the first comma",
         [](Medium& m) { m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec, USBPRINT\\X,L"); },
         {at9("error hardware-id-blank", 4)}},
        {"ID of 1023 characters",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"",
                              "\"Orvane OP-9150\"=sec,USBPRINT\\" + std::string(1014, 'I') + ",L");
         },
         {}},
        {"ID of 1024 characters",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"",
                              "\"Orvane OP-9150\"=sec,USBPRINT\\" + std::string(1015, 'I') + ",L");
         },
         {at9("error hardware-id-unusable", 4)}},
        {"ID with bytes that are no GBK text",
         [](Medium& m) {
             m.ReplaceInfLine(kInf9, "\"Orvane OP-9150\"", "\"Orvane OP-9150\"=sec,USBPRINT\\\x81\x20,L");
         },
         {at9("error hardware-id-unusable", 4)}},
        {"Chinese printer name in a GBK INF",
         [](Medium& m) {
             m.Replace(L"曜驰7730=", L"曜驰7730=Orvane 曜驰7730");
             m.Replace(L"Orvane VP-7730=", L"Orvane 曜驰7730=24");
             m.ReplaceInfLine(kInf24, "\"Orvane VP-7730\"", mctest::Gbk(L"\"Orvane 曜驰7730\"=s,USBPRINT\\曜驰,L"));
         },
         {}},
        {"LF line ends and a last line without one",
         [](Medium& m) {
             m.files[kInf9] = "[Orvane.NTamd64]\n\"Orvane OP-9150\"=sec,USBPRINT\\X,L";
         },
         {}},
    });
}

TEST(MediumCheckRules, SetupCommandAndPaths) {
    // 53 characters of template, twice the 14 of each printer name, 52 of
    // the 24-pin INF path (51 of the 9-pin one) and the port.
    core::CheckOptions longestPort;
    longestPort.port = std::wstring(890, L'P');
    core::CheckOptions longPort;
    longPort.port = std::wstring(891, L'P');
    core::CheckOptions deepProgram;
    deepProgram.programDirectory = L"C:\\" + std::wstring(230, L'd') + L"\\";  // 234 characters
    core::CheckOptions deepest;
    deepest.programDirectory = L"C:\\" + std::wstring(250, L'd');
    core::CheckOptions deep200;
    deep200.programDirectory = L"C:\\" + std::wstring(196, L'd') + L"\\";  // 200 characters
    RunCases({
        {"set-up command of 1023 characters", [](Medium&) {}, {}, longestPort},
        {"set-up command over 1023 characters", [](Medium&) {},
         {Cat("error command-too-long", 10), Cat("error command-too-long", 12)}, longPort},
        // 234 + 49 > 259 for the INF paths; 234 + 13 + 11 for each manual
        // and 234 + 17 for each companion program fit.
        {"INF paths over 259 characters", [](Medium&) {},
         {Cat("error path-too-long", 10), Cat("error path-too-long", 11), Cat("error path-too-long", 12)},
         deepProgram},
        {"catalogue path over 259 characters", [](Medium&) {}, {Cat("error path-too-long", 0)}, deepest},
        // 200 + 49 for the INF paths fit; 200 + 13 + 50 for the manual and
        // 200 + 60 for the companion program do not.
        {"manual and companion paths over 259 characters",
         [](Medium& m) {
             m.Replace(L"OP-730K=OP", L"OP-730K=" + std::wstring(46, L'm') + L".pdf");
             m.Replace(L"Quorin=", L"Quorin=" + std::wstring(50, L'q') + L"\\Quorin.exe");
         },
         {Cat("error path-too-long", 18), Cat("error path-too-long", 21)},
         deep200},
    });
}

TEST(MediumCheckRules, ManualsAndCompanions) {
    RunCases({
        {"named manual missing", [](Medium& m) { m.files.erase(L"OrvaneManual\\VP-7730.pdf"); },
         {Cat("error manual-missing", 19)}},
        {"fallback manual missing", [](Medium& m) { m.files.erase(L"OrvaneManual\\Printer.PDF"); },
         {"error manual-missing OrvaneManual\\Printer.PDF:0"}},
        {"fallback not needed when every model names its manual",
         [](Medium& m) {
             m.files.erase(L"OrvaneManual\\Printer.PDF");
             m.InsertAfter(L"[PRINTER_MAN]", {L"OP-9150=OP-730K.pdf"});
         },
         {}},
        {"manual name of 99 characters is not read: Printer.PDF opens",
         [](Medium& m) { m.Replace(L"OP-730K=OP", L"OP-730K=" + std::wstring(95, L'm') + L".pdf"); },
         {Cat("warning manual-name-too-long", 18)}},
        {"manual name of 98 characters is read",
         [](Medium& m) {
             const std::wstring file = std::wstring(94, L'm') + L".pdf";
             m.Replace(L"OP-730K=OP", L"OP-730K=" + file);
             m.files[L"OrvaneManual\\" + file] = "%PDF";
         },
         {}},
        {"companion key missing", [](Medium& m) { m.Remove(L"Tessan="); }, {Cat("error companion-missing", 0)}},
        {"companion file missing", [](Medium& m) { m.files.erase(L"Quorin\\Quorin.exe"); },
         {Cat("error companion-missing", 21)}},
        {"companion file unreadable", [](Medium& m) { m.unreadable.insert(L"Quorin\\Quorin.exe"); },
         {Cat("error companion-missing", 21)}},
    });
}

TEST(MediumCheckRules, WhatTheReadsNeverReach) {
    RunCases({
        {"second PRINTER_TYPE section with lines",
         [](Medium& m) {
             m.catalogue.push_back(L"[PRINTER_TYPE]");
             m.catalogue.push_back(L"Orvane X=24");
         },
         {"warning duplicate-section PrinterInfor.Inf:23"}},
        {"second section of a name nobody reads", [](Medium& m) {
             m.catalogue.push_back(L"[Notes]");
             m.catalogue.push_back(L"a=1");
             m.catalogue.push_back(L"[Notes]");
             m.catalogue.push_back(L"b=2");
         },
         {}},
        {"key again with another value", [](Medium& m) { m.InsertAfter(L"OP-9150=", {L"OP-9150=Orvane Other"}); },
         {Cat("warning duplicate-key", 12)}},
        {"key again with the same value", [](Medium& m) { m.InsertAfter(L"OP-9150=", {L"OP-9150 = Orvane OP-9150"}); },
         {}},
        {"key nobody looks up, twice", [](Medium& m) { m.InsertAfter(L"OP-9150=", {L"Gone=1", L"Gone=2"}); }, {}},
    });
}

TEST(MediumCheckRules, IncompleteAccessIsReportedNotPassed) {
    mctest::Medium m = Medium::Good();
    mctest::FakeMedium fake(m);
    core::MediumAccess access = fake.Access();
    access.fileOpens = nullptr;
    const core::CheckReport report = core::CheckMedium(access, {});
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].rule, "cannot-check");
    EXPECT_EQ(report.findings[0].severity, core::Severity::Error);
}

// The installer reads the catalogue again for every list and lookup; the
// checker asks it the same way, so it reads each list once and each key of
// each model, not one whole-file parse that hides the profile functions.
TEST(MediumCheckRules, ReadsGoThroughTheProfileFunctions) {
    Medium m = Medium::Good();
    mctest::FakeMedium fake(m);
    core::CheckMedium(fake.Access(), {});
    EXPECT_EQ(fake.sectionReads, 3);               // series list and two series
    EXPECT_EQ(fake.stringReads, 3 * 3 + 2);        // name, type and manual per model; two companions
    EXPECT_EQ(fake.existenceTests, 3 + 2);         // three manuals, two companions
}

}  // namespace
