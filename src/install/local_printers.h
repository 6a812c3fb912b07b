// The spooler's local printers as the installation sees them, and an owner
// for an open printer handle.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "install/install_api.h"

enum class PrinterListing {
    Listed,  // `names` holds the local printers in the spooler's order
    Empty,   // the spooler has nothing to list
    Failed,  // the printers cannot be listed
};

// Names of the local printers (EnumPrintersW, PRINTER_ENUM_LOCAL, level 2):
// a sizing call without a buffer, then the call with one.
PrinterListing ListLocalPrinters(const InstallApi& api, std::vector<std::wstring>& names);

// An open spooler printer, closed through the same table that opened it.
class PrinterHandle {
public:
    PrinterHandle() = default;
    // Opens `name` asking for full access (PRINTER_ALL_ACCESS), with no data
    // type and no device mode; IsOpen() tells whether that worked.
    PrinterHandle(const InstallApi& api, const std::wstring& name);
    ~PrinterHandle() { Close(); }
    PrinterHandle(PrinterHandle&& o) noexcept
        : m_api(std::exchange(o.m_api, nullptr)), m_handle(std::exchange(o.m_handle, nullptr)) {}
    PrinterHandle& operator=(PrinterHandle&& o) noexcept {
        if (this != &o) {
            Close();
            m_api = std::exchange(o.m_api, nullptr);
            m_handle = std::exchange(o.m_handle, nullptr);
        }
        return *this;
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    bool IsOpen() const { return m_handle != nullptr; }
    HANDLE get() const { return m_handle; }
    // False when nothing was open or the spooler refused.
    bool Close();

private:
    const InstallApi* m_api = nullptr;
    HANDLE m_handle = nullptr;
};
