// The console program's own texts: those the window has no words for.  The
// outcomes the window tells, the console tells in the window's words
// (texts/texts.h).
#pragma once

namespace cmdtexts {

// Help.
inline constexpr wchar_t kUsage[] =
    L"用法：PrinterInstallCmd <命令> [选项]\n"
    L"\n"
    L"命令：\n"
    L"  list [--json]                      列出安装信息文件中的系列、机型、打印机名称、针数和说明书\n"
    L"  detect [--json]                    检测连接USB的打印机：端口、VID/PID、设备ID、机型、系列，\n"
    L"                                     以及 install --usb 会用哪种方式安装\n"
    L"  install --model 机型 (--port 端口 | --usb) [--default] [--test-page] [--json] [--log 文件]\n"
    L"                                     安装机型的打印机驱动：删除同名的旧打印机，用即插即用或打印机\n"
    L"                                     安装命令安装，--default 设为默认打印机，--test-page 打印测试页\n"
    L"  installed --model 机型 [--json]     机型的打印机已安装时退出码为 0，未安装时为 1\n"
    L"  firmware --file 文件 [--yes] [--force] [--json]\n"
    L"                                     通过并口下载版本文件（*.mot 先检查S记录格式，--force 照样下载）；\n"
    L"                                     没有 --yes 时先在控制台确认\n"
    L"  help                               显示本说明\n"
    L"\n"
    L"退出码：\n"
    L"  0     成功\n"
    L"  1     installed：未安装；detect：没有连接USB的打印机\n"
    L"  1602  版本升级没有确认\n"
    L"  1603  失败（安装失败、读不到安装信息、没有USB端口、不是管理员）\n"
    L"  1618  另一个打印机安装正在进行\n"
    L"  1639  命令行有错（未知的命令、选项、机型或端口）\n"
    L"  3010  安装成功，需要重新启动Windows\n"
    L"  20    版本升级：当前端口无效\n"
    L"  21    版本升级：打印机与主机的缆线没连接好，或者打印机没有进入下载模式\n"
    L"  22    版本升级：打开版本文件失败\n"
    L"  23    版本升级：读取版本文件失败\n"
    L"  24    版本升级：更新版本过程中有错误发生（打印机停止接收数据20秒）\n"
    L"  25    版本升级：其他错误\n"
    L"  26    版本升级：版本文件不是完整的S记录文件\n";

// The command line.
inline constexpr wchar_t kUnknownCommand[] = L"未知的命令：";
inline constexpr wchar_t kUnknownOption[] = L"未知的选项：";
inline constexpr wchar_t kNotForCommand[] = L"该命令没有这个选项：";
inline constexpr wchar_t kMissingValue[] = L"选项缺少值：";
inline constexpr wchar_t kRepeated[] = L"选项重复：";
inline constexpr wchar_t kMissingOption[] = L"缺少选项：";
inline constexpr wchar_t kPortAndUsb[] = L"--port 和 --usb 只能用一个";
inline constexpr wchar_t kUnexpected[] = L"多余的参数：";
inline constexpr wchar_t kSeeHelp[] = L"（用 PrinterInstallCmd help 查看用法）";

// The medium and its catalogue.
inline constexpr wchar_t kNoCatalogue[] = L"读不到安装信息文件：";
inline constexpr wchar_t kNoSeries[] = L"安装信息文件中没有打印机系列";
inline constexpr wchar_t kUnknownModel[] = L"安装信息文件中没有这个机型：";
inline constexpr wchar_t kNoPrinterName[] = L"安装信息文件中没有该机型的打印机名称：";
inline constexpr wchar_t kUnknownPort[] = L"没有这个端口：";
inline constexpr wchar_t kNoLog[] = L"不能写入日志文件：";
inline constexpr wchar_t kNeedsAdministrator[] = L"此命令需要以管理员身份运行";
inline constexpr wchar_t kPrinterName[] = L"打印机名称：";
inline constexpr wchar_t kPin24[] = L"24针";
inline constexpr wchar_t kPin9[] = L"9针";
inline constexpr wchar_t kPinOther[] = L"针数不明";
inline constexpr wchar_t kManual[] = L"说明书：";
inline constexpr wchar_t kManualAbsent[] = L"（文件不存在）";

// The attached USB printer.
inline constexpr wchar_t kNoUsbPrinter[] = L"没有检测到连接USB的打印机";
inline constexpr wchar_t kUsbPort[] = L"USB端口：";
inline constexpr wchar_t kNoUsbPort[] = L"（没有找到端口）";
inline constexpr wchar_t kVidPid[] = L"VID/PID：";
inline constexpr wchar_t kDeviceId[] = L"设备ID：";
inline constexpr wchar_t kModel[] = L"机型：";
inline constexpr wchar_t kSeries[] = L"系列：";
inline constexpr wchar_t kNoSeriesForModel[] = L"（安装信息文件中没有该机型）";
inline constexpr wchar_t kInstallUsb[] = L"install --usb：";
inline constexpr wchar_t kWhyNoPort[] = L"不能安装：没有找到打印机的USB端口";
inline constexpr wchar_t kWhyUnknownModel[] = L"打印机报告的机型不在安装信息文件中：请用 --model 指定机型";
inline constexpr wchar_t kWhyPlugAndPlay[] = L"即插即用安装（本厂打印机），硬件ID：";
inline constexpr wchar_t kWhyNoHardwareId[] = L"即插即用安装（本厂打印机），但驱动程序中没有该打印机的USB硬件ID：安装会失败";
inline constexpr wchar_t kWhyNotMakers[] = L"用打印机安装命令安装到端口 %ls（不是本厂的打印机）";
inline constexpr wchar_t kWhyNameBegins[] = L"用打印机安装命令安装到端口 %ls（打印机的标识与打印机名称开头相同）";

// The installation's steps the window does not show.
inline constexpr wchar_t kRemoving[] = L"删除已有的打印机：";
inline constexpr wchar_t kByPlugAndPlay[] = L"即插即用安装，硬件ID：";
inline constexpr wchar_t kNoHardwareId[] = L"即插即用安装：驱动程序中没有该打印机的USB硬件ID";
inline constexpr wchar_t kBySetUpCommand[] = L"用打印机安装命令安装到端口：";
inline constexpr wchar_t kRenaming[] = L"打印机改名为：";
inline constexpr wchar_t kRestartNeeded[] = L"需要重新启动Windows才能完成安装";
inline constexpr wchar_t kBusy[] = L"另一个打印机安装正在进行，请稍后再试";
inline constexpr wchar_t kNoUsbForInstall[] = L"没有检测到连接USB的打印机，不能用 --usb 安装";
inline constexpr wchar_t kInstalled[] = L"已安装：";
inline constexpr wchar_t kNotInstalled[] = L"未安装：";

// The firmware download.
inline constexpr wchar_t kConfirmSuffix[] = L" [Y/N] ";
inline constexpr wchar_t kNotConfirmed[] = L"没有确认，不进行版本升级";
inline constexpr wchar_t kNoConsoleToConfirm[] = L"输入不是控制台，又没有 --yes：不进行版本升级";
inline constexpr wchar_t kBrokenSRecord[] = L"版本文件不是完整的S记录文件，不下载（--force 照样下载）：";
inline constexpr wchar_t kBrokenSRecordForced[] = L"版本文件不是完整的S记录文件，按 --force 照样下载：";
inline constexpr wchar_t kLine[] = L"第%u行：";
inline constexpr wchar_t kStalled[] = L"打印机20秒没有接收数据";

}  // namespace cmdtexts
