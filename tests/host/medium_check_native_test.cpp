// The native side of the medium checker: code page 936 as Windows converts
// it, file names looked up as Windows looks them up, and the built program
// itself on the demo medium and on broken media, with its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli.h"
#include "gbk_codec.h"
#include "medium_check_test_media.h"
#include "native_medium.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder of its own, removed again afterwards.
class ScratchDir {
public:
    ScratchDir() {
        static int counter = 0;
        path_ = fs::temp_directory_path() /
                ("pi-medium-check-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& Path() const { return path_; }

    // Writes `bytes` to a path relative to the folder ("/" between folders).
    void Write(const std::string& relative, const std::string& bytes) const {
        const fs::path p = path_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

private:
    fs::path path_;
};

// Lays out an mctest::Medium as real files ("\" becomes "/").
void WriteMedium(const ScratchDir& dir, const mctest::Medium& medium) {
    if (medium.hasCatalogue) dir.Write("PrinterInfor.Inf", medium.CatalogueBytes());
    for (const auto& [path, bytes] : medium.files) {
        std::string p = core::ToUtf8(path);
        for (char& c : p)
            if (c == '\\') c = '/';
        dir.Write(p, bytes);
    }
}

// ---- Code page 936 -----------------------------------------------------------

// Expected values are Wine's MultiByteToWideChar / WideCharToMultiByte with
// code page 936, which follow Windows' table.
TEST(MediumCheckGbk, DecodesAsWindowsDoes) {
    const struct {
        const char* name;
        std::string bytes;
        std::wstring text;
        bool strictOk;
    } cases[] = {
        {"ASCII", "Orvane OP-730K", L"Orvane OP-730K", true},
        {"double-byte characters and the euro sign", "\xB3\xDB\x80", L"\x9A70\x20AC", true},
        {"middle dot and em dash", "a\xA1\xA4\xA1\xAA", L"a\x00B7\x2014", true},
        {"user-defined area 1 (private use)", "\xAA\xA1", L"\xE000", true},
        {"user-defined area 3", "\xA1\x40", L"\xE4C6", true},
        {"user-defined area 2, last", "\xFE\xFE", L"\xE4C5", true},
        {"gap after the user-defined areas", "\xA2\xAB", L"\xE766", true},
        {"last gap", "\xFE\xA0", L"\xE864", true},
        {"lead byte at the end", "x\x81", L"x?", false},
        {"lead byte before a byte that is no trail: both go", "\x81\x30z", L"?z", false},
        {"lead byte before 0x7F", "\x81\x7F", L"?", false},
        {"lead byte before a zero: the zero stays", std::string("\x81\0z", 3), std::wstring(L"?\0z", 3), false},
        {"lone 0xFF", "\xFF\xFF", L"\xF8F5\xF8F5", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(medium_check::DecodeGbk(c.bytes), c.text) << c.name;
        std::wstring strict;
        EXPECT_EQ(medium_check::DecodeGbkStrict(c.bytes, strict), c.strictOk) << c.name;
        if (c.strictOk) {
            EXPECT_EQ(strict, c.text) << c.name;
            std::string back;
            EXPECT_TRUE(medium_check::EncodeGbkStrict(c.text, back)) << c.name;
            EXPECT_EQ(back, c.bytes) << c.name;
        }
    }
}

TEST(MediumCheckGbk, EncodesOnlyWhatHasAForm) {
    const struct {
        std::wstring text;
        bool ok;
        std::string bytes;
    } cases[] = {
        {L"曜驰7730", true, "\xEA\xD7\xB3\xDB" "7730"},
        {L"\x20AC", true, "\x80"},
        {L"\xF8F5", true, "\xFF"},
        {L"\x0E01", false, ""},  // Thai
        {L"\x30FB", false, ""},  // no best fit to '?'
        {L"\xFFFD", false, ""},
    };
    for (const auto& c : cases) {
        std::string bytes;
        EXPECT_EQ(medium_check::EncodeGbkStrict(c.text, bytes), c.ok) << core::ToUtf8(c.text);
        if (c.ok) EXPECT_EQ(bytes, c.bytes) << core::ToUtf8(c.text);
    }
}

// ---- File names as Windows looks them up ---------------------------------------

TEST(MediumCheckNative, ResolvesPathsAsWindows) {
    ScratchDir dir;
    dir.Write("OrvaneManual/OP-730K.pdf", "%PDF");
    dir.Write("OrvaneManual/Both.pdf", "upper");
    dir.Write("OrvaneManual/both.PDF", "lower");
    dir.Write("Tools/Quorin.exe", "MZ");
    dir.Write("Manuel/École.pdf", "%PDF");
    fs::create_directories(dir.Path() / "Folder.pdf");
    medium_check::NativeMedium medium(dir.Path());
    ASSERT_TRUE(medium.IsFolder());
    const struct {
        std::wstring asked;
        const char* found;  // relative, or nullptr when none
    } cases[] = {
        {L"OrvaneManual\\OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"orvanemanual\\op-730k.PDF", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual/OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual\\\\OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual\\OP-730K.pdf. ", "OrvaneManual/OP-730K.pdf"},
        {L"Tools\\..\\OrvaneManual\\.\\OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual\\both.PDF", "OrvaneManual/both.PDF"},
        {L"OrvaneManual\\Both.pdf", "OrvaneManual/Both.pdf"},
        {L"MANUEL\\école.PDF", "Manuel/École.pdf"},
        {L"..\\OrvaneManual\\OP-730K.pdf", nullptr},
        {L"OrvaneManual\\OP-630K.pdf", nullptr},
        {L"Missing\\OP-730K.pdf", nullptr},
    };
    for (const auto& c : cases) {
        const auto found = medium.Resolve(c.asked);
        if (!c.found) {
            EXPECT_FALSE(found.has_value()) << core::ToUtf8(c.asked);
        } else {
            ASSERT_TRUE(found.has_value()) << core::ToUtf8(c.asked);
            EXPECT_EQ(*found, dir.Path() / c.found) << core::ToUtf8(c.asked);
        }
    }
    // A folder does not open as a file, as on Windows.
    const core::MediumAccess access = medium.Access();
    EXPECT_TRUE(access.fileOpens(access.context, L"ORVANEMANUAL\\op-730k.pdf"));
    EXPECT_FALSE(access.fileOpens(access.context, L"Folder.pdf"));
    EXPECT_FALSE(access.fileOpens(access.context, L""));
    std::string bytes;
    EXPECT_EQ(access.readFile(access.context, L"Folder.pdf", 100, bytes), core::FileRead::Unreadable);
    EXPECT_EQ(access.readFile(access.context, L"nothing", 100, bytes), core::FileRead::Missing);
    EXPECT_EQ(access.readFile(access.context, L"OrvaneManual\\Both.pdf", 2, bytes), core::FileRead::TooLarge);
    EXPECT_EQ(access.readFile(access.context, L"OrvaneManual\\Both.pdf", 5, bytes), core::FileRead::Ok);
    EXPECT_EQ(bytes, "upper");
}

// The rules' media laid out as real files give the same findings through
// the native medium as through the in-memory fake.
TEST(MediumCheckNative, RealFilesGiveTheFakesFindings) {
    std::vector<std::function<void(mctest::Medium&)>> changes = {
        [](mctest::Medium&) {},
        [](mctest::Medium& m) { m.encoding = mctest::Encoding::Gbk; },
        [](mctest::Medium& m) { m.files.erase(L"OrvaneManual\\Printer.PDF"); },
        [](mctest::Medium& m) { m.files.erase(mctest::kInf9); },
        [](mctest::Medium& m) { m.Remove(L"Tessan="); },
        [](mctest::Medium& m) { m.Replace(L"Orvane OP-9150=", L"Orvane OP-9150=09"); },
        [](mctest::Medium& m) { m.hasCatalogue = false; },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        mctest::Medium m = mctest::Medium::Good();
        changes[i](m);
        ScratchDir dir;
        WriteMedium(dir, m);
        medium_check::NativeMedium native(dir.Path());
        const core::CheckReport real = core::CheckMedium(native.Access(), {});
        const core::CheckReport fake = mctest::Check(m);
        EXPECT_EQ(mctest::Briefs(real), mctest::Briefs(fake)) << "change " << i << "\n" << mctest::Listed(real);
    }
}

// ---- The program ------------------------------------------------------------------

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

ProgramRun RunProgram(const std::string& arguments) {
    ScratchDir logs;
    const fs::path out = logs.Path() / "out", err = logs.Path() / "err";
    const std::string command = std::string("'") + PI_MEDIUM_CHECK_EXE + "' " + arguments + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::stringstream o, e;
    o << std::ifstream(out).rdbuf();
    e << std::ifstream(err).rdbuf();
    run.out = o.str();
    run.err = e.str();
    return run;
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(MediumCheckProgram, DemoMediumIsClean) {
    const ProgramRun text = RunProgram(Quoted(PI_NATIVE_DEMO_MEDIUM));
    EXPECT_EQ(text.status, 0) << text.out << text.err;
    EXPECT_EQ(text.out, "") << "no finding at all on the demo medium";
    EXPECT_NE(text.err.find("0 errors, 0 warnings (3 series, 9 models)"), std::string::npos) << text.err;
    const ProgramRun json = RunProgram("--json " + Quoted(PI_NATIVE_DEMO_MEDIUM));
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"errors\": 0, \"warnings\": 0, \"findings\": []"), std::string::npos) << json.out;
}

TEST(MediumCheckProgram, ExitStatusAndOutput) {
    ScratchDir broken;
    fs::copy(PI_NATIVE_DEMO_MEDIUM, broken.Path(), fs::copy_options::recursive);
    fs::remove(broken.Path() / "OrvaneManual" / "VP-7330.pdf");
    ScratchDir warned;
    fs::copy(PI_NATIVE_DEMO_MEDIUM, warned.Path(), fs::copy_options::recursive);
    {
        std::ofstream inf(warned.Path() / "OrvaneDriver/OrvaneDriver/Orvane 9pin/Orvane.INF",
                          std::ios::binary | std::ios::trunc);
        inf << "[Orvane.NTamd64]\r\n\"Orvane OP-9150\" = A,LPTENUM\\A\r\n\"Orvane OP-9120\" = B,USBPRINT\\B,C\r\n";
    }
    const struct {
        const char* name;
        std::string arguments;
        int status;
        const char* inOut;  // text the standard output must hold ("" for none)
        const char* inErr;
    } cases[] = {
        {"missing manual", Quoted(broken.Path()), 1,
         "error: PrinterInfor.Inf:51 [PRINTER_MAN] 曜驰7330: the manual page answers \"该机型pdf文件不存在\" for 2 "
         "models: '曜驰7330', '曜驰7330+': OrvaneManual\\VP-7330.pdf is missing or cannot be read [manual-missing]\n",
         "1 errors, 0 warnings"},
        {"missing manual as JSON", "--json " + Quoted(broken.Path()), 1,
         "\"severity\": \"error\", \"rule\": \"manual-missing\", \"file\": \"PrinterInfor.Inf\", \"line\": 51", "1 errors"},
        {"warnings only", Quoted(warned.Path()), 0, "warning: OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF:2 ",
         "0 errors, 1 warnings"},
        {"no such folder", Quoted(broken.Path() / "none"), 2, "", "is no folder"},
        {"a file, not a folder", Quoted(broken.Path() / "PrinterInfor.Inf"), 2, "", "is no folder"},
        {"no folder given", "--json", 2, "", "no medium folder given"},
        {"unknown option", "--fast " + Quoted(broken.Path()), 2, "", "unknown option --fast"},
        {"option without its value", Quoted(broken.Path()) + " --port", 2, "", "--port needs a value"},
        {"port with a quotation mark", "--port 'LPT\"1' " + Quoted(broken.Path()), 2, "", "a port name holds no"},
        {"help", "--help", 0, "usage: medium-check", ""},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
        if (*c.inOut) EXPECT_NE(run.out.find(c.inOut), std::string::npos) << c.name << "\n" << run.out;
        else EXPECT_EQ(run.out, "") << c.name;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << c.name << "\n" << run.err;
    }
}

TEST(MediumCheckProgram, OptionsReachTheCheck) {
    const ProgramRun run = RunProgram("--port " + std::string(900, 'P') + " " + Quoted(PI_NATIVE_DEMO_MEDIUM));
    EXPECT_EQ(run.status, 1);
    size_t lines = 0;
    for (size_t at = run.out.find("[command-too-long]"); at != std::string::npos;
         at = run.out.find("[command-too-long]", at + 1))
        ++lines;
    EXPECT_EQ(lines, 9u) << run.out;
    const ProgramRun deep = RunProgram("--program-dir 'C:\\" + std::string(240, 'd') + "' " + Quoted(PI_NATIVE_DEMO_MEDIUM));
    EXPECT_EQ(deep.status, 1);
    EXPECT_NE(deep.out.find("[path-too-long]"), std::string::npos) << deep.out;
}

// ---- A medium of 500 models ---------------------------------------------------------

// 25 series of 20 models, each with its printer name, pin type, manual and
// models line (INF files padded with the other sections a real one has).
void WriteLargeMedium(const ScratchDir& dir, size_t models) {
    std::wstring series = L"[PRINTER_SERIES]\r\n", lists, names = L"[PRINTER_NAME]\r\n", types = L"[PRINTER_TYPE]\r\n",
                 manuals = L"[PRINTER_MAN]\r\n";
    std::string inf24 = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Orvane.NTamd64]\r\n", inf9 = inf24;
    for (size_t i = 0; i < models; ++i) {
        const std::wstring n = std::to_wstring(i);
        if (i % 20 == 0) {
            series += L"系列 " + std::to_wstring(i / 20) + L"\r\n";
            lists += L"[系列 " + std::to_wstring(i / 20) + L"]\r\n";
        }
        const std::wstring model = L"OP-" + n + L"K", printer = L"Orvane OP-" + n + L"K";
        lists += model + L"\r\n";
        names += model + L"=" + printer + L"\r\n";
        types += printer + (i % 2 ? L"=9\r\n" : L"=24\r\n");
        manuals += model + L"=OP-" + n + L"K.pdf\r\n";
        const std::string p = core::ToUtf8(printer), hex = std::to_string(1000 + i);
        (i % 2 ? inf9 : inf24) += "\"" + p + "\" = OP" + hex + ".GPD,USBPRINT\\Orvane" + hex + "AF90,LPTENUM\\Orvane" + hex +
                                  "AF90,OP " + hex + "\r\n";
        dir.Write("OrvaneManual/OP-" + core::ToUtf8(n) + "K.pdf", "%PDF");
    }
    for (std::string* inf : {&inf24, &inf9}) {
        *inf += "[Strings]\r\n";
        for (size_t i = 0; i < 2000; ++i) *inf += "S" + std::to_string(i) + "=\"Some text of a real driver package\"\r\n";
    }
    const std::wstring text = series + lists + names + types + manuals +
                              L"[OTHER_SOFTWARE]\r\nQuorin=Quorin\\Quorin.exe\r\nTessan=Tessan\\Tessan.exe\r\n";
    dir.Write("PrinterInfor.Inf", mctest::Utf16Bytes(text, false, true));
    dir.Write("OrvaneDriver/OrvaneDriver/Orvane 24pin/Orvane.INF", inf24);
    dir.Write("OrvaneDriver/OrvaneDriver/Orvane 9pin/Orvane.INF", inf9);
    dir.Write("Quorin/Quorin.exe", "MZ");
    dir.Write("Tessan/Tessan.exe", "MZ");
}

TEST(MediumCheckBenchmark, FiveHundredModelsWellUnderASecond) {
    ScratchDir dir;
    WriteLargeMedium(dir, 500);
    const auto start = std::chrono::steady_clock::now();
    medium_check::NativeMedium medium(dir.Path());
    const core::CheckReport report = core::CheckMedium(medium.Access(), {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(report.findings.empty()) << mctest::Listed(report);
    EXPECT_EQ(report.models, 500u);
    EXPECT_EQ(report.series, 25u);
    std::printf("[ BENCHMARK] 500 models checked in %.3f s (in process, this build's sanitizers included)\n", seconds);
    EXPECT_LT(seconds, 1.0);

    const auto programStart = std::chrono::steady_clock::now();
    const ProgramRun run = RunProgram(Quoted(dir.Path()));
    const double programSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - programStart).count();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::printf("[ BENCHMARK] medium-check on 500 models: %.3f s (whole program)\n", programSeconds);
    EXPECT_LT(programSeconds, 1.0);
}

}  // namespace
