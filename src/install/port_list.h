// The print spooler's list of ports, for the driver page.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The spooler's call, replaceable in tests.
using EnumPortsFn = BOOL(WINAPI*)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

// The local ports' names in the spooler's order; false (list empty) when the
// spooler lists nothing or fails.
bool GetPortList(std::vector<std::wstring>& ports, EnumPortsFn enumPorts = nullptr);
