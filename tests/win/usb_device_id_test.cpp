// CUSBPort reading the IEEE 1284 device ID of the simulated printer: the
// overlapped request with its 500 ms limit and cancellation, and the texts
// taken out of the ID.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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

// How and when the simulated printer answers the request.
struct AnswerCase {
    const char* name;
    usbsim::Answer answer;
    DWORD delayMs;
};

TEST(UsbGetDeviceId, SendsTheRequestAndGivesTheBytesReturned) {
    const AnswerCase cases[] = {
        {"at once", usbsim::Answer::Immediate, 0},
        {"after 50 ms", usbsim::Answer::Delayed, 50},
        {"after 400 ms", usbsim::Answer::Delayed, 400},
    };
    const std::string text = "MFG:EPSON;CMD:ESCP9;MDL:LQ-590;CLS:PRINTER;";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Device d = Printer(kEpson, text, c.answer);
        d.answerDelayMs = c.delayMs;
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

TEST(UsbGetDeviceId, FailsWithoutAnOpenDeviceOrWhenTheRequestFails) {
    ASSERT_TRUE(usbsim::Install({}));
    CUSBPort closed(usbsim::Api());
    BYTE buffer[1024];
    DWORD returned = 77;
    EXPECT_FALSE(closed.GetDeviceId(buffer, sizeof buffer, returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(usbsim::Snapshot().ioctls, 0);

    OpenPrinter failing(Printer(kEpson, "MFG:EPSON;MDL:LQ-590;", usbsim::Answer::Fails));
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(failing.port.GetDeviceId(buffer, sizeof buffer, returned));
    EXPECT_LT(Since(start), 400u) << "a failed request is not waited for";
    EXPECT_FALSE(failing.port.GetDeviceId(nullptr, 1024, returned));
    EXPECT_FALSE(failing.port.GetDeviceId(buffer, 0, returned));
}

// A printer that never answers: false after the 500 ms limit, and the
// request is cancelled and its end awaited before its OVERLAPPED record and
// event are let go (otherwise the driver would later write into freed memory).
TEST(UsbGetDeviceId, RegressionTimedOutRequestIsCancelledAndAwaitedBeforeRelease) {
    const AnswerCase cases[] = {
        {"never answers", usbsim::Answer::Never, 0},
        {"answers too late", usbsim::Answer::Delayed, 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Device d = Printer(kEpson, "MFG:EPSON;MDL:LQ-590;", c.answer);
        d.answerDelayMs = c.delayMs;
        OpenPrinter p(d);
        BYTE buffer[1024] = {};
        DWORD returned = 77;
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_FALSE(p.port.GetDeviceId(buffer, sizeof buffer, returned));
        const ULONGLONG took = Since(start);
        EXPECT_GE(took, 480u);
        EXPECT_LT(took, 1500u);
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(buffer[0], 0) << "the caller's buffer is untouched";
        // Give a late answer every chance to arrive.
        ::Sleep(c.delayMs + 100);
        usbsim::Log log = usbsim::Snapshot();
        EXPECT_EQ(log.cancels, 1);
        EXPECT_EQ(log.resultWaitsAfterCancel, 1);
        EXPECT_EQ(log.completionsAfterRelease, 0);
        EXPECT_EQ(log.abandonedRequests, 0);
        // Cancel, the driver ends the request, and only then the result.
        auto at = [&](const char* e) {
            return std::find(log.events.begin(), log.events.end(), e) - log.events.begin();
        };
        EXPECT_LT(at("cancel"), at("cancelled"));
        EXPECT_LT(at("cancelled"), at("result-wait"));
    }
}

TEST(UsbGetDeviceId, DriverIgnoringTheCancellationDoesNotHangTheCaller) {
    usbsim::Device d = Printer(kEpson, "MFG:EPSON;MDL:LQ-590;", usbsim::Answer::Never);
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

struct IdCase {
    const char* name;
    std::vector<uint8_t> id;
    bool readable;         // ReadMakeAndModel
    std::string joined;
    bool own;              // GetMakeAndModel
    std::wstring wide;
    std::wstring mdlModel;  // ReadDeviceIdModel
};

std::vector<uint8_t> Raw(uint8_t hi, uint8_t lo, const std::string& text) {
    std::vector<uint8_t> id{hi, lo};
    for (char ch : text) id.push_back(static_cast<uint8_t>(ch));
    return id;
}

TEST(UsbDeviceIdTexts, MakeAndModelAndTheDetectionsModel) {
    using usbsim::IdWithLength;
    const std::string longDes(300, 'd');
    const std::vector<IdCase> cases = {
        {"maker's own", IdWithLength("MFG:Telvix;CMD:ESC/P2;MDL:QD-450;CLS:PRINTER;"), true, "TelvixQD-450", true,
         L"TelvixQD-450", L"QD-450"},
        {"Telvix Corp", IdWithLength("MFG:Telvix Corp;MDL:QD-450;"), true, "Telvix CorpQD-450", true,
         L"Telvix CorpQD-450", L"QD-450"},
        {"telvix in lower case", IdWithLength("MFG:telvix;MDL:QD-450;"), true, "telvixQD-450", false, L"",
         L"QD-450"},
        {"Kesto", IdWithLength("MFG:Kesto;MDL:KP-120;"), true, "KestoKP-120", true, L"KestoKP-120", L"KP-120"},
        {"Orvane, long keys", IdWithLength("MANUFACTURER:Orvane;MODEL:VP-7730;"), true, "OrvaneVP-7730", true,
         L"OrvaneVP-7730", L""},
        {"other maker", IdWithLength("MFG:EPSON;CMD:ESCP9,BDC;MDL:LQ-590;CLS:PRINTER;DES:EPSON LQ-590;"), true,
         "EPSONLQ-590", false, L"", L"LQ-590"},
        {"ID of 256 bytes and more", IdWithLength("MFG:Orvane;MDL:VP-7730;DES:" + longDes + ";"), true,
         "OrvaneVP-7730", true, L"OrvaneVP-7730", L"VP-7730"},
        {"length bytes little-endian", Raw(0x1C, 0x00, "MFG:Orvane;MDL:VP-7730;"), true, "OrvaneVP-7730", true,
         L"OrvaneVP-7730", L"VP-7730"},
        {"model without ';'", IdWithLength("MFG:Telvix;MDL:QD-450"), false, "", false, L"", L""},
        {"no model key", IdWithLength("MFG:Telvix;CLS:PRINTER;"), false, "", false, L"", L""},
        {"joined over 63 bytes", IdWithLength("MFG:Telvix;MDL:" + std::string(58, 'Q') + ";"), false, "", false,
         L"", std::wstring(58, L'Q')},
        {"joined exactly 63 bytes", IdWithLength("MFG:Telvix;MDL:" + std::string(57, 'Q') + ";"), true,
         "Telvix" + std::string(57, 'Q'), true, L"Telvix" + std::wstring(57, L'Q'), std::wstring(57, L'Q')},
        {"empty answer", {}, false, "", false, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usbsim::Device d = Printer(kEpson);
        d.id = c.id;
        OpenPrinter p(d);
        char joined[64];
        size_t length = 99;
        EXPECT_EQ(p.port.ReadMakeAndModel(joined, sizeof joined, length), c.readable);
        EXPECT_EQ(std::string(joined, c.readable ? length : 0), c.joined);
        if (!c.readable) {
            EXPECT_EQ(length, 0u);
        }
        std::wstring wide = L"unchanged";
        EXPECT_EQ(p.port.GetMakeAndModel(wide), c.own);
        EXPECT_EQ(wide, c.own ? c.wide : L"unchanged");
        EXPECT_EQ(p.port.ReadDeviceIdModel(), c.mdlModel);
        EXPECT_TRUE(p.port.IsOpen()) << "reading leaves the device open";
    }
}

TEST(UsbDeviceIdTexts, ChineseTextsUseTheAnsiCodePage) {
    if (::GetACP() != 936) GTEST_SKIP() << "needs the Chinese ANSI code page (LC_ALL=zh_CN.UTF-8)";
    // "打印机" in code page 936.
    const std::string printer = "\xB4\xF2\xD3\xA1\xBB\xFA";
    OpenPrinter p(Printer(kEpson, "MFG:Orvane;MDL:" + printer + ";"));
    std::wstring wide;
    EXPECT_TRUE(p.port.GetMakeAndModel(wide));
    EXPECT_EQ(wide, L"Orvane打印机");
    EXPECT_EQ(p.port.ReadDeviceIdModel(), L"打印机");
}

TEST(UsbDeviceIdTexts, PrinterThatDoesNotAnswerGivesNothing) {
    OpenPrinter p(Printer(kEpson, "MFG:Orvane;MDL:VP-7730;", usbsim::Answer::Never));
    char joined[64];
    size_t length = 5;
    EXPECT_FALSE(p.port.ReadMakeAndModel(joined, sizeof joined, length));
    EXPECT_EQ(length, 0u);
    std::wstring wide = L"unchanged";
    EXPECT_FALSE(p.port.GetMakeAndModel(wide));
    EXPECT_EQ(wide, L"unchanged");
    EXPECT_EQ(p.port.ReadDeviceIdModel(), L"");
    EXPECT_EQ(usbsim::Snapshot().completionsAfterRelease, 0);

    CUSBPort closed(usbsim::Api());
    EXPECT_EQ(closed.ReadDeviceIdModel(), L"");
    EXPECT_FALSE(closed.ReadMakeAndModel(joined, sizeof joined, length));
    EXPECT_FALSE(closed.ReadMakeAndModel(nullptr, 64, length));
}

}  // namespace
