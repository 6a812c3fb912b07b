// Texts the program builds around an attached USB printer.
#pragma once
#include <string>

namespace core {

// The line shown in place of the port choice: "…USB端口为：USB001\n".
std::wstring DetectedUsbPortText(const std::wstring& portName);

}  // namespace core
