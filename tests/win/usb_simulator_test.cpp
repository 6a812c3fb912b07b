// The shipped program holds none of the USB printer simulators.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "win/module_path.h"

namespace {

// A file of the build, as bytes; empty when it is not there.
std::string ReadBuildFile(const std::wstring& relative) {
    std::ifstream in((win::ModuleDirectory() + relative).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasAscii(const std::string& bytes, const std::string& text) { return bytes.find(text) != std::string::npos; }

bool HasUtf16(const std::string& bytes, const std::string& text) {
    std::string wide;
    for (char c : text) wide += std::string{c, '\0'};
    return HasAscii(bytes, wide);
}

// The shipped program finds real printers only: neither the in-process
// simulator nor the simulated bus driver's names are in it.
TEST(UsbSimulatorSeparation, ShippedProgramHoldsNoSimulator) {
    const std::string shipped = ReadBuildFile(L"..\\..\\src\\Printer Install.exe");
    ASSERT_FALSE(shipped.empty()) << "the program is built before the tests";
    EXPECT_TRUE(HasAscii(shipped, "SetupDiGetClassDevsW"));
    EXPECT_TRUE(HasAscii(shipped, "CM_Reenumerate_DevNode"));
    EXPECT_FALSE(HasAscii(shipped, "usbsim"));
    EXPECT_FALSE(HasUtf16(shipped, "Printer Install Simulator"));
    EXPECT_FALSE(HasUtf16(shipped, "PiUsbPrintSimulator"));
}

}  // namespace
