#include "install/port_list.h"

#include <winspool.h>

#include <vector>

bool GetPortList(std::vector<std::wstring>& ports, EnumPortsFn enumPorts) {
    ports.clear();
    if (!enumPorts) enumPorts = &::EnumPortsW;
    DWORD needed = 0, returned = 0;
    // A first call that succeeds with no buffer means there is nothing to list.
    if (enumPorts(nullptr, 2, nullptr, 0, &needed, &returned)) return false;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!enumPorts(nullptr, 2, buffer.data(), needed, &needed, &returned)) return false;
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pPortName) ports.emplace_back(info[i].pPortName);
    return true;
}
