#include "core/lpt_transfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace {

// A printer behind the three registers.  Its status comes from a script
// (the last entry repeats); it latches the data register when the strobe
// goes from active to released, and notes the progress it sees at every
// status read, which is what another thread would see during the wait.
struct FakePrinter {
    std::vector<uint16_t> statusScript{0x98};
    size_t reads = 0;
    uint8_t data = 0;
    uint8_t control = core::kLptStrobeReleased;
    std::vector<uint8_t> latched;
    std::vector<char> writes;  // 'D' data, 'S' strobe active, 'R' released
    const std::atomic<uint8_t>* progress = nullptr;
    std::vector<uint8_t> progressAtRead;
    std::atomic<bool>* stop = nullptr;
    size_t raiseStopAtRead = 0;  // 0: never

    static uint16_t ReadStatus(void* ctx) {
        auto* p = static_cast<FakePrinter*>(ctx);
        const uint16_t s = p->statusScript[p->reads < p->statusScript.size() ? p->reads : p->statusScript.size() - 1];
        ++p->reads;
        if (p->progress) p->progressAtRead.push_back(p->progress->load());
        if (p->stop && p->raiseStopAtRead && p->reads == p->raiseStopAtRead) p->stop->store(true);
        return s;
    }
    static void WriteData(void* ctx, uint8_t v) {
        auto* p = static_cast<FakePrinter*>(ctx);
        p->data = v;
        p->writes.push_back('D');
    }
    static void WriteControl(void* ctx, uint8_t v) {
        auto* p = static_cast<FakePrinter*>(ctx);
        p->writes.push_back(v == core::kLptStrobeActive ? 'S' : v == core::kLptStrobeReleased ? 'R' : '?');
        if ((p->control & 1) && !(v & 1)) p->latched.push_back(p->data);
        p->control = v;
    }
    core::LptRegisterOps Ops() { return {this, &ReadStatus, &WriteData, &WriteControl}; }
};

uint8_t Reference(uint32_t sent, uint32_t count) {
    return sent >= count ? 100 : static_cast<uint8_t>(uint64_t{sent} * 100 / count);
}

struct PercentCase {
    uint32_t sent;
    uint32_t count;
    uint8_t expected;
};

TEST(LptTransferPercent, IsWholePercentRoundedDownAnd100OnlyAtTheEnd) {
    const PercentCase cases[] = {
        {1, 3, 33},     {2, 3, 66},      {3, 3, 100},     {9, 1000, 0},   {10, 1000, 1},
        {999, 1000, 99}, {1, 1, 100},    {0, 5, 0},       {0, 0, 0},      {199, 200, 99},
        {42949672, 42949672, 100},       {42949671, 42949672, 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::TransferPercent(c.sent, c.count), c.expected) << c.sent << "/" << c.count;
}

// Regression: sent * 100 in 32 bits wraps once sent passes 42,949,672, so
// the percentage of a large file fell back towards 0 in mid-transfer.
TEST(LptTransferPercent, DoesNotWrapForCountsAbove42MillionBytes) {
    const uint32_t counts[] = {42949673u, 100000000u, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (uint32_t count : counts) {
        uint8_t last = 0;
        for (uint32_t step = 0; step <= 1000; ++step) {
            const uint32_t sent = static_cast<uint32_t>(uint64_t{count} * step / 1000);
            const uint8_t p = core::TransferPercent(sent, count);
            ASSERT_EQ(p, Reference(sent, count)) << sent << "/" << count;
            ASSERT_GE(p, last) << sent << "/" << count;
            last = p;
        }
        EXPECT_EQ(core::TransferPercent(count - 1, count), 99) << count;
        EXPECT_EQ(core::TransferPercent(count, count), 100) << count;
    }
}

struct StatusCase {
    uint16_t status;
    bool ready;
};

TEST(LptReadyPattern, NeedsNotBusySelectedAndNoErrorAndIgnoresTheOtherBits) {
    const StatusCase cases[] = {
        {0x98, true},
        {0x98 | 0x40 | 0x20 | 0x07, true},  // acknowledge, paper end, reserved bits
        {0x98 | 0x40, true},
        {0xFF, true},
        {0x90, false},  // error line active
        {0x18, false},  // busy
        {0x88, false},  // not selected
        {0x67, false},  // only ignored bits
        {0x00, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::IsLptReady(c.status), c.ready) << std::hex << c.status;
        FakePrinter printer;
        printer.statusScript = {c.status};
        const bool got = core::WaitLptReady(printer.Ops(), core::kLptWaitReadyReads);
        EXPECT_EQ(got, c.ready) << std::hex << c.status;
        // Ready answers at the first read; not ready uses up every read.
        EXPECT_EQ(printer.reads, c.ready ? 1u : core::kLptWaitReadyReads) << std::hex << c.status;
        EXPECT_TRUE(printer.writes.empty());
    }
}

TEST(LptReadyPattern, WaitReadyCountsReadsNotTime) {
    struct Case {
        size_t busyReads;
        bool ready;
    } cases[] = {{0, true}, {99999, true}, {100000, false}};
    for (const auto& c : cases) {
        FakePrinter printer;
        printer.statusScript.assign(c.busyReads, 0x18);
        printer.statusScript.push_back(0x98);
        EXPECT_EQ(core::WaitLptReady(printer.Ops(), core::kLptWaitReadyReads), c.ready) << c.busyReads;
        EXPECT_EQ(printer.reads, c.ready ? c.busyReads + 1 : core::kLptWaitReadyReads);
    }
}

TEST(LptSendByte, WaitsForReadyThenWritesDataAndPulsesTheStrobe) {
    FakePrinter printer;
    printer.statusScript = {0x18, 0x90, 0x18, 0x18, 0x88, 0x98};
    EXPECT_TRUE(core::SendLptByte(printer.Ops(), 0xA5, nullptr));
    EXPECT_EQ(printer.reads, 6u);
    EXPECT_EQ(printer.writes, (std::vector<char>{'D', 'S', 'R'}));
    EXPECT_EQ(printer.latched, (std::vector<uint8_t>{0xA5}));
}

TEST(LptSendBuffer, ThreeBytesGive33Then66Then100) {
    std::atomic<uint8_t> progress{0};
    FakePrinter printer;
    printer.progress = &progress;
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_TRUE(core::SendLptBuffer(printer.Ops(), bytes, 3, progress, nullptr));
    EXPECT_EQ(printer.progressAtRead, (std::vector<uint8_t>{0, 33, 66}));
    EXPECT_EQ(progress.load(), 100);
}

TEST(LptSendBuffer, AThousandBytesShow0UntilTheTenthByte) {
    std::atomic<uint8_t> progress{0};
    FakePrinter printer;
    printer.progress = &progress;
    std::vector<uint8_t> bytes(1000, 0x55);
    ASSERT_TRUE(core::SendLptBuffer(printer.Ops(), bytes.data(), 1000, progress, nullptr));
    ASSERT_EQ(printer.progressAtRead.size(), 1000u);  // one read before each byte
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(printer.progressAtRead[k], 0) << "after " << k << " bytes";
    EXPECT_EQ(printer.progressAtRead[10], 1);
    for (size_t k = 0; k < 1000; ++k) EXPECT_EQ(printer.progressAtRead[k], k / 10) << "after " << k << " bytes";
    EXPECT_EQ(progress.load(), 100);
}

TEST(LptSendBuffer, SendsEveryByteValueUnchangedAndInOrder) {
    std::vector<uint8_t> bytes;
    for (int v = 0; v <= 0xFF; ++v) bytes.push_back(static_cast<uint8_t>(v));
    for (int v = 0xFF; v >= 0; --v) bytes.push_back(static_cast<uint8_t>(v));
    std::atomic<uint8_t> progress{0};
    FakePrinter printer;
    ASSERT_TRUE(core::SendLptBuffer(printer.Ops(), bytes.data(), static_cast<uint32_t>(bytes.size()), progress,
                                    nullptr));
    EXPECT_EQ(printer.latched, bytes);
    // Exactly data, strobe, release per byte: nothing extra on the wire.
    ASSERT_EQ(printer.writes.size(), bytes.size() * 3);
    const std::string wire(printer.writes.begin(), printer.writes.end());
    for (size_t i = 0; i < wire.size(); i += 3) ASSERT_EQ(wire.substr(i, 3), "DSR") << "byte " << i / 3;
}

TEST(LptSendBuffer, EmptyBufferTouchesNothingAndResetsProgress) {
    std::atomic<uint8_t> progress{77};
    FakePrinter printer;
    EXPECT_TRUE(core::SendLptBuffer(printer.Ops(), nullptr, 0, progress, nullptr));
    EXPECT_EQ(progress.load(), 0);
    EXPECT_EQ(printer.reads, 0u);
    EXPECT_TRUE(printer.writes.empty());
}

// Regression: a printer that stops answering held the transfer in its
// status loop for ever, still using the port after the job was given up.
TEST(LptSendBuffer, StopRequestEndsTheWaitAndLeavesThePortAlone) {
    struct Case {
        const char* name;
        size_t readyBytes;    // the printer takes this many, then stays busy
        size_t stopAtRead;    // the stop is raised during this read (0: before start)
    } cases[] = {{"never ready", 0, 1000}, {"stalls after 5 bytes", 5, 5 + 2000}, {"stopped before start", 3, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> stop{c.stopAtRead == 0};
        std::atomic<uint8_t> progress{0};
        FakePrinter printer;
        printer.statusScript.assign(c.readyBytes, 0x98);
        printer.statusScript.push_back(0x18);
        printer.stop = &stop;
        printer.raiseStopAtRead = c.stopAtRead;
        std::vector<uint8_t> bytes(10, 0x42);
        EXPECT_FALSE(core::SendLptBuffer(printer.Ops(), bytes.data(), 10, progress, &stop));
        EXPECT_EQ(printer.reads, c.stopAtRead);  // not one read after the stop
        const size_t sent = c.stopAtRead == 0 ? 0 : c.readyBytes;
        EXPECT_EQ(printer.latched.size(), sent);
        EXPECT_EQ(printer.writes.size(), sent * 3);
        EXPECT_EQ(progress.load(), sent * 10);
    }
}

TEST(LptStallWatch, GivesUpOnThe201stPollWithoutARise) {
    uint8_t peak = 0;
    uint32_t polls = 0;
    for (int i = 1; i <= 200; ++i) ASSERT_FALSE(core::StallWatchTick(0, peak, polls)) << i;
    EXPECT_TRUE(core::StallWatchTick(0, peak, polls));
    EXPECT_EQ(polls, 201u);
}

TEST(LptStallWatch, ARiseStartsTheCountAgainAndThePeakNeverFalls) {
    struct Step {
        uint8_t progress;
        uint8_t peak;
        uint32_t polls;
    } steps[] = {{0, 0, 1}, {5, 5, 0}, {5, 5, 1}, {3, 5, 2}, {6, 6, 0}, {100, 100, 0}, {100, 100, 1}};
    uint8_t peak = 0;
    uint32_t polls = 0;
    for (const auto& s : steps) {
        EXPECT_FALSE(core::StallWatchTick(s.progress, peak, polls));
        EXPECT_EQ(peak, s.peak);
        EXPECT_EQ(polls, s.polls);
    }
    // 200 more polls at 100 % still wait (the worker is about to report);
    // the next gives up.
    for (int i = 0; i < 199; ++i) ASSERT_FALSE(core::StallWatchTick(100, peak, polls));
    EXPECT_TRUE(core::StallWatchTick(100, peak, polls));
}

TEST(LptTransferCount, FilesBeyondA32BitCountDoNotFit) {
    EXPECT_TRUE(core::FitsTransferCount(0));
    EXPECT_TRUE(core::FitsTransferCount(0xFFFFFFFFull));
    EXPECT_FALSE(core::FitsTransferCount(0x100000000ull));
    EXPECT_FALSE(core::FitsTransferCount(0x1000000000ull));
}

}  // namespace
