// An attached USB printer at start: "Printer Install (simulated USB).exe" is
// the program linked with the USB printer simulator in place of the real
// device calls (see sim/usb/README.md); simulated-usb-printer.ini next to it
// describes the printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

const wchar_t kSimulatedExe[] = L"Printer Install (simulated USB).exe";

std::wstring SimulatedExePath() { return e2e::DriverDir() + L"..\\..\\sim\\usb\\" + kSimulatedExe; }

// A printer on USB001 that reports `id` as its device ID.
std::string PrinterIni(const std::string& id, const std::string& deviceExtra = "") {
    return "[Windows]\r\nVersion=6.2\r\n"
           "[Device1]\r\n"
           "Path=\\\\?\\usb#vid_1a86&pid_7584#6&1f2e3d4c&0&2#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\r\n"
           "Id=" + id + "\r\nAnswer=immediate\r\n" + deviceExtra +
           "[Entry1]\r\n"
           "Name=##?#USB#VID_1A86&PID_7584#6&1f2e3d4c&0&2#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\r\n"
           "DeviceInstance=USB\\VID_1A86&PID_7584\\6&1F2E3D4C&0&2\r\nLinked=1\r\nPortNumber=1\r\n";
}

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> out;
    const int n = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf);
    }
    return out;
}

std::vector<std::wstring> ListEntries(HWND list) {
    std::vector<std::wstring> out;
    const int n = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf);
    }
    return out;
}

class UsbDetection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(::CopyFileW(SimulatedExePath().c_str(), medium_.Path(kSimulatedExe).c_str(), FALSE))
            << "build the simulated-USB program first";
    }
    Medium medium_;
};

TEST_F(UsbDetection, AHighSpeedPrinterIsPreselectedOnItsPort) {
    ASSERT_TRUE(medium_.Put(L"simulated-usb-printer.ini", PrinterIni("MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;")));
    Program program(medium_, kSimulatedExe);
    ASSERT_TRUE(program.Start());
    EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
    EXPECT_TRUE(program.Visible(IDC_STC_USB_PORT));
    EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), L"软件自动检测到与打印机连接的USB端口为：USB001\n");
    EXPECT_FALSE(program.Visible(IDC_CBO_PORT));
    EXPECT_FALSE(program.Visible(IDC_LBL_PORT));
    // The reported "VP-7730" is looked up as its model-list name.
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)), std::vector<std::wstring>{L"Orvane 曜驰高速系列"});
    EXPECT_EQ(::SendMessageW(program.Item(IDC_CBO_SERIES), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)), std::vector<std::wstring>{L"曜驰7730"});
    EXPECT_EQ(::SendMessageW(program.Item(IDC_LST_MODEL), LB_GETCURSEL, 0, 0), 0);
    ::Sleep(600);
    EXPECT_TRUE(probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"page-driver-usb-printer.bmp"));

    // The manual page still offers every series.
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)).size(), 3u);
    EXPECT_FALSE(program.Visible(IDC_STC_USB_PORT));
    // Back on the driver page the printer narrows the lists again.
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_DRIVER));
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)), std::vector<std::wstring>{L"曜驰7730"});
    EXPECT_TRUE(program.Visible(IDC_STC_USB_PORT));
}

TEST_F(UsbDetection, AModelTheCatalogueDoesNotKnowLeavesTheFullLists) {
    ASSERT_TRUE(medium_.Put(L"simulated-usb-printer.ini", PrinterIni("MFG:EPSON;CMD:ESCP9;MDL:LQ-590;CLS:PRINTER;")));
    Program program(medium_, kSimulatedExe);
    ASSERT_TRUE(program.Start());
    EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
    EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), L"软件自动检测到与打印机连接的USB端口为：USB001\n");
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)).size(), 3u);
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)),
              (std::vector<std::wstring>{L"OP-610K", L"OP-630K", L"OP-730K"}));
}

TEST_F(UsbDetection, NoPrinterMeansThePortChoiceAndFullLists) {
    Program program(medium_, kSimulatedExe);  // no simulated-usb-printer.ini: nothing attached
    ASSERT_TRUE(program.Start());
    EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
    EXPECT_FALSE(program.Visible(IDC_STC_USB_PORT));
    EXPECT_TRUE(program.Visible(IDC_CBO_PORT));
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)).size(), 3u);
}

}  // namespace
