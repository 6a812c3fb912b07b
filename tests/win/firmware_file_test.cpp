// Reading the firmware file, and the download job sending it over the
// simulated port.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "firmware/download_job.h"
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

// The download job without a window: the readiness check, the file sent
// on the job's thread with the percentage rising to 100, the outcome.  Only
// a ready printer leaves the port open for the transfer, which closes it.
TEST(DownloadJob, ChecksThePrinterSendsTheFileAndTellsTheOutcome) {
    const std::string bytes = lpttest::RandomBytes(5000, 3);
    const struct {
        const char* name;
        bool library;
        const char* simulator;
        bool fileThere;
        firmware::Readiness readiness;
        int outcome;
    } cases[] = {
        {"sent", true, "BusyReads=1\r\n", true, firmware::Readiness::Ready, firmware::kSent},
        {"file missing", true, "", false, firmware::Readiness::Ready, firmware::kOpenFailed},
        {"no port library", false, "", true, firmware::Readiness::NoPortAccess, 0},
        {"no printer in download mode", true, "Absent=1\r\n", true, firmware::Readiness::PrinterNotReady, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch scratch;
        ASSERT_TRUE(!c.library || Scratch::PutSimulator(scratch.Program(), c.simulator));
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        const std::wstring file = scratch.Dir() + L"版本.mot";
        ASSERT_TRUE(!c.fileThere || lpttest::WriteAll(file, bytes));
        firmware::DownloadJob job(port);
        EXPECT_EQ(job.OpenAndCheck(), c.readiness);
        EXPECT_EQ(port.IsOpen(), c.readiness == firmware::Readiness::Ready) << "only a ready printer keeps it open";
        if (c.readiness != firmware::Readiness::Ready) continue;
        ASSERT_TRUE(job.Start(file));
        EXPECT_TRUE(job.WaitUntilIdle(20000));
        EXPECT_EQ(job.Outcome(), c.outcome);
        EXPECT_FALSE(port.IsOpen()) << "the transfer closed the port";
        EXPECT_EQ(lpttest::Stats(port.Library()).open, 0u);
        EXPECT_EQ(job.Progress(), c.outcome == firmware::kSent ? 100 : 0);
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), c.fileThere ? bytes : ""));
    }
}

// Regressions: a printer that stopped taking bytes held the transfer in its
// status loop for ever, still using the port after the job had been given
// up; and the dialog went away (or the next download started) while such a
// transfer still waited on the port.  Giving up, or ending the job, stops
// it; a transfer told to stop leaves the port alone and its late outcome
// does not replace the one the giving up claimed; only one runs at a time.
TEST(DownloadJob, GivingUpOrEndingTheJobStopsAStalledTransfer) {
    const std::string bytes = lpttest::RandomBytes(1000, 9);
    for (bool endTheJob : {false, true}) {
        SCOPED_TRACE(endTheJob ? "the job ends" : "the stall watch gives up");
        Scratch scratch;
        ASSERT_TRUE(Scratch::PutSimulator(scratch.Program(), "StallAfterBytes=100\r\nBusyReads=1\r\n"));
        CLPTPort port(WinIoPlaces{scratch.System(), scratch.Program()});
        const std::wstring file = scratch.Dir() + L"fw.data";
        ASSERT_TRUE(lpttest::WriteAll(file, bytes));
        auto job = std::make_unique<firmware::DownloadJob>(port);
        ASSERT_EQ(job->OpenAndCheck(), firmware::Readiness::Ready);
        ASSERT_TRUE(job->Start(file));
        const ULONGLONG end = ::GetTickCount64() + 10000;
        while (lpttest::Stats(port.Library()).bytesLatched < 100 && ::GetTickCount64() < end) ::Sleep(5);
        ::Sleep(200);
        EXPECT_FALSE(job->WaitUntilIdle(0)) << "the transfer is still waiting for the printer";
        EXPECT_FALSE(job->Start(file)) << "one transfer at a time";
        EXPECT_EQ(job->Progress(), 10);
        if (endTheJob) {
            job.reset();
        } else {
            EXPECT_EQ(job->GiveUp(), firmware::kTransferFailed);
            EXPECT_TRUE(job->WaitUntilIdle(5000));
            EXPECT_EQ(job->Outcome(), firmware::kTransferFailed) << "the stopped transfer's own outcome is not taken";
        }
        const auto s = lpttest::Stats(port.Library());
        EXPECT_EQ(s.open, 0u) << "the transfer closed the port before it ended";
        ::Sleep(100);
        EXPECT_EQ(lpttest::Stats(port.Library()).statusReads, s.statusReads) << "no register access after the end";
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes.substr(0, 100)));
        // The next download takes the port afresh: the stop request is cleared.
        ASSERT_TRUE(Scratch::Configure(scratch.Program(), ""));
        if (!job) job = std::make_unique<firmware::DownloadJob>(port);
        ASSERT_EQ(job->OpenAndCheck(), firmware::Readiness::Ready);
        ASSERT_TRUE(job->Start(file));
        EXPECT_TRUE(job->WaitUntilIdle(20000));
        EXPECT_EQ(job->Outcome(), firmware::kSent);
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(scratch.Program()), bytes));
    }
}

}  // namespace
