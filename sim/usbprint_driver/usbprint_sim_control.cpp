// SIMULATOR: the user side of the simulated USB printer bus driver.
#include "usbprint_sim_control.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "../simulator_marker.h"

PI_SIMULATOR_MARKER("the control side of the simulated USB printer bus");

namespace usbprintsim {
namespace {

// The setup class of system devices, which a bus is.
constexpr GUID kSystemClass = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::wstring Hex4(unsigned value) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%04X", value & 0xFFFFu);
    return text;
}

std::wstring LastError(const wchar_t* what) { return std::wstring(what) + L" failed, error " + std::to_wstring(::GetLastError()); }

// The devices' registry property as text ("" when it has none).
std::wstring Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t value[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(value),
                                             sizeof value - sizeof(wchar_t), nullptr))
        return {};
    return value;  // the first string of a list
}

void DeleteTree(const std::wstring& path) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

// The parent key, when nothing else is left in it.
void DeleteIfEmpty(const std::wstring& path) { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()); }

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::vector<std::wstring> SubKeys(const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    win::UniqueKey owner(key);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (::RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, chars);
    }
    return names;
}

// A text value ("" when absent); Windows may store it without its zero.
std::wstring Text(const std::wstring& path, const wchar_t* value) {
    wchar_t text[512] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return {};
    return text;
}

}  // namespace

std::string IdWithLength(const std::string& text) {
    const size_t total = text.size() + 2;
    return std::string{static_cast<char>((total >> 8) & 0xFF), static_cast<char>(total & 0xFF)} + text;
}

std::wstring UsbInstanceId(const Printer& printer) {
    return L"USB\\VID_" + Hex4(printer.vid) + L"&PID_" + Hex4(printer.pid) + L"\\" + printer.serial;
}

std::wstring PrintInstanceId(const Printer& printer) {
    return printer.printHardwareId.empty() ? std::wstring() : printer.printHardwareId + L"\\" + printer.serial;
}

std::wstring PrintDeviceValue(const Printer& printer, const wchar_t* value) {
    const std::wstring instance = PrintInstanceId(printer);
    return instance.empty() ? std::wstring() : Text(L"System\\CurrentControlSet\\Enum\\" + instance, value);
}

bool Bus::Open(std::wstring& error, DWORD timeoutMs) {
    auto open = [this] {
        device_.reset(::CreateFileW(USBPRINT_SIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        return static_cast<bool>(device_);
    };
    if (open()) return true;
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        error = LastError(L"OpenSCManagerW");
        return false;
    }
    SC_HANDLE service = ::OpenServiceW(manager, USBPRINT_SIM_SERVICE, SERVICE_START);
    if (!service) {
        error = LastError(L"OpenServiceW") + L": the simulated USB printer bus is not installed in this prefix";
        ::CloseServiceHandle(manager);
        return false;
    }
    const bool started = ::StartServiceW(service, 0, nullptr) || ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    if (!started) error = LastError(L"StartServiceW");
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    if (!started) return false;
    for (const DWORD begin = ::GetTickCount(); ::GetTickCount() - begin < timeoutMs; ::Sleep(50))
        if (open()) return true;
    error = L"the bus's control device did not appear";
    return false;
}

bool Bus::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, std::wstring& error) const {
    DWORD returned = 0;
    if (!device_) {
        error = L"the bus is not open";
        return false;
    }
    if (::DeviceIoControl(device_.get(), code, const_cast<void*>(in), inSize, out, outSize, &returned, nullptr))
        return true;
    error = LastError(L"DeviceIoControl");
    return false;
}

bool Bus::WaitFor(const std::wstring& serial, bool (*done)(const usbprint_sim_status&), DWORD timeoutMs,
                  std::wstring& error) const {
    usbprint_sim_status status{};
    for (const DWORD begin = ::GetTickCount();; ::Sleep(20)) {
        if (!Query(serial, status, error)) return false;
        if (done(status)) return true;
        if (::GetTickCount() - begin > timeoutMs) break;
    }
    error = L"Plug and Play did not get the printer " + serial + L" there in time (started " +
            std::to_wstring(status.started) + L", child started " + std::to_wstring(status.print_started) +
            L", removed " + std::to_wstring(status.removed) + L")";
    return false;
}

bool Bus::Plug(const Printer& printer, std::wstring& error, DWORD timeoutMs) {
    auto config = std::make_unique<usbprint_sim_printer>();
    if (printer.serial.empty() || printer.serial.size() >= USBPRINT_SIM_SERIAL_CHARS ||
        printer.printHardwareId.size() >= USBPRINT_SIM_HARDWARE_ID_CHARS || printer.id.size() > USBPRINT_SIM_ID_BYTES) {
        error = L"the printer's serial number, hardware ID or device ID is too long";
        return false;
    }
    std::copy(printer.serial.begin(), printer.serial.end(), config->serial);
    config->vid = printer.vid;
    config->pid = printer.pid;
    config->port_number = printer.portNumber;
    config->answer = static_cast<unsigned>(printer.answer);
    config->answer_delay_ms = printer.answerDelayMs;
    config->cancel_delay_ms = printer.cancelDelayMs;
    config->vanish_after_opens = printer.vanishAfterOpens;
    config->id_length = static_cast<unsigned>(printer.id.size());
    std::copy(printer.id.begin(), printer.id.end(), config->id);
    std::copy(printer.printHardwareId.begin(), printer.printHardwareId.end(), config->print_hardware_id);
    if (!Control(IOCTL_USBPRINT_SIM_PLUG, config.get(), sizeof *config, nullptr, 0, error)) return false;
    if (printer.printHardwareId.empty())
        return WaitFor(printer.serial, [](const usbprint_sim_status& s) { return s.started != 0; }, timeoutMs, error);
    return WaitFor(printer.serial, [](const usbprint_sim_status& s) { return s.started && s.print_started; },
                   timeoutMs, error);
}

bool Bus::Unplug(const std::wstring& serial, std::wstring& error, DWORD timeoutMs) {
    usbprint_sim_serial in{};
    if (serial.empty() || serial.size() >= USBPRINT_SIM_SERIAL_CHARS) {
        error = L"no such serial number";
        return false;
    }
    std::copy(serial.begin(), serial.end(), in.serial);
    if (!Control(IOCTL_USBPRINT_SIM_UNPLUG, &in, sizeof in, nullptr, 0, error)) return false;
    return WaitFor(serial, [](const usbprint_sim_status& s) { return s.removed != 0; }, timeoutMs, error);
}

bool Bus::UnplugAll(std::wstring& error, DWORD timeoutMs) {
    usbprint_sim_serial all{};
    if (!Control(IOCTL_USBPRINT_SIM_UNPLUG, &all, sizeof all, nullptr, 0, error)) return false;
    usbprint_sim_status bus{};
    for (const DWORD begin = ::GetTickCount(); ::GetTickCount() - begin < timeoutMs; ::Sleep(20)) {
        if (!Control(IOCTL_USBPRINT_SIM_QUERY, &all, sizeof all, &bus, sizeof bus, error)) return false;
        if (bus.started == 0) return true;
    }
    error = L"Plug and Play did not remove every printer in time";
    return false;
}

bool Bus::Query(const std::wstring& serial, usbprint_sim_status& status, std::wstring& error) const {
    usbprint_sim_serial in{};
    if (serial.empty() || serial.size() >= USBPRINT_SIM_SERIAL_CHARS) {
        error = L"no such serial number";
        return false;
    }
    std::copy(serial.begin(), serial.end(), in.serial);
    return Control(IOCTL_USBPRINT_SIM_QUERY, &in, sizeof in, &status, sizeof status, error);
}

void ForgetAllPrinters() {
    const std::wstring enumKey = L"System\\CurrentControlSet\\Enum\\";
    const std::wstring interfaces =
        L"System\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    for (const std::wstring& entry : SubKeys(interfaces)) {
        const std::wstring instance = Text(interfaces + L"\\" + entry, L"DeviceInstance");
        if (!instance.empty()) {
            DeleteTree(enumKey + instance);
            DeleteIfEmpty(enumKey + Parent(instance));
        }
        DeleteTree(interfaces + L"\\" + entry);
    }
    const std::wstring print = enumKey + L"USBPRINT";
    for (const std::wstring& id : SubKeys(print))
        for (const std::wstring& instance : SubKeys(print + L"\\" + id)) {
            // The printer driver's class key goes with the device that named it.
            const std::wstring driver = Text(print + L"\\" + id + L"\\" + instance, L"Driver");
            if (!driver.empty()) DeleteTree(L"System\\CurrentControlSet\\Control\\Class\\" + driver);
        }
    DeleteTree(print);
}

bool InstallBus(const std::wstring& infPath, std::wstring& error) {
    static const wchar_t kHardwareIds[] = USBPRINT_SIM_BUS_HARDWARE_ID L"\0";
    HDEVINFO roots = ::SetupDiGetClassDevsW(nullptr, L"ROOT", nullptr, DIGCF_ALLCLASSES);
    if (roots != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
        bool found = false;
        for (DWORD i = 0; !found && ::SetupDiEnumDeviceInfo(roots, i, &device); ++i)
            found = Property(roots, device, SPDRP_HARDWAREID) == USBPRINT_SIM_BUS_HARDWARE_ID &&
                    Property(roots, device, SPDRP_SERVICE) == USBPRINT_SIM_SERVICE;
        ::SetupDiDestroyDeviceInfoList(roots);
        if (found) return true;
    }

    HDEVINFO set = ::SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        error = LastError(L"SetupDiCreateDeviceInfoList");
        return false;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    bool ok = ::SetupDiCreateDeviceInfoW(set, L"PiUsbPrintSimulator", &kSystemClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &device);
    if (!ok) error = LastError(L"SetupDiCreateDeviceInfoW");
    ok = ok && ::SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                   reinterpret_cast<const BYTE*>(kHardwareIds), sizeof kHardwareIds);
    if (!ok && error.empty()) error = LastError(L"SetupDiSetDeviceRegistryPropertyW");
    ok = ok && ::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    if (!ok && error.empty()) error = LastError(L"DIF_REGISTERDEVICE");
    BOOL reboot = FALSE;
    ok = ok && ::UpdateDriverForPlugAndPlayDevicesW(nullptr, USBPRINT_SIM_BUS_HARDWARE_ID, infPath.c_str(),
                                                    INSTALLFLAG_FORCE, &reboot);
    if (!ok && error.empty()) error = LastError(L"UpdateDriverForPlugAndPlayDevicesW");
    // Wine answers TRUE even when nothing took the driver: the device's
    // service says whether it did.
    if (ok && Property(set, device, SPDRP_SERVICE) != USBPRINT_SIM_SERVICE) {
        ok = false;
        error = L"the bus device did not get its driver from " + infPath;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return ok;
}

}  // namespace usbprintsim
