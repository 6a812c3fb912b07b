// "PrinterInstallCmd.exe", the console program beside the installer, as a
// deployment tool or a service engineer runs it: its output (UTF-8 when
// redirected), its exit code and what it did, with Wine's real spooler, the
// simulated USB printer bus and the parallel-port printer simulator.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "support/json_reader.h"
#include "usb_printer_fixture.h"

namespace {

using e2e::ConsoleRun;
using e2e::Medium;
using e2e::RunConsole;
using Texts = std::vector<std::wstring>;

constexpr DWORD kBadCommandLine = 1639, kFailed = 1603, kBusy = 1618, kNotConfirmed = 1602;

jsontest::Value Json(const ConsoleRun& run) {
    auto parsed = jsontest::Parse(run.out);
    EXPECT_TRUE(parsed) << "not one JSON document: " << run.out;
    return parsed.value_or(jsontest::Value{});
}

bool Contains(const std::string& utf8, const std::wstring& text) {
    return e2e::Utf8ToWide(utf8).find(text) != std::wstring::npos;
}

std::string Gbk(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// A catalogue whose order differs from any sorted one, with a manual that
// is missing and a model that has none of its own.
const wchar_t kCatalogue[] =
    L"[PRINTER_SERIES]\r\n系列甲\r\nSeries B\r\n"
    L"[系列甲]\r\n曜驰7730\r\nOP-730K\r\n"
    L"[Series B]\r\nOP-9150\r\n"
    L"[PRINTER_NAME]\r\n曜驰7730=Orvane VP-7730\r\nOP-730K=Orvane OP-730K\r\nOP-9150=Orvane OP-9150\r\n"
    L"[PRINTER_TYPE]\r\nOrvane VP-7730=24\r\nOrvane OP-730K=24\r\nOrvane OP-9150=9\r\n"
    L"[PRINTER_MAN]\r\n曜驰7730=VP-7730.pdf\r\nOP-730K=没有这本.pdf\r\n";

TEST(ConsoleList, JsonGivesTheCatalogueInItsOrderFromAUtf16OrAGbkCatalogue) {
    for (bool gbk : {false, true}) {
        SCOPED_TRACE(gbk ? "GBK" : "UTF-16");
        Medium medium;
        ASSERT_TRUE(gbk ? medium.Put(L"PrinterInfor.Inf", Gbk(kCatalogue)) : medium.PutCatalogue(kCatalogue));
        const ConsoleRun run = RunConsole(medium, {L"list", L"--json"});
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_FALSE(run.windowSeen);
        const jsontest::Value doc = Json(run);
        const struct {
            const wchar_t *series, *model, *printerName, *pin, *manual;
            bool manualPresent;
        } expected[] = {
            {L"系列甲", L"曜驰7730", L"Orvane VP-7730", L"24", L"OrvaneManual\\VP-7730.pdf", true},
            {L"系列甲", L"OP-730K", L"Orvane OP-730K", L"24", L"OrvaneManual\\没有这本.pdf", false},
            {L"Series B", L"OP-9150", L"Orvane OP-9150", L"9", L"OrvaneManual\\Printer.PDF", true},
        };
        std::vector<std::wstring> got;
        for (const auto& s : doc[L"series"].items)
            for (const auto& m : s[L"models"].items)
                got.push_back(s[L"name"].string + L"|" + m[L"model"].string + L"|" + m[L"printerName"].string + L"|" +
                              m[L"pinType"].string + L"|" + m[L"manual"].string + L"|" +
                              (m[L"manualPresent"].boolean ? L"present" : L"absent"));
        std::vector<std::wstring> want;
        for (const auto& e : expected)
            want.push_back(std::wstring(e.series) + L"|" + e.model + L"|" + e.printerName + L"|" + e.pin + L"|" +
                           medium.Path(e.manual) + L"|" + (e.manualPresent ? L"present" : L"absent"));
        EXPECT_EQ(got, want);
        EXPECT_EQ(doc[L"series"].items.size(), 2u);
    }
}

// The words and exit codes of a command line that is wrong; help asks for
// nothing and tells the exit codes.
TEST(ConsoleArguments, AWrongCommandLineIsRefusedWithItsReason) {
    Medium medium;
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* says;
    } cases[] = {
        {{L"uninstall"}, L"未知的命令：uninstall"},
        {{L"list", L"--yaml"}, L"未知的选项：--yaml"},
        {{L"list", L"--model", L"OP-730K"}, L"该命令没有这个选项：--model"},
        {{L"install", L"--port", L"LPT1:"}, L"缺少选项：--model"},
        {{L"install", L"--model", L"OP-730K"}, L"缺少选项：--port"},
        {{L"install", L"--model", L"OP-730K", L"--port", L"LPT1:", L"--usb"}, L"--port 和 --usb 只能用一个"},
        {{L"install", L"--model", L"--usb"}, L"选项缺少值：--model"},
        {{L"firmware", L"--yes"}, L"缺少选项：--file"},
        {{L"detect", L"--json", L"--json"}, L"选项重复：--json"},
        {{L"installed", L"OP-730K"}, L"多余的参数：OP-730K"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(usbe2e::Narrow(c.args.front() + L" " + (c.args.size() > 1 ? c.args[1] : L"")));
        const ConsoleRun run = RunConsole(medium, c.args);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, kBadCommandLine);
        EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
    const ConsoleRun help = RunConsole(medium, {L"help"});
    EXPECT_EQ(help.exitCode, 0u);
    for (const wchar_t* part : {L"install --model", L"退出码", L"1618", L"3010", L"26"})
        EXPECT_TRUE(Contains(help.out, part)) << part;
}

// ---- The set-up command, and the detection rule of deployment tools ----------

class ConsoleInstall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Installed());
        e2e::DeletePrinterNamed(L"Orvane 曜驰7730");
        e2e::DeletePrinterNamed(L"Orvane VP-7730");
    }
    void TearDown() override { SetUp(); }
    void Configure(const std::string& settings) {
        ASSERT_TRUE(e2e::WriteFileBytes(host_.ConfigPath(), "[stand-in]\n" + settings));
    }
    std::wstring Inf24() const { return medium_.Path(L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF"); }
    e2e::SystemSetUpHost host_{e2e::StandInExe()};
    Medium medium_;
};

// The window's installation through the set-up command, run by the console
// program: the same three commands, one progress line per step, the outcome
// as the exit code; and `installed`, the detection rule, before and after.
TEST_F(ConsoleInstall, TheSetUpCommandInstallsAsTheWindowDoesAndInstalledTellsIt) {
    const std::wstring driver = e2e::PrinterDriverForTests();
    const std::vector<std::wstring> install = {L"install", L"--model", L"曜驰7730", L"--port", L"LPT1:", L"--default",
                                               L"--test-page"};
    // Nothing created: the failure.
    ConsoleRun run = RunConsole(medium_, install);
    EXPECT_EQ(run.exitCode, kFailed) << run.err;
    EXPECT_TRUE(Contains(run.err, L"打印机驱动安装失败！"));
    EXPECT_EQ(RunConsole(medium_, {L"installed", L"--model", L"曜驰7730"}).exitCode, 1u);

    ::DeleteFileW(host_.LogPath().c_str());
    Configure("create_driver=" + std::string(driver.begin(), driver.end()) + "\n");
    run = RunConsole(medium_, install);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_FALSE(run.windowSeen) << "no window of the console program";
    EXPECT_EQ(run.OutLines(), (Texts{L"正在安装打印机驱动", L"用打印机安装命令安装到端口：LPT1:", L"打印机驱动安装成功",
                                     L"正在设置为默认打印机", L"打印机改名为：Orvane 曜驰7730", L"正在打印测试页",
                                     L"打印机驱动安装过程完成", L"打印机驱动安装成功！"}));
    const Texts commands = e2e::LogLines(host_.LogPath());
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(e2e::ParametersOf(commands[0]), L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane VP-7730\" /f \"" + Inf24() +
                                                  L"\" /r \"LPT1:\" /m \"Orvane VP-7730\" ");
    EXPECT_EQ(e2e::ParametersOf(commands[1]), L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\"");
    EXPECT_EQ(e2e::ParametersOf(commands[2]), L"PRINTUI.DLL,PrintUIEntry /k /q /n \"Orvane 曜驰7730\"");
    EXPECT_TRUE(e2e::HasPrinter(L"Orvane 曜驰7730"));
    const ConsoleRun installed = RunConsole(medium_, {L"installed", L"--model", L"曜驰7730", L"--json"});
    EXPECT_EQ(installed.exitCode, 0u);
    EXPECT_TRUE(Json(installed)[L"installed"].boolean);
    EXPECT_EQ(Json(installed)[L"printerName"].string, L"Orvane 曜驰7730");
}

// What cannot be installed is refused before anything runs, each with its
// code; an installation running elsewhere answers at once.
TEST_F(ConsoleInstall, WhatCannotBeInstalledIsRefusedBeforeAnythingRuns) {
    const std::vector<std::wstring> ok = {L"install", L"--model", L"OP-730K", L"--port", L"LPT1:"};
    const struct {
        const char* name;
        std::vector<std::wstring> args;
        DWORD exitCode;
        const wchar_t* says;
    } cases[] = {
        {"a model the catalogue does not list", {L"install", L"--model", L"OP-999", L"--port", L"LPT1:"},
         kBadCommandLine, L"安装信息文件中没有这个机型：OP-999"},
        {"a port the spooler does not have", {L"install", L"--model", L"OP-730K", L"--port", L"LPT9:"},
         kBadCommandLine, L"没有这个端口：LPT9:"},
        {"--usb with no USB printer", {L"install", L"--model", L"OP-730K", L"--usb"}, kFailed,
         L"没有检测到连接USB的打印机"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ConsoleRun run = RunConsole(medium_, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
    }
    {
        SCOPED_TRACE("another installation holds the lock");
        win::UniqueHandle other(::CreateMutexW(nullptr, TRUE, L"Global\\OrvanePrinterInstall.Installation"));
        ASSERT_TRUE(other);
        const ConsoleRun run = RunConsole(medium_, ok);
        EXPECT_EQ(run.exitCode, kBusy);
        EXPECT_LT(run.milliseconds, 10000u) << "at once, not after waiting";
        EXPECT_TRUE(Contains(run.out, L"另一个打印机安装正在进行"));
        ::ReleaseMutex(other.get());
    }
    {
        SCOPED_TRACE("no catalogue");
        ASSERT_TRUE(medium_.Remove(L"PrinterInfor.Inf"));
        const ConsoleRun run = RunConsole(medium_, ok);
        EXPECT_EQ(run.exitCode, kFailed);
        EXPECT_TRUE(Contains(run.err, L"读不到安装信息文件"));
    }
    EXPECT_TRUE(e2e::LogLines(host_.LogPath()).empty()) << "no set-up command ran";
}

// ---- An attached USB printer ---------------------------------------------------

class ConsoleUsb : public usbe2e::UsbPrinterE2E {};

TEST_F(ConsoleUsb, DetectTellsThePrinterAndHowInstallUsbWouldInstallIt) {
    const struct {
        const char* name;
        std::optional<usbprintsim::Printer> printer;
        DWORD exitCode;
        const wchar_t *port, *model, *series, *path, *reason;
    } cases[] = {
        {"no printer", std::nullopt, 1, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"the maker's printer", usbe2e::MakePrinter(L"D3", 3, "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;"), 0,
         L"USB003", L"曜驰7730", L"Orvane 曜驰高速系列", L"plug-and-play", L"USBPRINT\\OrvaneVP-77305E31"},
        {"another maker's printer", usbe2e::MakePrinter(L"D7", 7, "MFG:EPSON;CMD:ESCP9;MDL:OP-730K;"), 0, L"USB007",
         L"OP-730K", L"Orvane 经典24针系列", L"set-up-command", L"USB007"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        if (c.printer) Attach(*c.printer);
        const ConsoleRun run = RunConsole(medium_, {L"detect", L"--json"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        const jsontest::Value doc = Json(run);
        EXPECT_EQ(doc[L"attached"].boolean, c.printer.has_value());
        if (!c.printer) continue;
        EXPECT_EQ(doc[L"port"].string, c.port);
        EXPECT_EQ(doc[L"vid"].string, L"1A86");
        EXPECT_EQ(doc[L"pid"].string, L"7584");
        EXPECT_NE(doc[L"deviceId"].string.find(L"MDL:"), std::wstring::npos);
        EXPECT_EQ(doc[L"model"].string, c.model);
        EXPECT_EQ(doc[L"series"].string, c.series);
        EXPECT_EQ(doc[L"installPath"].string, c.path);
        EXPECT_NE(doc[L"reason"].string.find(c.reason), std::wstring::npos) << usbe2e::Narrow(doc[L"reason"].string);
        ExpectLetGo(*c.printer);
    }
}

// `install --usb` of the maker's attached printer: Plug and Play with the
// medium INF's hardware ID puts the driver on that printer.
TEST_F(ConsoleUsb, InstallUsbPutsTheDriverOnTheAttachedPrinterThroughPlugAndPlay) {
    usbprintsim::Printer printer = usbe2e::MakePrinter(L"P3", 3, "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;");
    printer.printHardwareId = L"USBPRINT\\OrvaneVP-77305E31";
    Attach(printer);
    ASSERT_EQ(usbprintsim::PrintDeviceValue(printer, L"Driver"), L"");
    const ConsoleRun run = RunConsole(medium_, {L"install", L"--model", L"曜驰7730", L"--usb", L"--json"});
    EXPECT_TRUE(run.exitCode == 0u || run.exitCode == 3010u) << run.exitCode << " " << run.err;
    EXPECT_FALSE(run.windowSeen);
    const jsontest::Value doc = Json(run);
    EXPECT_EQ(doc[L"outcome"].string, L"succeeded");
    EXPECT_EQ(doc[L"port"].string, L"USB003");
    Texts steps;
    for (const auto& s : doc[L"steps"].items) steps.push_back(s[L"step"].string + L" " + s[L"detail"].string);
    EXPECT_EQ(steps, (Texts{L"installing ", L"plug-and-play USBPRINT\\OrvaneVP-77305E31", L"installed ",
                            L"renaming Orvane 曜驰7730", L"finished "}));
    EXPECT_NE(usbprintsim::PrintDeviceValue(printer, L"Driver"), L"") << "the printer has its driver";
    EXPECT_EQ(usbprintsim::PrintDeviceValue(printer, L"Class"), L"Printer");
}

// ---- Firmware ---------------------------------------------------------------------

// S-records of `data` in 32-byte records with an end record.
std::string SRecords(const std::string& data) {
    const auto record = [](const std::string& type, const std::string& payload) {
        std::string body(1, static_cast<char>(payload.size() + 1));
        body += payload;
        unsigned sum = 0;
        for (unsigned char c : body) sum += c;
        body += static_cast<char>(~sum & 0xFF);
        static const char* hex = "0123456789ABCDEF";
        std::string line = type;
        for (unsigned char c : body) line += {hex[c >> 4], hex[c & 0xF]};
        return line + "\r\n";
    };
    std::string out = record("S0", std::string("\0\0test", 6));
    for (size_t at = 0; at < data.size(); at += 32) {
        std::string payload;
        for (int shift = 24; shift >= 0; shift -= 8) payload += static_cast<char>((at >> shift) & 0xFF);
        out += record("S3", payload + data.substr(at, 32));
    }
    return out + record("S7", std::string(4, '\0'));
}

TEST(ConsoleFirmware, TheFileIsCheckedConfirmedSentAndItsOutcomeIsTheExitCode) {
    const std::string mot = SRecords(lpttest::RandomBytes(20000, 5));
    std::string brokenMot = mot;
    brokenMot[brokenMot.size() / 2] = brokenMot[brokenMot.size() / 2] == 'A' ? 'B' : 'A';
    const std::string data = lpttest::RandomBytes(3000, 6);
    const struct {
        const char* name;
        const char* simulator;
        bool library;
        const wchar_t* file;
        const std::string* bytes;  // nullptr: the file is missing
        std::vector<std::wstring> options;
        DWORD exitCode;
        bool sent;
        const wchar_t* says;
    } cases[] = {
        {"an S-record file", "BusyReads=1\r\n", true, L"版本.mot", &mot, {L"--yes"}, 0, true, L"打印机版本更新成功！"},
        {"any other file unchecked", "", true, L"fw.data", &data, {L"--yes"}, 0, true, L"打印机版本更新成功！"},
        {"an empty file", "", true, L"empty.data", nullptr, {L"--yes"}, 0, true, L"打印机版本更新成功！"},
        {"a broken S-record file", "", true, L"broken.mot", &brokenMot, {L"--yes"}, 26, false,
         L"版本文件不是完整的S记录文件"},
        {"a broken one forced", "", true, L"broken.mot", &brokenMot, {L"--yes", L"--force"}, 0, true,
         L"按 --force 照样下载"},
        {"not confirmed: input is no console", "", true, L"fw.data", &data, {}, kNotConfirmed, false,
         L"又没有 --yes"},
        {"a missing file", "", true, L"missing.data", nullptr, {L"--yes"}, 22, false, L"打开版本文件失败！"},
        {"no port I/O library", "", false, L"fw.data", &data, {L"--yes"}, 20, false, L"当前端口无效！"},
        {"no printer in download mode", "Absent=1\r\n", true, L"fw.data", &data, {L"--yes"}, 21, false,
         L"打印机与主机的缆线没连接好，或者打印机没有进入下载模式！"},
    };
    const std::string empty;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Medium medium;
        ::DeleteFileW(medium.Path(WINIO_SIMULATOR_DEFAULT_CAPTURE).c_str());
        ASSERT_TRUE(lpttest::Scratch::Configure(medium.Dir(), c.simulator));
        ASSERT_TRUE(c.library || medium.Remove(L"winio.dll"));
        const bool emptyFile = std::wstring(c.file) == L"empty.data";
        if (c.bytes || emptyFile) {
            ASSERT_TRUE(medium.Put(c.file, c.bytes ? *c.bytes : empty));
        }
        std::vector<std::wstring> args = {L"firmware", L"--file", medium.Path(c.file)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ConsoleRun run = RunConsole(medium, args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_TRUE(Contains(run.out + run.err, c.says)) << run.out << run.err;
        EXPECT_FALSE(run.windowSeen);
        const std::string captured = lpttest::Captured(medium.Dir());
        EXPECT_TRUE(lpttest::SameBytes(captured, c.sent ? (c.bytes ? *c.bytes : empty) : ""));
        if (!c.sent || !c.bytes) continue;
        // One line at each new percent, rising to 100.
        std::vector<int> percents;
        for (const auto& line : run.OutLines())
            if (line.rfind(L"当前进度：", 0) == 0) percents.push_back(std::stoi(line.substr(5)));
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.back(), 100);
        for (size_t i = 1; i < percents.size(); ++i) EXPECT_GT(percents[i], percents[i - 1]);
    }
}

// A printer that stops taking bytes: given up after about 20 seconds
// without progress, as the window does, with its own exit code.
TEST(ConsoleFirmware, AStalledPrinterIsGivenUpAfterTwentySeconds) {
    Medium medium;
    ASSERT_TRUE(lpttest::Scratch::Configure(medium.Dir(), "StallAfterBytes=2000\r\nBusyReads=1\r\n"));
    ASSERT_TRUE(medium.Put(L"fw.data", lpttest::RandomBytes(10000, 8)));
    const ConsoleRun run = RunConsole(medium, {L"firmware", L"--file", medium.Path(L"fw.data"), L"--yes", L"--json"}, 40000);
    EXPECT_EQ(run.exitCode, 24u) << run.err;
    EXPECT_GE(run.milliseconds, 19000u);
    EXPECT_LE(run.milliseconds, 25000u);
    const jsontest::Value doc = Json(run);
    EXPECT_EQ(doc[L"outcome"].string, L"transfer-failed");
    EXPECT_EQ(doc[L"peakPercent"].number, 20);
    EXPECT_TRUE(Contains(run.err, L"更新版本过程中有错误发生！"));
}

}  // namespace

namespace {

// On a console of its own the program writes wide text and asks there: the
// confirmation reads right, and so does what follows once the console has
// been switched to an English code page (437); the answer "n" is a refusal.
TEST(ConsoleOutput, OnAConsoleTheWordsReadRightWhateverItsCodePage) {
    Medium medium;
    ASSERT_TRUE(medium.Put(L"fw.data", "firmware"));
    const std::wstring exe = medium.Path(L"PrinterInstallCmd.exe");
    std::wstring cmd = L"\"" + exe + L"\" firmware --file \"" + medium.Path(L"fw.data") + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                                 medium.Dir().c_str(), &si, &pi));
    win::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ::FreeConsole();
    const bool attached = e2e::WaitUntil([&] { return ::AttachConsole(pi.dwProcessId) != FALSE; }, 10000);
    ASSERT_TRUE(attached);
    win::UniqueFile screen(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    win::UniqueFile keyboard(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    const auto shown = [&] {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        ::GetConsoleScreenBufferInfo(screen.get(), &info);
        std::wstring text(static_cast<size_t>(info.dwSize.X) * (info.dwCursorPosition.Y + 1), L' ');
        DWORD read = 0;
        ::ReadConsoleOutputCharacterW(screen.get(), text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
        text.resize(read);
        return text;
    };
    const std::wstring question = L"确定要进行版本升级？确保打印机与主机的缆线已接好，并且打印机已进入下载模式！";
    EXPECT_TRUE(e2e::WaitUntil([&] { return shown().find(question) != std::wstring::npos; }, 10000))
        << "the question as asked";
    ::SetConsoleOutputCP(437);
    INPUT_RECORD keys[4] = {};
    const wchar_t typed[] = {L'n', L'\r'};
    for (int i = 0; i < 4; ++i) {
        keys[i].EventType = KEY_EVENT;
        keys[i].Event.KeyEvent.bKeyDown = i % 2 == 0;
        keys[i].Event.KeyEvent.wRepeatCount = 1;
        keys[i].Event.KeyEvent.uChar.UnicodeChar = typed[i / 2];
        keys[i].Event.KeyEvent.wVirtualKeyCode = i / 2 == 0 ? 'N' : VK_RETURN;
    }
    DWORD written = 0;
    ASSERT_TRUE(::WriteConsoleInputW(keyboard.get(), keys, 4, &written));
    EXPECT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 1602u);
    EXPECT_NE(shown().find(L"没有确认，不进行版本升级"), std::wstring::npos) << "read right on code page 437";
    screen.reset();
    keyboard.reset();
    ::FreeConsole();
}

}  // namespace
