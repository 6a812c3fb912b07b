// The Centronics byte handshake on the first parallel port, written against
// three register functions so that it runs the same over the port I/O
// library and over a test's fake printer.
#pragma once
#include <atomic>
#include <cstdint>

namespace core {

// Status bits looked at: BUSY (inverted by the port, 1 = not busy), SELECT
// and nERROR.  All three set means a printer in download mode takes a byte.
inline constexpr uint16_t kLptReadyMask = 0x98;
// Control register: strobe active (bit 0, inverted by the port) with the
// initialise line held inactive (bit 2), then the strobe released.
inline constexpr uint8_t kLptStrobeActive = 0x05;
inline constexpr uint8_t kLptStrobeReleased = 0x04;
// How many status reads the readiness check makes before it gives up.
inline constexpr uint32_t kLptWaitReadyReads = 100000;

// Register access of one port.  `context` is handed back to every call.
struct LptRegisterOps {
    void* context = nullptr;
    uint16_t (*readStatus)(void* context) = nullptr;
    void (*writeData)(void* context, uint8_t value) = nullptr;
    void (*writeControl)(void* context, uint8_t value) = nullptr;
};

bool IsLptReady(uint16_t status);

// Whole percent of `count` bytes that `sent` bytes are, rounded down, and
// exactly 100 only once every byte is out, for any 32-bit count.
uint8_t TransferPercent(uint32_t sent, uint32_t count);

// Reads the status up to `maxReads` times; true at the first ready read.
bool WaitLptReady(const LptRegisterOps& ops, uint32_t maxReads);

// Waits (without bound, unless `stop` is raised) for the ready pattern,
// then writes the byte and pulses the strobe.  False only when `stop` ended
// the wait; no register is touched after that.
bool SendLptByte(const LptRegisterOps& ops, uint8_t value, const std::atomic<bool>* stop);

// Sends `count` bytes in order, keeping `progress` at TransferPercent of
// the bytes sent.  A count of 0 sends nothing and leaves progress at 0.
// False when `stop` ended the transfer.
bool SendLptBuffer(const LptRegisterOps& ops, const uint8_t* data, uint32_t count, std::atomic<uint8_t>& progress,
                   const std::atomic<bool>* stop);

// The download job's watch over the percentage, one call per poll: a rise
// resets the count of polls without progress, and the watch gives up on
// the poll after kStallPollLimit polls in a row without a rise.
inline constexpr uint32_t kStallPollLimit = 200;
// True when the job is to be given up as stalled.
bool StallWatchTick(uint8_t progress, uint8_t& peak, uint32_t& stallPolls);

// Whether a file of this length can be sent with the transfer's 32-bit count.
inline constexpr bool FitsTransferCount(uint64_t length) { return length <= 0xFFFFFFFFull; }

}  // namespace core
