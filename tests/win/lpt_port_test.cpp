// CLPTPort over the parallel-port printer simulator: where the library is
// found, opening and closing port access, and the transfer through the
// library's register calls.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "firmware/lpt_port.h"
#include "lpt_simulator.h"

namespace {

using lpttest::Scratch;

std::wstring ModulePath(HMODULE m) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameW(m, buf, MAX_PATH * 2);
    return std::wstring(buf, n);
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

enum Where { kNowhere, kSystem, kProgram, kBoth };

struct SearchCase {
    const char* name;
    Where dll;
    Where driver;     // winio.sys before loading
    Where loadedFrom;  // kNowhere: not loaded
    // What winio.sys next to the program holds afterwards: "" none,
    // "system" the system directory's copy, "program" the program's own.
    const char* programDriverAfter;
};

TEST(LptPortLibrarySearch, SystemDirectoryFirstAndTheDriverCopiedOnlyWhenMissing) {
    const SearchCase cases[] = {
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
        const bool dllInSystem = c.dll == kSystem || c.dll == kBoth;
        const bool dllInProgram = c.dll == kProgram || c.dll == kBoth;
        const bool driverInSystem = c.driver == kSystem || c.driver == kBoth;
        const bool driverInProgram = c.driver == kProgram || c.driver == kBoth;
        ASSERT_TRUE(!dllInSystem || Scratch::PutSimulator(scratch.System()));
        ASSERT_TRUE(!dllInProgram || Scratch::PutSimulator(scratch.Program()));
        ASSERT_TRUE(!driverInSystem || lpttest::WriteAll(scratch.System() + L"winio.sys", "system"));
        ASSERT_TRUE(!driverInProgram || lpttest::WriteAll(scratch.Program() + L"winio.sys", "program"));
        {
            CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
            switch (c.loadedFrom) {
            case kNowhere:
                EXPECT_FALSE(port.IsLoaded());
                break;
            case kSystem:
                ASSERT_TRUE(port.IsLoaded());
                EXPECT_TRUE(SamePath(ModulePath(port.Library()), scratch.System() + L"winio.dll"))
                    << ModulePath(port.Library()).size();
                break;
            default:
                ASSERT_TRUE(port.IsLoaded());
                EXPECT_TRUE(SamePath(ModulePath(port.Library()), scratch.Program() + L"winio.dll"));
                break;
            }
        }
        const std::wstring programDriver = scratch.Program() + L"winio.sys";
        if (*c.programDriverAfter == '\0') EXPECT_FALSE(lpttest::Exists(programDriver));
        else EXPECT_EQ(lpttest::ReadAll(programDriver), c.programDriverAfter);
    }
}

TEST(LptPortOpen, SucceedsOnceTheLibraryIsPutInPlaceAfterAFailedLoad) {
    Scratch scratch;
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.ReadStatus(), 0) << "no library reads as a printer that is not ready";
    EXPECT_FALSE(port.WaitReady());

    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program()));
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.IsLoaded());
    EXPECT_EQ(port.DataPort(), 0x378);
    EXPECT_EQ(port.StatusPort(), 0x379);
    EXPECT_EQ(port.ControlPort(), 0x37A);
    EXPECT_TRUE(port.WaitReady());
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.initializeSucceeded, 1u);
    EXPECT_EQ(s.badCalls, 0u);
    port.Close();
}

TEST(LptPortClose, ShutsDownOncePerSuccessfulInitialize) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program()));
    {
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        port.Close();  // never opened: nothing to end
        EXPECT_EQ(lpttest::Stats(port.Library()).shutdownCalls, 0u);
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.Open());  // opening an open port starts nothing new
        port.Close();
        port.Close();
        auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.initializeCalls, 1u);
        EXPECT_EQ(s.shutdownCalls, 1u);
        EXPECT_EQ(s.shutdownWhileClosed, 0u);
        EXPECT_EQ(s.open, 0u);
        ASSERT_TRUE(port.Open());  // left open: the destructor ends it
    }
    // The simulator's summary, written when the library was unloaded.
    EXPECT_EQ(lpttest::StatsFileValue(scratch.Program(), L"InitializeSucceeded"), 2);
    EXPECT_EQ(lpttest::StatsFileValue(scratch.Program(), L"ShutdownCalls"), 2);
    EXPECT_EQ(lpttest::StatsFileValue(scratch.Program(), L"Open"), 0);
}

TEST(LptPortOpen, FailsWhenInitializeWinIoFailsAndCloseThenEndsNothing) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "InitializeFails=1\r\n"));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    ASSERT_TRUE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    port.Close();
    auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.initializeCalls, 1u);
    EXPECT_EQ(s.shutdownCalls, 0u);
    // The library is asked again at the next Open.
    ASSERT_TRUE(Scratch::Configure(scratch.Program(), "InitializeFails=0\r\n"));
    EXPECT_TRUE(port.Open());
    port.Close();
    EXPECT_EQ(lpttest::Stats(port.Library()).shutdownCalls, 1u);
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
    port.WriteControl(0x05);
    port.Close();
}

struct ReadyCase {
    const char* name;
    const char* ini;
    bool ready;
    uint64_t reads;
};

TEST(LptPortWaitReady, AnswersWithinAHundredThousandStatusReads) {
    const ReadyCase cases[] = {
        {"ready", "", true, 1},
        {"absent", "Absent=1\r\n", false, 100000},
        {"stalled from the start", "StallAfterBytes=0\r\n", false, 100000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch scratch;
        ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), c.ini));
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        ASSERT_TRUE(port.Open());
        EXPECT_EQ(port.WaitReady(), c.ready);
        const auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.statusReads, c.reads);
        EXPECT_EQ(s.dataWrites + s.controlWrites, 0u);
        port.Close();
    }
}

TEST(LptPortSendBuffer, EveryByteReachesThePrinterInOrder) {
    const int busyReads[] = {0, 3};
    for (int busy : busyReads) {
        SCOPED_TRACE(busy);
        Scratch scratch;
        ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "BusyReads=" + std::to_string(busy) + "\r\n"));
        std::string bytes = lpttest::RandomBytes(64 * 1024, 7u + static_cast<unsigned>(busy));
        for (int v = 0; v < 256; ++v) bytes[static_cast<size_t>(v)] = static_cast<char>(v);
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.WaitReady());
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        EXPECT_TRUE(port.SendBuffer(data, static_cast<uint32_t>(bytes.size())));
        EXPECT_EQ(port.GetProgress(), 100);
        const auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.bytesLatched, bytes.size());
        EXPECT_EQ(s.strobesWhileBusy, 0u) << "a byte was strobed while the printer was busy";
        EXPECT_EQ(s.badCalls, 0u);
        // The readiness check, the first byte at once, then each later byte
        // after the busy reads that the previous one caused.
        EXPECT_EQ(s.statusReads, 2 + (bytes.size() - 1) * static_cast<uint64_t>(1 + busy));
        port.Close();
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes));
    }
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
    EXPECT_EQ(port.GetProgress(), 100);
    port.Close();
    EXPECT_EQ(port.GetProgress(), 100) << "kept until the next download";
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.GetProgress(), 0);
    port.Close();
}

// Regression: a printer that stopped taking bytes held the transfer in its
// status loop for ever, and it went on using the port after the job had
// been given up.
TEST(LptPortSendBuffer, AStopRequestEndsAStalledTransferWhichThenLeavesThePortAlone) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "StallAfterBytes=100\r\nBusyReads=1\r\n"));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.WaitReady());
    const std::string bytes = lpttest::RandomBytes(1000, 3);
    std::atomic<int> result{-1};
    std::thread worker([&] {
        result = port.SendBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), 1000) ? 1 : 0;
        port.Close();
    });
    // The printer takes 100 bytes and then stays busy.
    const ULONGLONG end = ::GetTickCount64() + 10000;
    while (lpttest::Stats(port.Library()).bytesLatched < 100 && ::GetTickCount64() < end) ::Sleep(5);
    ::Sleep(200);
    EXPECT_EQ(result.load(), -1) << "the transfer is still waiting for the printer";
    EXPECT_EQ(port.GetProgress(), 10);
    const uint64_t readsBefore = lpttest::Stats(port.Library()).statusReads;
    ::Sleep(100);
    EXPECT_GT(lpttest::Stats(port.Library()).statusReads, readsBefore) << "it is still polling";
    port.RequestStop();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.bytesLatched, 100u);
    EXPECT_EQ(s.shutdownCalls, 1u);
    EXPECT_EQ(s.open, 0u);
    ::Sleep(100);
    const auto later = lpttest::Stats(port.Library());
    EXPECT_EQ(later.statusReads, s.statusReads) << "no register access after the transfer ended";
    EXPECT_EQ(later.accessWhileClosed, 0u);
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes.substr(0, 100)));
    // The next Open takes the port afresh: the stop request is cleared.
    ASSERT_TRUE(Scratch::Configure(scratch.Program(), ""));
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.StopRequested());
    EXPECT_TRUE(port.SendBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), 1000));
    port.Close();
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes));
}

}  // namespace
