// CUSBPort reading the IEEE 1284 device ID of the simulated printer: the
// overlapped request with its 500 ms limit and cancellation, and the texts
// taken out of the ID.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue_test_files.h"
#include "ports/usb_port.h"
#include "usb_simulator.h"
#include "usb_test_setups.h"

namespace {

using usbtest::kEpson;
using usbtest::Printer;

// Opens the one simulated printer described by `device`.
struct OpenPrinter {
    explicit OpenPrinter(const usbsim::Device& device) {
        usbsim::Setup s;
        s.devices = {device};
        EXPECT_TRUE(usbsim::Install(s));
        std::wstring vid, pid;
        EXPECT_TRUE(port.OpenPrinterDevice(vid, pid));
    }
    CUSBPort port{usbsim::Api()};
};

ULONGLONG Since(ULONGLONG start) { return ::GetTickCount64() - start; }

// A printer with the given device ID text that answers as told.
usbsim::Device Answering(usbsim::Answer answer, DWORD delayMs = 0, const std::string& idText = "MFG:EPSON;MDL:LQ-590;") {
    usbsim::Device d = Printer(kEpson, idText, answer);
    d.answerDelayMs = delayMs;
    return d;
}

TEST(UsbGetDeviceId, SendsTheRequestAndGivesTheBytesReturned) {
    for (DWORD delayMs : {0u, 400u}) {
        SCOPED_TRACE(delayMs);
        const usbsim::Device d = Answering(delayMs ? usbsim::Answer::Delayed : usbsim::Answer::Immediate, delayMs,
                                           "MFG:EPSON;CMD:ESCP9;MDL:LQ-590;CLS:PRINTER;");
        OpenPrinter p(d);
        std::vector<BYTE> buffer(1024, 0xEE);
        DWORD returned = 0;
        ASSERT_TRUE(p.port.GetDeviceId(buffer.data(), 1024, returned));
        ASSERT_EQ(returned, d.id.size());
        EXPECT_TRUE(std::equal(d.id.begin(), d.id.end(), buffer.begin()));
        EXPECT_EQ(buffer[returned], 0xEE) << "nothing written past the bytes returned";
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_EQ(log.lastIoctlCode, 0x220034u);
        EXPECT_EQ(log.lastIoctlOutSize, 1024u);
        EXPECT_EQ(log.cancels, 0);
    }
}

// Without an answer, every reader gives nothing: no device open, or a
// request that fails at once (and is not waited for).
TEST(UsbGetDeviceId, FailsWithoutAnOpenDeviceOrWhenTheRequestFails) {
    ASSERT_TRUE(usbsim::Install({}));
    CUSBPort closed(usbsim::Api());
    BYTE buffer[1024];
    DWORD returned = 77;
    EXPECT_FALSE(closed.GetDeviceId(buffer, sizeof buffer, returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(usbsim::Snapshot().ioctls, 0);

    OpenPrinter failing(Answering(usbsim::Answer::Fails));
    EXPECT_FALSE(failing.port.GetDeviceId(buffer, sizeof buffer, returned));
    const usbsim::Log log = usbsim::Snapshot();
    EXPECT_EQ(log.ioctls, 1);
    EXPECT_EQ(log.resultWaits, 0);
    EXPECT_EQ(log.cancels, 0);
    EXPECT_EQ(log.events.back(), "ioctl") << "nothing done with the failed request";
    EXPECT_FALSE(failing.port.GetDeviceId(nullptr, 1024, returned));
    EXPECT_FALSE(failing.port.GetDeviceId(buffer, 0, returned));
    char joined[64];
    size_t length = 5;
    EXPECT_FALSE(failing.port.ReadMakeAndModel(joined, sizeof joined, length));
    EXPECT_EQ(length, 0u);
    EXPECT_FALSE(failing.port.ReadMakeAndModel(nullptr, 64, length));
    std::wstring wide = L"unchanged";
    EXPECT_FALSE(failing.port.GetMakeAndModel(wide));
    EXPECT_EQ(wide, L"unchanged");
    EXPECT_EQ(failing.port.ReadDeviceIdModel(), L"");
}

// A printer that never answers: false after the 500 ms limit, and the
// request is cancelled and its end awaited before its OVERLAPPED record and
// event are let go (otherwise the driver would later write into freed memory).
TEST(UsbGetDeviceId, RegressionTimedOutRequestIsCancelledAndAwaitedBeforeRelease) {
    for (DWORD delayMs : {0u, 900u}) {  // never answers, answers too late
        SCOPED_TRACE(delayMs);
        OpenPrinter p(Answering(delayMs ? usbsim::Answer::Delayed : usbsim::Answer::Never, delayMs));
        BYTE buffer[1024] = {};
        DWORD returned = 77;
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_FALSE(p.port.GetDeviceId(buffer, sizeof buffer, returned));
        const ULONGLONG took = Since(start);
        EXPECT_GE(took, 480u);
        EXPECT_LT(took, 5000u);  // a hang guard only
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(buffer[0], 0) << "the caller's buffer is untouched";
        ::Sleep(delayMs + 100);  // give a late answer every chance to arrive
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_EQ(log.cancels, 1);
        EXPECT_EQ(log.resultWaitsAfterCancel, 1);
        EXPECT_EQ(log.completionsAfterRelease, 0);
        EXPECT_EQ(log.abandonedRequests, 0);
        // Cancel, the driver ends the request, and only then the result.
        auto at = [&](const char* e) { return std::find(log.events.begin(), log.events.end(), e) - log.events.begin(); };
        EXPECT_LT(at("cancel"), at("cancelled"));
        EXPECT_LT(at("cancelled"), at("result-wait"));
    }
}

TEST(UsbGetDeviceId, DriverIgnoringTheCancellationDoesNotHangTheCaller) {
    usbsim::Device d = Answering(usbsim::Answer::Never);
    d.honoursCancel = false;
    OpenPrinter p(d);
    BYTE buffer[1024];
    DWORD returned = 0;
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(p.port.GetDeviceId(buffer, sizeof buffer, returned));
    EXPECT_LT(Since(start), 500u + CUSBPort::kCancelWaitMs + 1000u);
    usbsim::Log log = usbsim::Snapshot();
    EXPECT_EQ(log.cancels, 1);
    // The request is left to the driver whole: its event is still open.
    EXPECT_EQ(log.abandonedRequests, 0);
}

// The parser's rules are tested natively; these rows check what the port
// hands it and makes of its answer.
TEST(UsbDeviceIdTexts, MakeAndModelAndTheDetectionsModel) {
    using usbsim::IdWithLength;
    std::vector<uint8_t> littleEndian = IdWithLength("MFG:Kesto;MDL:K;");
    std::swap(littleEndian[0], littleEndian[1]);
    const struct {
        const char* name;
        std::vector<uint8_t> id;
        std::string joined;     // ReadMakeAndModel; empty: refused
        bool own;               // GetMakeAndModel
        std::wstring mdlModel;  // ReadDeviceIdModel
    } cases[] = {
        {"Telvix Corp", IdWithLength("MFG:Telvix Corp;MDL:QD-450;"), "Telvix CorpQD-450", true, L"QD-450"},
        {"telvix in lower case", IdWithLength("MFG:telvix;MDL:QD-450;"), "telvixQD-450", false, L"QD-450"},
        {"Orvane, long keys", IdWithLength("MANUFACTURER:Orvane;MODEL:VP-7730;"), "OrvaneVP-7730", true, L""},
        {"ID of 256 bytes and more", IdWithLength("MFG:Orvane;MDL:VP-7730;DES:" + std::string(300, 'd') + ";"),
         "OrvaneVP-7730", true, L"VP-7730"},
        {"length bytes little-endian", littleEndian, "KestoK", true, L"K"},
        {"joined over 63 bytes", IdWithLength("MFG:Telvix;MDL:" + std::string(58, 'Q') + ";"), "", false,
         std::wstring(58, L'Q')},
        {"joined exactly 63 bytes", IdWithLength("MFG:Telvix;MDL:" + std::string(57, 'Q') + ";"),
         "Telvix" + std::string(57, 'Q'), true, std::wstring(57, L'Q')},
        {"empty answer", {}, "", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Device d = Printer(kEpson);
        d.id = c.id;
        OpenPrinter p(d);
        char joined[64] = {};
        size_t length = 99;
        EXPECT_EQ(p.port.ReadMakeAndModel(joined, sizeof joined, length), !c.joined.empty());
        EXPECT_EQ(std::string(joined, std::min(length, sizeof joined)), c.joined);
        std::wstring wide = L"unchanged";
        EXPECT_EQ(p.port.GetMakeAndModel(wide), c.own);
        EXPECT_EQ(wide, c.own ? std::wstring(c.joined.begin(), c.joined.end()) : L"unchanged");
        EXPECT_EQ(p.port.ReadDeviceIdModel(), c.mdlModel);
        EXPECT_TRUE(p.port.IsOpen()) << "reading leaves the device open";
    }
}

TEST(UsbDeviceIdTexts, ChineseTextsUseTheAnsiCodePage) {
    CATTEST_REQUIRE_GBK();
    // "打印机" in code page 936.
    const std::string printer = "\xB4\xF2\xD3\xA1\xBB\xFA";
    OpenPrinter p(Printer(kEpson, "MFG:Orvane;MDL:" + printer + ";"));
    std::wstring wide;
    EXPECT_TRUE(p.port.GetMakeAndModel(wide));
    EXPECT_EQ(wide, L"Orvane打印机");
    EXPECT_EQ(p.port.ReadDeviceIdModel(), L"打印机");
}

}  // namespace
