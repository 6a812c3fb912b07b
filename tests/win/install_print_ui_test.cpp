// The set-up command runner and the existence check, against the simulated
// spooler and set-up process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "install/print_ui.h"
#include "install_spooler_sim.h"
#include "install_test_medium.h"

namespace {

using spoolsim::Printer;
using spoolsim::World;

World WithPrinters(std::initializer_list<std::wstring> names) {
    World w;
    for (const auto& n : names) w.printers.push_back(Printer{n});
    return w;
}

TEST(RunPrintUI, StartsRundll32WithTheParametersAndWaitsTwoMinutes) {
    spoolsim::Reset(World{});
    const std::wstring params = L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane OP-730K\"";
    EXPECT_TRUE(RunPrintUI(params, spoolsim::Api()));
    const auto log = spoolsim::Snapshot();
    ASSERT_EQ(log.started.size(), 1u);
    const auto& s = log.started[0];
    EXPECT_EQ(s.cbSize, sizeof(SHELLEXECUTEINFOW));
    EXPECT_EQ(s.mask, 0x40u);  // SEE_MASK_NOCLOSEPROCESS only
    EXPECT_EQ(s.owner, nullptr);
    EXPECT_EQ(s.verb, L"open");
    EXPECT_EQ(s.file, L"rundll32");
    EXPECT_EQ(s.parameters, params);
    EXPECT_FALSE(s.directoryGiven);
    EXPECT_EQ(s.show, SW_SHOWNORMAL);
    EXPECT_EQ(log.events, (std::vector<std::wstring>{L"start " + params, L"wait 120000"}));
    EXPECT_TRUE(log.boxes.empty());
}

TEST(RunPrintUI, ProcessStillRunningAfterTwoMinutesCountsAsStarted) {
    World w;
    w.processOverruns = true;
    spoolsim::Reset(w);
    EXPECT_TRUE(RunPrintUI(L"PRINTUI.DLL,PrintUIEntry /k /q /n \"P\"", spoolsim::Api()));
    EXPECT_EQ(spoolsim::Snapshot().started.size(), 1u);
}

TEST(RunPrintUI, StartFailureShowsItsEnglishTextUnderError) {
    const struct {
        DWORD code;
        const wchar_t* text;
    } cases[] = {
        {2, L"The specified file was not found."},
        {3, L"The specified path was not found."},
        {5, L"Access to the specified file is denied."},
        {1155, L"There is no application associated with the given file name extension."},
        {1223, L"The function prompted the user for additional information, but the user canceled the request."},
        {87, L"Other error occurred."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        World w;
        w.startError = c.code;
        spoolsim::Reset(w);
        EXPECT_FALSE(RunPrintUI(L"PRINTUI.DLL,PrintUIEntry /y /q /n \"P\"", spoolsim::Api()));
        const auto log = spoolsim::Snapshot();
        ASSERT_EQ(log.boxes.size(), 1u);
        EXPECT_EQ(log.boxes[0].text, c.text);
        EXPECT_EQ(log.boxes[0].caption, L"ERROR");
        EXPECT_EQ(log.boxes[0].owner, nullptr);
        EXPECT_EQ(log.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        // Nothing to wait for.
        EXPECT_TRUE(spoolsim::EventsStartingWith(log, {L"wait"}).empty());
    }
}

TEST(PrinterExists, LocalPrinterWhoseNameBeginsWithTheName) {
    const struct {
        const char* name;
        World world;
        std::wstring asked;
        bool exists;
        int enumCalls;
    } cases[] = {
        {"same name", WithPrinters({L"Fax", L"Orvane OP-730K"}), L"Orvane OP-730K", true, 2},
        {"same name with a suffix", WithPrinters({L"Orvane OP-730K (副本 1)"}), L"Orvane OP-730K", true, 2},
        {"other letter case", WithPrinters({L"ORVANE OP-730K"}), L"Orvane OP-730K", false, 2},
        {"only a shorter name", WithPrinters({L"Orvane OP-730"}), L"Orvane OP-730K", false, 2},
        {"no local printers at all: one enumeration", World{}, L"Orvane OP-730K", false, 1},
        {"empty name with printers present", WithPrinters({L"Fax"}), L"", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spoolsim::Reset(c.world);
        EXPECT_EQ(PrinterExists(c.asked, spoolsim::Api()), c.exists);
        EXPECT_EQ(spoolsim::Snapshot().enumCalls, c.enumCalls);
    }
}

TEST(PrinterExists, EnumerationFailingMeansNo) {
    for (auto failure : {spoolsim::EnumFailure::SizingCall, spoolsim::EnumFailure::SecondCall}) {
        World w = WithPrinters({L"Orvane OP-730K"});
        w.enumFailure = failure;
        spoolsim::Reset(w);
        EXPECT_FALSE(PrinterExists(L"Orvane OP-730K", spoolsim::Api()));
    }
}

class InstallWithPrintUI : public ::testing::Test {
protected:
    void SetUp() override {
        programDir_ = insttest::WriteMedium(dir_);
        catalogue_ = std::make_unique<InstallCatalogue>(programDir_);
    }
    cattest::TempDir dir_;
    std::wstring programDir_;
    std::unique_ptr<InstallCatalogue> catalogue_;
};

TEST_F(InstallWithPrintUI, RunsTheInstallCommandAndChecksThePrinterAfterHalfASecond) {
    spoolsim::Reset(World{});
    ASSERT_TRUE(catalogue_->SetInstallPrinterName(L"Orvane OP-730K"));
    ASSERT_TRUE(catalogue_->SetInstallPort(L"LPT1:"));
    EXPECT_TRUE(InstallPrinterWithPrintUI(*catalogue_, spoolsim::Api()));
    const auto log = spoolsim::Snapshot();
    const std::wstring params = L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane OP-730K\" /f \"" +
                                insttest::Inf24PinPath(programDir_) +
                                L"\" /r \"LPT1:\" /m \"Orvane OP-730K\" ";
    EXPECT_EQ(catalogue_->InstallInfPath(), insttest::Inf24PinPath(programDir_));
    EXPECT_EQ(log.events, (std::vector<std::wstring>{L"start " + params, L"wait 120000", L"sleep 500", L"enum",
                                                     L"enum"}));
}

TEST_F(InstallWithPrintUI, JudgedOnlyByWhetherThePrinterExistsAfterwards) {
    const struct {
        const char* name;
        bool creates;
        std::wstring createdName;
        std::vector<std::wstring> before;
        bool success;
    } cases[] = {
        {"printer created", true, L"", {}, true},
        {"nothing created", false, L"", {}, false},
        {"nothing created, but a printer with a suffix exists", false, L"", {L"Orvane OP-730K 2"}, true},
        {"created under another name", true, L"Orvane OP-730", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        for (const auto& n : c.before) w.printers.push_back(Printer{n});
        w.installCreates = c.creates;
        w.createdName = c.createdName;
        spoolsim::Reset(w);
        ASSERT_TRUE(catalogue_->SetInstallPrinterName(L"Orvane OP-730K"));
        ASSERT_TRUE(catalogue_->SetInstallPort(L"COM1:"));
        EXPECT_EQ(InstallPrinterWithPrintUI(*catalogue_, spoolsim::Api()), c.success);
    }
}

TEST_F(InstallWithPrintUI, StartFailureIsAFailedInstallationWithoutTheCheck) {
    World w;
    w.startError = ERROR_FILE_NOT_FOUND;
    w.printers.push_back(Printer{L"Orvane OP-730K"});  // would pass the check
    spoolsim::Reset(w);
    ASSERT_TRUE(catalogue_->SetInstallPrinterName(L"Orvane OP-730K"));
    ASSERT_TRUE(catalogue_->SetInstallPort(L"LPT1:"));
    EXPECT_FALSE(InstallPrinterWithPrintUI(*catalogue_, spoolsim::Api()));
    const auto log = spoolsim::Snapshot();
    EXPECT_EQ(log.enumCalls, 0);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, L"The specified file was not found.");
}

TEST_F(InstallWithPrintUI, RegressionEmptyPrinterNameStartsNothing) {
    spoolsim::Reset(WithPrinters({L"Fax"}));
    ASSERT_TRUE(catalogue_->SetInstallPrinterName(L""));
    ASSERT_TRUE(catalogue_->SetInstallPort(L"LPT1:"));
    EXPECT_FALSE(InstallPrinterWithPrintUI(*catalogue_, spoolsim::Api()));
    EXPECT_TRUE(spoolsim::Snapshot().events.empty());
}

TEST(InstallWithPrintUIDeep, RegressionCommandOver1023CharactersIsRefusedNotCut) {
    // A program folder deep enough that the INF path nearly fills its 259
    // characters; with the longest printer name twice and a long port the
    // install command needs more than 1023.
    cattest::TempDir dir;
    const size_t folderChars = 250 - 49 - 1 - dir.Path().size();  // the INF part is 49 characters
    const std::wstring programDir = insttest::WriteMedium(dir, std::wstring(folderChars, L'd'));
    InstallCatalogue catalogue(programDir);
    spoolsim::Reset(World{});
    ASSERT_TRUE(catalogue.SetInstallPrinterName(insttest::LongPrinterName()));
    ASSERT_TRUE(catalogue.SetInstallPort(std::wstring(259, L'P')));
    EXPECT_FALSE(InstallPrinterWithPrintUI(catalogue, spoolsim::Api()));
    EXPECT_EQ(catalogue.InstallInfPath().size(), 250u);
    EXPECT_TRUE(spoolsim::Snapshot().started.empty());

    // The same name on a short port fits and runs.
    ASSERT_TRUE(catalogue.SetInstallPort(L"LPT1:"));
    EXPECT_TRUE(InstallPrinterWithPrintUI(catalogue, spoolsim::Api()));
    const auto log = spoolsim::Snapshot();
    ASSERT_EQ(log.started.size(), 1u);
    EXPECT_LE(log.started[0].parameters.size(), 1023u);
}

TEST(MakeDefaultAndTestPage, RunTheirCommandsForTheName) {
    spoolsim::Reset(World{});
    EXPECT_TRUE(MakeDefaultPrinter(L"Orvane VP-7730", spoolsim::Api()));
    EXPECT_TRUE(PrintTestPage(L"Orvane 曜驰7730", spoolsim::Api()));
    const auto log = spoolsim::Snapshot();
    ASSERT_EQ(log.started.size(), 2u);
    EXPECT_EQ(log.started[0].parameters, L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\"");
    EXPECT_EQ(log.started[1].parameters, L"PRINTUI.DLL,PrintUIEntry /k /q /n \"Orvane 曜驰7730\"");

    World w;
    w.startError = 87;
    spoolsim::Reset(w);
    EXPECT_FALSE(MakeDefaultPrinter(L"Orvane VP-7730", spoolsim::Api()));
    EXPECT_FALSE(PrintTestPage(L"Orvane VP-7730", spoolsim::Api()));
    EXPECT_EQ(spoolsim::Snapshot().boxes.size(), 2u);
}

}  // namespace
