// Entry point of "Printer Install.exe".
#include <windows.h>

#include "app/printer_install_app.h"

namespace {
CPrinterInstallApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return theApp.Run();
    } catch (...) {
        return 1;
    }
}
