// An attached USB printer at start: "Printer Install (simulated USB).exe" is
// the program linked with the USB printer simulator in place of the real
// device calls (see sim/usb/README.md); simulated-usb-printer.ini next to it
// describes the printer.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Entries;
using Texts = std::vector<std::wstring>;

const wchar_t kSimulatedExe[] = L"Printer Install (simulated USB).exe";
const wchar_t kDetected[] = L"软件自动检测到与打印机连接的USB端口为：USB001\n";

// A printer on USB001 that reports `id` as its device ID.
std::string PrinterIni(const std::string& id, const std::string& moreOfDevice = "") {
    return "[Windows]\r\nVersion=6.2\r\n"
           "[Device1]\r\n"
           "Path=\\\\?\\usb#vid_1a86&pid_7584#6&1f2e3d4c&0&2#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\r\n"
           "Id=" + id + "\r\nAnswer=immediate\r\n" + moreOfDevice +
           "[Entry1]\r\n"
           "Name=##?#USB#VID_1A86&PID_7584#6&1f2e3d4c&0&2#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\r\n"
           "DeviceInstance=USB\\VID_1A86&PID_7584\\6&1F2E3D4C&0&2\r\nLinked=1\r\nPortNumber=1\r\n";
}

bool PutSimulatedProgram(const e2e::Medium& medium) {
    return ::CopyFileW((e2e::DriverDir() + L"..\\..\\sim\\usb\\" + kSimulatedExe).c_str(),
                       medium.Path(kSimulatedExe).c_str(), FALSE) != FALSE;
}

const Texts kFullModels = {L"OP-610K", L"OP-630K", L"OP-730K"};
const char kKnownId[] = "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;";

TEST(UsbDetection, APrinterTheCatalogueKnowsNarrowsTheListsOtherwiseTheyStayFull) {
    const struct {
        const char* name;
        const char* id;  // nullptr: no printer attached
        size_t series;
        Texts models;
    } cases[] = {
        // The reported "VP-7730" is looked up as its model-list name.
        {"known model", kKnownId, 1, {L"曜驰7730"}},
        {"unknown model", "MFG:EPSON;CMD:ESCP9;MDL:LQ-590;CLS:PRINTER;", 3, kFullModels},
        {"no printer", nullptr, 3, kFullModels},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::Medium medium;
        ASSERT_TRUE(PutSimulatedProgram(medium)) << "build the simulated-USB program first";
        ASSERT_TRUE(!c.id || medium.Put(L"simulated-usb-printer.ini", PrinterIni(c.id)));
        e2e::Program program(medium, kSimulatedExe);
        ASSERT_TRUE(program.Start());
        EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
        EXPECT_EQ(program.Visible(IDC_STC_USB_PORT), c.id != nullptr);
        EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), c.id ? kDetected : L"");
        EXPECT_EQ(program.Visible(IDC_CBO_PORT), !c.id) << "the port choice only without a printer";
        EXPECT_EQ(program.Visible(IDC_LBL_PORT), !c.id);
        EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)).size(), c.series);
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), c.models);
        EXPECT_EQ(e2e::Selection(program.Item(IDC_LST_MODEL)), c.models.front());
        if (c.series != 1) continue;
        EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)), Texts{L"Orvane 曜驰高速系列"});
        EXPECT_EQ(e2e::Selection(program.Item(IDC_CBO_SERIES)), L"Orvane 曜驰高速系列");
        ::Sleep(600);
        EXPECT_TRUE(probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"page-driver-usb-printer.bmp"));
        // The manual page still offers every series; back on the driver page
        // the printer narrows the lists again.
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
        EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)).size(), 3u);
        EXPECT_FALSE(program.Visible(IDC_STC_USB_PORT));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_DRIVER));
        EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), c.models);
        EXPECT_TRUE(program.Visible(IDC_STC_USB_PORT));
    }
}

// The printer answers the port search but is gone when its model is read:
// the user is told before the window shows, and the lists stay full.
TEST(UsbDetection, APrinterWhoseModelCannotBeReadIsReportedAndTheListsStayFull) {
    e2e::Medium medium;
    ASSERT_TRUE(PutSimulatedProgram(medium)) << "build the simulated-USB program first";
    ASSERT_TRUE(medium.Put(L"simulated-usb-printer.ini", PrinterIni(kKnownId, "OpenCount=1\r\n")));
    e2e::Program program(medium, kSimulatedExe);
    std::future<probe::MessageBoxInfo> box;
    ASSERT_TRUE(program.Start(20000, [&](DWORD pid) { box = probe::AnswerNextMessageBox(pid, IDOK, 15000); }));
    const probe::MessageBoxInfo seen = box.get();
    EXPECT_EQ(seen.text, L"未能正确获取连接打印机信息");
    EXPECT_EQ(seen.caption, L"Printer Install (simulated USB)");  // the application's name
    EXPECT_FALSE(seen.hasIcon);
    EXPECT_EQ(seen.buttons.size(), 1u);
    EXPECT_EQ(seen.owner, program.Window());
    EXPECT_EQ(program.ItemText(IDC_STC_USB_PORT), kDetected);
    EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)).size(), 3u);
    EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), kFullModels);
}

// Regression: a printer that opened but whose port the registry does not
// name was held open, unshared, by the detection, so the model could never
// be read again.  Without a port the port list stays; the model narrows.
TEST(UsbDetection, RegressionAPrinterWithoutAPortEntryIsLetGoOf) {
    e2e::Medium medium;
    ASSERT_TRUE(PutSimulatedProgram(medium)) << "build the simulated-USB program first";
    std::string ini = PrinterIni(kKnownId);
    const std::string matching = "DeviceInstance=USB\\VID_1A86&PID_7584";
    ASSERT_NE(ini.find(matching), std::string::npos);
    ini.replace(ini.find(matching), matching.size(), "DeviceInstance=USB\\VID_1A86&PID_0001");
    ASSERT_TRUE(medium.Put(L"simulated-usb-printer.ini", ini));
    e2e::Program program(medium, kSimulatedExe);
    ASSERT_TRUE(program.Start());
    EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
    EXPECT_FALSE(program.Visible(IDC_STC_USB_PORT));
    EXPECT_TRUE(program.Visible(IDC_CBO_PORT));
    EXPECT_EQ(Entries(program.Item(IDC_CBO_SERIES)), Texts{L"Orvane 曜驰高速系列"});
    EXPECT_EQ(Entries(program.Item(IDC_LST_MODEL)), Texts{L"曜驰7730"});
}

}  // namespace
