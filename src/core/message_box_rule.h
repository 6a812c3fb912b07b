// Rules of the program's plain message box that need no Windows.
#pragma once
#include <cstdint>
#include <string>

namespace core {

// MessageBox type bits used here (values as Windows defines them).
constexpr uint32_t kMbOk = 0x0, kMbOkCancel = 0x1, kMbYesNoCancel = 0x3, kMbYesNo = 0x4;
constexpr uint32_t kMbTypeMask = 0xF, kMbIconMask = 0xF0;
constexpr uint32_t kMbIconQuestion = 0x20, kMbIconExclamation = 0x30;

// A box with no icon named gets the exclamation icon with OK or OK/Cancel
// buttons and the question icon with Yes/No (or Yes/No/Cancel) buttons.
uint32_t WithDefaultIcon(uint32_t type);

// "C:\\media\\Printer Install.exe" -> "Printer Install".
std::wstring AppNameFromPath(const std::wstring& path);

}  // namespace core
