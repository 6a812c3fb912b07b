// The set-up command runner and the installation judged by the existence
// check (a local printer whose name begins with the name), against the
// simulated spooler and set-up process (which refuses a start that is not
// the system's rundll32.exe, by its full path, as the installer must start it).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "install/print_ui.h"
#include "install_spooler_sim.h"
#include "install_test_medium.h"

namespace {

using spoolsim::Printer;
using spoolsim::World;
using Texts = std::vector<std::wstring>;

// The error a start failed with goes to the caller, who tells the user;
// the runner shows nothing and waits for nothing.
TEST(RunPrintUI, StartFailureGivesItsErrorAndWaitsForNothing) {
    for (DWORD code : {DWORD{2}, DWORD{87}}) {
        SCOPED_TRACE(code);
        spoolsim::Reset(World{.startError = code});
        DWORD error = 0;
        EXPECT_FALSE(RunPrintUI(L"PRINTUI.DLL,PrintUIEntry /y /q /n \"P\"", spoolsim::Api(), &error));
        EXPECT_EQ(error, code);
        const auto log = spoolsim::Snapshot();
        EXPECT_TRUE(log.boxes.empty());
        EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"wait"}).empty());
    }
}

class InstallWithPrintUI : public ::testing::Test {
protected:
    void SetUp() override { programDir_ = insttest::WriteMedium(dir_); }
    // The printer name's INF from the catalogue, as an installation gets it.
    bool Install(const InstallCatalogue& catalogue, const std::wstring& name, const std::wstring& port) {
        const auto inf = core::DriverInfPathFor(catalogue.ProgramDirectory(), catalogue.GetPinType(name));
        return InstallPrinterWithPrintUI(name, inf.value_or(L""), port, spoolsim::Api());
    }
    cattest::TempDir dir_;
    std::wstring programDir_;
};

TEST_F(InstallWithPrintUI, RunsTheInstallCommandWaitsAndChecksThePrinterAfterHalfASecond) {
    spoolsim::Reset(World{});
    InstallCatalogue catalogue(programDir_);
    EXPECT_TRUE(Install(catalogue, L"Orvane OP-730K", L"LPT1:"));
    const std::wstring params = L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane OP-730K\" /f \"" +
                                insttest::Inf24PinPath(programDir_) + L"\" /r \"LPT1:\" /m \"Orvane OP-730K\" ";
    EXPECT_EQ(spoolsim::Snapshot().events, (Texts{L"start " + params, L"wait 120000", L"sleep 500", L"enum", L"enum"}));
}

TEST_F(InstallWithPrintUI, JudgedOnlyByWhetherThePrinterExistsAfterwards) {
    // A program folder deep enough that the INF path nearly fills its 259
    // characters (the INF part is 49); with the longest printer name twice
    // and a long port the install command needs more than 1023.
    cattest::TempDir deep;
    const std::wstring deepDir = insttest::WriteMedium(deep, std::wstring(250 - 49 - 1 - deep.Path().size(), L'd'));
    const std::wstring name = L"Orvane OP-730K", longName = insttest::LongPrinterName();
    const struct {
        const char* name;
        World world;
        std::wstring printerName, port, programDir;
        bool success;
        size_t started;
        int enumCalls;
    } cases[] = {
        {"printer created", World{}, name, L"COM1:", programDir_, true, 1, 2},
        {"still running after two minutes, printer created", World{.processOverruns = true}, name, L"COM1:",
         programDir_, true, 1, 2},
        {"nothing created", World{.installCreates = false}, name, L"COM1:", programDir_, false, 1, 1},
        {"nothing created, but a printer with a suffix exists",
         World{.printers = {Printer{L"Orvane OP-730K 2"}}, .installCreates = false}, name, L"COM1:", programDir_,
         true, 1, 2},
        {"created under another, shorter name", World{.createdName = L"Orvane OP-730"}, name, L"COM1:", programDir_,
         false, 1, 2},
        {"listing fails at its sizing call", World{.enumFailure = spoolsim::EnumFailure::SizingCall}, name, L"COM1:",
         programDir_, false, 1, 1},
        {"listing fails at its second call", World{.enumFailure = spoolsim::EnumFailure::SecondCall}, name, L"COM1:",
         programDir_, false, 1, 2},
        {"start failure: no check", World{.printers = {Printer{name}}, .startError = 2}, name, L"COM1:", programDir_,
         false, 1, 0},
        {"regression: an empty printer name starts nothing", World{.printers = {Printer{L"Fax"}}}, L"", L"COM1:",
         programDir_, false, 0, 0},
        {"regression: a command over 1023 characters is refused, not cut", World{}, longName,
         std::wstring(259, L'P'), deepDir, false, 0, 0},
        {"the longest name in the deep folder on a short port fits", World{}, longName, L"LPT1:", deepDir, true, 1,
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spoolsim::Reset(c.world);
        InstallCatalogue catalogue(c.programDir);
        EXPECT_EQ(Install(catalogue, c.printerName, c.port), c.success);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(log.started.size(), c.started);
        EXPECT_EQ(std::count(log.events.begin(), log.events.end(), L"enum"), c.enumCalls);
    }
}

}  // namespace
