// The attached printer's model as the driver page reads it, in the cases
// the end-to-end tests cannot present under Wine: a printer that is still
// held open elsewhere, which Windows refuses to open again (Wine does not
// enforce exclusive opens of devices), and one gone between the port search
// and the model's reading (Wine hands a device its opens asynchronously, so
// a printer that stops opening after one open races the second).  At start
// the user is then told that the printer's information could not be read.
#include <gtest/gtest.h>

#include <string>

#include "install/connected_printer.h"
#include "install_spooler_sim.h"
#include "main_dialog_runner.h"
#include "res/resource.h"
#include "ports/usb_port.h"
#include "usb_simulator.h"
#include "usb_test_setups.h"

namespace {

TEST(ConnectedModel, APrinterThatCannotBeOpenedAgainGivesNoModel) {
    for (const bool heldElsewhere : {false, true}) {
        SCOPED_TRACE(heldElsewhere ? "held open elsewhere" : "free");
        usbsim::Setup setup;
        setup.devices = {usbtest::Printer(usbtest::kOrvane, "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;")};
        ASSERT_TRUE(usbsim::Install(setup));
        CUSBPort holder(usbsim::Api());
        std::wstring vid, pid;
        if (heldElsewhere) {
            ASSERT_TRUE(holder.OpenPrinterDevice(vid, pid));
        }
        std::wstring model = L"unchanged";
        EXPECT_EQ(ReadConnectedModel(model, usbsim::Api()), !heldElsewhere);
        // The reported model by its list name, or none at all.
        EXPECT_EQ(model, heldElsewhere ? L"" : L"曜驰7730");
        holder.CloseDevice();
        CUSBPort again(usbsim::Api());
        EXPECT_TRUE(again.OpenPrinterDevice(vid, pid)) << "the detection let the printer go";
        EXPECT_EQ(usbsim::Snapshot().ioctls, heldElsewhere ? 0 : 1);
    }
}

TEST(ConnectedModel, APortFoundButThePrinterGoneIsToldBeforeTheWindowShows) {
    usbsim::Setup setup;
    usbsim::Device printer = usbtest::Printer(usbtest::kOrvane, "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;");
    printer.opensLeft = 1;  // the port search's look, then gone
    setup.devices = {printer};
    setup.entries = {usbtest::Entry(usbtest::kOrvane, 5)};
    ASSERT_TRUE(usbsim::Install(setup));
    spoolsim::Reset(spoolsim::World{});
    CPrinterInstallDlg dlg(spoolsim::Api());
    auto box = probe::AnswerNextMessageBox(::GetCurrentProcessId(), IDOK, 15000);
    HWND window = nullptr;
    std::wstring detected;
    dlgtest::RunDialog(dlg, [&](HWND wnd) {
        window = wnd;
        detected = WindowTextOf(::GetDlgItem(wnd, IDC_STC_USB_PORT));
        dlgtest::Click(wnd, IDC_BTN_EXIT);
    });
    const probe::MessageBoxInfo seen = box.get();
    EXPECT_EQ(seen.text, L"未能正确获取连接打印机信息");
    EXPECT_EQ(seen.caption, L"Printer Install");  // the application's name
    EXPECT_FALSE(seen.hasIcon);
    EXPECT_EQ(seen.buttons.size(), 1u);
    EXPECT_EQ(seen.owner, window) << "owned by the dialog, before it shows";
    EXPECT_EQ(detected, L"软件自动检测到与打印机连接的USB端口为：USB005\n");
    EXPECT_TRUE(dlg.m_strModel.empty());
}

}  // namespace
