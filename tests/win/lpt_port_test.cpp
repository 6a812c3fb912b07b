// CLPTPort over the parallel-port printer simulator: where the library is
// found, opening and closing port access, and the transfer through the
// library's register calls.
#include <gtest/gtest.h>

#include "firmware/lpt_port.h"
#include "lpt_simulator.h"

namespace {

using lpttest::Scratch;

enum Where { kNowhere, kSystem, kProgram, kBoth };

bool In(Where where, Where place) { return where == place || where == kBoth; }

TEST(LptPortLibrarySearch, SystemDirectoryFirstAndTheDriverCopiedOnlyWhenMissing) {
    const struct {
        const char* name;
        Where dll;
        Where driver;      // winio.sys before loading
        Where loadedFrom;  // kNowhere: not loaded
        // What winio.sys next to the program holds afterwards: "" none,
        // "system" the system directory's copy, "program" the program's own.
        const char* programDriverAfter;
    } cases[] = {
        {"library in both: the system directory's", kBoth, kNowhere, kSystem, ""},
        {"library only next to the program, own driver untouched", kProgram, kBoth, kProgram, "program"},
        {"driver only in the system directory: copied", kSystem, kSystem, kSystem, "system"},
        {"driver in both: not overwritten", kSystem, kBoth, kSystem, "program"},
        {"library next to the program, driver from the system directory", kProgram, kSystem, kProgram, "system"},
        {"no library: nothing loaded, nothing copied", kNowhere, kSystem, kNowhere, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch scratch;
        ASSERT_TRUE(!In(c.dll, kSystem) || Scratch::PutSimulator(scratch.System()));
        ASSERT_TRUE(!In(c.dll, kProgram) || Scratch::PutSimulator(scratch.Program()));
        ASSERT_TRUE(!In(c.driver, kSystem) || lpttest::WriteAll(scratch.System() + L"winio.sys", "system"));
        ASSERT_TRUE(!In(c.driver, kProgram) || lpttest::WriteAll(scratch.Program() + L"winio.sys", "program"));
        {
            CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
            const std::wstring want = (c.loadedFrom == kSystem ? scratch.System() : scratch.Program()) + L"winio.dll";
            ASSERT_EQ(port.IsLoaded(), c.loadedFrom != kNowhere);
            wchar_t loaded[MAX_PATH * 2] = {};
            ::GetModuleFileNameW(port.Library(), loaded, MAX_PATH * 2);
            EXPECT_TRUE(!port.IsLoaded() || ::lstrcmpiW(loaded, want.c_str()) == 0) << loaded;
        }
        EXPECT_EQ(lpttest::ReadAll(scratch.Program() + L"winio.sys"), c.programDriverAfter);
    }
}

TEST(LptPortOpen, SucceedsOnceTheLibraryIsPutInPlaceAfterAFailedLoad) {
    Scratch scratch;
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.ReadStatus(), 0) << "no library reads as a printer that is not ready";
    EXPECT_FALSE(port.WaitReady());

    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program()));
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.WaitReady());
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.initializeSucceeded, 1u);
    EXPECT_EQ(s.statusReads, 1u) << "a ready printer answers the first read";
    port.Close();
}

TEST(LptPortOpen, FailsWhenInitializeWinIoFailsAndIsAskedAgainAtTheNextOpen) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "InitializeFails=1\r\n"));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    EXPECT_FALSE(port.Open());
    port.Close();
    EXPECT_EQ(lpttest::Stats(port.Library()).shutdownCalls, 0u) << "nothing to end";
    // Asked again; the printer is not there: the readiness check gives up
    // after a hundred thousand status reads, writing nothing.
    ASSERT_TRUE(Scratch::Configure(scratch.Program(), "Absent=1\r\n"));
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.WaitReady());
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.initializeCalls, 2u);
    EXPECT_EQ(s.statusReads, 100000u);
    EXPECT_EQ(s.dataWrites + s.controlWrites, 0u);
}

TEST(LptPortOpen, ALibraryWithoutTheEntryPointsGivesNoAccess) {
    Scratch scratch;
    // Some other DLL under the library's name.
    wchar_t sys[MAX_PATH] = {};
    ::GetSystemDirectoryW(sys, MAX_PATH);
    ASSERT_TRUE(::CopyFileW((std::wstring(sys) + L"\\version.dll").c_str(), (scratch.Program() + L"winio.dll").c_str(),
                            FALSE));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    EXPECT_TRUE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.ReadStatus(), 0);
    port.WriteData(0x55);  // does nothing, and does not crash
    port.Close();
}

TEST(LptPortClose, ShutsDownOncePerSuccessfulInitialize) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program()));
    {
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        port.Close();  // never opened: nothing to end
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.Open());  // opening an open port starts nothing new
        port.Close();
        port.Close();
        const auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.initializeCalls, 1u);
        EXPECT_EQ(s.shutdownCalls, 1u);
        EXPECT_EQ(s.shutdownWhileClosed, 0u);
        ASSERT_TRUE(port.Open());  // left open: the destructor ends it
    }
    // The simulator's summary, written when the library was unloaded.
    EXPECT_EQ(lpttest::StatsFileValue(scratch.Program(), L"ShutdownCalls"), 2);
    EXPECT_EQ(lpttest::StatsFileValue(scratch.Program(), L"Open"), 0);
}

// Regression: the percentage of the last transfer stayed until the next
// transfer began, so the next job's first poll already saw 100 and its
// stall watch gave a running transfer up.
TEST(LptPortSendBuffer, ProgressStartsFromZeroAtTheNextOpen) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program()));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    ASSERT_TRUE(port.Open());
    const uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(port.SendBuffer(bytes, 3));
    port.Close();
    EXPECT_EQ(port.GetProgress(), 100) << "kept until the next download";
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.GetProgress(), 0);
    port.Close();
}

}  // namespace
