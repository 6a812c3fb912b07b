#include "core/lpt_transfer.h"

namespace core {

bool IsLptReady(uint16_t status) { return (status & kLptReadyMask) == kLptReadyMask; }

uint8_t TransferPercent(uint32_t sent, uint32_t count) {
    if (count == 0) return 0;
    if (sent >= count) return 100;
    constexpr uint32_t kMultiplier = 100;
    if (count <= 0xFFFFFFFFu / kMultiplier) return static_cast<uint8_t>(sent * kMultiplier / count);
    // sent * 100 would wrap: build floor(sent * 100 / count) bit by bit of
    // the multiplier, keeping quotient and remainder (remainder < count) so
    // that no intermediate value leaves 32 bits.
    uint32_t quotient = 0;
    uint32_t remainder = 0;
    for (int bit = 6; bit >= 0; --bit) {
        quotient <<= 1;
        if (remainder >= count - remainder) {
            remainder -= count - remainder;
            quotient += 1;
        } else {
            remainder += remainder;
        }
        if ((kMultiplier >> bit) & 1u) {
            if (remainder >= count - sent) {
                remainder -= count - sent;
                quotient += 1;
            } else {
                remainder += sent;
            }
        }
    }
    return static_cast<uint8_t>(quotient);
}

bool WaitLptReady(const LptRegisterOps& ops, uint32_t maxReads) {
    for (uint32_t i = 0; i < maxReads; ++i) {
        if (IsLptReady(ops.readStatus(ops.context))) return true;
    }
    return false;
}

bool SendLptByte(const LptRegisterOps& ops, uint8_t value, const std::atomic<bool>* stop) {
    for (;;) {
        // Looked at before every read, so a stopped transfer leaves the port
        // alone at once.
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        if (IsLptReady(ops.readStatus(ops.context))) break;
    }
    ops.writeData(ops.context, value);
    ops.writeControl(ops.context, kLptStrobeActive);
    ops.writeControl(ops.context, kLptStrobeReleased);
    return true;
}

bool SendLptBuffer(const LptRegisterOps& ops, const uint8_t* data, uint32_t count, std::atomic<uint8_t>& progress,
                   const std::atomic<bool>* stop) {
    progress.store(0);
    // Counted from 0 so that a count of 0xFFFFFFFF cannot wrap the index.
    for (uint32_t i = 0; i < count; ++i) {
        if (!SendLptByte(ops, data[i], stop)) return false;
        progress.store(TransferPercent(i + 1, count));
    }
    return true;
}

bool StallWatchTick(uint8_t progress, uint8_t& peak, uint32_t& stallPolls) {
    if (progress > peak) {
        peak = progress;
        stallPolls = 0;
        return false;
    }
    ++stallPolls;
    return stallPolls > kStallPollLimit;
}

}  // namespace core
