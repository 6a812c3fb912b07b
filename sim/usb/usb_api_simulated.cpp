// SIMULATOR: the entry of "Printer Install (simulated USB).exe", which hands
// the program the system's calls but for a simulated USB printer, so the
// program's own code finds, names and reads the printer described by
// "simulated-usb-printer.ini" next to the executable (see README.md).  What
// the program does to the printer is appended to "simulated-usb-printer.log"
// there, and so is a reason when the INI file cannot be read (then no printer
// is attached).
#include <windows.h>

#include <string>

#include "app/printer_install_app.h"
#include "install/install_api.h"
#include "ports/usb_api.h"
#include "usb_simulator.h"
#include "win/system_libraries.h"
#include "win/module_path.h"
#include "win/unique.h"

namespace {

void AppendLine(const std::wstring& file, const std::string& line) {
    win::UniqueFile log(::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(log.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

const UsbApi& SimulatedUsbApi() {
    static const bool ready = [] {
        const std::wstring dir = win::ModuleDirectory();
        const std::wstring logFile = dir + L"simulated-usb-printer.log";
        usbsim::Setup setup;
        std::wstring error;
        if (!usbsim::LoadSetupFile(dir + L"simulated-usb-printer.ini", setup, error)) {
            AppendLine(logFile, "simulated-usb-printer.ini: " + Narrow(error) + "; no printer attached");
            setup = usbsim::Setup{};
        }
        if (!usbsim::Install(setup)) AppendLine(logFile, "the simulated registry entries could not be written");
        usbsim::SetEventSink([logFile](const std::string& event) { AppendLine(logFile, event); });
        return true;
    }();
    (void)ready;
    return usbsim::Api();
}

CPrinterInstallApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    win::RestrictLibrarySearch();
    try {
        static const InstallApi api = SystemInstallApi(SimulatedUsbApi());
        return theApp.RunWith(api);
    } catch (...) {
        return 1;
    }
}
