// The user-visible texts of the main window and its jobs.
#pragma once

namespace texts {
inline constexpr wchar_t kExitWhileInstalling[] = L"正在安装打印机驱动，请稍后再退出！";
inline constexpr wchar_t kExitWhileDownloading[] = L"正在下载打印机版本，请稍后再退出！";
inline constexpr wchar_t kCloseWhileInstalling[] = L"正在安装打印机驱动，请稍后再关闭！";
inline constexpr wchar_t kCloseWhileDownloading[] = L"正在下载打印机版本，请稍后再关闭！";
}  // namespace texts
