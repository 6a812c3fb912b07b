// Reading the firmware file, sending it over the simulated port, and the
// owner of the download's worker thread.
#include <gtest/gtest.h>

#include <atomic>

#include "firmware/download_worker.h"
#include "firmware/firmware_file.h"
#include "firmware/lpt_port.h"
#include "lpt_simulator.h"

namespace {

using lpttest::Scratch;

// What cannot be sent whole is refused with its reason, leaving no bytes.
// Regression among them: the length was cut to 32 bits, so a file of
// 4 GiB + 1 byte was sent as its first byte and reported as a success.
TEST(FirmwareFileRead, RefusesWhatItCannotReadWholeAndSaysWhy) {
    Scratch scratch;
    const std::wstring folder = scratch.Dir() + L"版本.mot";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring huge = scratch.Dir() + L"huge.data";
    {
        win::UniqueFile f(::CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        ASSERT_TRUE(f);
        LARGE_INTEGER size;
        size.QuadPart = 0x100000001LL;  // sparse: takes no room on disk
        ASSERT_TRUE(::SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(f.get()));
    }
    // A kernel attribute file claims a page (4096 bytes) and holds a line.
    std::wstring shortRead;
    for (const wchar_t* c : {L"Z:\\sys\\kernel\\mm\\transparent_hugepage\\enabled", L"Z:\\sys\\kernel\\profiling",
                             L"Z:\\sys\\power\\state"}) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (shortRead.empty() && ::GetFileAttributesExW(c, GetFileExInfoStandard, &data) &&
            data.nFileSizeLow == 4096 && lpttest::ReadAll(c).size() < 4096)
            shortRead = c;
    }
    ASSERT_FALSE(shortRead.empty()) << "no file here whose length says more than it holds";
    const struct {
        std::wstring path;
        int expected;
    } cases[] = {{scratch.Dir() + L"missing.mot", firmware::kOpenFailed},
                 {folder, firmware::kOpenFailed},
                 {huge, firmware::kOtherFailure},
                 {shortRead, firmware::kReadFailed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.expected);
        firmware::FirmwareImage image;
        EXPECT_EQ(firmware::ReadFirmwareFile(c.path, image), c.expected);
        EXPECT_EQ(image.length, 0u);
        EXPECT_FALSE(image.bytes);
    }
}

struct Gate {
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
};

DWORD WINAPI WaitAtGate(LPVOID p) {
    auto* gate = static_cast<Gate*>(p);
    gate->runs.fetch_add(1);
    while (!gate->release.load()) ::Sleep(5);
    return 0;
}

TEST(FirmwareDownloadWorker, OneAtATimeAndTheNextWaitsForTheEnd) {
    Scratch scratch;
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    CDownloadWorker worker(port);
    EXPECT_TRUE(worker.WaitForEnd(0)) << "nothing started: nothing to wait for";
    Gate gate;
    ASSERT_TRUE(worker.Start(&WaitAtGate, &gate));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(&WaitAtGate, &gate)) << "a second worker while the first runs";
    EXPECT_FALSE(worker.WaitForEnd(100));
    gate.release = true;
    EXPECT_TRUE(worker.WaitForEnd(5000));
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(worker.Start(&WaitAtGate, &gate)) << "the next may start once the first ended";
    EXPECT_TRUE(worker.WaitForEnd(5000));
    EXPECT_EQ(gate.runs.load(), 2);
}

struct StalledJob {
    CLPTPort* port;
    std::wstring file;
    std::atomic<int> outcome{0};
};

DWORD WINAPI SendStalled(LPVOID p) {
    auto* job = static_cast<StalledJob*>(p);
    job->outcome = firmware::SendFirmwareFile(*job->port, job->file);
    return 0;
}

// Regressions: a printer that stopped taking bytes held the transfer in its
// status loop for ever, still using the port after the job had been given
// up; and the dialog went away (or the next download started) while such a
// worker still waited on the port.  Ending the owner stops the worker.
TEST(FirmwareDownloadWorker, EndingTheOwnerStopsAStalledTransferWhichThenLeavesThePortAlone) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "StallAfterBytes=100\r\nBusyReads=1\r\n"));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    StalledJob job{&port, scratch.Dir() + L"fw.data"};
    const std::string bytes = lpttest::RandomBytes(1000, 9);
    ASSERT_TRUE(lpttest::WriteAll(job.file, bytes));
    ASSERT_TRUE(port.Open());
    {
        CDownloadWorker worker(port);
        ASSERT_TRUE(worker.Start(&SendStalled, &job));
        const ULONGLONG end = ::GetTickCount64() + 10000;
        while (lpttest::Stats(port.Library()).bytesLatched < 100 && ::GetTickCount64() < end) ::Sleep(5);
        ::Sleep(200);
        EXPECT_TRUE(worker.IsRunning()) << "the transfer is still waiting for the printer";
        EXPECT_EQ(port.GetProgress(), 10);
    }
    EXPECT_EQ(job.outcome.load(), firmware::kTransferFailed);
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.open, 0u) << "the worker closed the port before it ended";
    ::Sleep(100);
    EXPECT_EQ(lpttest::Stats(port.Library()).statusReads, s.statusReads) << "no register access after the end";
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes.substr(0, 100)));
    // The next Open takes the port afresh: the stop request is cleared.
    ASSERT_TRUE(Scratch::Configure(scratch.Program(), ""));
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(firmware::SendFirmwareFile(port, job.file), firmware::kSent);
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes));
}

}  // namespace
