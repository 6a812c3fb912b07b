// The user-visible texts of the window and of the console program: one
// table for both front ends, so that a medium tells the same outcomes
// through either.
#pragma once

namespace texts {
inline constexpr wchar_t kExitWhileInstalling[] = L"正在安装打印机驱动，请稍后再退出！";
inline constexpr wchar_t kExitWhileDownloading[] = L"正在下载打印机版本，请稍后再退出！";
inline constexpr wchar_t kCloseWhileInstalling[] = L"正在安装打印机驱动，请稍后再关闭！";
inline constexpr wchar_t kCloseWhileDownloading[] = L"正在下载打印机版本，请稍后再关闭！";

// Page titles.
inline constexpr wchar_t kTitleDriver[] = L"驱动程序安装";
inline constexpr wchar_t kTitleManual[] = L"操作手册浏览";
inline constexpr wchar_t kTitleFirmware[] = L"下载升级程式";

// Choices and the shell.
inline constexpr wchar_t kParallelPort[] = L"并口";
inline constexpr wchar_t kFirstPort[] = L"LPT1:";
inline constexpr wchar_t kChoosePrinter[] = L"请选择打印机！";
inline constexpr wchar_t kChoosePort[] = L"请选择端口！";
inline constexpr wchar_t kManualMissing[] = L"该机型pdf文件不存在";
inline constexpr wchar_t kCompanionMissing[] = L"该应用程序文件不存在";

// The printer attached by USB.
inline constexpr wchar_t kConnectedPrinterUnreadable[] = L"未能正确获取连接打印机信息";
}  // namespace texts

// Firmware download.
namespace texts {
inline constexpr wchar_t kChooseVersionFile[] = L"请选择打印机版本文件！";
inline constexpr wchar_t kConfirmDownload[] =
    L"确定要进行版本升级？确保打印机与主机的缆线已接好，并且打印机已进入下载模式！";
inline constexpr wchar_t kConfirmCaption[] = L"确认框";
inline constexpr wchar_t kPortInvalid[] = L"当前端口无效！";
inline constexpr wchar_t kPrinterNotReady[] = L"打印机与主机的缆线没连接好，或者打印机没有进入下载模式！";
inline constexpr wchar_t kProgressPrefix[] = L"当前进度：";
inline constexpr wchar_t kDownloadSucceeded[] = L"打印机版本更新成功！";
inline constexpr wchar_t kOpenVersionFileFailed[] = L"打开版本文件失败！";
inline constexpr wchar_t kReadVersionFileFailed[] = L"读取版本文件失败！";
inline constexpr wchar_t kDownloadFailed[] = L"更新版本过程中有错误发生！";
inline constexpr wchar_t kOtherError[] = L"其他错误发生！";
inline constexpr wchar_t kSuccessCaption[] = L"OK";
inline constexpr wchar_t kErrorCaption[] = L"ERROR";
// A download given up as stalled whose transfer has not let go of the port yet.
inline constexpr wchar_t kPreviousDownloadEnding[] = L"上一次下载尚未结束，请稍后再试！";
}  // namespace texts

// Labels of the firmware and manual pages, drawn by the coloured labels.
namespace texts {
inline constexpr wchar_t kFwWarning1[] = L"警告：请先使打印机进入下载模式";
inline constexpr wchar_t kFwWarning2[] = L"才能按“下一步”进行版本更新";
inline constexpr wchar_t kFwWarning3[] = L"注意：在下载过程中不能操作打印机";
inline constexpr wchar_t kFwWarning4[] = L"否则打印机将无法正常工作";
inline constexpr wchar_t kFwAdvice[] = L"建议由专业技术工程师进行本操作";
inline constexpr wchar_t kManualHint[] = L"选择您需要阅览的打印机型号，按“下一步”打开相关的打印机说明";
inline constexpr wchar_t kManualNote[] = L"注意：此打印机说明书为PDF文件格式，阅览前请先安装PDF阅读软件";
}  // namespace texts

// Driver installation: the status line and the job's own message boxes.
namespace texts {
inline constexpr wchar_t kStatusInstalling[] = L"正在安装打印机驱动";
inline constexpr wchar_t kStatusInstallSucceeded[] = L"打印机驱动安装成功";
inline constexpr wchar_t kStatusInstallFailed[] = L"打印机驱动安装失败";
inline constexpr wchar_t kStatusSettingDefault[] = L"正在设置为默认打印机";
inline constexpr wchar_t kStatusPrintingTestPage[] = L"正在打印测试页";
inline constexpr wchar_t kStatusInstallFinished[] = L"打印机驱动安装过程完成";
inline constexpr wchar_t kInstallSucceeded[] = L"打印机驱动安装成功！";
inline constexpr wchar_t kInstallFailed[] = L"打印机驱动安装失败！";
inline constexpr wchar_t kInstallBoxCaption[] = L"OK";
}  // namespace texts
