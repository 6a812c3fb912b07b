// medium-check on Windows: the program on the demo medium and on broken
// media, which it reads through Windows' own profile functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "catalogue_test_files.h"
#include "core/medium_rules.h"
#include "win/module_path.h"
#include "win/unique.h"
#include "win_medium.h"

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

// The program on broken media says what the checker, run here through the
// profile functions, says.  (That the INI reader answers as the profile
// functions, and so the native checker as this one, the differential test
// of the reader shows read by read.)
TEST(MediumCheckProgram, SaysWhatTheCheckerSays) {
    CATTEST_REQUIRE_GBK();
    std::wstring tooLong;
    for (int i = 0; i < 93; ++i)
        tooLong += L"M" + std::to_wstring(i) + std::wstring(18 - std::to_wstring(i).size(), L'x') + L"\r\n";
    const std::wstring base = cattest::Lines({
        L"; catalogue", L"[PRINTER_SERIES]", L"经典系列", L" 高速系列 ", L"空系列",
        L"[经典系列]", L"OP-730K", L"OP-630K=x", L"曜驰7730", L"[ 高速系列 ]", L"曜驰7730", L"op-9150",
        L"[PRINTER_NAME]", L"OP-730K = \"Orvane OP-730K\"", L"曜驰7730=Orvane VP-7730", L"OP-9150=Orvane OP-9150",
        L"[PRINTER_TYPE]", L"Orvane OP-730K=24", L"Orvane VP-7730='24'", L"OP-9150=9",
        L"[PRINTER_MAN]", L"OP-730K=OP-730K.pdf", L"曜驰7730=" + std::wstring(99, L'm'),
        L"[OTHER_SOFTWARE]", L"Quorin=quorin\\QUORIN.exe", L"[printer_name]", L"OP-630K=Orvane OP-630K", L"[大系列]",
    }) + tooLong;
    const struct {
        const char* name;
        std::wstring catalogue;
        bool gbk;
    } cases[] = {
        {"UTF-16", base, false},
        {"GBK", base, true},
        {"series list over the buffer", base + L"[PRINTER_SERIES]\r\n", false},
        {"oversized series list first", L"[PRINTER_SERIES]\r\n" + tooLong + base, false},
        {"list of the big series", L"[PRINTER_SERIES]\r\n大系列\r\n" + base, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cattest::TempDir dir;
        dir.Write(L"PrinterInfor.Inf",
                  c.gbk ? cattest::AnsiFile(c.catalogue, cattest::kGbk) : cattest::Utf16File(c.catalogue));
        dir.Write(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF",
                  "[Orvane.NTamd64]\r\n\"Orvane OP-730K\"\t= A,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\X\r\n"
                  "\"Orvane VP-7730\"=B,LPTENUM\\Y,USBPRINT\\Y\r\n");
        dir.Write(L"OrvaneManual\\OP-730K.pdf", "%PDF");
        dir.Write(L"Quorin\\Quorin.exe", "MZ");
        medium_check::WinMedium windows(dir.Path());
        const core::CheckReport report = core::CheckMedium(windows.Access(), {dir.Path()});
        EXPECT_GT(report.findings.size(), 3u);
        const std::string byWindows = core::ReportJson(report, dir.Path());

        // And the program says what the checker says.
        const ProgramRun run = RunProgram(L"--json \"" + dir.Path() + L".\"");
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, byWindows);
    }
}

}  // namespace
