// InstallCatalogue against real catalogue files read by the Windows profile
// functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "catalogue_test_files.h"
#include "win/module_path.h"

namespace {

using Entries = std::vector<std::wstring>;

// A catalogue as the medium carries it.  "曜驰7730" is listed in two series;
// the section of the second series in PRINTER_SERIES order comes first in the file.
std::wstring SampleText() {
    return cattest::Lines({
        L"; Orvane install catalogue",
        L"[PRINTER_SERIES]",
        L"VP 系列",
        L"LQ 系列",
        L"无型号系列",
        L"",
        L"[LQ 系列]",
        L"LQ-630K",
        L"曜驰7730",
        L"",
        L"[VP 系列]",
        L"曜驰7730",
        L"曜驰7330",
        L"VP-88",
        L"",
        L"[PRINTER_NAME]",
        L"曜驰7730=Orvane VP-7730",
        L"曜驰7330=Orvane VP-7330",
        L"LQ-630K=Orvane LQ-630K",
        L"VP-88=Orvane VP-88",
        L"",
        L"[PRINTER_TYPE]",
        L"Orvane VP-7730=24",
        L"Orvane VP-7330=9",
        L"Orvane LQ-630K=09",
        L"曜驰7730=9",
        L"",
        L"[PRINTER_MAN]",
        L"曜驰7730=VP-7730.pdf",
        L"LQ-630K=LQ 630K 手册.pdf",
        L"",
        L"[OTHER_SOFTWARE]",
        L"Quorin=Tools\\Quorin.exe",
    });
}

const Entries kSeries = {L"VP 系列", L"LQ 系列", L"无型号系列"};
const Entries kVpModels = {L"曜驰7730", L"曜驰7330", L"VP-88"};
const Entries kLqModels = {L"LQ-630K", L"曜驰7730"};

// The sample catalogue saved as UTF-16 in a folder of its own.
class SampleCatalogueFile : public ::testing::Test {
protected:
    cattest::TempDir dir;
    InstallCatalogue catalogue{cattest::WriteCatalogue(dir, cattest::Utf16File(SampleText()))};
};

std::vector<std::wstring> Series(const InstallCatalogue& c) {
    Entries e;
    c.GetSeriesList(e);
    return e;
}

TEST(InstallCatalogueFile, DefaultIsTheRunningProgramsDirectory) {
    InstallCatalogue catalogue;
    const std::wstring dir = win::ModuleDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(catalogue.ProgramDirectory(), dir);
    EXPECT_EQ(catalogue.ProgramDirectory().back(), L'\\');
    EXPECT_EQ(catalogue.CataloguePath(), dir + L"PrinterInfor.Inf");
    EXPECT_TRUE(catalogue.InstallPrinterName().empty());
    EXPECT_TRUE(catalogue.InstallPort().empty());
    EXPECT_TRUE(catalogue.InstallInfPath().empty());
}

TEST(InstallCatalogueFile, SeriesAndModelsInFileOrder) {
    cattest::TempDir dir;
    cattest::WriteCatalogue(dir, cattest::Utf16File(SampleText()));
    // Without the trailing backslash, which the catalogue adds.
    InstallCatalogue catalogue(dir.Path().substr(0, dir.Path().size() - 1));
    EXPECT_EQ(catalogue.ProgramDirectory(), dir.Path());
    EXPECT_EQ(catalogue.CataloguePath(), dir.Path() + L"PrinterInfor.Inf");

    Entries entries{L"stale"};
    EXPECT_TRUE(catalogue.GetSeriesList(entries));
    EXPECT_EQ(entries, kSeries);
    EXPECT_TRUE(catalogue.GetSeriesModels(L"VP 系列", entries));
    EXPECT_EQ(entries, kVpModels);
    EXPECT_TRUE(catalogue.GetSeriesModels(L"LQ 系列", entries));
    EXPECT_EQ(entries, kLqModels);
    EXPECT_TRUE(catalogue.ReadSectionList(L"PRINTER_SERIES", entries));
    EXPECT_EQ(entries, kSeries);
}

TEST_F(SampleCatalogueFile, SeriesWithoutSectionHasNoModels) {
    Entries entries{L"stale"};
    EXPECT_FALSE(catalogue.GetSeriesModels(L"无型号系列", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(catalogue.GetSeriesModels(L"", entries));
    EXPECT_TRUE(entries.empty());
}

TEST(InstallCatalogueFile, KeyValueLinesAreWholeEntries) {
    cattest::TempDir dir;
    InstallCatalogue catalogue(cattest::WriteCatalogue(dir, cattest::Utf16File(cattest::Lines({
                                                                L"[PRINTER_SERIES]",
                                                                L"VP 系列=高速",
                                                                L"LQ",
                                                                L"[LQ]",
                                                                L"LQ-630K=Orvane LQ-630K",
                                                                L"LQ-730K",
                                                            }))));
    EXPECT_EQ(Series(catalogue), (Entries{L"VP 系列=高速", L"LQ"}));
    Entries models;
    EXPECT_TRUE(catalogue.GetSeriesModels(L"LQ", models));
    EXPECT_EQ(models, (Entries{L"LQ-630K=Orvane LQ-630K", L"LQ-730K"}));
    // The entry with its equals sign is no model name of that series.
    std::wstring series;
    EXPECT_FALSE(catalogue.FindSeriesOfModel(L"LQ-630K", series));
    EXPECT_TRUE(catalogue.FindSeriesOfModel(L"LQ-630K=Orvane LQ-630K", series));
    EXPECT_EQ(series, L"LQ");
}

// A catalogue with one series "Big" of `count` models of `length`
// characters, then one of `extraLength` characters when that is not 0.
std::wstring CatalogueWithBigSeries(size_t count, size_t length, size_t extraLength, Entries& models) {
    std::wstring text = cattest::Lines({L"[PRINTER_SERIES]", L"Big", L"[Big]"});
    models.clear();
    for (size_t i = 0; i < count; ++i) {
        std::wstring model = L"M" + std::to_wstring(i) + L"-";
        model.resize(length, L'x');
        models.push_back(model);
    }
    if (extraLength) models.push_back(std::wstring(extraLength, L'z'));
    for (const auto& m : models) text += m + L"\r\n";
    return text;
}

// Regression: a series section longer than the 2048-character buffer gave
// the models that fitted, and the model list silently lacked the rest.
TEST(InstallCatalogueFile, SectionOverTheBufferGivesEmptyList) {
    // Each model takes its length plus a zero in the buffer.  2045 characters
    // still fit; 2046 is what the profile function reports for a full
    // buffer, whether or not the section ended there.
    const struct {
        const char* name;
        size_t count, length, extraLength;
        bool ok;
    } cases[] = {
        {"2045 characters", 92, 21, 20, true},
        {"2046 characters", 93, 21, 0, false},
        {"2047 characters", 93, 21, 1, false},
        {"far over the buffer", 400, 30, 0, false},
    };
    for (const auto& c : cases) {
        cattest::TempDir dir;
        Entries written;
        InstallCatalogue catalogue(cattest::WriteCatalogue(
            dir, cattest::Utf16File(CatalogueWithBigSeries(c.count, c.length, c.extraLength, written))));
        Entries models{L"stale"};
        EXPECT_EQ(catalogue.GetSeriesModels(L"Big", models), c.ok) << c.name;
        if (c.ok)
            EXPECT_EQ(models, written) << c.name;
        else
            EXPECT_TRUE(models.empty()) << c.name << ": " << models.size() << " models";
        // Neither the first model nor the last is found in a list that did not fit.
        std::wstring series;
        EXPECT_EQ(catalogue.FindSeriesOfModel(written.front(), series), c.ok) << c.name;
        EXPECT_EQ(catalogue.FindSeriesOfModel(written.back(), series), c.ok) << c.name;
    }
}

TEST_F(SampleCatalogueFile, ModelInTwoSeriesBelongsToTheFirstInSeriesOrder) {
    const struct {
        std::wstring model;
        bool found;
        std::wstring series;
    } cases[] = {
        {L"曜驰7730", true, L"VP 系列"},  // also in "LQ 系列", whose section comes first in the file
        {L"LQ-630K", true, L"LQ 系列"},  {L"VP-88", true, L"VP 系列"},  {L"vp-88", false, L""},  // letter case counts
        {L"VP-8", false, L""},           {L"Orvane VP-88", false, L""}, {L"", false, L""},
    };
    for (const auto& c : cases) {
        std::wstring series = L"stale";
        EXPECT_EQ(catalogue.FindSeriesOfModel(c.model, series), c.found) << c.model.size();
        EXPECT_EQ(series, c.series);
    }
}

TEST_F(SampleCatalogueFile, PrinterNameAndPinType) {
    const struct {
        std::wstring model;
        bool found;
        std::wstring printer;
        PinType pin;
    } cases[] = {
        {L"曜驰7730", true, L"Orvane VP-7730", PinType::Pin24},
        {L"曜驰7330", true, L"Orvane VP-7330", PinType::Pin9},
        {L"LQ-630K", true, L"Orvane LQ-630K", PinType::PinOther},  // "09" is not 9
        {L"VP-88", true, L"Orvane VP-88", PinType::PinOther},      // no PRINTER_TYPE key
        {L"LQ-1", false, L"", PinType::PinOther},
    };
    for (const auto& c : cases) {
        std::wstring printer = L"stale";
        EXPECT_EQ(catalogue.GetPrinterName(c.model, printer), c.found);
        EXPECT_EQ(printer, c.printer);
        EXPECT_EQ(catalogue.GetPinType(printer), c.pin) << "printer of model #" << c.model.size();
    }
}

// PRINTER_TYPE is keyed by the printer name: the model name "曜驰7730" has an
// entry of its own ("9") that must not be taken for the printer "Orvane
// VP-7730" ("24"), and "曜驰7330" has none at all.
TEST_F(SampleCatalogueFile, PinTypeByModelNameInsteadOfPrinterNameFindsOtherOrNothing) {
    EXPECT_EQ(catalogue.GetPinType(L"曜驰7330"), PinType::PinOther);
    EXPECT_EQ(catalogue.GetPinType(L"Orvane VP-7330"), PinType::Pin9);
    std::wstring printer;
    ASSERT_TRUE(catalogue.GetPrinterName(L"曜驰7730", printer));
    EXPECT_EQ(catalogue.GetPinType(printer), PinType::Pin24);
}

TEST_F(SampleCatalogueFile, ManualAndCompanionPaths) {
    const std::wstring d = dir.Path();
    EXPECT_EQ(catalogue.GetManualPath(L"曜驰7730"), d + L"OrvaneManual\\VP-7730.pdf");
    EXPECT_EQ(catalogue.GetManualPath(L"LQ-630K"), d + L"OrvaneManual\\LQ 630K 手册.pdf");
    // No PRINTER_MAN key: the general manual.
    EXPECT_EQ(catalogue.GetManualPath(L"曜驰7330"), d + L"OrvaneManual\\Printer.PDF");
    EXPECT_EQ(catalogue.GetManualPath(L""), d + L"OrvaneManual\\Printer.PDF");

    std::wstring path;
    EXPECT_TRUE(catalogue.GetOtherSoftwarePath(L"Quorin", path));
    EXPECT_EQ(path, d + L"Tools\\Quorin.exe");
    path = L"stale";
    EXPECT_FALSE(catalogue.GetOtherSoftwarePath(L"Tessan", path));
    EXPECT_EQ(path, d);
}

TEST(InstallCatalogueFile, MissingFileGivesEmptyListsAndMissingKeys) {
    cattest::TempDir dir;  // no catalogue in it
    InstallCatalogue catalogue(dir.Path());
    Entries entries{L"stale"};
    EXPECT_FALSE(catalogue.GetSeriesList(entries));
    EXPECT_TRUE(entries.empty());
    std::wstring value = L"stale";
    EXPECT_FALSE(catalogue.GetPrinterName(L"LQ-630K", value));
    EXPECT_TRUE(value.empty());
    EXPECT_FALSE(catalogue.FindSeriesOfModel(L"LQ-630K", value));
    EXPECT_EQ(catalogue.GetPinType(L"Orvane LQ-630K"), PinType::PinOther);
    EXPECT_EQ(catalogue.GetManualPath(L"LQ-630K"), dir.Path() + L"OrvaneManual\\Printer.PDF");
    EXPECT_FALSE(catalogue.GetOtherSoftwarePath(L"Quorin", value));
    EXPECT_EQ(value, dir.Path());
}

// The file is read on every call: a catalogue changed while the program runs
// is seen at once.
TEST(InstallCatalogueFile, EveryCallReadsTheFileAgain) {
    cattest::TempDir dir;
    InstallCatalogue catalogue(cattest::WriteCatalogue(
        dir, cattest::Utf16File(cattest::Lines({L"[PRINTER_SERIES]", L"A", L"[PRINTER_NAME]", L"m=Orvane A"}))));
    std::wstring printer;
    EXPECT_EQ(Series(catalogue), (Entries{L"A"}));
    EXPECT_TRUE(catalogue.GetPrinterName(L"m", printer));
    EXPECT_EQ(printer, L"Orvane A");
    // Make sure the file's time differs even on coarse file-time clocks.
    ::Sleep(20);
    cattest::WriteCatalogue(
        dir,
        cattest::Utf16File(cattest::Lines({L"[PRINTER_SERIES]", L"B", L"C", L"[PRINTER_NAME]", L"m=Orvane Changed"})));
    EXPECT_EQ(Series(catalogue), (Entries{L"B", L"C"}));
    EXPECT_TRUE(catalogue.GetPrinterName(L"m", printer));
    EXPECT_EQ(printer, L"Orvane Changed");
}

// A catalogue saved as "Unicode" and one saved in the Chinese ANSI code page
// give the same names.
TEST(InstallCatalogueFile, GbkAndUtf16CataloguesReadAlike) {
    CATTEST_REQUIRE_GBK();
    // The ANSI file really is GBK: "曜驰" is EA D7 B3 DB there.
    ASSERT_EQ(cattest::AnsiFile(L"曜驰", cattest::kGbk), "\xEA\xD7\xB3\xDB");
    cattest::TempDir unicodeDir, gbkDir;
    unicodeDir.Write(L"PrinterInfor.Inf", cattest::Utf16File(SampleText()));
    gbkDir.Write(L"PrinterInfor.Inf", cattest::AnsiFile(SampleText(), cattest::kGbk));
    InstallCatalogue unicode(unicodeDir.Path()), gbk(gbkDir.Path());
    for (const InstallCatalogue* c : {&unicode, &gbk}) {
        const char* which = c == &unicode ? "UTF-16" : "GBK";
        EXPECT_EQ(Series(*c), kSeries) << which;
        Entries models;
        EXPECT_TRUE(c->GetSeriesModels(L"VP 系列", models)) << which;
        EXPECT_EQ(models, kVpModels) << which;
        std::wstring series, printer;
        EXPECT_TRUE(c->FindSeriesOfModel(L"曜驰7330", series)) << which;
        EXPECT_EQ(series, L"VP 系列") << which;
        EXPECT_TRUE(c->GetPrinterName(L"曜驰7330", printer)) << which;
        EXPECT_EQ(printer, L"Orvane VP-7330") << which;
        EXPECT_EQ(c->GetPinType(L"曜驰7730"), PinType::Pin9) << which;
        EXPECT_EQ(c->GetManualPath(L"LQ-630K"), c->ProgramDirectory() + L"OrvaneManual\\LQ 630K 手册.pdf") << which;
    }
}

// A value that fills its buffer may have been cut: it counts as missing,
// never as a shorter name.
TEST(InstallCatalogueFile, OverLimitValuesAreMissing) {
    const struct {
        const char* name;
        size_t capacity;
        size_t length;
        bool found;
    } cases[] = {
        {"PRINTER_NAME longest", 260, 258, true}, {"PRINTER_NAME full", 260, 259, false},
        {"PRINTER_NAME over", 260, 300, false},   {"PRINTER_TYPE full", 20, 19, false},
        {"PRINTER_MAN longest", 100, 98, true},   {"PRINTER_MAN full", 100, 99, false},
        {"OTHER_SOFTWARE full", 100, 99, false},
    };
    for (const auto& c : cases) {
        cattest::TempDir dir;
        const std::wstring value = L"Q" + std::wstring(c.length - 1, L'v');
        InstallCatalogue catalogue(cattest::WriteCatalogue(
            dir, cattest::Utf16File(cattest::Lines({L"[PRINTER_NAME]", L"m=" + value, L"[PRINTER_TYPE]",
                                                    L"p=24" + std::wstring(c.length - 2, L'0'), L"[PRINTER_MAN]",
                                                    L"m=" + value, L"[OTHER_SOFTWARE]", L"Quorin=" + value}))));
        std::wstring got = L"stale";
        if (c.capacity == 260) {
            EXPECT_EQ(catalogue.GetPrinterName(L"m", got), c.found) << c.name;
            EXPECT_EQ(got, c.found ? value : L"") << c.name;
        } else if (c.capacity == 20) {
            // "2400...": a full buffer is missing, not a pin type.
            EXPECT_EQ(catalogue.GetPinType(L"p"), PinType::PinOther) << c.name;
            EXPECT_FALSE(catalogue.ReadKey(L"PRINTER_TYPE", L"p", 20, got)) << c.name;
            EXPECT_TRUE(catalogue.ReadKey(L"PRINTER_TYPE", L"p", 40, got)) << c.name;
        } else if (std::string(c.name).starts_with("PRINTER_MAN")) {
            EXPECT_EQ(catalogue.GetManualPath(L"m"),
                      dir.Path() + L"OrvaneManual\\" + (c.found ? value : std::wstring(L"Printer.PDF")))
                << c.name;
        } else {
            EXPECT_EQ(catalogue.GetOtherSoftwarePath(L"Quorin", got), c.found) << c.name;
            EXPECT_EQ(got, dir.Path()) << c.name;
        }
    }
}

TEST_F(SampleCatalogueFile, ReadKeyRefusesUnusableNamesAndCapacities) {
    std::wstring value;
    EXPECT_TRUE(catalogue.ReadKey(L"PRINTER_NAME", L"VP-88", 260, value));
    EXPECT_EQ(value, L"Orvane VP-88");
    // An empty key would list all keys of the section instead.
    EXPECT_FALSE(catalogue.ReadKey(L"PRINTER_NAME", L"", 260, value));
    EXPECT_TRUE(value.empty());
    EXPECT_FALSE(catalogue.ReadKey(L"", L"VP-88", 260, value));
    // A zero inside a name would look up a shorter name.
    EXPECT_FALSE(catalogue.ReadKey(L"PRINTER_NAME", std::wstring(L"VP-88\0x", 7), 260, value));
    EXPECT_FALSE(catalogue.ReadKey(L"PRINTER_NAME", L"VP-88", 1, value));
    EXPECT_FALSE(catalogue.ReadKey(L"PRINTER_NAME", L"VP-88", 0, value));
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
    dir.Write(
        deep.substr(base) + L"PrinterInfor.Inf",
        cattest::Utf16File(cattest::Lines({L"[PRINTER_SERIES]", L"S", L"[PRINTER_MAN]", L"a=a.pdf", L"b=bbb.pdf",
                                           L"[OTHER_SOFTWARE]", L"Quorin=Q.exe", L"Tessan=" + std::wstring(20, L't'),
                                           L"[PRINTER_NAME]", L"m=Orvane X", L"[PRINTER_TYPE]", L"Orvane X=24"})));
    InstallCatalogue catalogue(deep);
    EXPECT_EQ(Series(catalogue), (Entries{L"S"}));
    EXPECT_EQ(catalogue.GetManualPath(L"a"), deep + L"OrvaneManual\\a.pdf");  // 258
    EXPECT_EQ(catalogue.GetManualPath(L"b"), L"");                            // 260
    EXPECT_EQ(catalogue.GetManualPath(L"none"), L"");                         // 264
    std::wstring path;
    EXPECT_TRUE(catalogue.GetOtherSoftwarePath(L"Quorin", path));
    EXPECT_EQ(path, deep + L"Q.exe");
    EXPECT_FALSE(catalogue.GetOtherSoftwarePath(L"Tessan", path));  // 260
    EXPECT_EQ(path, deep);
    catalogue.SetInstallInfPath(L"stale");
    catalogue.SetInstallPrinterName(L"Orvane X");
    EXPECT_FALSE(catalogue.BuildDriverInfPath());
    EXPECT_EQ(catalogue.InstallInfPath(), L"");

    // A directory that leaves no room for the catalogue's name reads nothing.
    InstallCatalogue tooDeep(std::wstring(250, L'd'));
    EXPECT_TRUE(tooDeep.ProgramDirectory().empty());
    EXPECT_TRUE(tooDeep.CataloguePath().empty());
    Entries entries;
    EXPECT_FALSE(tooDeep.GetSeriesList(entries));
    EXPECT_EQ(tooDeep.GetManualPath(L"a"), L"");
    EXPECT_FALSE(tooDeep.GetOtherSoftwarePath(L"Quorin", path));
    EXPECT_EQ(path, L"");
}

TEST(InstallCatalogueFields, SettersKeepTheLastInstallationAndRefuseOverLongTexts) {
    InstallCatalogue catalogue(L"C:\\media\\");
    EXPECT_TRUE(catalogue.SetInstallPrinterName(L"Orvane VP-7730"));
    EXPECT_TRUE(catalogue.SetInstallPort(L"USB001"));
    EXPECT_TRUE(catalogue.SetInstallInfPath(L"C:\\x.inf"));
    EXPECT_EQ(catalogue.InstallPrinterName(), L"Orvane VP-7730");
    EXPECT_EQ(catalogue.InstallPort(), L"USB001");
    EXPECT_EQ(catalogue.InstallInfPath(), L"C:\\x.inf");
    const std::wstring longest(259, L'n'), over(260, L'n');
    EXPECT_TRUE(catalogue.SetInstallPort(longest));
    EXPECT_EQ(catalogue.InstallPort(), longest);
    EXPECT_FALSE(catalogue.SetInstallPrinterName(over));
    EXPECT_EQ(catalogue.InstallPrinterName(), L"");
    EXPECT_FALSE(catalogue.SetInstallPort(over));
    EXPECT_EQ(catalogue.InstallPort(), L"");
    EXPECT_FALSE(catalogue.SetInstallInfPath(over));
    EXPECT_EQ(catalogue.InstallInfPath(), L"");
}

}  // namespace
