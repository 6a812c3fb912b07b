// The Windows calls behind the driver installation, as a table of function
// pointers: the print spooler, Plug and Play, starting and waiting for the
// set-up process, the pauses, and the message boxes a window shows about the
// installation.  A program hands the system's table (install_api_system.cpp,
// library pi_install_system, which only programs link) to whatever runs
// installations; the tests put a simulated spooler behind the same table and
// record what was asked.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <winspool.h>

struct UsbApi;

struct InstallApi {
    // Print spooler.
    BOOL(WINAPI* EnumPrintersW)(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                LPDWORD returned);
    BOOL(WINAPI* OpenPrinterW)(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults);
    BOOL(WINAPI* GetPrinterW)(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
    BOOL(WINAPI* SetPrinterW)(HANDLE printer, DWORD level, LPBYTE info, DWORD command);
    BOOL(WINAPI* DeletePrinter)(HANDLE printer);
    BOOL(WINAPI* DeletePrinterDriverExW)(LPWSTR server, LPWSTR environment, LPWSTR driver, DWORD deleteFlag,
                                         DWORD versionFlag);
    BOOL(WINAPI* ClosePrinter)(HANDLE printer);
    // Plug and Play driver update for the devices with a hardware ID.
    BOOL(WINAPI* UpdateDriverForPlugAndPlayDevicesW)(HWND owner, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags,
                                                     PBOOL rebootRequired);
    // Starting the set-up process, and waiting for it.  A process handle
    // given back is a real kernel handle that CloseHandle releases.  A failed
    // start leaves its code for GetLastError, as Windows does.
    BOOL(WINAPI* ShellExecuteExW)(SHELLEXECUTEINFOW* info);
    DWORD(WINAPI* WaitForSingleObject)(HANDLE handle, DWORD milliseconds);
    void(WINAPI* Sleep)(DWORD milliseconds);
    // The message boxes a window shows about the installation.
    int(WINAPI* MessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    // The attached USB printer (its port name, identification string) and
    // Plug and Play re-enumeration go through CUSBPort with this table.
    const UsbApi* usb;
};

// The system's calls, with the given USB table (library pi_install_system).
InstallApi SystemInstallApi(const UsbApi& usb);
