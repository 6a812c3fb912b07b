// The attached printer's model as the driver page reads it, in the one case
// the end-to-end tests cannot present under Wine: a printer that is still
// held open elsewhere, which Windows refuses to open again (Wine does not
// enforce exclusive opens of devices).  At start the user is then told that
// the printer's information could not be read.
#include <gtest/gtest.h>

#include <string>

#include "install/connected_printer.h"
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

}  // namespace
