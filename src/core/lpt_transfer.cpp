#include "core/lpt_transfer.h"

namespace core {

bool IsLptReady(uint16_t status) { return (status & kLptReadyMask) == kLptReadyMask; }

uint8_t TransferPercent(uint32_t sent, uint32_t count) {
    if (count == 0) return 0;
    if (sent >= count) return 100;
    // In 64 bits sent * 100 cannot wrap, whatever the 32-bit count.
    return static_cast<uint8_t>(uint64_t{sent} * 100 / count);
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
