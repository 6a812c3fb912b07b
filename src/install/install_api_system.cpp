// The real side of the driver installation's seam: the spooler, Plug and
// Play, the shell and the user interface as Windows provides them.
#include <windows.h>
#include <newdev.h>

#include "install/install_api.h"

InstallApi SystemInstallApi(const UsbApi& usb) {
    return InstallApi{
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
        &usb,
    };
}
