// SIMULATOR: the user side of the simulated USB printer bus driver
// (usbprint_sim_driver.c): installing the bus device into a Wine prefix,
// plugging and unplugging printers, and reading what a printer saw.  Used by
// the end-to-end tests and by the control program usbprint_sim.exe.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "usbprint_sim_protocol.h"
#include "win/unique.h"

namespace usbprintsim {

enum class Answer : unsigned { Id = USBPRINT_SIM_ANSWER_ID, Never = USBPRINT_SIM_ANSWER_NEVER,
                               Fail = USBPRINT_SIM_ANSWER_FAIL };

struct Printer {
    std::wstring serial;  // the USB device's instance ID; names the printer here
    uint16_t vid = 0x1A86;
    uint16_t pid = 0x7584;
    int portNumber = 1;   // negative: no "Port Number" value
    Answer answer = Answer::Id;
    DWORD answerDelayMs = 0;
    DWORD cancelDelayMs = 100;
    DWORD vanishAfterOpens = 0;  // its path stops opening after this many opens (0: never)
    std::string id;       // the answer as sent: see IdWithLength
    std::wstring printHardwareId;  // USBPRINT\...; empty: no USBPRINT child
};

// The device ID text with its two length bytes in front, most significant
// first, as a printer sends it.
std::string IdWithLength(const std::string& text);

// The Enum keys and interface entry the printer leaves in the registry.
std::wstring UsbInstanceId(const Printer& printer);    // USB\VID_1A86&PID_7584\<serial>
std::wstring PrintInstanceId(const Printer& printer);  // USBPRINT\...\<serial>; empty without one
// A text value of the USBPRINT device's key ("Driver", "Class"); empty when
// it has none.
std::wstring PrintDeviceValue(const Printer& printer, const wchar_t* value);

// A handle on the bus's control device.  Every call gives false with a
// reason in `error` when it fails.
class Bus {
public:
    // Opens the control device, starting the bus's service first when it
    // is not running yet (it is demand-started).
    bool Open(std::wstring& error, DWORD timeoutMs = 15000);
    // Plugs the printer in and waits until Plug and Play has started it:
    // its interface enabled with the port written and, when it has one,
    // its USBPRINT child started.
    bool Plug(const Printer& printer, std::wstring& error, DWORD timeoutMs = 10000);
    // Pulls the printer out and waits until Plug and Play has removed it.
    bool Unplug(const std::wstring& serial, std::wstring& error, DWORD timeoutMs = 10000);
    // Every printer, waiting until Plug and Play has removed them all.
    bool UnplugAll(std::wstring& error, DWORD timeoutMs = 10000);
    bool Query(const std::wstring& serial, usbprint_sim_status& status, std::wstring& error) const;

private:
    bool Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, std::wstring& error) const;
    bool WaitFor(const std::wstring& serial, bool (*done)(const usbprint_sim_status&), DWORD timeoutMs,
                 std::wstring& error) const;
    win::UniqueFile device_;
};

// Removes what the printers left in the registry (every USB printer
// interface entry with its USB device key, and the USBPRINT devices with
// their printer driver keys), so that a test meets no earlier printer.
// Printers must be unplugged first.
void ForgetAllPrinters();

// Registers the root-enumerated bus device and installs its driver from
// the INF file (once per prefix; a second call finds it and does nothing).
bool InstallBus(const std::wstring& infPath, std::wstring& error);

}  // namespace usbprintsim
