// "下一步" on the driver page of the real program with Wine's real print
// spooler.  A stand-in takes the place of the system's rundll32.exe: it
// records each set-up command and, when told, creates the printer the way
// PrintUI would, with a printer driver Wine has.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::LogLines;
using e2e::Medium;
using e2e::ParametersOf;
using e2e::Program;
using e2e::StandInExe;
using e2e::DeletePrinterNamed;
using e2e::HasPrinter;
using e2e::PrinterDriverForTests;
using Texts = std::vector<std::wstring>;

bool AddLocalPrinter(const std::wstring& name, const std::wstring& driver) {
    std::wstring n = name, port = L"LPT1:", drv = driver, processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = n.data();
    info.pPortName = port.data();
    info.pDriverName = drv.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.data();
    HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!printer) return false;
    ::ClosePrinter(printer);
    return true;
}

bool ButtonsBack(const Program& p) { return p.Enabled(IDC_BTN_NEXT) && p.Enabled(IDC_BTN_CANCEL); }

class DriverInstallE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Installed()) << "cannot put the stand-in in the system folder";
        for (const auto& n : kPrinters) DeletePrinterNamed(n);
    }
    void TearDown() override {
        for (const auto& n : kPrinters) DeletePrinterNamed(n);
    }
    void Configure(const std::string& settings) {
        ASSERT_TRUE(e2e::WriteFileBytes(host_.ConfigPath(), "[stand-in]\n" + settings));
    }
    Texts Commands() const { return e2e::LogLines(host_.LogPath()); }
    std::wstring Inf24() const { return medium_.Path(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF"); }

    const Texts kPrinters{L"Orvane OP-730K", L"Orvane VP-7730", L"Orvane 曜驰7730"};
    e2e::SystemSetUpHost host_{StandInExe()};
    Medium medium_;
    Program program_{medium_};
};

// An earlier printer of the name is deleted from the spooler; the stand-in
// creates none, so the installation fails and nothing more is run.
TEST_F(DriverInstallE2E, RunsTheExactInstallCommandAndReportsFailureWhenNoPrinterAppears) {
    const std::wstring driver = PrinterDriverForTests();
    ASSERT_FALSE(driver.empty()) << "no printer driver to create a printer with";
    ASSERT_TRUE(AddLocalPrinter(L"Orvane OP-730K", driver)) << "error " << ::GetLastError();
    Program& program = program_;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(e2e::ChooseModel(program, L"Orvane 经典24针系列", L"OP-730K"));
    auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK, 60000);
    program.Click(IDC_BTN_NEXT);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !program.Enabled(IDC_BTN_NEXT); }, 5000));
    EXPECT_FALSE(program.Enabled(IDC_BTN_CANCEL));
    const probe::MessageBoxInfo seen = box.get();
    ASSERT_TRUE(seen) << "no message box";
    EXPECT_EQ(seen.text, L"打印机驱动安装失败！");
    EXPECT_EQ(seen.caption, L"OK");
    EXPECT_EQ(seen.owner, program.Window());
    EXPECT_FALSE(HasPrinter(L"Orvane OP-730K"));

    // The system folder's rundll32.exe was started by its full path: the
    // stand-in there wrote this line.
    const Texts commands = Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(ParametersOf(commands[0]), L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane OP-730K\" /f \"" + Inf24() +
                                             L"\" /r \"LPT1:\" /m \"Orvane OP-730K\" ");
    EXPECT_TRUE(e2e::WaitUntil([&] { return ButtonsBack(program); }));
    ::Sleep(300);
    EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(DriverInstallE2E, ExitWhileTheSetUpCommandRunsIsRefused) {
    Configure("sleep_ms=4000\n");
    Program& program = program_;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(e2e::ChooseModel(program, L"Orvane 经典24针系列", L"OP-730K"));
    program.Click(IDC_BTN_NEXT);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Commands().size() == 1; }, 15000));
    auto refusal = probe::AnswerNextMessageBox(program.Pid(), IDOK, 10000);
    program.Click(IDC_BTN_EXIT);
    EXPECT_EQ(refusal.get().text, L"正在安装打印机驱动，请稍后再退出！");
    EXPECT_TRUE(program.Running());

    // The command ends, no printer appeared: the failure, then the buttons.
    auto failure = probe::AnswerNextMessageBox(program.Pid(), IDOK, 30000);
    EXPECT_EQ(failure.get().text, L"打印机驱动安装失败！");
    ASSERT_TRUE(e2e::WaitUntil([&] { return ButtonsBack(program); }));
    // Idle again: Exit leaves at once.
    program.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(program.WaitForExit(10000));
}

TEST_F(DriverInstallE2E, SuccessfulHighSpeedInstallationSetsDefaultRenamesAndPrintsTestPage) {
    const std::wstring driver = PrinterDriverForTests();
    ASSERT_FALSE(driver.empty()) << "no printer driver to create a printer with";
    Configure("create_driver=" + std::string(driver.begin(), driver.end()) + "\n");
    Program& program = program_;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(e2e::ChooseModel(program, L"Orvane 曜驰高速系列", L"曜驰7730"));
    // Default printer "是" is the first choice; ask for the test page too.
    ::SendMessageW(program.Item(IDC_RAD_TESTPAGE_YES), BM_CLICK, 0, 0);
    auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK, 60000);
    program.Click(IDC_BTN_NEXT);
    const probe::MessageBoxInfo seen = box.get();
    EXPECT_EQ(seen.text, L"打印机驱动安装成功！") << e2e::Utf8ToWide(e2e::ReadFileBytes(host_.Path() + L".err"));
    EXPECT_EQ(seen.caption, L"OK");
    ASSERT_TRUE(e2e::WaitUntil([&] { return ButtonsBack(program); }, 30000));
    // The status line as the user is left with it, kept for a look.
    probe::PumpFor(200);
    EXPECT_TRUE(probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"driver-installation-finished.bmp"));

    const Texts commands = Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(ParametersOf(commands[0]), L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane VP-7730\" /f \"" + Inf24() +
                                             L"\" /r \"LPT1:\" /m \"Orvane VP-7730\" ");
    EXPECT_EQ(ParametersOf(commands[1]), L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\"");
    EXPECT_EQ(ParametersOf(commands[2]), L"PRINTUI.DLL,PrintUIEntry /k /q /n \"Orvane 曜驰7730\"");
    // The spooler now knows the printer under its display name only.
    EXPECT_TRUE(HasPrinter(L"Orvane 曜驰7730"));
    EXPECT_FALSE(HasPrinter(L"Orvane VP-7730"));
}

}  // namespace
