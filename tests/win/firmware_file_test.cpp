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

struct ReadCase {
    const char* name;
    int size;  // -1: no such file, -2: a folder
    int expected;
};

TEST(FirmwareFileRead, ReadsTheWholeFileUnchangedOrSaysWhyNot) {
    const ReadCase cases[] = {
        {"missing", -1, firmware::kOpenFailed},
        {"a folder", -2, firmware::kOpenFailed},
        {"empty", 0, 0},
        {"one byte", 1, 0},
        {"300 KB", 300 * 1024, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch scratch;
        const std::wstring path = scratch.Dir() + L"版本.mot";
        const std::string bytes = c.size >= 0 ? lpttest::RandomBytes(static_cast<size_t>(c.size), 11) : "";
        if (c.size >= 0) {
            ASSERT_TRUE(lpttest::WriteAll(path, bytes));
        }
        if (c.size == -2) {
            ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
        }
        firmware::FirmwareImage image;
        EXPECT_EQ(firmware::ReadFirmwareFile(path, image), c.expected);
        if (c.expected == 0) {
            ASSERT_EQ(image.length, bytes.size());
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.bytes.get()), image.length), bytes);
        } else {
            EXPECT_EQ(image.length, 0u);
        }
    }
}

// Regression: the length was cut to 32 bits, so a file of 4 GiB + 1 byte
// was sent as its first byte and reported as a success.
TEST(FirmwareFileRead, AFileLongerThanA32BitCountIsRefusedNotTruncated) {
    Scratch scratch;
    const std::wstring path = scratch.Dir() + L"huge.data";
    {
        win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        ASSERT_TRUE(f);
        LARGE_INTEGER size;
        size.QuadPart = 0x100000001LL;  // sparse: takes no room on disk
        ASSERT_TRUE(::SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(f.get()));
    }
    firmware::FirmwareImage image;
    EXPECT_EQ(firmware::ReadFirmwareFile(path, image), firmware::kOtherFailure);
    EXPECT_EQ(image.length, 0u);
    EXPECT_FALSE(image.bytes);
}

TEST(FirmwareFileRead, FewerBytesThanTheLengthIsAReadFailure) {
    // A kernel attribute file claims a page (4096 bytes) and holds a line.
    const wchar_t* candidates[] = {L"Z:\\sys\\kernel\\mm\\transparent_hugepage\\enabled",
                                   L"Z:\\sys\\kernel\\profiling", L"Z:\\sys\\power\\state"};
    const wchar_t* found = nullptr;
    for (const wchar_t* c : candidates) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(c, GetFileExInfoStandard, &data) && data.nFileSizeLow == 4096 &&
            lpttest::ReadAll(c).size() < 4096) {
            found = c;
            break;
        }
    }
    ASSERT_NE(found, nullptr) << "no file here whose length says more than it holds";
    firmware::FirmwareImage image;
    EXPECT_EQ(firmware::ReadFirmwareFile(found, image), firmware::kReadFailed);
    EXPECT_FALSE(image.bytes);
}

struct SendCase {
    const char* name;
    int size;  // -1: no such file
    int expected;
};

TEST(FirmwareFileSend, SendsTheFileAndClosesThePortOnEveryPath) {
    const SendCase cases[] = {
        {"1 MB", 1024 * 1024, firmware::kSent},
        {"empty: sent at once", 0, firmware::kSent},
        {"missing", -1, firmware::kOpenFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch scratch;
        ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "BusyReads=1\r\n"));
        const std::wstring path = scratch.Dir() + L"fw.mot";
        const std::string bytes = c.size >= 0 ? lpttest::RandomBytes(static_cast<size_t>(c.size), 5) : "";
        if (c.size >= 0) {
            ASSERT_TRUE(lpttest::WriteAll(path, bytes));
        }
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        ASSERT_TRUE(port.Open());
        EXPECT_EQ(firmware::SendFirmwareFile(port, path), c.expected);
        EXPECT_FALSE(port.IsOpen());
        const auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.open, 0u);
        EXPECT_EQ(s.shutdownCalls, 1u);
        EXPECT_EQ(s.bytesLatched, bytes.size());
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes));
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
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(worker.WaitForEnd(0)) << "nothing started: nothing to wait for";
    Gate gate;
    ASSERT_TRUE(worker.Start(&WaitAtGate, &gate));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(&WaitAtGate, &gate)) << "a second worker while the first runs";
    EXPECT_FALSE(worker.WaitForEnd(100));
    gate.release = true;
    EXPECT_TRUE(worker.WaitForEnd(5000));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(gate.runs.load(), 1);
    gate.release = false;
    ASSERT_TRUE(worker.Start(&WaitAtGate, &gate));
    gate.release = true;
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

// Regression: the dialog went away (or the next download started) while a
// worker given up as stalled still waited for the printer on the port.
TEST(FirmwareDownloadWorker, EndingTheOwnerStopsAStalledTransferAndWaitsForIt) {
    Scratch scratch;
    ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "StallAfterBytes=10\r\n"));
    CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
    StalledJob job{&port, scratch.Dir() + L"fw.data"};
    ASSERT_TRUE(lpttest::WriteAll(job.file, lpttest::RandomBytes(500, 9)));
    ASSERT_TRUE(port.Open());
    {
        CDownloadWorker worker(port);
        ASSERT_TRUE(worker.Start(&SendStalled, &job));
        const ULONGLONG end = ::GetTickCount64() + 10000;
        while (lpttest::Stats(port.Library()).bytesLatched < 10 && ::GetTickCount64() < end) ::Sleep(5);
        ::Sleep(100);
        EXPECT_TRUE(worker.IsRunning());
    }
    EXPECT_EQ(job.outcome.load(), firmware::kTransferFailed);
    EXPECT_TRUE(port.StopRequested());
    const auto s = lpttest::Stats(port.Library());
    EXPECT_EQ(s.open, 0u) << "the worker closed the port before it ended";
    EXPECT_EQ(s.shutdownCalls, 1u);
    EXPECT_EQ(s.bytesLatched, 10u);
}

}  // namespace
