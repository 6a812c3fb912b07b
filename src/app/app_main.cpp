// Entry point of "Printer Install.exe".
#include <windows.h>

#include "app/printer_install_app.h"
#include "install/install_api.h"
#include "ports/usb_api.h"
#include "win/system_libraries.h"

namespace {
CPrinterInstallApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: the program runs elevated from a
    // folder others may write to.
    win::RestrictLibrarySearch();
    try {
        static const InstallApi api = SystemInstallApi(SystemUsbApi());
        return theApp.RunWith(api);
    } catch (...) {
        return 1;
    }
}
