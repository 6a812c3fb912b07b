// The real Windows side of the USB printer seam.
#include "ports/usb_api.h"

namespace {

const UsbApi kSystemUsbApi = {
    &::SetupDiGetClassDevsW,
    &::SetupDiEnumDeviceInterfaces,
    &::SetupDiGetDeviceInterfaceDetailW,
    &::SetupDiDestroyDeviceInfoList,
    &::SetupDiOpenClassRegKeyExW,
    &::CreateFileW,
    &::DeviceIoControl,
    &::GetOverlappedResult,
    &::CancelIoEx,
    &::CM_Locate_DevNodeW,
    &::CM_Reenumerate_DevNode,
    &::GetVersionExW,
};

}  // namespace

const UsbApi& DefaultUsbApi() { return kSystemUsbApi; }
