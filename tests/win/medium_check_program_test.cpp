// medium-check on Windows: the program on the demo medium and on broken
// media, which it reads through Windows' own profile functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/driver_package.h"
#include "catalogue_test_files.h"
#include "core/medium_rules.h"
#include "win/module_path.h"
#include "win/unique.h"
#include "support/realworld_data.h"
#include "win_medium.h"
#include "core/utf8.h"

namespace {

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

// build/win/tools/medium-check.exe through the command processor, its
// output going through files.
ProgramRun RunProgram(const std::wstring& arguments) {
    cattest::TempDir logs;
    const std::wstring exe = win::ModuleDirectory() + L"..\\..\\tools\\medium-check.exe";
    const std::wstring out = logs.Path() + L"out.txt", err = logs.Path() + L"err.txt";
    ProgramRun run;
    run.status = ::_wsystem((L"\"\"" + exe + L"\" " + arguments + L" >\"" + out + L"\" 2>\"" + err + L"\"\"").c_str());
    for (auto [path, text] : {std::pair{&out, &run.out}, std::pair{&err, &run.err}}) {
        std::stringstream read;
        read << std::ifstream(std::filesystem::path(*path), std::ios::binary).rdbuf();
        *text = read.str();
    }
    return run;
}

TEST(MediumCheckProgram, DemoMediumChecksClean) {
    CATTEST_REQUIRE_GBK();
    const ProgramRun run = RunProgram(L"\"" + win::ModuleDirectory() + L"..\\..\\medium\"");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "") << "no finding at all on the demo medium";
    EXPECT_NE(run.err.find("0 errors, 0 warnings (3 series, 9 models)"), std::string::npos) << run.err;
}

// A finding reduced to what a case pins: "error rule file:line".
std::vector<std::string> Briefs(const core::CheckReport& report) {
    std::vector<std::string> out;
    for (const auto& f : report.findings)
        out.push_back(std::string(f.severity == core::Severity::Error ? "error " : "warning ") + f.rule + " " +
                      core::ToUtf8(f.file) + ":" + std::to_string(f.line));
    std::sort(out.begin(), out.end());
    return out;
}

// Broken media read through the profile functions and files of Windows:
// UTF-16 and code page 936 catalogues, values in quotation marks, names in
// other letter case or with blanks inside the brackets, a second section of
// a name, lists that do or do not fit the installer's buffer.  The findings
// are the expected ones, and the program prints the report the checker makes.
TEST(MediumCheckProgram, ReadsMediaAsWindows) {
    CATTEST_REQUIRE_GBK();
    // `n` list lines of 19 characters (6 of them Chinese, two bytes each in GBK).
    const auto list = [](int n) {
        std::wstring text;
        for (int i = 0; i < n; ++i) {
            const std::wstring number = std::to_wstring(i);
            text += L"型号型号型号" + number + std::wstring(13 - number.size(), L'x') + L"\r\n";
        }
        return text;
    };
    // Line numbers below are those of this catalogue (after the lines put before it).
    const std::wstring base = cattest::Lines({
        L"; catalogue", L"[PRINTER_SERIES]", L"经典系列", L" 高速系列 ", L"空系列",                   // 1-5
        L"[经典系列]", L"OP-730K", L"OP-630K=x", L"曜驰7730", L"[ 高速系列 ]", L"曜驰7730", L"op-9150",  // 6-12
        L"[PRINTER_NAME]", L"OP-730K = \"Orvane OP-730K\"", L"曜驰7730=Orvane VP-7730",              // 13-15
        L"OP-9150=Orvane OP-9150", L"[PRINTER_TYPE]", L"Orvane OP-730K=24", L"Orvane VP-7730='24'",  // 16-19
        L"OP-9150=9", L"[PRINTER_MAN]", L"OP-730K=OP-730K.pdf", L"曜驰7730=" + std::wstring(99, L'm'),  // 20-23
        L"[OTHER_SOFTWARE]", L"Quorin=quorin\\QUORIN.exe", L"[printer_name]", L"OP-630K=Orvane OP-630K",  // 24-27
        L"[大系列]",                                                                                  // 28
    }) + list(93);  // 29-121: 93 x 20 = 1860 characters with their zeros fit the 2048 of a list
    const std::string inf = "OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF:";
    // Read as the installer reads it, the catalogue has three series:
    // 经典系列 with OP-730K (clean: the quotation marks around its printer
    // name are dropped, and the INF line's tab is allowed), "OP-630K=x" (a
    // list line is taken whole) and 曜驰7730 (its type '24' loses its
    // quotation marks; its INF line has the LPT ID first, so Windows' parser
    // finds its USB ID; its manual name is
    // too long, so Printer.PDF is needed, which is missing); 高速系列 (its
    // section found through the blanks) with 曜驰7730 again and op-9150
    // (printer name found whatever the letter case, but its type is keyed by
    // the model); 空系列 without a section.  [printer_name] is a second
    // PRINTER_NAME; Tessan is missing.
    const std::vector<std::string> baseFindings = {
        "error series-without-models PrinterInfor.Inf:5", "error no-printer-name PrinterInfor.Inf:0",
        "warning model-in-two-series PrinterInfor.Inf:11", "error no-printer-type PrinterInfor.Inf:0",
        "warning manual-name-too-long PrinterInfor.Inf:23",
        "warning duplicate-section PrinterInfor.Inf:26",  "error manual-missing OrvaneManual\\Printer.PDF:0",
        "error companion-missing PrinterInfor.Inf:0"};
    // The series list of 103 lines needs 2060 characters: dropped whole.
    const std::vector<std::string> seriesListDropped = {
        "error section-too-long PrinterInfor.Inf:1", "warning duplicate-section PrinterInfor.Inf:106",
        "warning duplicate-section PrinterInfor.Inf:130", "error companion-missing PrinterInfor.Inf:0"};
    // Only 大系列, its 93 models (1860 characters, but 2418 bytes in GBK: the
    // buffer counts characters) without printer names or manuals.
    std::vector<std::string> bigSeries = {
        "warning duplicate-section PrinterInfor.Inf:4", "warning duplicate-section PrinterInfor.Inf:28",
        "error manual-missing OrvaneManual\\Printer.PDF:0", "error companion-missing PrinterInfor.Inf:0"};
    bigSeries.insert(bigSeries.end(), 93, "error no-printer-name PrinterInfor.Inf:0");
    const struct {
        const char* name;
        std::wstring catalogue;
        bool gbk;
        std::vector<std::string> expected;
        size_t series, models;
    } cases[] = {
        {"UTF-16", base, false, baseFindings, 3, 4},
        {"GBK", base, true, baseFindings, 3, 4},
        {"an empty second series list changes nothing", base + L"[PRINTER_SERIES]\r\n", false, baseFindings, 3, 4},
        {"series list over the buffer", L"[PRINTER_SERIES]\r\n" + list(103) + base, false, seriesListDropped, 0, 0},
        {"GBK model list that fits in characters", L"[PRINTER_SERIES]\r\n大系列\r\n" + base, true, bigSeries, 1, 93},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cattest::TempDir dir;
        dir.Write(L"PrinterInfor.Inf",
                  c.gbk ? cattest::AnsiFile(c.catalogue, cattest::kGbk) : cattest::Utf16File(c.catalogue));
        dir.Write(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF",
                  "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n%O%=Orvane,NTamd64\r\n"
                  "[Orvane.NTamd64]\r\n\"Orvane OP-730K\"\t= A,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\X\r\n"
                  "\"Orvane VP-7730\"=B,LPTENUM\\Y,USBPRINT\\Y\r\n[Strings]\r\nO=Orvane\r\n");
        dir.Write(L"OrvaneManual\\OP-730K.pdf", "%PDF");
        dir.Write(L"Quorin\\Quorin.exe", "MZ");
        medium_check::WinMedium windows(dir.Path());
        const core::CheckReport report = core::CheckMedium(windows.Access(), {dir.Path(), L"USB001", RunningWindowsVersion()});
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Briefs(report), expected);
        EXPECT_EQ(report.series, c.series);
        EXPECT_EQ(report.models, c.models);

        // The program, run on the same medium, prints that report.
        const ProgramRun run = RunProgram(L"--json \"" + dir.Path() + L".\"");
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, core::ReportJson(report, dir.Path()));
    }
}

// The checker's INF findings are the same whether SetupAPI answers (the
// Windows build) or the INF reader does (the native build): a medium for
// one printer around every real models line, in UTF-16LE and in GBK, checked
// both ways.
TEST(MediumCheckProgram, InfFindingsAgreeBetweenSetupApiAndTheInfReader) {
    CATTEST_REQUIRE_GBK();
    const std::wstring catalogue = cattest::Lines(
        {L"[PRINTER_SERIES]", L"S", L"[S]", L"RW-24", L"[PRINTER_NAME]", L"RW-24=Orvane RW-24", L"[PRINTER_TYPE]",
         L"Orvane RW-24=24", L"[OTHER_SOFTWARE]", L"Quorin=Quorin\\Quorin.exe", L"Tessan=Quorin\\Quorin.exe"});
    size_t media = 0, findings = 0;
    for (const realworld::InfLineRow& row : realworld::InfLines()) {
        if (!realworld::IsModelsLine(row)) continue;
        for (const realworld::MediumVariant& v : realworld::MediumVariants(row, L"Orvane RW-24")) {
            for (const bool gbk : {false, true}) {
                SCOPED_TRACE("inf-lines row " + std::to_string(row.number) + ", " + v.name + (gbk ? ", GBK" : ""));
                cattest::TempDir dir;
                dir.Write(L"PrinterInfor.Inf", cattest::Utf16File(catalogue));
                dir.Write(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF",
                          gbk ? cattest::AnsiFile(v.inf, cattest::kGbk) : cattest::Utf16File(v.inf));
                dir.Write(L"OrvaneManual\\Printer.PDF", "%PDF");
                dir.Write(L"Quorin\\Quorin.exe", "MZ");
                medium_check::WinMedium windows(dir.Path());
                core::MediumAccess setupApi = windows.Access();
                core::MediumAccess reader = setupApi;
                reader.openInf = nullptr;
                const core::CheckOptions options{dir.Path(), L"USB001", RunningWindowsVersion()};
                const auto a = Briefs(core::CheckMedium(setupApi, options));
                EXPECT_EQ(a, Briefs(core::CheckMedium(reader, options)));
                ++media;
                findings += a.size();
            }
        }
    }
    std::printf("[ COMPARED ] %zu media checked through SetupAPI and the INF reader, %zu findings\n", media, findings);
    EXPECT_GT(media, 300u);
}

}  // namespace
