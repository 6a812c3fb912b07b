#include "install/connected_printer.h"

#include "catalogue/driver_package.h"
#include "ports/usb_port.h"

bool ReadConnectedModel(std::wstring& model, const UsbApi& api) {
    CUSBPort port(api);
    std::wstring vid, pid;
    const bool opened = port.OpenPrinterDevice(vid, pid);
    // A failed read leaves no model, like a device ID without "MDL:".
    const std::wstring reported = opened ? port.ReadDeviceIdModel() : std::wstring();
    port.CloseDevice();
    model = opened ? MapDeviceModelName(reported) : std::wstring();
    return opened;
}
