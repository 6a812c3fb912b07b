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

World WorldWith(std::vector<Printer> printers) {
    World w;
    w.printers = std::move(printers);
    return w;
}

std::wstring InstallParams(const std::wstring& name, const std::wstring& inf, const std::wstring& port) {
    return L"PRINTUI.DLL,PrintUIEntry /if /n \"" + name + L"\" /f \"" + inf + L"\" /r \"" + port + L"\" /m \"" +
           name + L"\" ";
}

class DriverInstallJob : public ::testing::Test {
protected:
    void SetUp() override {
        programDir_ = insttest::WriteMedium(dir_);
        catalogue_ = std::make_unique<InstallCatalogue>(programDir_);
        insttest::NoUsbPrinter();
    }

    int Run(const std::wstring& model, const std::wstring& port, bool makeDefault, bool testPage) {
        statuses_.clear();
        InstallChoices choices;
        choices.model = model;
        choices.port = port;
        choices.makeDefault = makeDefault;
        choices.testPage = testPage;
        InstallReport report;
        report.status = [this](const wchar_t* text) { statuses_.push_back(text); };
        report.owner = [] { return reinterpret_cast<HWND>(0x1234); };
        return RunDriverInstallJob(*catalogue_, choices, report, spoolsim::Api());
    }

    std::wstring Inf24() const { return insttest::Inf24PinPath(programDir_); }

    cattest::TempDir dir_;
    std::wstring programDir_;
    std::unique_ptr<InstallCatalogue> catalogue_;
    Texts statuses_;
};

TEST_F(DriverInstallJob, HighSpeedPrinterDefaultUnderInstalledNameThenRenamedTestPageUnderDisplayName) {
    spoolsim::Reset(World{});
    EXPECT_EQ(Run(L"曜驰7730", L"LPT1:", true, true), 1);
    const auto log = spoolsim::Snapshot();
    // Three processes, in this order.
    ASSERT_EQ(log.started.size(), 3u);
    EXPECT_EQ(log.started[0].parameters, InstallParams(L"Orvane VP-7730", Inf24(), L"LPT1:"));
    EXPECT_EQ(log.started[1].parameters, L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\"");
    EXPECT_EQ(log.started[2].parameters, L"PRINTUI.DLL,PrintUIEntry /k /q /n \"Orvane 曜驰7730\"");
    EXPECT_EQ(log.defaultPrinter, L"Orvane VP-7730");
    EXPECT_EQ(log.testPages, Texts{L"Orvane 曜驰7730"});
    EXPECT_EQ(spoolsim::PrinterNames(), Texts{L"Orvane 曜驰7730"});
    // The rename comes after the default printer and before the test page,
    // through a level-2 rewrite of the opened printer, which is closed again.
    EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"start", L"open", L"get", L"rename", L"close"}),
              (Texts{L"start " + log.started[0].parameters, L"start " + log.started[1].parameters,
                     L"open Orvane VP-7730", L"get Orvane VP-7730", L"rename Orvane VP-7730 -> Orvane 曜驰7730",
                     L"close Orvane 曜驰7730", L"start " + log.started[2].parameters}));
    EXPECT_EQ(log.openAccess.back(), static_cast<DWORD>(PRINTER_ALL_ACCESS));
    EXPECT_EQ(log.openHandles, 0);
    EXPECT_EQ(statuses_, (Texts{kInstalling, kSucceeded, kSettingDefault, kPrintingTestPage, kFinished}));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, L"打印机驱动安装成功！");
    EXPECT_EQ(log.boxes[0].caption, L"OK");
    EXPECT_EQ(log.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(log.boxes[0].owner, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"sleep"}),
              (Texts{L"sleep 500", L"sleep 100", L"sleep 100", L"sleep 100"}));
}

TEST_F(DriverInstallJob, StepsFollowTheChoices) {
    const struct {
        const char* name;
        std::wstring model;
        bool makeDefault, testPage;
        Texts commands;  // the switch of each started command
        Texts statuses;
        bool renamed;
    } cases[] = {
        {"24-pin, both", L"OP-730K", true, true, {L"/if", L"/y", L"/k"},
         {kInstalling, kSucceeded, kSettingDefault, kPrintingTestPage, kFinished}, false},
        {"24-pin, neither", L"OP-730K", false, false, {L"/if"}, {kInstalling, kSucceeded, kFinished}, false},
        {"24-pin, test page only", L"OP-730K", false, true, {L"/if", L"/k"},
         {kInstalling, kSucceeded, kPrintingTestPage, kFinished}, false},
        {"high-speed with a plus, default only", L"曜驰7330+", true, false, {L"/if", L"/y"},
         {kInstalling, kSucceeded, kSettingDefault, kFinished}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spoolsim::Reset(World{});
        EXPECT_EQ(Run(c.model, L"LPT2:", c.makeDefault, c.testPage), 1);
        const auto log = spoolsim::Snapshot();
        Texts switches;
        for (const auto& s : log.started) switches.push_back(s.parameters.substr(25, s.parameters.find(L' ', 25) - 25));
        EXPECT_EQ(switches, c.commands);
        EXPECT_EQ(statuses_, c.statuses);
        EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"rename"}).size(), c.renamed ? 1u : 0u);
    }
}

TEST_F(DriverInstallJob, EarlierPrinterOfExactlyTheNameIsPurgedAndDeletedWithItsDriver) {
    World w;
    w.printers = {Printer{L"Orvane OP-730K Copy"}, Printer{L"Orvane OP-730K", L"LPT1:", true, true, 3},
                  Printer{L"Fax"}};
    w.drivers = {L"Orvane OP-730K", L"Orvane OP-730K Copy"};
    spoolsim::Reset(w);
    EXPECT_EQ(Run(L"OP-730K", L"LPT1:", false, false), 1);
    const auto log = spoolsim::Snapshot();
    // Only the exact name is opened; its jobs go first, then the printer,
    // then the driver of the same name (local server, current environment,
    // unused files too, version flag 3).
    EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"open", L"purge", L"delete", L"close"}),
              (Texts{L"open Orvane OP-730K", L"purge Orvane OP-730K", L"delete Orvane OP-730K",
                     L"close Orvane OP-730K", L"delete driver Orvane OP-730K"}));
    ASSERT_EQ(log.driverDeletions.size(), 1u);
    const auto& d = log.driverDeletions[0];
    EXPECT_TRUE(d.localServer);
    EXPECT_TRUE(d.currentEnvironment);
    EXPECT_EQ(d.deleteFlag, static_cast<DWORD>(DPD_DELETE_UNUSED_FILES));
    EXPECT_EQ(d.versionFlag, 3u);
    EXPECT_EQ(log.openAccess[0], static_cast<DWORD>(PRINTER_ALL_ACCESS));
    // The printer whose name merely begins with it is still there, with its driver.
    const Texts printers = spoolsim::PrinterNames();
    EXPECT_NE(std::find(printers.begin(), printers.end(), L"Orvane OP-730K Copy"), printers.end());
    const Texts drivers = spoolsim::Drivers();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), L"Orvane OP-730K Copy"), drivers.end());
    // Removal, then Plug and Play enumerates twice in a row before the install.
    EXPECT_EQ(usbsim::Snapshot().reenumerates, 2);
}

TEST_F(DriverInstallJob, ReenumeratesOnceWhenNothingWasRemoved) {
    const struct {
        const char* name;
        World world;
    } cases[] = {
        {"no printers", World{}},
        {"only a printer that begins with the name", WorldWith({Printer{L"Orvane OP-730K 2"}})},
        {"enumeration fails", [] {
             World w = WorldWith({Printer{L"Orvane OP-730K"}});
             w.enumFailure = spoolsim::EnumFailure::SecondCall;
             return w;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        insttest::NoUsbPrinter();
        spoolsim::Reset(c.world);
        Run(L"OP-730K", L"LPT1:", false, false);
        const auto log = spoolsim::Snapshot();
        EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"open", L"delete"}).empty());
        EXPECT_EQ(usbsim::Snapshot().reenumerates, 1);
    }
}

TEST_F(DriverInstallJob, HighSpeedPrinterIsLookedForUnderItsDisplayName) {
    World w;
    w.printers = {Printer{L"Orvane 曜驰7730"}, Printer{L"Orvane VP-7730"}};
    w.drivers = {L"Orvane 曜驰7730", L"Orvane VP-7730"};
    spoolsim::Reset(w);
    EXPECT_EQ(Run(L"曜驰7730", L"LPT1:", false, false), 1);
    const auto log = spoolsim::Snapshot();
    EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"purge", L"delete"}),
              (Texts{L"purge Orvane 曜驰7730", L"delete Orvane 曜驰7730", L"delete driver Orvane 曜驰7730"}));
}

TEST_F(DriverInstallJob, RemovalFailuresAreIgnored) {
    const struct {
        const char* name;
        Printer earlier;
        Texts removal;
    } cases[] = {
        {"printer does not open: the driver is still deleted", Printer{L"Orvane OP-730K", L"LPT1:", false},
         {L"open Orvane OP-730K", L"delete driver Orvane OP-730K"}},
        {"printer cannot be deleted", Printer{L"Orvane OP-730K", L"LPT1:", true, false},
         {L"open Orvane OP-730K", L"purge Orvane OP-730K", L"delete Orvane OP-730K", L"close Orvane OP-730K",
          L"delete driver Orvane OP-730K"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        w.printers = {c.earlier};
        spoolsim::Reset(w);
        EXPECT_EQ(Run(L"OP-730K", L"LPT1:", false, false), 1);
        const auto log = spoolsim::Snapshot();
        const auto events = spoolsim::EventsStartingWith(log, {L"open", L"purge", L"delete", L"close"});
        ASSERT_GE(events.size(), c.removal.size());
        EXPECT_EQ(Texts(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(c.removal.size())), c.removal);
        EXPECT_EQ(log.openHandles, 0);
    }
}

TEST_F(DriverInstallJob, FailedInstallationSkipsEveryLaterStep) {
    World w;
    w.installCreates = false;
    spoolsim::Reset(w);
    EXPECT_EQ(Run(L"曜驰7730", L"LPT1:", true, true), -1);
    const auto log = spoolsim::Snapshot();
    EXPECT_EQ(log.started.size(), 1u);
    EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"rename", L"sleep 100"}).empty());
    EXPECT_EQ(statuses_, (Texts{kInstalling, kFailed}));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, L"打印机驱动安装失败！");
    EXPECT_EQ(log.boxes[0].caption, L"OK");
    EXPECT_EQ(log.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(log.boxes[0].owner, reinterpret_cast<HWND>(0x1234));
}

TEST_F(DriverInstallJob, SetUpProcessThatCannotStartShowsErrorThenTheFailure) {
    World w;
    w.startError = ERROR_FILE_NOT_FOUND;
    spoolsim::Reset(w);
    EXPECT_EQ(Run(L"OP-730K", L"LPT1:", true, true), -1);
    const auto log = spoolsim::Snapshot();
    ASSERT_EQ(log.boxes.size(), 2u);
    EXPECT_EQ(log.boxes[0].caption, L"ERROR");
    EXPECT_EQ(log.boxes[0].text, L"The specified file was not found.");
    EXPECT_EQ(log.boxes[0].owner, nullptr);
    EXPECT_EQ(log.boxes[1].text, L"打印机驱动安装失败！");
    EXPECT_EQ(log.started.size(), 1u);
    EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"sleep"}).empty());
}

TEST_F(DriverInstallJob, RegressionModelWithoutPrinterNameFailsWithoutRunningACommand) {
    // As written, the job would install "" and then find any local printer
    // "beginning with" the empty name: a success report for nothing.
    World w;
    w.printers = {Printer{L"Fax"}, Printer{L"Microsoft Print to PDF"}};
    spoolsim::Reset(w);
    EXPECT_EQ(Run(L"NoName", L"LPT1:", true, true), -1);
    const auto log = spoolsim::Snapshot();
    EXPECT_TRUE(log.started.empty());
    EXPECT_TRUE(log.pnp.empty());
    EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"open", L"delete"}).empty());
    EXPECT_EQ(statuses_, (Texts{kInstalling, kFailed}));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, L"打印机驱动安装失败！");
    EXPECT_EQ(spoolsim::PrinterNames().size(), 2u);
}

TEST_F(DriverInstallJob, RegressionInstallCommandOver1023CharactersFailsWithoutRunning) {
    spoolsim::Reset(World{});
    // The longest printer name twice, a 259-character port and a deep INF
    // path do not fit; the job reports a failed installation.
    cattest::TempDir deep;
    const std::wstring programDir = insttest::WriteMedium(deep, std::wstring(250 - 49 - 1 - deep.Path().size(), L'd'));
    catalogue_ = std::make_unique<InstallCatalogue>(programDir);
    EXPECT_EQ(Run(L"Long", std::wstring(259, L'P'), true, true), -1);
    const auto log = spoolsim::Snapshot();
    EXPECT_TRUE(log.started.empty());
    EXPECT_EQ(statuses_, (Texts{kInstalling, kFailed}));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, L"打印机驱动安装失败！");
}

// ---- Plug and Play or the set-up command -------------------------------------

TEST_F(DriverInstallJob, PlugAndPlayOnlyForARecognisedUsbPrinterWhoseIdDoesNotBeginTheName) {
    const struct {
        const char* name;
        const char* idText;  // empty: no USB printer
        std::wstring model;
        bool plugAndPlay;
        std::wstring hardwareId;
    } cases[] = {
        {"maker's printer, no blank between maker and model", "MFG:Orvane;MDL:VP-7730;", L"曜驰7730", true,
         L"USBPRINT\\OrvaneVP-77305E31"},
        {"another of the maker's brands", "MFG:Telvix;MDL:QD-450;", L"OP-730K", true,
         L"USBPRINT\\OrvaneOP-730K8C1E"},
        {"identification begins the printer name exactly", "MFG:Orvane ;MDL:VP-7730;", L"曜驰7730", false, L""},
        {"another manufacturer", "MFG:EPSON;MDL:LQ-590;", L"OP-730K", false, L""},
        {"lower-case maker is not the maker's", "MFG:orvane;MDL:VP-7730;", L"曜驰7730", false, L""},
        {"no USB printer", "", L"OP-730K", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.idText) insttest::AttachUsbPrinter(c.idText, 3);
        else insttest::NoUsbPrinter();
        spoolsim::Reset(World{});
        EXPECT_EQ(Run(c.model, L"USB003", false, false), 1);
        const auto log = spoolsim::Snapshot();
        if (c.plugAndPlay) {
            ASSERT_EQ(log.pnp.size(), 1u);
            EXPECT_EQ(log.pnp[0].hardwareId, c.hardwareId);
            EXPECT_EQ(log.pnp[0].infPath, Inf24());
            EXPECT_EQ(log.pnp[0].flags, 1u);  // INSTALLFLAG_FORCE
            EXPECT_EQ(log.pnp[0].owner, nullptr);
            EXPECT_TRUE(log.started.empty());
        } else {
            EXPECT_TRUE(log.pnp.empty());
            ASSERT_EQ(log.started.size(), 1u);
            EXPECT_NE(log.started[0].parameters.find(L"/r \"USB003\""), std::wstring::npos);
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

TEST_F(DriverInstallJob, PlugAndPlayFailures) {
    const struct {
        const char* name;
        std::wstring model;
        bool pnpSucceeds;
        size_t pnpCalls;
    } cases[] = {
        {"Windows refuses the update", L"OP-730K", false, 1},
        {"the INF file has no USB line for the printer", L"OP-9150", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        insttest::AttachUsbPrinter("MFG:Orvane;MDL:OP-730K;");
        World w;
        w.pnpSucceeds = c.pnpSucceeds;
        spoolsim::Reset(w);
        EXPECT_EQ(Run(c.model, L"USB001", true, true), -1);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(log.pnp.size(), c.pnpCalls);
        EXPECT_TRUE(log.started.empty());
        EXPECT_EQ(statuses_, (Texts{kInstalling, kFailed}));
    }
}

TEST_F(DriverInstallJob, RenameIsSkippedWhenThePrinterCannotBeReadOrOpened) {
    const struct {
        const char* name;
        size_t commentChars;
        bool opens;
    } cases[] = {
        {"information over 12000 bytes", 7000, true},
        {"printer does not open", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The earlier printer is kept by the simulated install command's
        // failure to create one; it stands for the installed printer.
        World w;
        w.installCreates = false;
        Printer installed{L"Orvane VP-7730"};
        installed.commentChars = c.commentChars;
        installed.opens = c.opens;
        installed.deletes = false;
        w.printers = {installed};
        spoolsim::Reset(w);
        EXPECT_EQ(Run(L"曜驰7730", L"LPT1:", false, true), 1);
        const auto log = spoolsim::Snapshot();
        EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"rename"}).empty());
        EXPECT_EQ(spoolsim::PrinterNames(), Texts{L"Orvane VP-7730"});
        // The test page still goes to the display name, and the run ends.
        EXPECT_EQ(log.testPages, Texts{L"Orvane 曜驰7730"});
        EXPECT_EQ(statuses_.back(), kFinished);
        EXPECT_EQ(log.openHandles, 0);
    }
}

}  // namespace
