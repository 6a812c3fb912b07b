#include "core/lpt_transfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
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
    std::string wire;  // 'D' data, 'S' strobe active, 'R' released
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
        p->wire.push_back('D');
    }
    static void WriteControl(void* ctx, uint8_t v) {
        auto* p = static_cast<FakePrinter*>(ctx);
        p->wire.push_back(v == core::kLptStrobeActive ? 'S' : v == core::kLptStrobeReleased ? 'R' : '?');
        if ((p->control & 1) && !(v & 1)) p->latched.push_back(p->data);
        p->control = v;
    }
    core::LptRegisterOps Ops() { return {this, &ReadStatus, &WriteData, &WriteControl}; }
};

// Whole percent rounded down, 100 only at the end.  Regression: sent * 100
// in 32 bits wraps once sent passes 42,949,672, so the percentage of a large
// file fell back towards 0 in mid-transfer.
TEST(LptTransferPercent, IsTheRoundedDownQuotientAlsoAbove42MillionBytes) {
    const uint32_t counts[] = {3u, 1000u, 42949672u, 42949673u, 100000000u, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (uint32_t count : counts) {
        for (uint32_t step = 0; step <= 1000; ++step) {
            const uint32_t sent = static_cast<uint32_t>(uint64_t{count} * step / 1000);
            const auto want = static_cast<uint8_t>(uint64_t{sent} * 100 / count);
            ASSERT_EQ(core::TransferPercent(sent, count), want) << sent << "/" << count;
        }
        EXPECT_LT(core::TransferPercent(count - 1, count), 100) << count;
    }
    EXPECT_EQ(core::TransferPercent(0, 0), 0);
}

// Ready is BUSY, SELECT and nERROR all set, whatever the other bits; the
// check answers at the first ready read or after exactly its read limit.
TEST(LptReadyPattern, NeedsNotBusySelectedAndNoErrorWithinTheReadLimit) {
    const struct {
        uint16_t status;
        size_t busyReadsFirst;  // reads of 0x18 (busy) before the status
        bool ready;
    } cases[] = {
        {0x98, 0, true},  {0x98 | 0x67, 0, true}, {0xD8, 0, true},  {0x90, 0, false},       {0x18, 0, false},
        {0x88, 0, false}, {0x67, 0, false},       {0x00, 0, false}, {0x98, 99999, true}, {0x98, 100000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.status << " after " << std::dec << c.busyReadsFirst);
        FakePrinter printer;
        printer.statusScript.assign(c.busyReadsFirst, 0x18);
        printer.statusScript.push_back(c.status);
        EXPECT_EQ(core::WaitLptReady(printer.Ops(), core::kLptWaitReadyReads), c.ready);
        EXPECT_EQ(printer.reads, c.ready ? c.busyReadsFirst + 1 : core::kLptWaitReadyReads);
        EXPECT_TRUE(printer.wire.empty());
    }
}

// Each byte goes out unchanged and in order once the printer is ready, as
// data, strobe, release; at every status read the percent of the bytes
// already out shows.
TEST(LptSendBuffer, SendsEveryByteUnchangedWhenReadyShowingThePercentAlreadySent) {
    std::vector<uint8_t> thousand = {0, 0, 0};  // the three reads before the printer is ready
    for (size_t k = 0; k < 1000; ++k) thousand.push_back(static_cast<uint8_t>(k / 10));  // 0 until the tenth byte
    const struct {
        uint32_t count;
        std::vector<uint8_t> seen;  // progress at each status read
        uint8_t last;
    } cases[] = {{3, {0, 0, 0, 0, 33, 66}, 100}, {1000, thousand, 100}, {0, {}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<uint8_t> bytes(c.count);
        for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k);  // every value 0x00-0xFF
        std::atomic<uint8_t> progress{77};
        FakePrinter printer;
        printer.statusScript = {0x18, 0x90, 0x88, 0x98};  // busy, error, not selected, then ready
        printer.progress = &progress;
        EXPECT_TRUE(core::SendLptBuffer(printer.Ops(), bytes.data(), c.count, progress, nullptr));
        EXPECT_EQ(printer.progressAtRead, c.seen);
        EXPECT_EQ(progress.load(), c.last);
        EXPECT_EQ(printer.latched, bytes);
        std::string wire;
        for (size_t k = 0; k < bytes.size(); ++k) wire += "DSR";  // nothing extra on the wire
        EXPECT_EQ(printer.wire, wire);
    }
}

// Regression: a printer that stops answering held the transfer in its
// status loop for ever, still using the port after the job was given up.
TEST(LptSendBuffer, StopRequestEndsTheWaitAndLeavesThePortAlone) {
    struct Case {
        const char* name;
        size_t readyBytes;  // the printer takes this many, then stays busy
        size_t stopAtRead;  // the stop is raised during this read (0: before start)
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
        EXPECT_EQ(printer.wire.size(), sent * 3);
        EXPECT_EQ(progress.load(), sent * 10);
    }
}

TEST(LptStallWatch, ARiseStartsTheCountAgainAndThe201stPollWithoutOneGivesUp) {
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
    // 200 polls in a row at 100 % still wait (the worker is about to
    // report); the next gives up.
    for (int i = 0; i < 199; ++i) ASSERT_FALSE(core::StallWatchTick(100, peak, polls)) << i;
    EXPECT_TRUE(core::StallWatchTick(100, peak, polls));
    EXPECT_EQ(polls, 201u);
}

TEST(LptTransferCount, FilesBeyondA32BitCountDoNotFit) {
    EXPECT_TRUE(core::FitsTransferCount(0xFFFFFFFFull));
    EXPECT_FALSE(core::FitsTransferCount(0x100000000ull));
}

}  // namespace
