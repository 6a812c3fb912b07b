#include "install/local_printers.h"

#include <cstddef>
#include <memory>

namespace {

// PRINTER_INFO_2 records hold pointers: the buffer is kept aligned for them.
struct alignas(std::max_align_t) Block {
    unsigned char bytes[alignof(std::max_align_t)];
};

}  // namespace

PrinterListing ListLocalPrinters(const InstallApi& api, std::vector<std::wstring>& names) {
    names.clear();
    DWORD needed = 0, returned = 0;
    if (api.EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned)) return PrinterListing::Empty;
    // A printer added between the two calls makes the second one ask for
    // more again; a few rounds settle that.
    for (int round = 0; round < 3; ++round) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return PrinterListing::Failed;
        const size_t blocks = (needed + sizeof(Block) - 1) / sizeof(Block);
        std::unique_ptr<Block[]> buffer(new (std::nothrow) Block[blocks]);
        if (!buffer) return PrinterListing::Failed;
        auto* bytes = reinterpret_cast<LPBYTE>(buffer.get());
        const DWORD size = needed;
        returned = 0;
        if (api.EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, bytes, size, &needed, &returned)) {
            const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(bytes);
            for (DWORD i = 0; i < returned; ++i)
                names.emplace_back(records[i].pPrinterName ? records[i].pPrinterName : L"");
            return PrinterListing::Listed;
        }
    }
    return PrinterListing::Failed;
}

PrinterHandle::PrinterHandle(const InstallApi& api, const std::wstring& name) : m_api(&api) {
    std::wstring writable = name;  // the spooler's prototype takes a non-const name
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE handle = nullptr;
    if (api.OpenPrinterW(writable.data(), &handle, &defaults) && handle) m_handle = handle;
}

bool PrinterHandle::Close() {
    if (!m_handle) return false;
    const BOOL closed = m_api->ClosePrinter(std::exchange(m_handle, nullptr));
    return closed != FALSE;
}
