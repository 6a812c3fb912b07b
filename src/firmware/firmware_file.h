// A firmware file read whole into memory and sent over the parallel port,
// with the outcome codes the download job reports.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class CLPTPort;

namespace firmware {

// Outcome of one download.  0 means none known yet.
inline constexpr int kSent = 1;
inline constexpr int kOpenFailed = -1;      // the file cannot be opened
inline constexpr int kReadFailed = -2;      // fewer bytes read than its length
inline constexpr int kTransferFailed = -3;  // the printer stopped taking bytes
inline constexpr int kOtherFailure = -4;    // no memory, or too long for one transfer

struct FirmwareImage {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t length = 0;
};

// Reads the whole file, unchanged.  Returns 0 or one of the failure codes;
// a file longer than the transfer's 32-bit count is refused, not cut.
int ReadFirmwareFile(const std::wstring& path, FirmwareImage& image);

// Reads the file and sends it over the open port, then closes the port on
// every path.  Returns the outcome code.
int SendFirmwareFile(CLPTPort& port, const std::wstring& path);

}  // namespace firmware
