#include "firmware/firmware_file.h"

#include <windows.h>

#include <new>

#include "core/lpt_transfer.h"
#include "firmware/lpt_port.h"
#include "win/unique.h"

namespace firmware {

int ReadFirmwareFile(const std::wstring& path, FirmwareImage& image) {
    image = FirmwareImage{};
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return kOpenFailed;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return kReadFailed;
    if (!core::FitsTransferCount(static_cast<uint64_t>(size.QuadPart))) return kOtherFailure;
    const uint32_t length = static_cast<uint32_t>(size.QuadPart);
    if (length == 0) return 0;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[length]);
    if (!bytes) return kOtherFailure;
    uint32_t got = 0;
    while (got < length) {
        DWORD chunk = 0;
        const DWORD want = length - got < (1u << 24) ? length - got : (1u << 24);
        if (!::ReadFile(file.get(), bytes.get() + got, want, &chunk, nullptr) || chunk == 0) break;
        got += chunk;
    }
    if (got != length) return kReadFailed;
    image.bytes = std::move(bytes);
    image.length = length;
    return 0;
}

int SendFirmwareFile(CLPTPort& port, const std::wstring& path) {
    FirmwareImage image;
    int outcome = ReadFirmwareFile(path, image);
    if (outcome == 0) outcome = port.SendBuffer(image.bytes.get(), image.length) ? kSent : kTransferFailed;
    port.Close();
    return outcome;
}

}  // namespace firmware
