// The ports the driver page offers.
#pragma once
#include <string>
#include <vector>

namespace core {

// Offered when the print spooler cannot list its ports, in this order.
const std::vector<std::wstring>& FixedPorts();

// What the port combo gets: the spooler's ports when it listed them,
// otherwise the fixed ones.
std::vector<std::wstring> PortsToOffer(bool spoolerListed, const std::vector<std::wstring>& spoolerPorts);

}  // namespace core
