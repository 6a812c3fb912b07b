// Driver package selection against real catalogue and INF files: the INF
// path of the installation and the USB hardware ID of an INF file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/driver_package.h"
#include "catalogue/install_catalogue.h"
#include "catalogue_test_files.h"

namespace {

const std::wstring kPinCatalogue =
    cattest::Lines({L"[PRINTER_SERIES]", L"VP", L"[PRINTER_NAME]", L"曜驰7730=Orvane VP-7730", L"[PRINTER_TYPE]",
                    L"Orvane VP-7730=24", L"Orvane VP-9=9", L"Orvane VP-09=09"});

TEST(DriverInfPath, FollowsThePinTypeOfTheInstallationsPrinterName) {
    cattest::TempDir dir;
    InstallCatalogue catalogue(cattest::WriteCatalogue(dir, cattest::Utf16File(kPinCatalogue)));
    const std::wstring base = dir.Path() + L"OrvaneDriver\\OrvaneDriver\\";
    const struct {
        std::wstring printer, inf;
    } cases[] = {
        {L"Orvane VP-7730", base + L"Orvane 24pin\\Orvane.INF"},
        {L"Orvane VP-9", base + L"Orvane 9pin\\Orvane.INF"},
        {L"Orvane VP-09", base},  // "09": no INF file named
        {L"曜驰7730", base},      // a model name is no PRINTER_TYPE key
        {L"", base},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printer.size());
        catalogue.SetInstallPrinterName(c.printer);
        // Twice: the same path, not one appended to the last.
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(catalogue.BuildDriverInfPath());
            EXPECT_EQ(catalogue.InstallInfPath(), c.inf);
        }
    }
}

// The file is read on every call: a catalogue changed while the program runs
// is seen at once, lists and keys alike.
TEST(DriverInfPath, CatalogueIsReadAnewOnEveryCall) {
    cattest::TempDir dir;
    InstallCatalogue catalogue(cattest::WriteCatalogue(dir, cattest::Utf16File(kPinCatalogue)));
    std::vector<std::wstring> series;
    catalogue.SetInstallPrinterName(L"Orvane VP-9");
    ASSERT_TRUE(catalogue.BuildDriverInfPath());
    EXPECT_EQ(catalogue.InstallInfPath(), dir.Path() + L"OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF");
    ASSERT_TRUE(catalogue.GetSeriesList(series));
    ::Sleep(20);  // a file time that differs even on coarse clocks
    cattest::WriteCatalogue(dir, cattest::Utf16File(cattest::Lines(
                                     {L"[PRINTER_SERIES]", L"B", L"C", L"[PRINTER_TYPE]", L"Orvane VP-9=24"})));
    ASSERT_TRUE(catalogue.BuildDriverInfPath());
    EXPECT_EQ(catalogue.InstallInfPath(), dir.Path() + L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF");
    EXPECT_TRUE(catalogue.GetSeriesList(series));
    EXPECT_EQ(series, (std::vector<std::wstring>{L"B", L"C"}));
}

// An INF as driver packages ship it: CRLF, comments, blank lines, models
// lines with several IDs, and lines that look alike but must not match.
const std::string kLongestId = "USBPRINT\\" + std::string(1023 - 9, 'x');
const std::string kInf =
    "; Orvane dot-matrix printers\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "\"Orvane\"=Orvane,NTamd64\r\n"
    "[Orvane.NTamd64]\r\n"
    "; \"Orvane LQ-630K\"=LQ630K,USBPRINT\\Commented,x\r\n"
    " \"Orvane LQ-630K\"=LQ630K,USBPRINT\\Blank,x\r\n"
    "\t\"Orvane LQ-630K\"=LQ630K,USBPRINT\\Tab,x\r\n"
    "\"Orvane LQ-630K\"=LQ630K,LPTENUM\\OrvaneLQ-630K4C21,OrvaneLQ-630K4C21\r\n"
    "\"Orvane LQ-630K\"=LQ630K,USBPRINT\\OrvaneLQ-630K4C21,LPTENUM\\OrvaneLQ-630K4C21,OrvaneLQ-630K4C21\r\n"
    "\"Orvane LQ-630K\"=LQ630K,USBPRINT\\Later,x\r\n"
    "\"Orvane VP-7730\" = VP7730, USBPRINT\\OrvaneVP-7730A1B2,LPTENUM\\OrvaneVP-7730\r\n"
    "\"Orvane VP-7330\"=VP7330,USBPRINT\\OrvaneVP-7330\r\n"
    "\"Orvane VP-88\"=VP88,LPTENUM\\OrvaneVP-88\r\n"
    // Regression: an ID over 1023 characters was cut into a wrong one.
    "\"Orvane A\"=A,USBPRINT\\" + std::string(1100, 'x') + ",y\r\n" +
    "\"Orvane A\"=A,USBPRINT\\Short,y\r\n"
    "\"Orvane B\"=B," + kLongestId + ",y\r\n";

TEST(UsbHardwareId, TakesTheFirstUsbLineOfThePrinter) {
    cattest::TempDir dir;
    const std::wstring inf = dir.Write(L"Orvane.INF", kInf);
    const struct {
        std::wstring printer;
        bool found;
        std::wstring id;
    } cases[] = {
        // The first line has no USB after its first comma; the commented,
        // blank- and tab-led lines do not count.
        {L"Orvane LQ-630K", true, L"USBPRINT\\OrvaneLQ-630K4C21"},
        // Regression: the line rule took the blank after the comma, and
        // nothing at all from a line of one ID; Windows' parser reads both.
        {L"Orvane VP-7730", true, L"USBPRINT\\OrvaneVP-7730A1B2"},
        {L"Orvane VP-7330", true, L"USBPRINT\\OrvaneVP-7330"},
        {L"Orvane VP-88", false, L""},
        {L"Orvane VP-7730+", false, L""},
        {L"orvane vp-7730", false, L""},
        {L"Orvane A", false, L""},
        {L"Orvane B", true, std::wstring(kLongestId.begin(), kLongestId.end())},
        {L"", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printer.size());
        std::wstring id = L"stale";
        EXPECT_EQ(FindUsbHardwareId(inf, c.printer, id), c.found);
        EXPECT_EQ(id, c.id);
    }
    // No file, or a directory (the INF path of a printer without pin type).
    std::wstring id = L"stale";
    EXPECT_FALSE(FindUsbHardwareId(dir.Path() + L"none.INF", L"Orvane VP-7730", id));
    EXPECT_TRUE(id.empty());
    EXPECT_FALSE(FindUsbHardwareId(dir.Path(), L"Orvane VP-7730", id));
}

// The INF's bytes are text of the thread's ANSI code page, GBK here: the
// printer name is compared in that form and the ID converted from it.
TEST(UsbHardwareId, ChineseNamesAndIdsInTheAnsiCodePage) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir dir;
    const std::wstring inf = dir.Write(
        L"Orvane.INF",
        cattest::AnsiFile(cattest::Lines({L"\"Orvane 曜驰7730\"=VP7730,USBPRINT\\Orvane曜驰7730,LPTENUM\\x",
                                          L"\"Orvane ?\"=Q,USBPRINT\\Question,x"}),
                          cattest::kGbk) +
            // 0x81 starts a two-byte GBK character; the comma cannot end one.
            "\"Orvane A\"=A,USBPRINT\\\x81,y\r\n");
    std::wstring id;
    EXPECT_TRUE(FindUsbHardwareId(inf, L"Orvane 曜驰7730", id));
    EXPECT_EQ(id, L"USBPRINT\\Orvane曜驰7730");
    // A name with no GBK form must not turn into "?" and take another line;
    // bytes that are no GBK text give no ID rather than a garbled one.
    for (const wchar_t* printer : {L"Orvane \U0001F5A8", L"Orvane A"}) {
        id = L"stale";
        EXPECT_FALSE(FindUsbHardwareId(inf, printer, id));
        EXPECT_TRUE(id.empty());
    }
}

}  // namespace
