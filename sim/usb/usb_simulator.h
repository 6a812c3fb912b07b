// SIMULATOR of an attached USB printer, for the Windows unit tests only: it
// stands behind CUSBPort's table of Windows calls (ports/usb_api.h) in the
// same process, for the cases Wine's Plug and Play with the simulated USB
// printer bus driver (sim/usbprint_driver) cannot present.  The shipped
// program never contains it.
//
// What it simulates:
//  - the present-interface list of the USB printer class (device paths, in
//    order, each possibly unreadable);
//  - the devices: opened exclusively (a second open of a device that is
//    still open fails with a sharing violation, as a real printer does),
//    answering the IEEE 1284 device ID request at once, after a delay, never,
//    or with an error, and honouring or ignoring a cancellation;
//  - the interface class key: real, volatile registry keys under
//    HKEY_CURRENT_USER\Software\Printer Install Simulator\USB\<process id>;
//  - Plug and Play re-enumeration and the Windows version the program is told.
// It records what the program asked, for the tests to check.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/usb_api.h"

namespace usbsim {

enum class Answer {
    Immediate,  // the request completes inside DeviceIoControl
    Delayed,    // pending, answered after answerDelayMs
    Never,      // pending until cancelled
    Fails,      // DeviceIoControl fails at once
};

struct Device {
    std::wstring path;
    bool detailReadable = true;
    bool opens = true;
    // How many opens succeed before it refuses like an unopenable device
    // (a printer switched off between two opens); -1: no limit.
    int opensLeft = -1;
    // The bytes the request returns, length bytes included.
    std::vector<uint8_t> id;
    Answer answer = Answer::Delayed;
    DWORD answerDelayMs = 20;
    bool honoursCancel = true;
};

// The bytes a printer sends: the whole length (text + 2) high byte first,
// then the text.
std::vector<uint8_t> IdWithLength(const std::string& text);

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    static RegValue Dword(DWORD value);
    static RegValue Text(const std::wstring& text);  // REG_SZ, zero included
};

// One entry (sub-key) of the interface class key.
struct Entry {
    std::wstring name;
    std::optional<RegValue> deviceInstance;  // "DeviceInstance" on the entry's key
    std::optional<RegValue> linked;          // "#\Control", "Linked"
    std::optional<RegValue> portNumber;      // "#\Device Parameters", "Port Number"
};

struct Setup {
    std::vector<Device> devices;
    bool listFails = false;
    std::vector<Entry> entries;
    bool classKeyOpens = true;
    // What GetVersionExW reports (major, minor); empty = the real answer.
    std::optional<std::pair<DWORD, DWORD>> version;
    bool locateFails = false;
    bool reenumerateFails = false;
};

struct OpenCall {
    std::wstring path;
    DWORD access, share, disposition, flags;
    bool opened;
};

// What the program did, in order where order matters.
struct Log {
    int listsCreated = 0, listsDestroyed = 0;
    DWORD lastListFlags = 0;
    std::vector<OpenCall> opens;
    int ioctls = 0;
    DWORD lastIoctlCode = 0, lastIoctlOutSize = 0;
    int cancels = 0;
    // GetOverlappedResult calls made with "wait", and of those the ones made
    // after a cancellation.
    int resultWaits = 0, resultWaitsAfterCancel = 0;
    // Requests that ended (answer or cancellation) after the program had
    // already let go of their event: it did not wait for them.
    int completionsAfterRelease = 0;
    // Requests never ended whose event the program has closed.
    int abandonedRequests = 0;
    int classKeyOpens = 0;
    DWORD lastClassKeyFlags = 0;
    REGSAM lastClassKeyAccess = 0;
    int versionQueries = 0;
    int locates = 0, reenumerates = 0;
    bool locatedRoot = false;
    ULONG locateFlags = 0, reenumerateFlags = 0;
    // "ioctl", "pending", "answered", "cancel", "cancelled", "result" ...
    std::vector<std::string> events;
};

// Replaces the simulated world (devices, registry entries) and clears the log.
// Requests still pending from an earlier world are dropped untouched.
bool Install(const Setup& setup);
// The table that reaches the simulated world.
const UsbApi& Api();
// A copy of the log so far.
Log Snapshot();
// Full registry path (below HKEY_CURRENT_USER) of the simulated class key.
std::wstring ClassKeyPath();

}  // namespace usbsim
