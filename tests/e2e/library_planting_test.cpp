// The installer runs elevated from folders other people can write to (a USB
// stick, a share, an unpacked download).  Windows looks for a library in the
// program's folder before the system folder unless it is one of its known
// libraries, and for a program named without a path there first as well.
// Here libraries and a rundll32.exe are planted next to the program under
// the names it uses, and Wine is told to look for each as Windows looks for
// a library that is not a known one (native first); the program is then
// used end to end.  Nothing planted may run.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

// Every library Wine's loader trace (WINEDEBUG=+loaddll) shows the
// program's process loading in the run below, Wine's own among them, and the
// ones the program or Windows on its behalf may load on Windows (newdev,
// cfgmgr32, dwmapi).  Left out: ntdll, kernel32, kernelbase and msvcrt,
// which every process has before its first line runs and which Windows
// never searches for (known libraries), and winio.dll, the port library the
// program loads by its full path, from its own folder when the system folder
// has none.
const std::vector<std::wstring> kPlanted = {
    L"advapi32.dll", L"cfgmgr32.dll", L"combase.dll",  L"comctl32.dll", L"comdlg32.dll", L"compstui.dll",
    L"dwmapi.dll",   L"gdi32.dll",    L"imm32.dll",    L"localspl.dll", L"msimg32.dll",  L"newdev.dll",
    L"ole32.dll",    L"rpcrt4.dll",   L"sechost.dll",  L"setupapi.dll", L"shcore.dll",   L"shell32.dll",
    L"shlwapi.dll",  L"spoolss.dll",  L"ucrtbase.dll", L"user32.dll",   L"uxtheme.dll",  L"version.dll",
    L"win32u.dll",   L"winex11.drv",  L"winspool.drv", L"zlib1.dll",
};

std::string AsciiOf(const wchar_t* text) {
    std::string out;
    for (const wchar_t* c = text; *c; ++c) out.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return out;
}

std::wstring PlantedExe() { return e2e::DriverDir() + L"planted_library.dll"; }
std::wstring StandInExe() { return e2e::DriverDir() + L"install_printui_stand_in.exe"; }

TEST(LibraryPlanting, NothingPlantedNextToTheProgramIsLoadedOrStarted) {
    e2e::SystemSetUpHost host(StandInExe());
    ASSERT_TRUE(host.Installed());
    Medium medium;
    Program program(medium);
    for (const auto& name : kPlanted) {
        ASSERT_TRUE(::CopyFileW(PlantedExe().c_str(), medium.Path(name).c_str(), FALSE)) << name;
        program.LoadNativeFirst(name);
    }
    ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), medium.Path(L"rundll32.exe").c_str(), FALSE));
    const std::wstring firmware = medium.Path(L"Firmware\\planted-test.mot");
    ASSERT_TRUE(medium.Put(L"Firmware\\planted-test.mot", "S00F000068656C6C6F20202020200000\r\n"));

    ASSERT_TRUE(program.Start()) << "the program did not start";
    for (int page : {IDC_BTN_MANUAL, IDC_BTN_FIRMWARE, IDC_BTN_DRIVER}) ASSERT_TRUE(program.ClickAndWait(page));

    // A firmware file chosen with the file dialog, sent to the simulator.
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_FIRMWARE));
    ASSERT_NO_FATAL_FAILURE(e2e::Browse(program, firmware));
    auto confirm = probe::AnswerNextMessageBox(program.Pid(), IDYES, 10000);
    program.Click(IDC_BTN_NEXT);
    ASSERT_TRUE(confirm.get()) << "no confirmation";
    EXPECT_EQ(probe::AnswerNextMessageBox(program.Pid(), IDOK, 30000).get().text, L"打印机版本更新成功！");
    ASSERT_TRUE(e2e::WaitUntil([&] { return program.Enabled(IDC_BTN_NEXT); }, 5000));

    // An installation whose set-up command creates no printer.
    ASSERT_NO_FATAL_FAILURE(e2e::ExpectFailedInstallation(program, host));

    program.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(program.WaitForExit(10000));

    EXPECT_EQ(e2e::ReadFileBytes(medium.Path(L"planted-libraries.log")), "") << "a planted library was loaded";
    EXPECT_EQ(e2e::ReadFileBytes(medium.Path(L"rundll32.exe.log")), "") << "the planted rundll32.exe was started";
    EXPECT_EQ(lpttest::Captured(medium.Dir()), "S00F000068656C6C6F20202020200000\r\n");
}

// The libraries a program file imports at start, read from its PE import
// directory; empty when the file is no 64-bit program.
std::set<std::string> StartImports(const std::string& file) {
    auto at = [&](size_t offset, size_t size) { return offset + size <= file.size() ? file.data() + offset : nullptr; };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS64)));
    if (!nt || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return {};
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& sec = sections[i];
            if (rva >= sec.VirtualAddress && rva < sec.VirtualAddress + sec.Misc.VirtualSize)
                return rva - sec.VirtualAddress + sec.PointerToRawData;
        }
        return file.size();
    };
    std::set<std::string> names;
    const DWORD first = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t d = offsetOf(first);; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!desc || desc->Name == 0) break;
        const char* name = at(offsetOf(desc->Name), 1);
        if (!name) break;
        std::string lower(name, strnlen(name, file.data() + file.size() - name));
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.insert(lower);
    }
    return names;
}

// Nothing can be planted for a library Windows loads before a program's
// first line: only kernel32 and the C runtime, both known libraries.
TEST(LibraryPlanting, TheProgramsImportOnlyKernel32AndTheCRuntimeAtStart) {
    for (const wchar_t* name : {L"Printer Install.exe", L"PrinterInstallCmd.exe"}) {
        const std::string exe = e2e::ReadFileBytes(e2e::DemoMediumDir() + name);
        EXPECT_EQ(StartImports(exe), (std::set<std::string>{"kernel32.dll", "msvcrt.dll"})) << AsciiOf(name);
    }
}

// The console program's commands with the same libraries planted next to
// it, run as a deployment tool runs them (its failed installation starts
// the set-up command).
TEST(LibraryPlanting, NothingPlantedNextToTheConsoleProgramIsLoadedOrStarted) {
    e2e::SystemSetUpHost host(StandInExe());
    ASSERT_TRUE(host.Installed());
    Medium medium;
    e2e::LoadOrders orders(L"PrinterInstallCmd.exe");
    for (const auto& name : kPlanted) {
        ASSERT_TRUE(::CopyFileW(PlantedExe().c_str(), medium.Path(name).c_str(), FALSE)) << AsciiOf(name.c_str());
        ASSERT_TRUE(orders.Set(name, L"native,builtin"));
    }
    ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), medium.Path(L"rundll32.exe").c_str(), FALSE));
    ASSERT_TRUE(medium.Put(L"fw.data", "firmware"));
    const struct {
        std::vector<std::wstring> args;
        DWORD exitCode;
    } runs[] = {
        {{L"list"}, 0},
        {{L"detect"}, 1},
        {{L"installed", L"--model", L"OP-730K"}, 1},
        {{L"install", L"--model", L"OP-730K", L"--port", L"LPT1:"}, 1603},
        {{L"firmware", L"--file", medium.Path(L"fw.data"), L"--yes"}, 0},
    };
    for (const auto& run : runs) {
        const e2e::ConsoleRun done = e2e::RunConsole(medium, run.args);
        EXPECT_EQ(done.exitCode, run.exitCode) << AsciiOf(run.args.front().c_str()) << " " << done.err;
    }
    EXPECT_EQ(e2e::LogLines(host.LogPath()).size(), 1u) << "the system's rundll32.exe ran the install command";
    EXPECT_EQ(e2e::ReadFileBytes(medium.Path(L"planted-libraries.log")), "") << "a planted library was loaded";
    EXPECT_EQ(e2e::ReadFileBytes(medium.Path(L"rundll32.exe.log")), "") << "the planted rundll32.exe was started";
}

// A system library that cannot be loaded fails the calls into it as a
// failed call would fail, and the job reports it: without the spooler's
// library the driver page offers the fixed ports, and an installation
// fails with its message; the program never crashes.
TEST(LibraryPlanting, WithoutTheSpoolersLibraryTheJobFailsWithItsMessage) {
    e2e::SystemSetUpHost host(StandInExe());
    ASSERT_TRUE(host.Installed());
    Medium medium;
    Program program(medium);
    program.SetLoadOrder(L"winspool.drv", L"");
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(e2e::Entries(program.Item(IDC_CBO_PORT)),
              (std::vector<std::wstring>{L"LPT1:", L"LPT2:", L"LPT3:", L"COM1:", L"COM2:", L"COM3:", L"COM4:",
                                         L"COM5:", L"USB001"}));
    ASSERT_TRUE(e2e::ChooseModel(program, L"Orvane 经典24针系列", L"OP-730K"));
    auto failure = probe::AnswerNextMessageBox(program.Pid(), IDOK, 60000);
    program.Click(IDC_BTN_NEXT);
    EXPECT_EQ(failure.get().text, L"打印机驱动安装失败！");
    ASSERT_TRUE(e2e::WaitUntil([&] { return program.Enabled(IDC_BTN_NEXT); }, 10000));
    program.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(program.WaitForExit(10000));
}

}  // namespace
