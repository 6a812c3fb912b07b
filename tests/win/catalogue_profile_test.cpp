// InstallCatalogue against real catalogue files read by the Windows profile
// functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "catalogue_test_files.h"
#include "win/module_path.h"

namespace {

using Entries = std::vector<std::wstring>;

// A catalogue as the medium carries it.  "曜驰7730" is listed in two series;
// the section of the second series in PRINTER_SERIES order comes first in the
// file.  "key=value" lines in lists are whole entries.
const std::wstring kSample = cattest::Lines(
    {L"; Orvane install catalogue", L"[PRINTER_SERIES]", L"VP 系列", L"LQ 系列", L"无型号系列=高速",
     L"[LQ 系列]", L"LQ-630K", L"曜驰7730", L"LQ-730K=Orvane LQ-730K",
     L"[VP 系列]", L"曜驰7730", L"曜驰7330", L"VP-88",
     L"[PRINTER_NAME]", L"曜驰7730=Orvane VP-7730", L"曜驰7330=Orvane VP-7330", L"LQ-630K=Orvane LQ-630K",
     L"VP-88=Orvane VP-88",
     L"[PRINTER_TYPE]", L"Orvane VP-7730=24", L"Orvane VP-7330=9", L"Orvane LQ-630K=09", L"曜驰7730=9",
     L"Orvane VP-19=2400000000000000000",
     L"[PRINTER_MAN]", L"曜驰7730=VP-7730.pdf", L"LQ-630K=LQ 630K 手册.pdf",
     L"[OTHER_SOFTWARE]", L"Quorin=Tools\\Quorin.exe"});

Entries Series(const InstallCatalogue& c) {
    Entries e;
    c.GetSeriesList(e);
    return e;
}

Entries Models(const InstallCatalogue& c, const std::wstring& series, bool ok = true) {
    Entries e{L"stale"};
    EXPECT_EQ(c.GetSeriesModels(series, e), ok);
    return e;
}

TEST(InstallCatalogueFile, DefaultIsTheRunningProgramsDirectory) {
    const std::wstring dir = win::ModuleDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), L'\\');
    EXPECT_EQ(InstallCatalogue().CataloguePath(), dir + L"PrinterInfor.Inf");
}

// The same catalogue saved as "Unicode" and in the Chinese ANSI code page
// gives the same lists and keys.
TEST(InstallCatalogueFile, GbkAndUtf16CataloguesReadAlike) {
    CATTEST_REQUIRE_GBK();
    ASSERT_EQ(cattest::AnsiFile(L"曜驰", cattest::kGbk), "\xEA\xD7\xB3\xDB");  // really GBK
    for (bool gbk : {false, true}) {
        SCOPED_TRACE(gbk ? "GBK" : "UTF-16");
        cattest::TempDir dir;
        cattest::WriteCatalogue(dir, gbk ? cattest::AnsiFile(kSample, cattest::kGbk) : cattest::Utf16File(kSample));
        // Without the trailing backslash, which the catalogue adds.
        const std::wstring d = dir.Path();
        InstallCatalogue c(d.substr(0, d.size() - 1));
        EXPECT_EQ(c.ProgramDirectory(), d);
        EXPECT_EQ(Series(c), (Entries{L"VP 系列", L"LQ 系列", L"无型号系列=高速"}));
        EXPECT_EQ(Models(c, L"VP 系列"), (Entries{L"曜驰7730", L"曜驰7330", L"VP-88"}));
        EXPECT_EQ(Models(c, L"LQ 系列"), (Entries{L"LQ-630K", L"曜驰7730", L"LQ-730K=Orvane LQ-730K"}));
        EXPECT_EQ(Models(c, L"无型号系列=高速", false), Entries{});

        // A model in two series belongs to the first in PRINTER_SERIES order;
        // PRINTER_TYPE is keyed by the printer name, not the model name.
        const struct {
            std::wstring model, series, printer;
            PinType pin;
        } cases[] = {
            {L"曜驰7730", L"VP 系列", L"Orvane VP-7730", PinType::Pin24},
            {L"曜驰7330", L"VP 系列", L"Orvane VP-7330", PinType::Pin9},
            {L"LQ-630K", L"LQ 系列", L"Orvane LQ-630K", PinType::PinOther},  // "09" is not 9
            {L"VP-88", L"VP 系列", L"Orvane VP-88", PinType::PinOther},      // no PRINTER_TYPE key
            {L"vp-88", L"", L"Orvane VP-88", PinType::PinOther},  // list entries compare case-sensitively
            {L"Orvane VP-88", L"", L"", PinType::PinOther},
            {L"LQ-730K", L"", L"", PinType::PinOther},
            {L"LQ-730K=Orvane LQ-730K", L"LQ 系列", L"", PinType::PinOther},
        };
        for (const auto& k : cases) {
            SCOPED_TRACE(k.model.size());
            std::wstring series = L"stale", printer = L"stale";
            EXPECT_EQ(c.FindSeriesOfModel(k.model, series), !k.series.empty());
            EXPECT_EQ(series, k.series);
            EXPECT_EQ(c.GetPrinterName(k.model, printer), !k.printer.empty());
            EXPECT_EQ(printer, k.printer);
            EXPECT_EQ(c.GetPinType(printer), k.pin);
        }
        EXPECT_EQ(c.GetPinType(L"曜驰7330"), PinType::PinOther);

        EXPECT_EQ(c.GetManualPath(L"曜驰7730"), d + L"OrvaneManual\\VP-7730.pdf");
        EXPECT_EQ(c.GetManualPath(L"LQ-630K"), d + L"OrvaneManual\\LQ 630K 手册.pdf");
        EXPECT_EQ(c.GetManualPath(L"曜驰7330"), d + L"OrvaneManual\\Printer.PDF");  // no PRINTER_MAN key
        std::wstring path;
        EXPECT_TRUE(c.GetOtherSoftwarePath(L"Quorin", path));
        EXPECT_EQ(path, d + L"Tools\\Quorin.exe");
        EXPECT_FALSE(c.GetOtherSoftwarePath(L"Tessan", path));
        EXPECT_EQ(path, d);

        // An empty key would list all keys of the section; a zero inside a
        // name would look up a shorter name.
        EXPECT_FALSE(c.ReadKey(L"PRINTER_NAME", L"", 260, path));
        EXPECT_TRUE(path.empty());
        EXPECT_FALSE(c.ReadKey(L"", L"VP-88", 260, path));
        EXPECT_FALSE(c.ReadKey(L"PRINTER_NAME", std::wstring(L"VP-88\0x", 7), 260, path));
        EXPECT_FALSE(c.ReadKey(L"PRINTER_NAME", L"VP-88", 1, path));
        // 19 characters fill PRINTER_TYPE's 20: they may have been cut.
        EXPECT_FALSE(c.ReadKey(L"PRINTER_TYPE", L"Orvane VP-19", 20, path));
        EXPECT_TRUE(c.ReadKey(L"PRINTER_TYPE", L"Orvane VP-19", 21, path));
    }
}

// Regression: a series section longer than the 2048-character buffer gave
// the models that fitted, and the model list silently lacked the rest.
TEST(InstallCatalogueFile, SectionOverTheBufferGivesEmptyList) {
    // Each model takes its length plus a zero.  2045 characters still fit;
    // 2046 is what the profile function reports for a full buffer.
    const struct {
        size_t count, length, extraLength;
        bool ok;
    } cases[] = {{92, 21, 20, true}, {93, 21, 0, false}, {93, 21, 1, false}, {400, 30, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count * (c.length + 1) + (c.extraLength ? c.extraLength + 1 : 0));
        std::wstring text = cattest::Lines({L"[PRINTER_SERIES]", L"Big", L"[Big]"});
        Entries written;
        for (size_t i = 0; i < c.count; ++i) {
            written.push_back(L"M" + std::to_wstring(i) + L"-");
            written.back().resize(c.length, L'x');
        }
        if (c.extraLength) written.push_back(std::wstring(c.extraLength, L'z'));
        for (const auto& m : written) text += m + L"\r\n";
        cattest::TempDir dir;
        InstallCatalogue catalogue(cattest::WriteCatalogue(dir, cattest::Utf16File(text)));
        EXPECT_EQ(Models(catalogue, L"Big", c.ok), c.ok ? written : Entries{});
        std::wstring series;
        EXPECT_EQ(catalogue.FindSeriesOfModel(written.front(), series), c.ok);
        EXPECT_EQ(catalogue.FindSeriesOfModel(written.back(), series), c.ok);
    }
}

TEST(InstallCatalogueFile, MissingFileGivesEmptyListsAndMissingKeys) {
    cattest::TempDir dir;  // no catalogue in it
    InstallCatalogue catalogue(dir.Path());
    EXPECT_EQ(Series(catalogue), Entries{});
    std::wstring value = L"stale";
    EXPECT_FALSE(catalogue.GetPrinterName(L"LQ-630K", value));
    EXPECT_TRUE(value.empty());
    EXPECT_EQ(catalogue.GetManualPath(L"LQ-630K"), dir.Path() + L"OrvaneManual\\Printer.PDF");
    EXPECT_FALSE(catalogue.GetOtherSoftwarePath(L"Quorin", value));
    EXPECT_EQ(value, dir.Path());
}

// A value that fills its buffer (capacity - 1 characters) may have been cut:
// it counts as missing, never as a shorter name.
TEST(InstallCatalogueFile, OverLimitValuesAreMissing) {
    const struct {
        size_t length;
        bool name, manual, software;  // PRINTER_NAME 260, PRINTER_MAN and OTHER_SOFTWARE 100
    } cases[] = {{98, true, true, true}, {99, true, false, false}, {258, true, false, false},
                 {259, false, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        cattest::TempDir dir;
        const std::wstring value = L"Q" + std::wstring(c.length - 1, L'v');
        InstallCatalogue catalogue(cattest::WriteCatalogue(
            dir, cattest::Utf16File(cattest::Lines({L"[PRINTER_NAME]", L"m=" + value, L"[PRINTER_MAN]", L"m=" + value,
                                                    L"[OTHER_SOFTWARE]", L"Quorin=" + value}))));
        std::wstring got;
        EXPECT_EQ(catalogue.GetPrinterName(L"m", got), c.name);
        EXPECT_EQ(got, c.name ? value : L"");
        EXPECT_EQ(catalogue.GetManualPath(L"m"), dir.Path() + L"OrvaneManual\\" + (c.manual ? value : L"Printer.PDF"));
        EXPECT_EQ(catalogue.GetOtherSoftwarePath(L"Quorin", got), c.software);
        EXPECT_EQ(got, dir.Path() + (c.software ? value : L""));
    }
}

// A program directory so deep that a path built from it would not fit
// 259 characters gives no path rather than a cut one.
TEST(InstallCatalogueFile, OverLongPathsAreMissingNotCut) {
    cattest::TempDir dir;
    // 240 characters of directory: the catalogue path (256) still fits, the
    // general manual's path (264) does not.
    const size_t base = dir.Path().size();
    ASSERT_LT(base, 200u);
    const std::wstring deep = dir.Folder(std::wstring(240 - base - 1, L'd'));
    ASSERT_EQ(deep.size(), 240u);
    dir.Write(deep.substr(base) + L"PrinterInfor.Inf",
              cattest::Utf16File(cattest::Lines({L"[PRINTER_MAN]", L"a=a.pdf", L"b=bbb.pdf", L"[OTHER_SOFTWARE]",
                                                 L"Quorin=Q.exe", L"Tessan=" + std::wstring(20, L't'),
                                                 L"[PRINTER_TYPE]", L"Orvane X=24"})));
    InstallCatalogue catalogue(deep);
    EXPECT_EQ(catalogue.GetManualPath(L"a"), deep + L"OrvaneManual\\a.pdf");  // 258
    EXPECT_EQ(catalogue.GetManualPath(L"b"), L"");                            // 260
    EXPECT_EQ(catalogue.GetManualPath(L"none"), L"");                         // 264
    std::wstring path;
    EXPECT_TRUE(catalogue.GetOtherSoftwarePath(L"Quorin", path));
    EXPECT_FALSE(catalogue.GetOtherSoftwarePath(L"Tessan", path));  // 260
    EXPECT_EQ(path, deep);
    catalogue.SetInstallInfPath(L"stale");
    catalogue.SetInstallPrinterName(L"Orvane X");
    EXPECT_FALSE(catalogue.BuildDriverInfPath());
    EXPECT_EQ(catalogue.InstallInfPath(), L"");
    // A directory that leaves no room for the catalogue's name reads nothing.
    EXPECT_TRUE(InstallCatalogue(std::wstring(250, L'd')).CataloguePath().empty());
}

TEST(InstallCatalogueFields, SettersKeepTheLastInstallationAndRefuseOverLongTexts) {
    InstallCatalogue catalogue(L"C:\\media\\");
    EXPECT_TRUE(catalogue.InstallPort().empty());
    const std::wstring longest(259, L'n'), over(260, L'n');
    using Setter = bool (InstallCatalogue::*)(const std::wstring&);
    using Getter = const std::wstring& (InstallCatalogue::*)() const;
    const std::pair<Setter, Getter> fields[] = {
        {&InstallCatalogue::SetInstallPrinterName, &InstallCatalogue::InstallPrinterName},
        {&InstallCatalogue::SetInstallPort, &InstallCatalogue::InstallPort},
        {&InstallCatalogue::SetInstallInfPath, &InstallCatalogue::InstallInfPath},
    };
    for (const auto& [set, get] : fields) {
        EXPECT_TRUE((catalogue.*set)(longest));
        EXPECT_EQ((catalogue.*get)(), longest);
        EXPECT_FALSE((catalogue.*set)(over));
        EXPECT_EQ((catalogue.*get)(), L"");
    }
}

}  // namespace
