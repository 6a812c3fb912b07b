#include "core/device_text.h"

namespace core {

std::wstring DetectedUsbPortText(const std::wstring& portName) {
    return L"软件自动检测到与打印机连接的USB端口为：" + portName + L"\n";
}

}  // namespace core
