// Printers and registry entries for the USB port tests, set up in the USB
// printer simulator (sim/usb).
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "usb_simulator.h"

namespace usbtest {

// One printer as Windows names it: the interface's device path (lower case),
// its instance ID (upper case) and the name of its entry in the interface
// class key.
struct Names {
    std::wstring path, instance, entry;
};

inline Names PrinterNames(const std::wstring& vid, const std::wstring& pid, const std::wstring& serial) {
    const std::wstring guid = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    std::wstring lowerVid = vid, lowerPid = pid, upperSerial = serial;
    for (auto* s : {&lowerVid, &lowerPid})
        for (wchar_t& c : *s) c = static_cast<wchar_t>(towlower(c));
    for (wchar_t& c : upperSerial) c = static_cast<wchar_t>(towupper(c));
    return {L"\\\\?\\usb#vid_" + lowerVid + L"&pid_" + lowerPid + L"#" + serial + L"#" + guid,
            L"USB\\VID_" + vid + L"&PID_" + pid + L"\\" + upperSerial,
            L"##?#USB#VID_" + vid + L"&PID_" + pid + L"#" + serial + L"#" + guid};
}

inline const Names kEpson = PrinterNames(L"04B8", L"0005", L"5&2c0b3a9&0&1");
inline const Names kOrvane = PrinterNames(L"1A86", L"7584", L"6&1f2e3d4c&0&2");

inline usbsim::Device Printer(const Names& names, const std::string& idText = "MFG:EPSON;MDL:LQ-590;",
                              usbsim::Answer answer = usbsim::Answer::Immediate) {
    usbsim::Device d;
    d.path = names.path;
    d.id = usbsim::IdWithLength(idText);
    d.answer = answer;
    return d;
}

inline usbsim::Entry Entry(const std::wstring& name, const std::wstring& instance, std::optional<DWORD> port,
                           std::optional<DWORD> linked = 1) {
    usbsim::Entry e;
    e.name = name;
    e.deviceInstance = usbsim::RegValue::Text(instance);
    if (port) e.portNumber = usbsim::RegValue::Dword(*port);
    if (linked) e.linked = usbsim::RegValue::Dword(*linked);
    return e;
}

inline usbsim::Entry Entry(const Names& names, std::optional<DWORD> port, std::optional<DWORD> linked = 1) {
    return Entry(names.entry, names.instance, port, linked);
}

}  // namespace usbtest
