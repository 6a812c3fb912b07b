#include "install/driver_install.h"

#include <cstddef>
#include <memory>

#include <newdev.h>

#include "catalogue/driver_package.h"
#include "core/print_ui_rules.h"
#include "install/local_printers.h"
#include "install/print_ui.h"
#include "ports/usb_port.h"

namespace {

// The printer information read for the rename: 12000 bytes, aligned for the
// pointers of PRINTER_INFO_2.
constexpr DWORD kPrinterInfoBytes = 12000;

}  // namespace

int FindInstalledPrinters(const std::wstring& printerName, std::vector<std::wstring>& found, const InstallApi& api) {
    const std::wstring searched = GetDisplayPrinterName(printerName);
    std::vector<std::wstring> names;
    // A first call that succeeds has nothing to list; like a failed listing
    // it answers -1, and nothing is removed either way.
    if (ListLocalPrinters(api, names) != PrinterListing::Listed) return -1;
    int count = 0;
    for (const auto& name : names) {
        if (!core::IsSamePrinterName(name, searched)) continue;
        found.push_back(name);
        ++count;
    }
    return count;
}

bool RemovePrinterAndDriver(const std::wstring& name, const InstallApi& api) {
    {
        PrinterHandle printer(api, name);
        if (printer.IsOpen()) {
            // Queued jobs first: a printer with jobs is only marked for
            // deletion, and its driver would stay in use.
            api.SetPrinterW(printer.get(), 0, nullptr, PRINTER_CONTROL_PURGE);
            api.DeletePrinter(printer.get());
        }
    }
    std::wstring driver = name;
    return api.DeletePrinterDriverExW(nullptr, nullptr, driver.data(), DPD_DELETE_UNUSED_FILES, 3) != FALSE;
}

AttachedUsbPrinter ReadAttachedUsbPrinter(const UsbApi& api) {
    AttachedUsbPrinter attached;
    CUSBPort finder(api);
    if (!finder.GetUsbPortName(attached.port)) attached.port.clear();
    if (finder.IsOpen() && !finder.GetMakeAndModel(attached.identification)) attached.identification.clear();
    finder.CloseDevice();
    return attached;
}

bool InstallDriver(const Installation& installation, const AttachedUsbPrinter& attached, const InstallApi& api,
                   const std::function<void(const InstallEvent&)>& pathChosen, const SetUpNotStarted& notStarted,
                   bool& restartNeeded) {
    restartNeeded = false;
    const auto tell = [&](InstallStep step, const std::wstring& detail) {
        if (pathChosen) pathChosen(InstallEvent{step, detail});
    };
    if (core::TakesPlugAndPlayPath(attached.port, attached.identification, installation.printerName)) {
        std::wstring hardwareId;
        const bool found = UsbHardwareIdFor(installation, hardwareId);
        tell(InstallStep::InstallingWithPlugAndPlay, hardwareId);
        if (!found) return false;
        return InstallUsbDriver(hardwareId, installation.infPath, api,
                                installation.reportRestart ? &restartNeeded : nullptr);
    }
    tell(InstallStep::InstallingWithSetUpCommand, installation.port);
    DWORD startError = 0;
    const bool installed = InstallPrinterWithPrintUI(installation.printerName, installation.infPath,
                                                     installation.port, api, &startError);
    if (startError != 0 && notStarted) notStarted(startError);
    return installed;
}

bool UsbHardwareIdFor(const Installation& installation, std::wstring& hardwareId) {
    hardwareId.clear();
    if (installation.infPath.empty() || installation.printerName.empty()) return false;
    if (!FindUsbHardwareId(installation.infPath, installation.printerName, hardwareId)) return false;
    return !hardwareId.empty();
}

bool InstallUsbDriver(const std::wstring& hardwareId, const std::wstring& infPath, const InstallApi& api,
                      bool* restartNeeded) {
    BOOL restart = FALSE;
    // Without a place for the answer Windows asks the user for a restart
    // itself when the driver needs one.
    const bool installed = api.UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId.c_str(), infPath.c_str(),
                                                                  INSTALLFLAG_FORCE,
                                                                  restartNeeded ? &restart : nullptr) != FALSE;
    if (restartNeeded) *restartNeeded = installed && restart;
    return installed;
}

void RenameToDisplayName(const std::wstring& printerName, const InstallApi& api) {
    // The whole name: a name cut to fit a smaller buffer would open another
    // printer or none.
    std::wstring displayName = GetDisplayPrinterName(printerName);
    PrinterHandle printer(api, printerName);
    if (!printer.IsOpen()) return;
    struct alignas(std::max_align_t) InfoBuffer {
        BYTE bytes[kPrinterInfoBytes];
    };
    auto buffer = std::make_unique<InfoBuffer>();
    DWORD needed = 0;
    if (!api.GetPrinterW(printer.get(), 2, buffer->bytes, kPrinterInfoBytes, &needed)) return;
    PRINTER_INFO_2W info = *reinterpret_cast<const PRINTER_INFO_2W*>(buffer->bytes);
    info.pPrinterName = displayName.data();
    api.SetPrinterW(printer.get(), 2, reinterpret_cast<LPBYTE>(&info), 0);
}
