// medium-check on Windows: the program on the demo medium, and the checker
// reading media through Windows' own profile functions against the same
// checker reading them through the INI reader (as the native build does):
// the findings must be the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue_test_files.h"
#include "cli.h"
#include "core/ini_reader.h"
#include "core/medium_rules.h"
#include "win/module_path.h"
#include "win/unique.h"
#include "win_medium.h"

namespace {

// ---- Running the program ------------------------------------------------------

struct ProgramRun {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

std::string ReadAll(const std::wstring& path) {
    win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!f) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    return bytes;
}

// build/win/tests/win/ -> build/win/tools/medium-check.exe
std::wstring ProgramPath() { return win::ModuleDirectory() + L"..\\..\\tools\\medium-check.exe"; }
std::wstring DemoMedium() { return win::ModuleDirectory() + L"..\\..\\medium\\"; }

ProgramRun RunProgram(const std::wstring& arguments, cattest::TempDir& logs) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::wstring outPath = logs.Path() + L"out.txt", errPath = logs.Path() + L"err.txt";
    win::UniqueFile out(::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    win::UniqueFile err(::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    if (!out || !err) {
        ADD_FAILURE() << "cannot create the output files";
        return run;
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    std::wstring command = L"\"" + ProgramPath() + L"\" " + arguments;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(ProgramPath().c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &si, &pi)) {
        ADD_FAILURE() << "medium-check.exe does not start (error " << ::GetLastError()
                      << "); build the medium_check target";
        return run;
    }
    win::UniqueHandle process(pi.hProcess);
    win::UniqueHandle thread(pi.hThread);
    EXPECT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(process.get(), &run.status);
    out.reset();
    err.reset();
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

TEST(MediumCheckProgram, DemoMediumChecksClean) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir logs;
    const ProgramRun run = RunProgram(L"\"" + DemoMedium() + L"\"", logs);
    EXPECT_EQ(run.status, 0u) << run.out << run.err;
    EXPECT_EQ(run.out, "") << "no finding at all on the demo medium";
    EXPECT_NE(run.err.find("0 errors, 0 warnings (3 series, 9 models)"), std::string::npos) << run.err;
}

// ---- The profile functions against the INI reader ---------------------------

// A Windows medium whose catalogue is read by the INI reader; files and
// code page conversions stay Windows'.
class ReaderMedium {
public:
    explicit ReaderMedium(const std::wstring& folder) : medium_(folder), inner_(medium_.Access()) {
        std::string bytes;
        inner_.readFile(inner_.context, L"PrinterInfor.Inf", 1 << 24, bytes);
        doc_ = core::ProfileDocument(core::DecodeProfileBytes(bytes, inner_.decodeAnsi));
    }
    core::MediumAccess Access() {
        core::MediumAccess a = inner_;
        a.context = this;
        a.readSection = [](void* c, const std::wstring& section, wchar_t* buffer, size_t capacity) {
            return static_cast<ReaderMedium*>(c)->doc_.ReadSection(section, buffer, capacity);
        };
        a.readString = [](void* c, const std::wstring& section, const std::wstring& key, wchar_t* buffer,
                          size_t capacity) {
            return static_cast<ReaderMedium*>(c)->doc_.ReadString(section, key, buffer, capacity);
        };
        a.readFile = [](void* c, const std::wstring& path, size_t maxBytes, std::string& bytes) {
            auto& inner = static_cast<ReaderMedium*>(c)->inner_;
            return inner.readFile(inner.context, path, maxBytes, bytes);
        };
        a.fileOpens = [](void* c, const std::wstring& path) {
            auto& inner = static_cast<ReaderMedium*>(c)->inner_;
            return inner.fileOpens(inner.context, path);
        };
        return a;
    }

private:
    medium_check::WinMedium medium_;
    core::MediumAccess inner_;
    core::ProfileDocument doc_;
};

const char kInf24[] = "OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";

// A medium of `lines` (the catalogue) and `infLines` (the 24-pin INF) in `dir`.
void WriteMedium(cattest::TempDir& dir, const std::wstring& catalogue, bool gbk, const std::string& inf) {
    dir.Write(L"PrinterInfor.Inf", gbk ? cattest::AnsiFile(catalogue, cattest::kGbk) : cattest::Utf16File(catalogue));
    dir.Write(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF", inf);
    dir.Write(L"OrvaneManual\\OP-730K.pdf", "%PDF");
    dir.Write(L"Quorin\\Quorin.exe", "MZ");
}

TEST(MediumCheckProgram, ProfileFunctionsAndIniReaderFindTheSame) {
    CATTEST_REQUIRE_GBK();
    std::wstring tooLong;
    for (int i = 0; i < 93; ++i) tooLong += L"M" + std::to_wstring(i) + std::wstring(18 - std::to_wstring(i).size(), L'x') + L"\r\n";
    const std::wstring base = cattest::Lines({
        L"; catalogue",
        L"[PRINTER_SERIES]",
        L"经典系列",
        L" 高速系列 ",
        L"空系列",
        L"[经典系列]",
        L"OP-730K",
        L"OP-630K=x",
        L"曜驰7730",
        L"[ 高速系列 ]",
        L"曜驰7730",
        L"op-9150",
        L"[PRINTER_NAME]",
        L"OP-730K = \"Orvane OP-730K\"",
        L"曜驰7730=Orvane VP-7730",
        L"OP-9150=Orvane OP-9150",
        L"[PRINTER_TYPE]",
        L"Orvane OP-730K=24",
        L"Orvane VP-7730='24'",
        L"OP-9150=9",
        L"[PRINTER_MAN]",
        L"OP-730K=OP-730K.pdf",
        L"曜驰7730=" + std::wstring(99, L'm'),
        L"[OTHER_SOFTWARE]",
        L"Quorin=quorin\\QUORIN.exe",
        L"[printer_name]",
        L"OP-630K=Orvane OP-630K",
        L"[大系列]",
    }) + tooLong;
    const std::string inf = "[Orvane.NTamd64]\r\n\"Orvane OP-730K\"\t= A,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\X\r\n"
                            "\"Orvane VP-7730\"=B,LPTENUM\\Y,USBPRINT\\Y\r\n";
    const struct {
        const char* name;
        std::wstring catalogue;
        bool gbk;
    } cases[] = {
        {"UTF-16", base, false},
        {"GBK", base, true},
        {"series list over the buffer", base + cattest::Lines({L"[PRINTER_SERIES]"}) , false},
        {"oversized series list first", cattest::Lines({L"[PRINTER_SERIES]"}) + tooLong + base, false},
        {"list of the big series", cattest::Lines({L"[PRINTER_SERIES]", L"大系列"}) + base, true},
    };
    for (const auto& c : cases) {
        cattest::TempDir dir;
        WriteMedium(dir, c.catalogue, c.gbk, inf);
        medium_check::WinMedium windows(dir.Path());
        ReaderMedium reader(dir.Path());
        const core::CheckReport byWindows = core::CheckMedium(windows.Access(), {dir.Path(), L"USB001"});
        const core::CheckReport byReader = core::CheckMedium(reader.Access(), {dir.Path(), L"USB001"});
        EXPECT_GT(byWindows.findings.size(), 3u) << c.name;
        EXPECT_EQ(core::ReportJson(byReader, dir.Path()), core::ReportJson(byWindows, dir.Path())) << c.name;

        // And the program says what the checker says.
        cattest::TempDir logs;
        const ProgramRun run = RunProgram(L"--json \"" + dir.Path() + L"\"", logs);
        EXPECT_EQ(run.status, 1u) << c.name << run.err;
        EXPECT_EQ(run.out, core::ReportJson(byWindows, dir.Path())) << c.name;
    }
}

}  // namespace
