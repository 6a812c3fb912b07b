// An installation medium for the driver installation tests: a catalogue and
// the two driver INF files in a folder of their own, and an attached USB
// printer in the USB printer simulator.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "catalogue_test_files.h"
#include "usb_simulator.h"
#include "usb_test_setups.h"

namespace insttest {

// 258 characters: the longest printer name the catalogue gives.
inline std::wstring LongPrinterName() { return L"Orvane " + std::wstring(251, L'L'); }

inline std::wstring CatalogueText() {
    return cattest::Lines({
        L"[PRINTER_SERIES]",
        L"Orvane 经典24针系列",
        L"Orvane 曜驰高速系列",
        L"Orvane 9针系列",
        L"Other",
        L"[Orvane 经典24针系列]",
        L"OP-730K",
        L"[Orvane 曜驰高速系列]",
        L"曜驰7730",
        L"曜驰7330+",
        L"[Orvane 9针系列]",
        L"OP-9150",
        L"[Other]",
        L"NoName",
        L"Long",
        L"[PRINTER_NAME]",
        L"OP-730K=Orvane OP-730K",
        L"曜驰7730=Orvane VP-7730",
        L"曜驰7330+=Orvane VP-7330+",
        L"OP-9150=Orvane OP-9150",
        L"Long=" + LongPrinterName(),
        L"[PRINTER_TYPE]",
        L"Orvane OP-730K=24",
        L"Orvane VP-7730=24",
        L"Orvane VP-7330+=24",
        L"Orvane OP-9150=9",
        LongPrinterName() + L"=24",
    });
}

inline std::string Inf24Pin() {
    return "[Orvane.NTamd64]\r\n"
           "\"Orvane OP-730K\" = OP730K.GPD,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\OrvaneOP-730K8C1E\r\n"
           "\"Orvane VP-7730\" = VP7730.GPD,USBPRINT\\OrvaneVP-77305E31,LPTENUM\\OrvaneVP-77305E31\r\n"
           "\"Orvane VP-7330+\" = VP7330P.GPD,USBPRINT\\OrvaneVP-7330+77E0,LPTENUM\\OrvaneVP-7330+77E0\r\n";
}

// The 9-pin package offers its printers on the parallel port only.
inline std::string Inf9Pin() { return "[Orvane.NTamd64]\r\n\"Orvane OP-9150\" = OP9150.GPD,LPTENUM\\OrvaneOP-91502B7F\r\n"; }

// Writes the medium into `dir`; `folder` (optional) is a sub-folder to use
// as the program directory instead, for deep paths.  Returns the program
// directory, ending in a backslash.
inline std::wstring WriteMedium(cattest::TempDir& dir, const std::wstring& folder = L"") {
    const std::wstring base = folder.empty() ? L"" : folder + L"\\";
    dir.Write(base + L"PrinterInfor.Inf", cattest::Utf16File(CatalogueText()));
    dir.Write(base + L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF", Inf24Pin());
    dir.Write(base + L"OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF", Inf9Pin());
    return dir.Path() + base;
}

inline std::wstring Inf24PinPath(const std::wstring& programDir) {
    return programDir + L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";
}

// No USB printer attached.
inline void NoUsbPrinter() { ASSERT_TRUE(usbsim::Install(usbsim::Setup{})); }

// One USB printer attached on port USB<port> whose device ID text is `idText`.
inline void AttachUsbPrinter(const std::string& idText, DWORD port = 1) {
    usbsim::Setup setup;
    setup.devices = {usbtest::Printer(usbtest::kOrvane, idText)};
    setup.entries = {usbtest::Entry(usbtest::kOrvane, port)};
    ASSERT_TRUE(usbsim::Install(setup));
}

}  // namespace insttest
