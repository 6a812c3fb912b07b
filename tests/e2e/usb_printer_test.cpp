// A USB printer attached to the PC, met by the shipped program through
// Wine's own Plug and Play: the simulated USB printer bus driver
// (sim/usbprint_driver) reports the printer, its interface, port number and
// USBPRINT child; the program finds, opens and asks it with the real Windows
// calls.  What each printer was asked, the driver counts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"
#include "usb_printer_fixture.h"
#include "usbprint_sim_control.h"
#include "win/unique.h"

namespace {

using e2e::Entries;
using e2e::Selection;
using usbprintsim::Answer;
using usbe2e::MakePrinter;
using usbe2e::Narrow;
using usbe2e::ReportedWindows;
using usbe2e::UsbPrinterE2E;
using Texts = std::vector<std::wstring>;

const Texts kAllSeries = {L"Orvane 经典24针系列", L"Orvane 曜驰高速系列", L"Orvane 9针系列"};
const Texts kFirstSeriesModels = {L"OP-610K", L"OP-630K", L"OP-730K"};
const Texts kHighSpeed = {L"Orvane 曜驰高速系列"};
const Texts k24Pin = {L"Orvane 经典24针系列"};
// The USB hardware ID the demo medium's 24-pin INF gives "Orvane VP-7730".
const wchar_t kVp7730HardwareId[] = L"USBPRINT\\OrvaneVP-77305E31";
const char kVp7730[] = "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;";

std::wstring Detected(const wchar_t* port) {
    return std::wstring(L"软件自动检测到与打印机连接的USB端口为：") + port + L"\n";
}

struct StartCase {
    const char* name;
    std::optional<usbprintsim::Printer> printer;
    const wchar_t* port;  // the detected port; nullptr: the port list stays
    Texts series, models;
    unsigned requests, answered, failed, cancelled;
    const wchar_t* box = nullptr;  // a message box at start
};

// A printer that answers after `delayMs`.
usbprintsim::Printer Late(const wchar_t* serial, int port, DWORD delayMs) {
    usbprintsim::Printer p = MakePrinter(serial, port, kVp7730);
    p.answerDelayMs = delayMs;
    return p;
}

// An ID whose length bytes read 256 or more.
std::string LongId() {
    return "MFG:Orvane;CMD:" + std::string(300, 'E') + ";MDL:VP-7330;CLS:PRINTER;";
}

TEST_F(UsbPrinterE2E, AtStartTheDetectedPortAndTheAttachedModelAreShown) {
    const StartCase cases[] = {
        {"no printer", std::nullopt, nullptr, kAllSeries, kFirstSeriesModels, 0, 0, 0, 0},
        // The reported "VP-7730" is looked up and shown by its list name.
        {"high-speed model on port 3", MakePrinter(L"S3", 3, kVp7730), L"USB003", kHighSpeed, {L"曜驰7730"}, 2, 2,
         0, 0},
        // Any maker's printer narrows the lists when the catalogue knows its model.
        {"another maker's known model on port 7", MakePrinter(L"S7", 7, "MFG:EPSON;CMD:ESCP9;MDL:OP-730K;"), L"USB007",
         k24Pin, {L"OP-730K"}, 2, 2, 0, 0},
        {"unknown model on port 1000", MakePrinter(L"S1000", 1000, "MFG:EPSON;CMD:ESCP9;MDL:LQ-590;CLS:PRINTER;"),
         L"USB1000", kAllSeries, kFirstSeriesModels, 2, 2, 0, 0},
        // Only "MDL:" names the model here.
        {"no MDL: key", MakePrinter(L"S1", 1, "MFG:Orvane;CMD:ESC/P;MODEL:VP-7730;"), L"USB001", kAllSeries,
         kFirstSeriesModels, 2, 2, 0, 0},
        {"ID of 256 bytes or more", MakePrinter(L"S12", 12, LongId()), L"USB012", kHighSpeed, {L"曜驰7330"}, 2, 2, 0,
         0},
        {"answers within the 500 ms", Late(L"S8", 8, 250), L"USB008", kHighSpeed, {L"曜驰7730"}, 2, 2, 0, 0},
        {"answers too late", Late(L"S9", 9, 900), L"USB009", kAllSeries, kFirstSeriesModels, 2, 0, 0, 2},
        {"never answers", MakePrinter(L"S2", 2, kVp7730, Answer::Never), L"USB002", kAllSeries, kFirstSeriesModels, 2,
         0, 0, 2},
        {"fails the request", MakePrinter(L"S4", 4, kVp7730, Answer::Fail), L"USB004", kAllSeries,
         kFirstSeriesModels, 2, 0, 2, 0},
        // Regression: a printer whose port the registry does not name was
        // held open by the port search, so its model could not be read.
        {"no port number", MakePrinter(L"S0", -1, kVp7730), nullptr, kHighSpeed, {L"曜驰7730"}, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        if (c.printer) Attach(*c.printer);
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
        EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), c.port ? Detected(c.port) : L"");
        EXPECT_EQ(program.Visible(IDC_STC_USB_PORT), c.port != nullptr);
        EXPECT_EQ(program.Visible(IDC_CBO_PORT), c.port == nullptr) << "the port choice only without a port";
        EXPECT_EQ(program.Visible(IDC_LBL_PORT), c.port == nullptr);
        EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)), c.series);
        EXPECT_EQ(Selection(program.Item(IDC_CBO_SERIES)), c.series.front());
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), c.models);
        EXPECT_EQ(Selection(program.Item(IDC_LST_MODEL)), c.models.front());
        // The README's picture of a detected printer.
        if (c.port && std::wstring(c.port) == L"USB003") {
            ::Sleep(600);
            EXPECT_TRUE(probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"usb-printer-detected.bmp"));
        }
        if (!c.printer) continue;
        const usbprint_sim_status s = Seen(*c.printer);
        EXPECT_EQ(s.id_requests, c.requests) << "two at start when a port is found";
        EXPECT_EQ(s.id_answered, c.answered);
        EXPECT_EQ(s.id_failed, c.failed);
        EXPECT_EQ(s.id_cancelled, c.cancelled) << "every request that timed out is cancelled";
        // Without a port the search let go of the printer before its model
        // was read: Windows opens it exclusively, so a second handle would
        // have been refused.  (A handle with requests reaches the driver's
        // count late under Wine, so only this case tells.)
        if (!c.port) {
            EXPECT_EQ(s.open_max, 1u);
        }
        ExpectLetGo(*c.printer);
    }
}

// A printer that never answers costs the start two bounded waits, not a
// hang, and leaves nothing behind when the program ends.
TEST_F(UsbPrinterE2E, APrinterThatNeverAnswersDelaysTheWindowBrieflyAndTheProgramEndsCleanly) {
    const usbprintsim::Printer answering = MakePrinter(L"SA", 2, kVp7730);
    usbprintsim::Printer silent = MakePrinter(L"SN", 2, kVp7730, Answer::Never);
    silent.cancelDelayMs = 150;  // a request still ends a little after its cancellation
    DWORD startMs[2] = {};
    for (int i = 0; i < 2; ++i) {
        const usbprintsim::Printer& printer = i ? silent : answering;
        Reset();
        Attach(printer);
        e2e::Program program(medium_);
        const DWORD begin = ::GetTickCount();
        ASSERT_TRUE(program.Start());
        startMs[i] = ::GetTickCount() - begin;
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), i ? kFirstSeriesModels : Texts{L"曜驰7730"});
        program.Click(IDC_BTN_EXIT);
        ASSERT_TRUE(program.WaitForExit(15000));
        EXPECT_EQ(program.ExitCode(), 0u);
        ExpectLetGo(printer);
    }
    const usbprint_sim_status s = Seen(silent);
    EXPECT_EQ(s.id_requests, 2u);
    EXPECT_EQ(s.id_cancelled, 2u);
    // Two waits of 500 ms and two cancellations of 150 ms: about 1.3 s more
    // than with a printer that answers; a second or more beyond that would be
    // a wait the user should not have (such as waiting out the cancellation's
    // own 2-second bound).
    std::printf("window up after %lu ms with an answering printer, %lu ms with a silent one\n",
                static_cast<unsigned long>(startMs[0]), static_cast<unsigned long>(startMs[1]));
    EXPECT_LT(startMs[1], startMs[0] + 2500);
}

TEST_F(UsbPrinterE2E, EachShowingOfTheDriverPageAsksThePrinterOnce) {
    const struct {
        const char* name;
        usbprintsim::Printer printer;
        Texts models;
    } cases[] = {
        {"answers", MakePrinter(L"SP", 3, kVp7730), {L"曜驰7730"}},
        {"never answers", MakePrinter(L"SQ", 3, kVp7730, Answer::Never), kFirstSeriesModels},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Attach(c.printer);
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        unsigned expected = 2;
        for (int round = 0; round < 2; ++round) {
            // The manual page offers every series and asks nothing.
            ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
            EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)), kAllSeries);
            EXPECT_EQ(Seen(c.printer).id_requests, expected);
            ASSERT_TRUE(program.ClickAndWait(IDC_BTN_DRIVER));
            ++expected;
            EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), c.models);
            EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), Detected(L"USB003"));
            const usbprint_sim_status s = Seen(c.printer);
            EXPECT_EQ(s.id_requests, expected);
            EXPECT_EQ(s.id_answered + s.id_cancelled, expected);
        }
        ExpectLetGo(c.printer);
    }
}

TEST_F(UsbPrinterE2E, OfTwoPrintersTheFirstPresentOneIsTaken) {
    // The present printers are listed in the order of their device paths:
    // vid_04b8 before vid_1a86.
    usbprintsim::Printer first = MakePrinter(L"T1", 3, "MFG:EPSON;MDL:OP-730K;");
    first.vid = 0x04B8;
    first.pid = 0x0005;
    const usbprintsim::Printer second = MakePrinter(L"T2", 7, kVp7730);
    const struct {
        const char* name;
        bool firstPresent;
        const wchar_t* port;
        Texts series, models;
    } cases[] = {
        {"both attached", true, L"USB003", k24Pin, {L"OP-730K"}},
        {"the first unplugged again", false, L"USB007", kHighSpeed, {L"曜驰7730"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Attach(first);
        Attach(second);
        if (!c.firstPresent) Detach(first);
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), Detected(c.port));
        EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)), c.series);
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), c.models);
        const usbprint_sim_status taken = Seen(c.firstPresent ? first : second);
        const usbprint_sim_status other = Seen(c.firstPresent ? second : first);
        EXPECT_EQ(taken.id_requests, 2u);
        EXPECT_EQ(other.opens, 0u) << "the other printer is never looked at";
    }
}

// An earlier printer of the same model left its entry, no longer linked,
// with the port it had.  Before Windows 8 only linked entries count; from
// Windows 8 on (which the program, declaring Windows 7 at most, is told is
// 6.2) the first entry in key order with the printer's VID and PID gives the
// port, even that earlier one.
TEST_F(UsbPrinterE2E, TheLinkedValueCountsOnlyBeforeWindows8) {
    const usbprintsim::Printer earlier = MakePrinter(L"A1", 3, kVp7730);
    const usbprintsim::Printer attached = MakePrinter(L"B2", 7, kVp7730);
    const struct {
        const wchar_t* windows;
        const wchar_t* port;
    } cases[] = {{L"win7", L"USB007"}, {L"win10", L"USB003"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.windows));
        Reset();
        Attach(earlier);
        Detach(earlier);
        Attach(attached);
        ReportedWindows windows(c.windows);
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), Detected(c.port));
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), Texts{L"曜驰7730"});
    }
}

class UsbInstallE2E : public UsbPrinterE2E {
protected:
    void SetUp() override {
        UsbPrinterE2E::SetUp();
        ASSERT_TRUE(host_.Installed()) << "cannot put the stand-in in the system folder";
    }
    Texts Commands() const { return e2e::LogLines(host_.LogPath()); }
    // Presses Next and answers the job's message box; what it said.
    probe::MessageBoxInfo InstallAndAnswer(const e2e::Program& program) const {
        auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK, 60000);
        program.Click(IDC_BTN_NEXT);
        probe::MessageBoxInfo seen = box.get();
        EXPECT_TRUE(e2e::WaitUntil([&] { return program.Enabled(IDC_BTN_NEXT) && program.Enabled(IDC_BTN_CANCEL); },
                                   30000));
        return seen;
    }
    e2e::SystemSetUpHost host_{e2e::StandInExe()};
};

// A printer of one of the maker's names is installed by Plug and Play with
// the hardware ID of the medium's INF for its model (the 24-pin or the 9-pin
// one): the driver ends on that printer's USBPRINT device, and no set-up
// command installs anything.
TEST_F(UsbInstallE2E, AnAttachedPrinterOfTheMakerGetsItsDriverThroughPlugAndPlay) {
    const struct {
        const char* maker;
        const char* model;      // as the printer reports it
        const wchar_t* listed;  // as the model list shows it
        const wchar_t* printerName;
        const wchar_t* hardwareId;
    } cases[] = {
        {"Orvane", "VP-7730", L"曜驰7730", L"Orvane VP-7730", kVp7730HardwareId},
        {"Telvix", "VP-7730", L"曜驰7730", L"Orvane VP-7730", kVp7730HardwareId},
        {"Kesto", "VP-7730", L"曜驰7730", L"Orvane VP-7730", kVp7730HardwareId},
        {"Orvane", "OP-9150", L"OP-9150", L"Orvane OP-9150", L"USBPRINT\\OrvaneOP-91502B6F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.maker) + " " + c.model);
        Reset();
        ::DeleteFileW(host_.LogPath().c_str());
        usbprintsim::Printer printer =
            MakePrinter(L"P3", 3, std::string("MFG:") + c.maker + ";CMD:ESC/P;MDL:" + c.model + ";CLS:PRINTER;");
        printer.printHardwareId = c.hardwareId;
        Attach(printer);
        ASSERT_EQ(usbprintsim::PrintDeviceValue(printer, L"Driver"), L"") << "no driver before the installation";
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        ASSERT_EQ(Entries(program.Item(IDC_LST_MODEL)), Texts{c.listed});
        const probe::MessageBoxInfo seen = InstallAndAnswer(program);
        EXPECT_EQ(seen.text, L"打印机驱动安装成功！");
        EXPECT_EQ(seen.caption, L"OK");
        EXPECT_NE(usbprintsim::PrintDeviceValue(printer, L"Driver"), L"") << "the printer has its driver";
        EXPECT_EQ(usbprintsim::PrintDeviceValue(printer, L"Class"), L"Printer");
        // The make-default command is the only one (default printer "是").
        const Texts commands = Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(e2e::ParametersOf(commands[0]),
                  std::wstring(L"PRINTUI.DLL,PrintUIEntry /y /q /n \"") + c.printerName + L"\"");
        EXPECT_EQ(Seen(printer).id_requests, 3u) << "two at start, one for the installation";
        ExpectLetGo(printer);
    }
}

// Another maker's printer, or one whose manufacturer and model begin the
// printer name exactly, is installed by the set-up command on the port the
// program detected at start.  The stand-in creates no printer, so the
// installation then fails.
TEST_F(UsbInstallE2E, OtherPrintersGetTheSetUpCommandOnTheDetectedPort) {
    const struct {
        const char* name;
        const char* id;
    } cases[] = {
        {"another maker", "MFG:EPSON;CMD:ESCP9;MDL:OP-730K;"},
        {"a maker's name in other letter case", "MFG:telvix;MDL:OP-730K;"},
        {"manufacturer and model begin the printer name", "MFG:Orvane ;MDL:OP-730K;"},
    };
    const std::wstring inf = medium_.Path(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        ::DeleteFileW(host_.LogPath().c_str());
        usbprintsim::Printer printer = MakePrinter(L"Q7", 7, c.id);
        printer.printHardwareId = L"USBPRINT\\OrvaneOP-730K8C1E";
        Attach(printer);
        e2e::Program program(medium_);
        ASSERT_TRUE(program.Start());
        ASSERT_EQ(Entries(program.Item(IDC_LST_MODEL)), Texts{L"OP-730K"});
        EXPECT_EQ(InstallAndAnswer(program).text, L"打印机驱动安装失败！");
        const Texts commands = Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(e2e::ParametersOf(commands[0]), L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane OP-730K\" /f \"" + inf +
                                                      L"\" /r \"USB007\" /m \"Orvane OP-730K\" ");
        EXPECT_EQ(usbprintsim::PrintDeviceValue(printer, L"Driver"), L"");
    }
}

// Unplugged after the start, the printer still counts as found: Next runs
// the set-up command on the port detected at start, and nothing asks the
// printer any more.
TEST_F(UsbInstallE2E, APrinterUnpluggedAfterTheStartIsInstalledOnItsDetectedPort) {
    usbprintsim::Printer printer = MakePrinter(L"U3", 3, kVp7730);
    printer.printHardwareId = kVp7730HardwareId;
    Attach(printer);
    e2e::Program program(medium_);
    ASSERT_TRUE(program.Start());
    ASSERT_EQ(Entries(program.Item(IDC_LST_MODEL)), Texts{L"曜驰7730"});
    Detach(printer);
    EXPECT_EQ(InstallAndAnswer(program).text, L"打印机驱动安装失败！");
    const Texts commands = Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(e2e::ParametersOf(commands[0]),
              L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane VP-7730\" /f \"" +
                  medium_.Path(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF") +
                  L"\" /r \"USB003\" /m \"Orvane VP-7730\" ");
    EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), Detected(L"USB003"));
    EXPECT_EQ(Seen(printer).id_requests, 2u);
}

}  // namespace
