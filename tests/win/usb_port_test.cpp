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
    usbsim::Setup listFails = WithPrinters({Printer(kEpson)});
    listFails.listFails = true;
    for (const usbsim::Setup& setup : {usbsim::Setup{}, listFails}) {
        SCOPED_TRACE(setup.listFails ? "list cannot be had" : "no printer");
        ASSERT_TRUE(usbsim::Install(setup));
        CUSBPort port(usbsim::Api());
        std::wstring vid = L"old", pid = L"old", name = L"old";
        EXPECT_FALSE(port.OpenPrinterDevice(vid, pid));
        EXPECT_FALSE(port.GetUsbPortName(name));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(name, L"old");
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_TRUE(log.opens.empty());
        EXPECT_EQ(log.listsCreated, log.listsDestroyed);
    }
}

// The printer is opened overlapped and unshared, and gives its VID and PID.
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
    EXPECT_EQ(log.opens[2].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(log.opens[2].share, 0u);
    EXPECT_EQ(log.opens[2].disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(log.opens[2].flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
    EXPECT_EQ(log.lastListFlags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    EXPECT_EQ(log.listsDestroyed, 1);
    EXPECT_TRUE(port.IsOpen());
    // The device without VID_ was closed again: it can be opened now.
    win::UniqueFile again(usbsim::Api().CreateFileW(noVid.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    EXPECT_TRUE(again);
}

TEST(UsbOpenPrinterDevice, LooksAtNoMoreThan127Interfaces) {
    for (size_t printerAt : {size_t{126}, size_t{127}}) {  // index of the one usable interface
        SCOPED_TRACE(printerAt);
        std::vector<usbsim::Device> devices;
        for (size_t i = 0; i < 130; ++i) {
            usbsim::Device d = Printer(kEpson);
            d.path = L"\\\\?\\usb#other#" + std::to_wstring(i) + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
            d.opens = false;
            devices.push_back(d);
        }
        devices[printerAt] = Printer(kOrvane);
        ASSERT_TRUE(usbsim::Install(WithPrinters(devices)));
        CUSBPort port(usbsim::Api());
        std::wstring vid, pid;
        EXPECT_EQ(port.OpenPrinterDevice(vid, pid), printerAt < 127);
        EXPECT_EQ(usbsim::Snapshot().opens.size(), printerAt < 127 ? printerAt + 1 : 127u);
    }
}

// Regression included: the same object asked twice must not lock itself out
// of its own printer.
TEST(UsbOpenPrinterDevice, DeviceIsExclusiveUntilClosedOrDestroyed) {
    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kEpson)})));
    std::wstring vid, pid;
    {
        CUSBPort first(usbsim::Api());
        ASSERT_TRUE(first.OpenPrinterDevice(vid, pid));
        EXPECT_TRUE(first.OpenPrinterDevice(vid, pid)) << "a second open closes the first";
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

struct WalkCase {
    const char* name;
    std::vector<usbsim::Entry> entries;
    std::pair<DWORD, DWORD> version;
    bool found;
    const wchar_t* port;
    bool classKeyOpens = true;
};

void RunWalkCases(const std::vector<WalkCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Setup s = WithPrinters({Printer(kEpson)});
        s.entries = c.entries;
        s.version = c.version;
        s.classKeyOpens = c.classKeyOpens;
        ASSERT_TRUE(usbsim::Install(s));
        CUSBPort port(usbsim::Api());
        std::wstring name = L"unchanged";
        EXPECT_EQ(port.GetUsbPortName(name), c.found);
        EXPECT_EQ(name, c.found ? c.port : L"unchanged");
        EXPECT_TRUE(port.IsOpen()) << "open once OpenPrinterDevice succeeded";
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_TRUE(c.classKeyOpens || log.classKeyOpens == 1) << "a class key that cannot be opened ends the walk";
        EXPECT_EQ(log.lastClassKeyFlags, static_cast<DWORD>(DIOCR_INTERFACE));
        EXPECT_EQ(log.lastClassKeyAccess, static_cast<REGSAM>(KEY_READ));
    }
}

const std::pair<DWORD, DWORD> kWindows7{6, 1}, kWindows8{6, 2};
// The same entry name with different last parts: key order is a before b.
const std::wstring kA = kEpson.entry + L"a", kB = kEpson.entry + L"b";

TEST(UsbGetUsbPortName, TheFirstMatchingEntryInKeyOrderDecides) {
    usbsim::Entry textPort = Entry(kEpson, std::nullopt);
    textPort.portNumber = usbsim::RegValue::Text(L"12");
    usbsim::Entry junkPort = Entry(kEpson, std::nullopt);
    junkPort.portNumber = usbsim::RegValue::Text(L"abc");
    usbsim::Entry noInstance = Entry(kA, kEpson.instance, 3);
    noInstance.deviceInstance.reset();
    usbsim::Entry hugeInstance = Entry(kB, kEpson.instance, 4);
    hugeInstance.deviceInstance = usbsim::RegValue::Text(kEpson.instance + std::wstring(200, L'X'));  // > 256 bytes
    // An entry name that leaves no room for "#", "Device Parameters" and the
    // terminators in the 256-character chain: its port cannot be read.
    usbsim::Entry longName = Entry(std::wstring(230, L'#') + L"VID_04B8&PID_0005", kEpson.instance, 8);
    RunWalkCases({
        {"port 7", {Entry(kEpson, 7)}, kWindows8, true, L"USB007"},
        {"port 12", {Entry(kEpson, 12)}, kWindows8, true, L"USB012"},
        {"port 1000", {Entry(kEpson, 1000)}, kWindows8, true, L"USB1000"},
        // Key order is the registry's, not the order the entries were made.
        {"same VID/PID twice", {Entry(kB, kEpson.instance, 9), Entry(kA, kEpson.instance, 3)}, kWindows8, true,
         L"USB003"},
        // The lower-case device path matches the upper-case instance ID.
        {"other printers before it", {Entry(kOrvane, 2), Entry(kEpson, 5)}, kWindows8, true, L"USB005"},
        {"no entry of this printer", {Entry(kOrvane, 2)}, kWindows8, false, L""},
        {"first match has no port number", {Entry(kA, kEpson.instance, std::nullopt), Entry(kB, kEpson.instance, 6)},
         kWindows8, false, L""},
        {"port number stored as text", {textPort}, kWindows8, true, L"USB012"},
        {"port number that is no number", {junkPort}, kWindows8, false, L""},
        {"port number above INT_MAX", {Entry(kEpson, 0xFFFFFFFFu)}, kWindows8, false, L""},
        {"missing and oversized instance IDs", {noInstance, hugeInstance, Entry(kEpson.entry + L"c", kEpson.instance, 5)},
         kWindows8, true, L"USB005"},
        {"entry name too long for the port lookup", {longName}, kWindows8, false, L""},
        {"class key cannot be opened", {Entry(kEpson, 1)}, kWindows8, false, L"", false},
    });
}

TEST(UsbGetUsbPortName, LinkedIsTestedOnlyBeforeWindows8) {
    const std::vector<usbsim::Entry> firstUnlinked = {Entry(kA, kEpson.instance, 3, 0), Entry(kB, kEpson.instance, 9)};
    const std::vector<usbsim::Entry> firstLinkMissing = {Entry(kA, kEpson.instance, 3, std::nullopt),
                                                         Entry(kB, kEpson.instance, 9)};
    usbsim::Entry textLinked = Entry(kA, kEpson.instance, 3, std::nullopt);
    textLinked.linked = usbsim::RegValue::Text(L"1");
    RunWalkCases({
        {"Windows 7: Linked 0 passed over", firstUnlinked, kWindows7, true, L"USB009"},
        {"Windows 7: Linked missing passed over", firstLinkMissing, kWindows7, true, L"USB009"},
        {"Windows 7: Linked as text \"1\"", {textLinked}, kWindows7, true, L"USB003"},
        {"Vista: Linked 0 passed over", firstUnlinked, {6, 0}, true, L"USB009"},
        {"Windows 7: no linked entry", {Entry(kEpson, 3, 0)}, kWindows7, false, L""},
        {"Windows 8: Linked never read", firstUnlinked, kWindows8, true, L"USB003"},
        {"Windows 10 told as 10.0", firstUnlinked, {10, 0}, true, L"USB003"},
    });
}

// The real SetupDiOpenClassRegKeyExW of Wine against entries written into
// the prefix's own registry; only the device side is simulated.
TEST(UsbGetUsbPortName, ReadsTheInterfaceClassKeyOfTheSystemRegistry) {
    const std::wstring entryPath =
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\" +
        kOrvane.entry;
    const DWORD portNumber = 12, linked = 1;
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryPath.c_str());  // what an interrupted run left
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (entryPath + L"\\#\\Device Parameters").c_str(), L"Port Number",
                                REG_DWORD, &portNumber, sizeof portNumber),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (entryPath + L"\\#\\Control").c_str(), L"Linked", REG_DWORD,
                                &linked, sizeof linked),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, entryPath.c_str(), L"DeviceInstance", REG_SZ,
                                kOrvane.instance.c_str(),
                                static_cast<DWORD>((kOrvane.instance.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);

    ASSERT_TRUE(usbsim::Install(WithPrinters({Printer(kOrvane)})));
    UsbApi api = usbsim::Api();
    api.SetupDiOpenClassRegKeyExW = SystemUsbApi().SetupDiOpenClassRegKeyExW;
    api.GetVersionExW = SystemUsbApi().GetVersionExW;
    ASSERT_NE(api.SetupDiOpenClassRegKeyExW, usbsim::Api().SetupDiOpenClassRegKeyExW);
    std::wstring name;
    EXPECT_TRUE(CUSBPort(api).GetUsbPortName(name));
    EXPECT_EQ(name, L"USB012");
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryPath.c_str());
}

TEST(UsbReenumerateDevices, AsksForTheRootAndReenumeratesIt) {
    for (int failing = 0; failing < 3; ++failing) {  // nothing, the root's lookup, the re-enumeration
        SCOPED_TRACE(failing);
        usbsim::Setup s;
        s.locateFails = failing == 1;
        s.reenumerateFails = failing == 2;
        ASSERT_TRUE(usbsim::Install(s));
        EXPECT_EQ(ReenumerateDevices(usbsim::Api()), failing == 0);
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_EQ(log.locates, 1);
        EXPECT_TRUE(log.locatedRoot);
        EXPECT_EQ(log.locateFlags, static_cast<ULONG>(CM_LOCATE_DEVNODE_NORMAL));
        EXPECT_EQ(log.reenumerates, failing == 1 ? 0 : 1);
        EXPECT_EQ(log.reenumerateFlags, static_cast<ULONG>(CM_REENUMERATE_NORMAL));
    }
}

}  // namespace
