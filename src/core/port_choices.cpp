#include "core/port_choices.h"

namespace core {

const std::vector<std::wstring>& FixedPorts() {
    static const std::vector<std::wstring> ports = {L"LPT1:", L"LPT2:", L"LPT3:", L"COM1:", L"COM2:",
                                                    L"COM3:", L"COM4:", L"COM5:", L"USB001"};
    return ports;
}

std::vector<std::wstring> PortsToOffer(bool spoolerListed, const std::vector<std::wstring>& spoolerPorts) {
    return spoolerListed ? spoolerPorts : FixedPorts();
}

}  // namespace core
