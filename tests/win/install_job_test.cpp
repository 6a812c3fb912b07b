// The driver installation job from the printer name to its last status
// text, against the simulated spooler, set-up process, Plug and Play and USB
// printer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "install/driver_install.h"
#include "install_spooler_sim.h"
#include "install_test_medium.h"
#include "ports/usb_port.h"

namespace {

using spoolsim::Printer;
using spoolsim::World;
using Texts = std::vector<std::wstring>;

const wchar_t kInstalling[] = L"正在安装打印机驱动";
const wchar_t kSucceeded[] = L"打印机驱动安装成功";
const wchar_t kFailed[] = L"打印机驱动安装失败";
const wchar_t kSettingDefault[] = L"正在设置为默认打印机";
const wchar_t kPrintingTestPage[] = L"正在打印测试页";
const wchar_t kFinished[] = L"打印机驱动安装过程完成";
const HWND kOwner = reinterpret_cast<HWND>(0x1234);

// What the job did to earlier printers: the spooler events after the
// listings and before anything else.
Texts RemovalEvents(const spoolsim::Log& log) {
    Texts out;
    for (const auto& e : log.events) {
        if (e == L"enum") continue;
        if (!spoolsim::StartsWithAny(e, {L"open", L"purge", L"delete", L"close"})) break;
        out.push_back(e);
    }
    return out;
}

class DriverInstallJob : public ::testing::Test {
protected:
    void SetUp() override { UseMedium(insttest::WriteMedium(dir_)); }
    void UseMedium(const std::wstring& programDir) {
        programDir_ = programDir;
        catalogue_ = std::make_unique<InstallCatalogue>(programDir_);
        insttest::NoUsbPrinter();
    }

    int Run(const std::wstring& model, const std::wstring& port, bool makeDefault, bool testPage) {
        statuses_.clear();
        InstallReport report;
        report.status = [this](const wchar_t* text) { statuses_.push_back(text); };
        report.owner = [] { return kOwner; };
        return RunDriverInstallJob(*catalogue_, InstallChoices{model, port, makeDefault, testPage}, report,
                                   spoolsim::Api());
    }

    std::wstring Inf24() const { return insttest::Inf24PinPath(programDir_); }

    cattest::TempDir dir_;
    std::wstring programDir_;
    std::unique_ptr<InstallCatalogue> catalogue_;
    Texts statuses_;
};

// The install command, then the default printer under the installed name,
// then (for a high-speed printer) the rename to the display name through a
// level-2 rewrite, then the test page under the display name.  A printer
// that cannot be opened or read keeps its name; the job goes on.
TEST_F(DriverInstallJob, ChoicesDecideTheStepsAndTheirOrder) {
    const auto install = [&](const std::wstring& name) {
        return L"start PRINTUI.DLL,PrintUIEntry /if /n \"" + name + L"\" /f \"" + Inf24() + L"\" /r \"LPT1:\" /m \"" +
               name + L"\" ";
    };
    const std::wstring defaultVP = L"start PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\"";
    const std::wstring testPage = L"start PRINTUI.DLL,PrintUIEntry /k /q /n ";
    // The install command creates nothing: an earlier printer stands for it.
    const auto installed = [](bool opens, size_t commentChars) {
        return World{.printers = {Printer{L"Orvane VP-7730", opens, true, commentChars}}, .installCreates = false};
    };
    const struct {
        const char* name;
        World world;
        std::wstring model;
        bool makeDefault, testPage;
        Texts events, statuses, printers;
    } cases[] = {
        {"high-speed printer, both", World{}, L"曜驰7730", true, true,
         {install(L"Orvane VP-7730"), defaultVP, L"get Orvane VP-7730", L"rename Orvane VP-7730 -> Orvane 曜驰7730",
          testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, kSucceeded, kSettingDefault, kPrintingTestPage, kFinished}, {L"Orvane 曜驰7730"}},
        {"24-pin, neither", World{}, L"OP-730K", false, false, {install(L"Orvane OP-730K")},
         {kInstalling, kSucceeded, kFinished}, {L"Orvane OP-730K"}},
        {"24-pin, test page only", World{}, L"OP-730K", false, true,
         {install(L"Orvane OP-730K"), testPage + L"\"Orvane OP-730K\""},
         {kInstalling, kSucceeded, kPrintingTestPage, kFinished}, {L"Orvane OP-730K"}},
        {"high-speed with a plus, default only", World{}, L"曜驰7330+", true, false,
         {install(L"Orvane VP-7330+"), L"start PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7330+\"",
          L"get Orvane VP-7330+", L"rename Orvane VP-7330+ -> Orvane 曜驰7330+"},
         {kInstalling, kSucceeded, kSettingDefault, kFinished}, {L"Orvane 曜驰7330+"}},
        {"rename skipped: information over 12000 bytes", installed(true, 7000), L"曜驰7730", false, true,
         {install(L"Orvane VP-7730"), L"get Orvane VP-7730", testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, kSucceeded, kPrintingTestPage, kFinished}, {L"Orvane VP-7730"}},
        {"rename skipped: printer does not open", installed(false, 0), L"曜驰7730", false, true,
         {install(L"Orvane VP-7730"), testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, kSucceeded, kPrintingTestPage, kFinished}, {L"Orvane VP-7730"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spoolsim::Reset(c.world);
        EXPECT_EQ(Run(c.model, L"LPT1:", c.makeDefault, c.testPage), 1);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"start", L"get", L"rename", L"refused"}), c.events);
        EXPECT_EQ(spoolsim::PrinterNames(), c.printers);
        EXPECT_EQ(log.openHandles, 0);
        EXPECT_EQ(statuses_, c.statuses);
        ASSERT_EQ(log.boxes.size(), 1u);
        EXPECT_EQ(log.boxes[0].text, L"打印机驱动安装成功！");
        EXPECT_EQ(log.boxes[0].caption, L"OK");
        EXPECT_EQ(log.boxes[0].type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(log.boxes[0].owner, kOwner);
        EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"sleep"}),
                  (Texts{L"sleep 500", L"sleep 100", L"sleep 100", L"sleep 100"}));
    }
}

// Only a printer of exactly the name (the display name for a high-speed
// printer) is removed: its jobs first, then the printer, then its driver.
// Failures are ignored and the installation still runs.  Plug and Play
// enumerates once more after a removal.
TEST_F(DriverInstallJob, EarlierPrinterOfExactlyTheNameIsRemovedBeforeTheInstallation) {
    const Texts removed730K = {L"open Orvane OP-730K", L"purge Orvane OP-730K", L"delete Orvane OP-730K",
                               L"close Orvane OP-730K", L"delete driver Orvane OP-730K"};
    const struct {
        const char* name;
        World world;
        std::wstring model;
        Texts removal;
        int reenumerates;
    } cases[] = {
        {"a printer that merely begins with the name is left alone",
         World{.printers = {Printer{L"Orvane OP-730K Copy"}, Printer{L"Orvane OP-730K"}, Printer{L"Fax"}}},
         L"OP-730K", removed730K, 2},
        {"high-speed printer under its display name",
         World{.printers = {Printer{L"Orvane 曜驰7730"}, Printer{L"Orvane VP-7730"}}}, L"曜驰7730",
         {L"open Orvane 曜驰7730", L"purge Orvane 曜驰7730", L"delete Orvane 曜驰7730", L"close Orvane 曜驰7730",
          L"delete driver Orvane 曜驰7730"},
         2},
        {"printer does not open: the driver is still deleted",
         World{.printers = {Printer{L"Orvane OP-730K", false}}}, L"OP-730K",
         {L"open Orvane OP-730K", L"delete driver Orvane OP-730K"}, 2},
        {"printer cannot be deleted", World{.printers = {Printer{L"Orvane OP-730K", true, false}}},
         L"OP-730K", removed730K, 2},
        {"no printers", World{}, L"OP-730K", {}, 1},
        {"only a printer that begins with the name", World{.printers = {Printer{L"Orvane OP-730K 2"}}}, L"OP-730K",
         {}, 1},
        {"enumeration fails",
         World{.printers = {Printer{L"Orvane OP-730K"}}, .enumFailure = spoolsim::EnumFailure::SecondCall},
         L"OP-730K", {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        insttest::NoUsbPrinter();
        spoolsim::Reset(c.world);
        Run(c.model, L"LPT1:", false, false);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(RemovalEvents(log), c.removal);
        EXPECT_EQ(log.started.size(), 1u);
        EXPECT_EQ(log.openHandles, 0);
        EXPECT_EQ(usbsim::Snapshot().reenumerates, c.reenumerates);
    }
}

// A failed installation reports the failure and skips every later step;
// nothing is run that cannot be run as the catalogue asks.
TEST_F(DriverInstallJob, FailedInstallationSkipsEveryLaterStep) {
    const std::wstring failure = L"打印机驱动安装失败！";
    const struct {
        const char* name;
        World world;
        std::wstring model, port;
        const char* usbIdText;  // empty: no USB printer
        Texts boxes;
        size_t started, pnp;
    } cases[] = {
        {"the install command creates no printer", World{.installCreates = false}, L"曜驰7730", L"LPT1:", "",
         {failure}, 1, 0},
        {"the set-up process cannot start", World{.startError = ERROR_FILE_NOT_FOUND}, L"OP-730K", L"LPT1:", "",
         {L"The specified file was not found.", failure}, 1, 0},
        {"regression: a model without a printer name runs no command",
         World{.printers = {Printer{L"Fax"}, Printer{L"Microsoft Print to PDF"}}}, L"NoName", L"LPT1:", "",
         {failure}, 0, 0},
        {"regression: an install command over 1023 characters is not run", World{}, L"Long",
         std::wstring(259, L'P'), "", {failure}, 0, 0},
        {"Windows refuses the Plug and Play update", World{.pnpSucceeds = false}, L"OP-730K", L"USB001",
         "MFG:Orvane;MDL:OP-730K;", {failure}, 0, 1},
        {"the INF file has no USB line for the printer", World{}, L"OP-9150", L"USB001", "MFG:Orvane;MDL:OP-730K;",
         {failure}, 0, 0},
    };
    // The longest printer name twice, a 259-character port and a deep INF
    // path do not fit.
    cattest::TempDir deep;
    const std::wstring deepDir = insttest::WriteMedium(deep, std::wstring(250 - 49 - 1 - deep.Path().size(), L'd'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseMedium(c.model == L"Long" ? deepDir : dir_.Path());
        if (*c.usbIdText) insttest::AttachUsbPrinter(c.usbIdText);
        spoolsim::Reset(c.world);
        EXPECT_EQ(Run(c.model, c.port, true, true), -1);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(log.started.size(), c.started);
        EXPECT_EQ(log.pnpInfs.size(), c.pnp);
        EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"open", L"delete", L"rename", L"sleep 100", L"refused"}).empty());
        EXPECT_EQ(spoolsim::PrinterNames().size(), c.world.printers.size());
        EXPECT_EQ(statuses_, (Texts{kInstalling, kFailed}));
        Texts boxes;
        for (const auto& b : log.boxes) boxes.push_back(b.text);
        EXPECT_EQ(boxes, c.boxes);
        ASSERT_FALSE(log.boxes.empty());
        EXPECT_EQ(log.boxes.back().caption, L"OK");
        EXPECT_EQ(log.boxes.back().type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(log.boxes.back().owner, kOwner);
    }
}

TEST_F(DriverInstallJob, PlugAndPlayOnlyForARecognisedUsbPrinterWhoseIdDoesNotBeginTheName) {
    const struct {
        const char* name;
        const char* idText;  // empty: no USB printer
        std::wstring model;
        std::wstring hardwareId;  // empty: the set-up command instead
    } cases[] = {
        {"maker's printer, no blank between maker and model", "MFG:Orvane;MDL:VP-7730;", L"曜驰7730",
         L"USBPRINT\\OrvaneVP-77305E31"},
        {"another of the maker's brands", "MFG:Telvix;MDL:QD-450;", L"OP-730K", L"USBPRINT\\OrvaneOP-730K8C1E"},
        {"identification begins the printer name exactly", "MFG:Orvane ;MDL:VP-7730;", L"曜驰7730", L""},
        {"no USB printer", "", L"OP-730K", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.idText) insttest::AttachUsbPrinter(c.idText, 3);
        else insttest::NoUsbPrinter();
        spoolsim::Reset(World{});
        EXPECT_EQ(Run(c.model, L"USB003", false, false), 1);
        const auto log = spoolsim::Snapshot();
        if (!c.hardwareId.empty()) {
            EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"pnp", L"refused"}), Texts{L"pnp " + c.hardwareId});
            EXPECT_EQ(log.pnpInfs, Texts{Inf24()});
            EXPECT_TRUE(log.started.empty());
        } else {
            EXPECT_TRUE(log.pnpInfs.empty());
            ASSERT_EQ(log.started.size(), 1u);
            EXPECT_NE(log.started[0].find(L"/r \"USB003\""), std::wstring::npos);
        }
        // The job's own look at the printer did not keep the device: it
        // opens again (the device is not shared).
        if (*c.idText) {
            CUSBPort again(usbsim::Api());
            std::wstring port;
            EXPECT_TRUE(again.GetUsbPortName(port));
            EXPECT_EQ(port, L"USB003");
        }
    }
}

}  // namespace
