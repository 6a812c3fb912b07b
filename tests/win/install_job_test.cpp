// The driver installation job from the installation's value to its last
// step, against the simulated spooler, set-up process, Plug and Play and USB
// printer, without a window: the steps it reports, in order, and its
// outcome; and the job's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/install_catalogue.h"
#include "install/install_job.h"
#include "install/installation_lock.h"
#include "install_spooler_sim.h"
#include "install_test_medium.h"
#include "ports/usb_port.h"

namespace {

using spoolsim::Printer;
using spoolsim::World;
using Texts = std::vector<std::wstring>;

const wchar_t kInstalling[] = L"installing";
const wchar_t kSucceeded[] = L"succeeded";
const wchar_t kFailed[] = L"failed";
const wchar_t kFinished[] = L"finished";

// Each step as a short line: its kind and what it names.
std::wstring StepText(const InstallEvent& e) {
    switch (e.step) {
    case InstallStep::WaitingForAnotherInstallation: return L"waiting";
    case InstallStep::AnotherInstallationRunning: return L"busy";
    case InstallStep::RemovingEarlierPrinter: return L"remove " + e.detail;
    case InstallStep::Installing: return kInstalling;
    case InstallStep::InstallingWithPlugAndPlay: return L"pnp " + e.detail;
    case InstallStep::InstallingWithSetUpCommand: return L"set-up " + e.detail;
    case InstallStep::SetUpCommandNotStarted: return L"not started " + std::to_wstring(e.code);
    case InstallStep::InstallSucceeded: return kSucceeded;
    case InstallStep::InstallFailed: return kFailed;
    case InstallStep::RestartNeeded: return L"restart";
    case InstallStep::SettingDefault: return L"default " + e.detail;
    case InstallStep::Renaming: return L"rename " + e.detail;
    case InstallStep::PrintingTestPage: return L"test page " + e.detail;
    case InstallStep::Finished: return kFinished;
    }
    return L"?";
}

// Records what the job reports, and on which thread.
struct Recorder : InstallObserver {
    void OnInstallEvent(const InstallEvent& e) override {
        steps.push_back(StepText(e));
        threads.push_back(::GetCurrentThreadId());
        if (onEvent) onEvent(e);
    }
    void OnInstallEnd(int outcome) override {
        end = outcome;
        ++ends;
        threads.push_back(::GetCurrentThreadId());
    }
    Texts steps;
    std::vector<DWORD> threads;
    int end = 0, ends = 0;
    std::function<void(const InstallEvent&)> onEvent;
};

// The steps the status line shows.
Texts Shown(const Texts& steps) {
    Texts out;
    for (const auto& s : steps)
        if (s == kInstalling || s == kSucceeded || s == kFailed || s == kFinished || s.rfind(L"default ", 0) == 0 ||
            s.rfind(L"test page ", 0) == 0)
            out.push_back(s);
    return out;
}

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
        recorder_ = Recorder{};
        const int outcome = RunInstallation(DescribeInstallation(*catalogue_, model, port, makeDefault, testPage),
                                            spoolsim::Api(), recorder_);
        EXPECT_EQ(recorder_.ends, 1) << "the end is told once, last";
        EXPECT_EQ(recorder_.end, outcome);
        return outcome;
    }
    Texts Steps() const { return recorder_.steps; }

    std::wstring Inf24() const { return insttest::Inf24PinPath(programDir_); }

    cattest::TempDir dir_;
    std::wstring programDir_;
    std::unique_ptr<InstallCatalogue> catalogue_;
    Recorder recorder_;
};

// The install command, then the default printer under the installed name,
// then (for a high-speed printer) the rename to the display name through a
// level-2 rewrite, then the test page under the display name, each step
// reported before it is taken.  A printer that cannot be opened or read
// keeps its name; the job goes on.
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
        Texts events, steps, printers;
    } cases[] = {
        {"high-speed printer, both", World{}, L"曜驰7730", true, true,
         {install(L"Orvane VP-7730"), defaultVP, L"get Orvane VP-7730", L"rename Orvane VP-7730 -> Orvane 曜驰7730",
          testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, L"set-up LPT1:", kSucceeded, L"default Orvane VP-7730", L"rename Orvane 曜驰7730",
          L"test page Orvane 曜驰7730", kFinished},
         {L"Orvane 曜驰7730"}},
        {"24-pin, neither", World{}, L"OP-730K", false, false, {install(L"Orvane OP-730K")},
         {kInstalling, L"set-up LPT1:", kSucceeded, kFinished}, {L"Orvane OP-730K"}},
        {"24-pin, test page only", World{}, L"OP-730K", false, true,
         {install(L"Orvane OP-730K"), testPage + L"\"Orvane OP-730K\""},
         {kInstalling, L"set-up LPT1:", kSucceeded, L"test page Orvane OP-730K", kFinished}, {L"Orvane OP-730K"}},
        {"high-speed with a plus, default only", World{}, L"曜驰7330+", true, false,
         {install(L"Orvane VP-7330+"), L"start PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7330+\"",
          L"get Orvane VP-7330+", L"rename Orvane VP-7330+ -> Orvane 曜驰7330+"},
         {kInstalling, L"set-up LPT1:", kSucceeded, L"default Orvane VP-7330+", L"rename Orvane 曜驰7330+", kFinished},
         {L"Orvane 曜驰7330+"}},
        {"rename skipped: information over 12000 bytes", installed(true, 7000), L"曜驰7730", false, true,
         {install(L"Orvane VP-7730"), L"get Orvane VP-7730", testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, L"set-up LPT1:", kSucceeded, L"rename Orvane 曜驰7730", L"test page Orvane 曜驰7730", kFinished},
         {L"Orvane VP-7730"}},
        {"rename skipped: printer does not open", installed(false, 0), L"曜驰7730", false, true,
         {install(L"Orvane VP-7730"), testPage + L"\"Orvane 曜驰7730\""},
         {kInstalling, L"set-up LPT1:", kSucceeded, L"rename Orvane 曜驰7730", L"test page Orvane 曜驰7730", kFinished},
         {L"Orvane VP-7730"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spoolsim::Reset(c.world);
        EXPECT_EQ(Run(c.model, L"LPT1:", c.makeDefault, c.testPage), 1);
        const auto log = spoolsim::Snapshot();
        EXPECT_EQ(spoolsim::EventsStartingWith(log, {L"start", L"get", L"rename", L"refused"}), c.events);
        EXPECT_EQ(spoolsim::PrinterNames(), c.printers);
        EXPECT_EQ(log.openHandles, 0);
        EXPECT_EQ(Steps(), c.steps);
        EXPECT_TRUE(log.boxes.empty()) << "the job itself shows nothing";
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
        Texts removals;
        for (const auto& step : Steps())
            if (step.rfind(L"remove ", 0) == 0) removals.push_back(step);
        EXPECT_EQ(removals, c.removal.empty() ? Texts{} : Texts{L"remove " + c.removal.front().substr(5)});
    }
}

// A failed installation reports the failure and skips every later step;
// nothing is run that cannot be run as the catalogue asks.
TEST_F(DriverInstallJob, FailedInstallationSkipsEveryLaterStep) {
    const struct {
        const char* name;
        World world;
        std::wstring model, port;
        const char* usbIdText;  // empty: no USB printer
        Texts steps;
        size_t started, pnp;
    } cases[] = {
        {"the install command creates no printer", World{.installCreates = false}, L"曜驰7730", L"LPT1:", "",
         {kInstalling, L"set-up LPT1:", kFailed}, 1, 0},
        {"the set-up process cannot start", World{.startError = ERROR_FILE_NOT_FOUND}, L"OP-730K", L"LPT1:", "",
         {kInstalling, L"set-up LPT1:", L"not started 2", kFailed}, 1, 0},
        {"regression: a model without a printer name runs no command",
         World{.printers = {Printer{L"Fax"}, Printer{L"Microsoft Print to PDF"}}}, L"NoName", L"LPT1:", "",
         {kInstalling, kFailed}, 0, 0},
        {"regression: an install command over 1023 characters is not run", World{}, L"Long",
         std::wstring(259, L'P'), "", {kInstalling, L"set-up " + std::wstring(259, L'P'), kFailed}, 0, 0},
        {"Windows refuses the Plug and Play update", World{.pnpSucceeds = false}, L"OP-730K", L"USB001",
         "MFG:Orvane;MDL:OP-730K;", {kInstalling, L"pnp USBPRINT\\OrvaneOP-730K8C1E", kFailed}, 0, 1},
        {"the INF file has no USB line for the printer", World{}, L"OP-9150", L"USB001", "MFG:Orvane;MDL:OP-730K;",
         {kInstalling, L"pnp ", kFailed}, 0, 0},
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
        EXPECT_EQ(Steps(), c.steps);
        EXPECT_TRUE(log.boxes.empty());
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
        EXPECT_EQ(Shown(Steps()), (Texts{kInstalling, kSucceeded, kFinished}));
        EXPECT_EQ(Steps().at(1), c.hardwareId.empty() ? L"set-up USB003" : L"pnp " + c.hardwareId);
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

// The job's own thread: it reports there, runs one installation at a time,
// and is waited for when the job goes, also in the middle of an
// installation, which then does nothing more.
TEST_F(DriverInstallJob, RunsOnItsOwnThreadOneAtATimeAndIsWaitedForWhenItGoes) {
    spoolsim::Reset(World{});
    std::promise<void> firstStep;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    Recorder recorder;
    recorder.onEvent = [&, told = false](const InstallEvent&) mutable {
        if (told) return;
        told = true;
        firstStep.set_value();
        released.wait();
    };
    auto job = std::make_unique<InstallJob>(spoolsim::Api(), recorder);
    ASSERT_TRUE(job->Start(DescribeInstallation(*catalogue_, L"OP-730K", L"LPT1:", true, true)));
    firstStep.get_future().wait();
    EXPECT_TRUE(job->Running());
    EXPECT_FALSE(job->Start(DescribeInstallation(*catalogue_, L"OP-730K", L"LPT1:", false, false)))
        << "a second installation while one runs";
    std::atomic<bool> gone{false};
    std::thread owner([&] {
        job.reset();
        gone = true;
    });
    ::Sleep(200);
    EXPECT_FALSE(gone.load()) << "the job's end waits for its thread";
    release.set_value();
    owner.join();
    EXPECT_TRUE(gone.load());
    // Told to stop while it reported that it began: it installed nothing
    // and told nothing more but its end.
    EXPECT_EQ(recorder.steps, Texts{kInstalling});
    EXPECT_EQ(recorder.end, -1);
    EXPECT_EQ(recorder.ends, 1);
    EXPECT_TRUE(spoolsim::Snapshot().started.empty());
    for (DWORD thread : recorder.threads) EXPECT_NE(thread, ::GetCurrentThreadId());
}

// One installation at a time on the PC: while another holds the lock (here
// a thread of the test, as another program would), an installation that
// must not wait is not run at all, and one that may waits its turn.
TEST_F(DriverInstallJob, WhileAnotherInstallationRunsItWaitsOrIsNotRun) {
    std::promise<void> taken, letGo;
    std::shared_future<void> release = letGo.get_future().share();
    std::thread other([&] {
        InstallationLock lock = InstallationLock::TryTake();
        taken.set_value();
        release.wait();
    });
    taken.get_future().wait();
    spoolsim::Reset(World{});
    const Installation installation = DescribeInstallation(*catalogue_, L"OP-730K", L"LPT1:", false, false);
    Recorder notRun;
    EXPECT_EQ(RunInstallation(installation, spoolsim::Api(), notRun, nullptr, WhenBusy::GiveUp), kInstallNotRun);
    EXPECT_EQ(notRun.steps, Texts{L"busy"});
    EXPECT_EQ(notRun.end, kInstallNotRun);
    EXPECT_TRUE(spoolsim::Snapshot().events.empty()) << "nothing was asked of the spooler";

    Recorder waiting;
    std::promise<void> firstStep;
    waiting.onEvent = [&, told = false](const InstallEvent&) mutable {
        if (!told) firstStep.set_value();
        told = true;
    };
    InstallJob job(spoolsim::Api(), waiting);
    ASSERT_TRUE(job.Start(installation));
    firstStep.get_future().wait();
    ::Sleep(300);
    EXPECT_TRUE(job.Running()) << "it waits for the other installation";
    EXPECT_TRUE(spoolsim::Snapshot().started.empty());
    letGo.set_value();
    other.join();
    EXPECT_TRUE(job.Wait(10000));
    EXPECT_EQ(waiting.steps.front(), L"waiting");
    EXPECT_EQ(waiting.end, 1);
    EXPECT_EQ(spoolsim::Snapshot().started.size(), 1u);
}

}  // namespace
