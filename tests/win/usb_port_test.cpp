// CUSBPort finding the attached printer and naming its port, against the
// USB printer simulator (present interfaces, devices, and the interface
// class key as real registry keys).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ports/usb_port.h"
#include "usb_simulator.h"
#include "usb_test_setups.h"

namespace {

using usbtest::Entry;
using usbtest::kEpson;
using usbtest::kOrvane;
using usbtest::Printer;

usbsim::Setup WithPrinters(std::vector<usbsim::Device> devices) {
    usbsim::Setup s;
    s.devices = std::move(devices);
    return s;
}

TEST(UsbOpenPrinterDevice, NoPrinterOrNoListGivesFalseAndStaysClosed) {
    struct Case {
        const char* name;
        usbsim::Setup setup;
    };
    usbsim::Setup listFails = WithPrinters({Printer(kEpson)});
    listFails.listFails = true;
    const Case cases[] = {{"no printer", {}}, {"list cannot be had", listFails}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(usbsim::Install(c.setup));
        CUSBPort port(usbsim::Api());
        std::wstring vid = L"old", pid = L"old", name = L"old";
        EXPECT_FALSE(port.OpenPrinterDevice(vid, pid));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.GetUsbPortName(name));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(name, L"old");
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_TRUE(log.opens.empty());
        EXPECT_EQ(log.listsCreated, log.listsDestroyed);
    }
}

TEST(UsbOpenPrinterDevice, OpensTheDeviceOverlappedAndUnsharedAndGivesItsVidAndPid) {
    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kEpson)})));
    CUSBPort port(usbsim::Api());
    std::wstring vid, pid;
    ASSERT_TRUE(port.OpenPrinterDevice(vid, pid));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(vid, L"04B8");
    EXPECT_EQ(pid, L"0005");
    usbsim::Log log = usbsim::Snapshot();
    EXPECT_EQ(log.lastListFlags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    ASSERT_EQ(log.opens.size(), 1u);
    EXPECT_EQ(log.opens[0].path, kEpson.path);
    EXPECT_EQ(log.opens[0].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(log.opens[0].share, 0u);
    EXPECT_EQ(log.opens[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(log.opens[0].flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
    EXPECT_EQ(log.listsCreated, 1);
    EXPECT_EQ(log.listsDestroyed, 1);
}

TEST(UsbOpenPrinterDevice, TakesTheFirstUsableInterfaceInListOrder) {
    usbsim::Device noVid = Printer(kEpson);
    noVid.path = L"\\\\?\\usb#rootprinter#0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    usbsim::Device noDetail = Printer(usbtest::PrinterNames(L"1111", L"2222", L"a"));
    noDetail.detailReadable = false;
    usbsim::Device locked = Printer(usbtest::PrinterNames(L"3333", L"4444", L"b"));
    locked.opens = false;
    ASSERT_TRUE(usbsim::Install(WithPrinters({noVid, noDetail, locked, Printer(kOrvane), Printer(kEpson)})));

    CUSBPort port(usbsim::Api());
    std::wstring vid, pid;
    ASSERT_TRUE(port.OpenPrinterDevice(vid, pid));
    EXPECT_EQ(vid, L"1A86");
    EXPECT_EQ(pid, L"7584");
    usbsim::Log log = usbsim::Snapshot();
    // The path without VID_ was opened and closed again, the locked one
    // tried, the one after the chosen printer never looked at.
    ASSERT_EQ(log.opens.size(), 3u);
    EXPECT_TRUE(log.opens[0].opened);
    EXPECT_FALSE(log.opens[1].opened);
    EXPECT_EQ(log.opens[2].path, kOrvane.path);
    // The device without VID_ was closed again: it can be opened now.
    win::UniqueFile again(usbsim::Api().CreateFileW(noVid.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    EXPECT_TRUE(again);
}

TEST(UsbOpenPrinterDevice, LooksAtNoMoreThan127Interfaces) {
    struct Case {
        size_t printerAt;  // index of the one usable interface
        bool found;
    };
    const Case cases[] = {{126, true}, {127, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printerAt);
        std::vector<usbsim::Device> devices;
        for (size_t i = 0; i < 130; ++i) {
            usbsim::Device d = Printer(kEpson);
            d.path = L"\\\\?\\usb#other#" + std::to_wstring(i) + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
            d.opens = false;
            devices.push_back(d);
        }
        devices[c.printerAt] = Printer(kOrvane);
        ASSERT_TRUE(usbsim::Install(WithPrinters(devices)));
        CUSBPort port(usbsim::Api());
        std::wstring vid, pid;
        EXPECT_EQ(port.OpenPrinterDevice(vid, pid), c.found);
        EXPECT_EQ(usbsim::Snapshot().opens.size(), c.found ? c.printerAt + 1 : 127u);
    }
}

TEST(UsbOpenPrinterDevice, DeviceIsExclusiveUntilClosedOrDestroyed) {
    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kEpson)})));
    std::wstring vid, pid;
    {
        CUSBPort first(usbsim::Api());
        ASSERT_TRUE(first.OpenPrinterDevice(vid, pid));
        CUSBPort second(usbsim::Api());
        EXPECT_FALSE(second.OpenPrinterDevice(vid, pid)) << "opened without sharing";
        EXPECT_TRUE(first.CloseDevice());
        EXPECT_FALSE(first.CloseDevice()) << "nothing left to close";
        EXPECT_FALSE(first.IsOpen());
        EXPECT_TRUE(second.OpenPrinterDevice(vid, pid));
        // `second` still holds it when it goes.
    }
    CUSBPort third(usbsim::Api());
    EXPECT_TRUE(third.OpenPrinterDevice(vid, pid)) << "the destructor closed the device";
}

// The same object asked twice must not lock itself out of its own printer.
TEST(UsbOpenPrinterDevice, RegressionSecondOpenOnTheSameObjectClosesTheFirst) {
    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kEpson)})));
    CUSBPort port(usbsim::Api());
    std::wstring vid, pid;
    ASSERT_TRUE(port.OpenPrinterDevice(vid, pid));
    EXPECT_TRUE(port.OpenPrinterDevice(vid, pid));
    EXPECT_TRUE(port.IsOpen());
}

// The detection at start names the port with one finder and then reads the
// model with a finder of its own: the first must have let the printer go.
TEST(UsbOpenPrinterDevice, ASecondFinderOpensThePrinterOnlyAfterTheFirstClosedIt) {
    usbsim::Setup s = WithPrinters({Printer(kEpson, "MFG:EPSON;MDL:LQ-590;")});
    s.entries = {Entry(kEpson, 1)};
    ASSERT_TRUE(usbsim::Install(s));
    CUSBPort portFinder(usbsim::Api());
    std::wstring name;
    ASSERT_TRUE(portFinder.GetUsbPortName(name));
    EXPECT_TRUE(portFinder.IsOpen()) << "the device stays open once opened";
    CUSBPort modelReader(usbsim::Api());
    std::wstring vid, pid;
    EXPECT_FALSE(modelReader.OpenPrinterDevice(vid, pid));
    portFinder.CloseDevice();
    ASSERT_TRUE(modelReader.OpenPrinterDevice(vid, pid));
    EXPECT_EQ(modelReader.ReadDeviceIdModel(), L"LQ-590");
}

struct WalkCase {
    const char* name;
    std::vector<usbsim::Entry> entries;
    std::optional<std::pair<DWORD, DWORD>> version;
    bool found;
    const wchar_t* port;
};

void RunWalkCases(const std::vector<WalkCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Setup s = WithPrinters({Printer(kEpson)});
        s.entries = c.entries;
        s.version = c.version;
        ASSERT_TRUE(usbsim::Install(s));
        CUSBPort port(usbsim::Api());
        std::wstring name = L"unchanged";
        EXPECT_EQ(port.GetUsbPortName(name), c.found);
        EXPECT_EQ(name, c.found ? c.port : L"unchanged");
        EXPECT_TRUE(port.IsOpen()) << "open once OpenPrinterDevice succeeded";
        usbsim::Log log = usbsim::Snapshot();
        if (log.classKeyOpens > 0) {
            EXPECT_EQ(log.lastClassKeyFlags, static_cast<DWORD>(DIOCR_INTERFACE));
            EXPECT_EQ(log.lastClassKeyAccess, static_cast<REGSAM>(KEY_READ));
        }
    }
}

const std::pair<DWORD, DWORD> kWindows7{6, 1};
const std::pair<DWORD, DWORD> kWindows8{6, 2};

TEST(UsbGetUsbPortName, PortNumberFormatting) {
    RunWalkCases({
        {"port 1", {Entry(kEpson, 1)}, kWindows8, true, L"USB001"},
        {"port 7", {Entry(kEpson, 7)}, kWindows8, true, L"USB007"},
        {"port 12", {Entry(kEpson, 12)}, kWindows8, true, L"USB012"},
        {"port 1000", {Entry(kEpson, 1000)}, kWindows8, true, L"USB1000"},
    });
}

TEST(UsbGetUsbPortName, TheFirstMatchingEntryInKeyOrderDecides) {
    const std::wstring a = usbtest::EntryNamed(kEpson, L"a"), b = usbtest::EntryNamed(kEpson, L"b");
    RunWalkCases({
        {"same VID/PID twice", {Entry(a, kEpson.instance, 3), Entry(b, kEpson.instance, 9)}, kWindows8, true,
         L"USB003"},
        // Key order is the registry's, not the order the entries were made.
        {"made in the other order", {Entry(b, kEpson.instance, 9), Entry(a, kEpson.instance, 3)}, kWindows8, true,
         L"USB003"},
        {"other printers before it", {Entry(kOrvane, 2), Entry(kEpson, 5)}, kWindows8, true, L"USB005"},
        {"lower-case path matches upper-case instance ID", {Entry(kEpson, 4)}, kWindows8, true, L"USB004"},
        {"no entry of this printer", {Entry(kOrvane, 2)}, kWindows8, false, L""},
        {"no entries at all", {}, kWindows8, false, L""},
    });
}

TEST(UsbGetUsbPortName, AMatchingEntryWithoutPortNumberEndsTheSearch) {
    const std::wstring a = usbtest::EntryNamed(kEpson, L"a"), b = usbtest::EntryNamed(kEpson, L"b");
    usbsim::Entry textPort = Entry(kEpson, std::nullopt);
    textPort.portNumber = usbsim::RegValue::Text(L"12");
    usbsim::Entry junkPort = Entry(kEpson, std::nullopt);
    junkPort.portNumber = usbsim::RegValue::Text(L"abc");
    usbsim::Entry negativePort = Entry(kEpson, 0xFFFFFFFFu);
    RunWalkCases({
        {"first match has no port number", {Entry(a, kEpson.instance, std::nullopt), Entry(b, kEpson.instance, 6)},
         kWindows8, false, L""},
        {"port number stored as text", {textPort}, kWindows8, true, L"USB012"},
        {"port number that is no number", {junkPort}, kWindows8, false, L""},
        {"port number above INT_MAX", {negativePort}, kWindows8, false, L""},
    });
}

TEST(UsbGetUsbPortName, LinkedIsTestedOnlyBeforeWindows8) {
    const std::wstring a = usbtest::EntryNamed(kEpson, L"a"), b = usbtest::EntryNamed(kEpson, L"b");
    const std::vector<usbsim::Entry> firstUnlinked = {Entry(a, kEpson.instance, 3, 0),
                                                      Entry(b, kEpson.instance, 9, 1)};
    const std::vector<usbsim::Entry> firstLinkMissing = {Entry(a, kEpson.instance, 3, std::nullopt),
                                                         Entry(b, kEpson.instance, 9, 1)};
    usbsim::Entry textLinked = Entry(a, kEpson.instance, 3, std::nullopt);
    textLinked.linked = usbsim::RegValue::Text(L"1");
    RunWalkCases({
        {"Windows 7: Linked 0 passed over", firstUnlinked, kWindows7, true, L"USB009"},
        {"Windows 7: Linked missing passed over", firstLinkMissing, kWindows7, true, L"USB009"},
        {"Windows 7: Linked as text \"1\"", {textLinked}, kWindows7, true, L"USB003"},
        {"Vista: Linked 0 passed over", firstUnlinked, std::make_pair(6u, 0u), true, L"USB009"},
        {"Windows 7: no linked entry", {Entry(kEpson, 3, 0)}, kWindows7, false, L""},
        {"Windows 8: Linked never read", firstUnlinked, kWindows8, true, L"USB003"},
        {"Windows 8: Linked missing", firstLinkMissing, kWindows8, true, L"USB003"},
        {"Windows 10 told as 10.0", firstUnlinked, std::make_pair(10u, 0u), true, L"USB003"},
    });
}

TEST(UsbGetUsbPortName, UnreadableEntriesAreSkipped) {
    usbsim::Entry noInstance = Entry(usbtest::EntryNamed(kEpson, L"a"), kEpson.instance, 3);
    noInstance.deviceInstance.reset();
    usbsim::Entry hugeInstance = Entry(usbtest::EntryNamed(kEpson, L"b"), kEpson.instance, 4);
    hugeInstance.deviceInstance = usbsim::RegValue::Text(kEpson.instance + std::wstring(200, L'X'));  // > 256 bytes
    usbsim::Entry good = Entry(usbtest::EntryNamed(kEpson, L"c"), kEpson.instance, 5);
    // An entry name that leaves no room for "#", "Device Parameters" and the
    // terminators in the 256-character chain: its port cannot be read.
    usbsim::Entry longName = Entry(std::wstring(230, L'#') + L"VID_04B8&PID_0005", kEpson.instance, 8);
    RunWalkCases({
        {"missing and oversized instance IDs", {noInstance, hugeInstance, good}, kWindows8, true, L"USB005"},
        {"entry name too long for the port lookup", {longName}, kWindows8, false, L""},
    });
}

TEST(UsbGetUsbPortName, ClassKeyThatCannotBeOpenedGivesFalseWithTheDeviceOpen) {
    usbsim::Setup s = WithPrinters({Printer(kEpson)});
    s.entries = {Entry(kEpson, 1)};
    s.classKeyOpens = false;
    ASSERT_TRUE(usbsim::Install(s));
    CUSBPort port(usbsim::Api());
    std::wstring name;
    EXPECT_FALSE(port.GetUsbPortName(name));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(usbsim::Snapshot().classKeyOpens, 1) << "the walk ends at once";
}

// The real SetupDiOpenClassRegKeyExW of Wine against entries written into
// the prefix's own registry; only the device side is simulated.
TEST(UsbGetUsbPortName, ReadsTheInterfaceClassKeyOfTheSystemRegistry) {
    const std::wstring classPath =
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    const std::wstring entryPath = classPath + L"\\" + kOrvane.entry;
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (entryPath + L"\\#\\Device Parameters").c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    win::UniqueKey parameters(raw);
    const DWORD portNumber = 12;
    ::RegSetValueExW(parameters.get(), L"Port Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&portNumber),
                     sizeof portNumber);
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (entryPath + L"\\#\\Control").c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    win::UniqueKey control(raw);
    const DWORD linked = 1;
    ::RegSetValueExW(control.get(), L"Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked), sizeof linked);
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, entryPath.c_str(), 0, KEY_ALL_ACCESS, &raw), ERROR_SUCCESS);
    win::UniqueKey entry(raw);
    ::RegSetValueExW(entry.get(), L"DeviceInstance", 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrvane.instance.c_str()),
                     static_cast<DWORD>((kOrvane.instance.size() + 1) * sizeof(wchar_t)));

    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kOrvane)})));
    UsbApi api = usbsim::Api();
    api.SetupDiOpenClassRegKeyExW = DefaultUsbApi().SetupDiOpenClassRegKeyExW;
    api.GetVersionExW = DefaultUsbApi().GetVersionExW;
    ASSERT_NE(api.SetupDiOpenClassRegKeyExW, usbsim::Api().SetupDiOpenClassRegKeyExW);
    std::wstring name;
    {
        CUSBPort port(api);
        EXPECT_TRUE(port.GetUsbPortName(name));
    }
    EXPECT_EQ(name, L"USB012");
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryPath.c_str());
}

TEST(UsbReenumerateDevices, AsksForTheRootAndReenumeratesIt) {
    struct Case {
        const char* name;
        bool locateFails, reenumerateFails;
        bool result;
        int reenumerates;
    };
    const Case cases[] = {
        {"success", false, false, true, 1},
        {"root not found", true, false, false, 0},
        {"re-enumeration refused", false, true, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Setup s;
        s.locateFails = c.locateFails;
        s.reenumerateFails = c.reenumerateFails;
        ASSERT_TRUE(usbsim::Install(s));
        EXPECT_EQ(ReenumerateDevices(usbsim::Api()), c.result);
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_EQ(log.locates, 1);
        EXPECT_TRUE(log.locatedRoot);
        EXPECT_EQ(log.locateFlags, static_cast<ULONG>(CM_LOCATE_DEVNODE_NORMAL));
        EXPECT_EQ(log.reenumerates, c.reenumerates);
        if (c.reenumerates) {
            EXPECT_EQ(log.reenumerateFlags, static_cast<ULONG>(CM_REENUMERATE_NORMAL));
        }
    }
}

}  // namespace
