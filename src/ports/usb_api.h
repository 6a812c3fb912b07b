// The Windows calls behind CUSBPort, as a table of function pointers.  The
// program uses the real calls (usb_api_system.cpp, library pi_system); the
// Windows tests put a simulated printer behind the same table (sim/usb).
#pragma once
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

// Device interface class of USB printers, used both for the present devices
// and for the registry key of the interface class.
inline constexpr GUID kGuidDevinterfaceUsbPrint = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

// CTL_CODE(FILE_DEVICE_UNKNOWN, 13, METHOD_BUFFERED, FILE_ANY_ACCESS) of the
// USB printing driver: returns the IEEE 1284 device ID.
inline constexpr DWORD kIoctlUsbPrintGet1284Id = 0x220034;

struct UsbApi {
    // Present interfaces of a class.
    HDEVINFO(WINAPI* SetupDiGetClassDevsW)(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags);
    BOOL(WINAPI* SetupDiEnumDeviceInterfaces)(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* classGuid,
                                              DWORD index, PSP_DEVICE_INTERFACE_DATA data);
    BOOL(WINAPI* SetupDiGetDeviceInterfaceDetailW)(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                   PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                                   PDWORD requiredSize, PSP_DEVINFO_DATA device);
    BOOL(WINAPI* SetupDiDestroyDeviceInfoList)(HDEVINFO set);
    // The interface class key (INVALID_HANDLE_VALUE on failure, as Windows
    // does).  The key it gives is a real registry key: the walk below it uses
    // the ordinary registry calls and closes it with RegCloseKey.
    HKEY(WINAPI* SetupDiOpenClassRegKeyExW)(const GUID* classGuid, REGSAM access, DWORD flags, PCWSTR machine,
                                            PVOID reserved);
    // The device.  The handle it gives is a real kernel handle that
    // CloseHandle releases.
    HANDLE(WINAPI* CreateFileW)(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile);
    BOOL(WINAPI* DeviceIoControl)(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                  LPDWORD returned, LPOVERLAPPED overlapped);
    BOOL(WINAPI* GetOverlappedResult)(HANDLE device, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait);
    BOOL(WINAPI* CancelIoEx)(HANDLE device, LPOVERLAPPED overlapped);
    // Plug and Play.
    CONFIGRET(WINAPI* CM_Locate_DevNodeW)(PDEVINST node, DEVINSTID_W instanceId, ULONG flags);
    CONFIGRET(WINAPI* CM_Reenumerate_DevNode)(DEVINST node, ULONG flags);
    // Which Windows the program is told it runs on.
    BOOL(WINAPI* GetVersionExW)(LPOSVERSIONINFOW info);
};

// The table CUSBPort uses when none is given.
const UsbApi& DefaultUsbApi();
