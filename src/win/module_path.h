// Paths of the running program, for finding what lies next to it.
#pragma once
#include <string>

namespace win {
// Full path of the running executable ("" if Windows cannot say).
std::wstring ModuleFileName();
// The executable's folder with a trailing backslash.
std::wstring ModuleDirectory();
// Whether a file can be opened for reading (shared), closing it at once.
bool FileOpensForReading(const std::wstring& path);
}  // namespace win
