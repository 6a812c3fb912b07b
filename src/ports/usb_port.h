// Finds the attached USB printer, names the Windows port it is on and reads
// its IEEE 1284 device ID.  Nothing here shows anything to the user: every
// failure is a false result (or an empty text) for the caller to judge.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "ports/usb_api.h"
#include "win/unique.h"

class CUSBPort {
public:
    // Uses the given table (the system's, or a test's), which must outlive
    // the object.
    explicit CUSBPort(const UsbApi& api);
    // Closes a device that is still open.  Virtual because OpenPrinterDevice
    // is: a derived finder deleted through a CUSBPort pointer must not leak.
    virtual ~CUSBPort();
    CUSBPort(const CUSBPort&) = delete;
    CUSBPort& operator=(const CUSBPort&) = delete;

    // Opens the first present USB printer (of at most 127 interfaces) whose
    // device path holds "VID_" and "PID_" and that opens (overlapped, not
    // shared), keeps it open and gives its VID and PID texts.  An earlier
    // device of this object is closed first.
    virtual bool OpenPrinterDevice(std::wstring& vid, std::wstring& pid);
    // Opens the printer as OpenPrinterDevice does and gives its Windows port,
    // such as "USB001".  The device stays open once opened, also when no port
    // is found.
    bool GetUsbPortName(std::wstring& portName);
    // True when a device was open and is now closed.
    bool CloseDevice();
    bool IsOpen() const { return static_cast<bool>(m_hDevice); }

    // Sends the device ID request to the open device and waits at most
    // 500 ms for the answer.  A request that has not answered by then is
    // cancelled and its end awaited before false is returned.
    bool GetDeviceId(BYTE* buffer, DWORD capacity, DWORD& bytesReturned);
    // The manufacturer text immediately followed by the model text,
    // zero-terminated; refused (false) when the two with the zero do not fit
    // min(capacity, 64) bytes.
    bool ReadMakeAndModel(char* buffer, size_t capacity, size_t& length);
    // The joined manufacturer and model (system ANSI code page) of one of the
    // maker's own printers; otherwise false and `makeAndModel` unchanged.
    bool GetMakeAndModel(std::wstring& makeAndModel);
    // The model the connected-printer detection reads: the device ID read
    // into a zero-filled 1024-byte buffer, its text after the length bytes
    // converted with the thread's ANSI code page, and the text after "MDL:"
    // up to ';'.  Empty when nothing is open, the read fails or there is no
    // such model.
    std::wstring ReadDeviceIdModel();

    // Milliseconds the device ID request may take.
    static constexpr DWORD kDeviceIdWaitMs = 500;
    // Milliseconds a cancelled request may take to end before it is given up
    // (its memory is then left to the driver rather than freed under it).
    static constexpr DWORD kCancelWaitMs = 2000;

private:
    // The three values read from an entry of the interface class key.
    enum class Lookup { Linked, DeviceInstance, PortNumber };
    enum class ReadResult { Value, Unreadable, NoMoreEntries, NoClassKey };
    static constexpr size_t kValueChars = 256;

    // One lookup for the entry with the given index, its text into `text`.
    ReadResult ReadInterfaceValue(Lookup lookup, DWORD index, wchar_t (&text)[kValueChars]) const;
    // Opens `names` (each zero-terminated, the list closed by an empty name)
    // one below the other, starting below `start`; empty on any failure.
    static win::UniqueKey OpenKeyChain(HKEY start, const wchar_t* names);
    bool IsWindows8OrLater() const;

    const UsbApi* m_api;
    win::UniqueFile m_hDevice;
};

// Asks Plug and Play to enumerate the whole device tree again.
bool ReenumerateDevices(const UsbApi& api);
