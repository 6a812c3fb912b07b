// Finds the attached USB printer and the Windows port it is on.
#pragma once
#include <windows.h>

class CUSBPort {
public:
    CUSBPort() = default;

private:
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
};
