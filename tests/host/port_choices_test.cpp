#include "core/port_choices.h"

#include <gtest/gtest.h>

namespace {

TEST(PortChoices, SpoolerPortsWhenListedElseTheNineFixedOnes) {
    const std::vector<std::wstring> spooler = {L"COM1:", L"FILE:", L"LPT1:"};
    EXPECT_EQ(core::PortsToOffer(true, spooler), spooler) << "in the spooler's order";
    const std::vector<std::wstring> fixed = {L"LPT1:", L"LPT2:", L"LPT3:", L"COM1:", L"COM2:",
                                             L"COM3:", L"COM4:", L"COM5:", L"USB001"};
    EXPECT_EQ(core::PortsToOffer(false, spooler), fixed);
    EXPECT_EQ(core::PortsToOffer(false, {}), fixed);
}

}  // namespace
