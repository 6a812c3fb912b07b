// The real side of the driver installation's seam: the spooler, Plug and
// Play, the shell and the user interface as Windows provides them.
#include <windows.h>
#include <newdev.h>

#include "install/install_api.h"
#include "ports/usb_api.h"

const InstallApi& DefaultInstallApi() {
    static const InstallApi api = {
        ::EnumPrintersW,
        ::OpenPrinterW,
        ::GetPrinterW,
        ::SetPrinterW,
        ::DeletePrinter,
        ::DeletePrinterDriverExW,
        ::ClosePrinter,
        ::UpdateDriverForPlugAndPlayDevicesW,
        ::ShellExecuteExW,
        ::WaitForSingleObject,
        ::Sleep,
        ::MessageBoxW,
        &DefaultUsbApi(),
    };
    return api;
}
