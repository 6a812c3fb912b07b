// Direct access to the first parallel port's registers.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

class CLPTPort {
public:
    CLPTPort() = default;

private:
    std::atomic<uint8_t> m_nProgress{0};
};
