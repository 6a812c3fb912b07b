#include "install/driver_install.h"

#include <cstddef>
#include <memory>

#include <newdev.h>

#include "app/texts.h"
#include "catalogue/driver_package.h"
#include "catalogue/install_catalogue.h"
#include "core/print_ui_rules.h"
#include "install/local_printers.h"
#include "install/print_ui.h"
#include "ports/usb_port.h"

namespace {

// The printer information read for the rename: 12000 bytes, aligned for the
// pointers of PRINTER_INFO_2.
constexpr DWORD kPrinterInfoBytes = 12000;

bool Reenumerate(const InstallApi& api) { return api.usb && ReenumerateDevices(*api.usb); }

// The identification string and port name of the attached USB printer, both
// empty when none is attached.  The device is closed again at once: nothing
// later needs it.
void ReadAttachedUsbPrinter(const InstallApi& api, std::wstring& usbPort, std::wstring& identification) {
    usbPort.clear();
    identification.clear();
    if (!api.usb) return;
    CUSBPort finder(*api.usb);
    if (!finder.GetUsbPortName(usbPort)) usbPort.clear();
    if (finder.IsOpen() && !finder.GetMakeAndModel(identification)) identification.clear();
    finder.CloseDevice();
}

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

bool InstallDriver(InstallCatalogue& catalogue, const std::wstring& printerName, const std::wstring& port,
                   const InstallApi& api) {
    if (!catalogue.SetInstallPrinterName(printerName) || !catalogue.SetInstallPort(port)) return false;
    catalogue.BuildDriverInfPath();
    std::wstring usbPort, identification;
    ReadAttachedUsbPrinter(api, usbPort, identification);
    if (core::TakesPlugAndPlayPath(usbPort, identification, printerName)) return InstallUsbDriver(catalogue, api);
    return InstallPrinterWithPrintUI(catalogue, api);
}

bool InstallUsbDriver(InstallCatalogue& catalogue, const InstallApi& api) {
    if (!catalogue.BuildDriverInfPath()) return false;
    const std::wstring infPath = catalogue.InstallInfPath();
    std::wstring hardwareId;
    if (!FindUsbHardwareId(infPath, catalogue.InstallPrinterName(), hardwareId)) return false;
    // A models line with nothing between its commas names no device.
    if (hardwareId.empty()) return false;
    // No restart flag is passed: Windows asks for a restart itself when the
    // driver needs one.
    return api.UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId.c_str(), infPath.c_str(), INSTALLFLAG_FORCE,
                                                  nullptr) != FALSE;
}

void RenameToDisplayName(InstallCatalogue& catalogue, const InstallApi& api) {
    // The whole name: a name cut to fit a smaller buffer would open another
    // printer or none.
    const std::wstring name = catalogue.InstallPrinterName();
    std::wstring displayName = GetDisplayPrinterName(name);
    PrinterHandle printer(api, name);
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

int RunDriverInstallJob(InstallCatalogue& catalogue, const InstallChoices& choices, const InstallReport& report,
                        const InstallApi& api) {
    const auto status = [&](const wchar_t* text) {
        if (report.status) report.status(text);
    };
    const auto box = [&](const wchar_t* text, UINT type) {
        api.MessageBoxW(report.owner ? report.owner() : nullptr, text, texts::kInstallBoxCaption, type);
    };

    // A model without a printer name has nothing to remove and nothing to
    // install: with an empty name any existing printer would pass the
    // existence check, so it fails here without running a command.
    std::wstring printerName;
    const bool named = catalogue.GetPrinterName(choices.model, printerName) && !printerName.empty();
    if (named) {
        std::vector<std::wstring> found;
        if (FindInstalledPrinters(printerName, found, api) > 0) {
            for (const auto& name : found) RemovePrinterAndDriver(name, api);
            Reenumerate(api);
        }
        Reenumerate(api);
    }

    status(texts::kStatusInstalling);
    if (!named || !InstallDriver(catalogue, printerName, choices.port, api)) {
        status(texts::kStatusInstallFailed);
        box(texts::kInstallFailed, MB_OK | MB_ICONERROR);
        return -1;
    }
    status(texts::kStatusInstallSucceeded);
    box(texts::kInstallSucceeded, MB_OK);
    api.Sleep(kInstallStepPauseMs);

    // The default printer is set under the installed name, before a
    // high-speed printer takes its display name.
    if (choices.makeDefault) {
        status(texts::kStatusSettingDefault);
        MakeDefaultPrinter(printerName, api);
    }
    api.Sleep(kInstallStepPauseMs);

    const std::wstring displayName = GetDisplayPrinterName(printerName);
    if (displayName != printerName) RenameToDisplayName(catalogue, api);

    if (choices.testPage) {
        status(texts::kStatusPrintingTestPage);
        PrintTestPage(displayName, api);
    }
    api.Sleep(kInstallStepPauseMs);
    status(texts::kStatusInstallFinished);
    return 1;
}
