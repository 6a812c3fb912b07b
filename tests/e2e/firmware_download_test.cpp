// The firmware download as a user runs it: the firmware page, a path typed
// into the file field, Next, the confirmation, and the outcome, with the
// parallel-port printer simulator in place of the port I/O library.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

const wchar_t kApp[] = L"Printer Install";
const wchar_t kSuccess[] = L"打印机版本更新成功！";

// Sets the simulator's configuration; forgets what an earlier run of it left.
bool Configure(const Medium& medium, const std::string& keys) {
    ::DeleteFileW(medium.Path(WINIO_SIMULATOR_STATS_FILE).c_str());
    ::DeleteFileW(medium.Path(WINIO_SIMULATOR_DEFAULT_CAPTURE).c_str());
    return lpttest::Scratch::Configure(medium.Dir(), keys);
}

long long SimStat(const Medium& medium, const wchar_t* key) { return lpttest::StatsFileValue(medium.Dir(), key); }

// Starts the program, shows the firmware page and types the path into the
// file field, as a user may instead of browsing.
void StartOnFirmwarePage(Program& p, const std::wstring& path) {
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.ClickAndWait(IDC_BTN_FIRMWARE));
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(p.Item(IDC_EDT_VERSIONFILE), WM_SETTEXT, 0,
                                      reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, &ignored));
}

// Presses Next, checks the confirmation and answers it.
void NextAndConfirm(const Program& p, int answer = IDYES) {
    auto confirm = probe::AnswerNextMessageBox(p.Pid(), answer, 10000);
    p.Click(IDC_BTN_NEXT);
    const auto box = confirm.get();
    ASSERT_TRUE(box) << "no confirmation";
    EXPECT_EQ(box.text, L"确定要进行版本升级？确保打印机与主机的缆线已接好，并且打印机已进入下载模式！");
    EXPECT_EQ(box.caption, L"确认框");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.buttons.size(), 2u);
    EXPECT_EQ(box.owner, p.Window());
}

// Waits for the next message box, reads it and closes it with OK.
probe::MessageBoxInfo NextBox(const Program& p, DWORD timeoutMs = 15000) {
    return probe::AnswerNextMessageBox(p.Pid(), IDOK, timeoutMs).get();
}

void ExpectIdle(const Program& p) {
    EXPECT_TRUE(e2e::WaitUntil([&] { return p.Enabled(IDC_BTN_NEXT) && p.Enabled(IDC_BTN_CANCEL); }, 5000))
        << "Next and Cancel are enabled again";
}

void ExitProgram(const Program& p) {
    p.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(p.WaitForExit(10000)) << "Exit closes at once when no job runs";
}

// Each way a download ends, with its message over the window, which is idle
// again afterwards.  A megabyte (every byte value first) arrives byte for
// byte; an empty file succeeds at once; a failure sends nothing.  Answering
// No to the confirmation first starts nothing.
TEST(FirmwareDownload, EachOutcomeIsToldAndTheWindowIsIdleAgain) {
    std::string megabyte = lpttest::RandomBytes(1024 * 1024, 2024);
    for (int v = 0; v < 256; ++v) megabyte[static_cast<size_t>(v)] = static_cast<char>(v);
    const std::string empty;
    const std::string mot = "S00F000068656C6C6F20202020200000";
    const struct {
        const char* name;
        const char* ini;
        bool library;   // winio.dll on the medium
        bool typePath;  // a path in the file field (then the confirmation comes first)
        const std::string* file;  // nullptr: missing
        const wchar_t* text;
        const wchar_t* caption;
        DWORD timeoutMs;
        long long shutdowns;  // ShutdownWinIo calls the simulator saw (-1: never loaded)
    } cases[] = {
        {"1 MB", "BusyReads=2\r\n", true, true, &megabyte, kSuccess, L"OK", 60000, 1},
        {"empty file", "", true, true, &empty, kSuccess, L"OK", 3000, 1},
        {"no file chosen", "", true, false, &mot, L"请选择打印机版本文件！", kApp, 15000, 0},
        {"no port I/O library", "", false, true, &mot, L"当前端口无效！", kApp, 15000, -1},
        {"InitializeWinIo fails", "InitializeFails=1\r\n", true, true, &mot, L"当前端口无效！", kApp, 15000, 0},
        {"printer absent", "Absent=1\r\n", true, true, &mot,
         L"打印机与主机的缆线没连接好，或者打印机没有进入下载模式！", kApp, 15000, 1},
        {"file missing", "", true, true, nullptr, L"打开版本文件失败！", L"ERROR", 15000, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Medium medium;
        ASSERT_TRUE(Configure(medium, c.ini));
        ASSERT_TRUE(c.library || medium.Remove(L"winio.dll"));
        const std::wstring file = medium.Path(L"打印机版本.mot");
        ASSERT_TRUE(!c.file || lpttest::WriteAll(file, *c.file));
        Program program(medium);
        ASSERT_NO_FATAL_FAILURE(StartOnFirmwarePage(program, c.typePath ? file : L""));
        if (c.typePath) {
            NextAndConfirm(program, IDNO);
            ::Sleep(500);
            EXPECT_FALSE(probe::FindMessageBox(program.Pid())) << "No starts nothing";
            NextAndConfirm(program);
        } else {
            program.Click(IDC_BTN_NEXT);
        }
        const auto box = NextBox(program, c.timeoutMs);
        const bool sent = c.text == std::wstring(kSuccess);
        ASSERT_TRUE(box);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.hasIcon, !sent);
        EXPECT_EQ(box.owner, program.Window());
        ExpectIdle(program);
        EXPECT_FALSE(probe::FindMessageBox(program.Pid())) << "one message only";
        EXPECT_EQ(program.ItemText(IDC_EDT_VERSIONFILE), c.typePath ? file : L"");
        EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(medium.Dir()), sent ? *c.file : ""));
        ExitProgram(program);
        // Written by the simulator when the program unloaded it.
        EXPECT_EQ(SimStat(medium, L"ShutdownCalls"), c.shutdowns);
        if (c.shutdowns >= 0) {
            EXPECT_EQ(SimStat(medium, L"Open"), 0) << "port access is closed again";
            EXPECT_EQ(SimStat(medium, L"AccessWhileClosed"), 0);
            EXPECT_EQ(SimStat(medium, L"StrobesWhileBusy"), 0);
        }
    }
}

// The printer stops taking bytes: the job is given up after about 20
// seconds without progress, the port is let go, and the next download runs
// from the start.  While it runs, the window refuses to close and the
// browse button chooses the file for the next download.
TEST(FirmwareDownload, AStallIsGivenUpAndTheNextDownloadSucceeds) {
    Medium medium;
    ASSERT_TRUE(Configure(medium, "BusyReads=1\r\nStallAfterBytes=50000\r\n"));
    const std::string bytes = lpttest::RandomBytes(200 * 1024, 77);
    const std::wstring file = medium.Path(L"fw.data");
    ASSERT_TRUE(lpttest::WriteAll(file, bytes));
    Program program(medium);
    ASSERT_NO_FATAL_FAILURE(StartOnFirmwarePage(program, file));
    NextAndConfirm(program);
    const ULONGLONG start = ::GetTickCount64();

    // Running: Next and Cancel disabled, the page stays, the window stays.
    ASSERT_TRUE(e2e::WaitUntil([&] { return !program.Enabled(IDC_BTN_NEXT); }, 5000));
    EXPECT_FALSE(program.Enabled(IDC_BTN_CANCEL));
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_DRIVER));
    EXPECT_TRUE(program.Visible(IDC_EDT_VERSIONFILE)) << "the page buttons do nothing during a download";
    // The bar stands where the printer stopped taking bytes: 50000 of
    // 204800, 24%.  Looked at above the centred text.
    HWND bar = program.Item(IDC_PROGRESS);
    RECT rc{};
    ::GetClientRect(bar, &rc);
    const int edge = rc.right * 24 / 100;
    const COLORREF barColour = ::GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return probe::ClientPixel(bar, edge - 2, 1) == barColour && probe::ClientPixel(bar, edge + 3, 1) != barColour;
    }, 5000)) << "the bar stopped at 24%";
    EXPECT_TRUE(probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"firmware-stalled.bmp"));
    auto exitBox = probe::AnswerNextMessageBox(program.Pid(), IDOK, 5000);
    program.Click(IDC_BTN_EXIT);
    const auto refusedExit = exitBox.get();
    EXPECT_EQ(refusedExit.text, L"正在下载打印机版本，请稍后再退出！");
    EXPECT_EQ(refusedExit.caption, kApp);
    auto closeBox = probe::AnswerNextMessageBox(program.Pid(), IDOK, 5000);
    ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(closeBox.get().text, L"正在下载打印机版本，请稍后再关闭！");
    EXPECT_TRUE(program.Running());
    // The browse button stays usable: the choice is for the next download;
    // cancelling the file dialog keeps the path.
    const std::string next = lpttest::RandomBytes(100 * 1024, 78);
    const std::wstring nextFile = medium.Path(L"next.mot");
    ASSERT_TRUE(lpttest::WriteAll(nextFile, next));
    ASSERT_NO_FATAL_FAILURE(e2e::Browse(program, nextFile));
    EXPECT_TRUE(e2e::WaitUntil([&] { return program.ItemText(IDC_EDT_VERSIONFILE) == nextFile; }, 5000))
        << "the field shows the chosen file's full path";
    ASSERT_NO_FATAL_FAILURE(e2e::Browse(program, L""));
    EXPECT_FALSE(program.Enabled(IDC_BTN_NEXT)) << "still downloading";

    const auto outcome = NextBox(program, 40000);
    const ULONGLONG waited = ::GetTickCount64() - start;
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome.text, L"更新版本过程中有错误发生！");
    EXPECT_EQ(outcome.caption, L"ERROR");
    EXPECT_TRUE(outcome.hasIcon);
    EXPECT_GE(waited, 19000u) << "given up only after about 20 seconds without progress";
    ExpectIdle(program);
    // The given-up transfer stopped and let go of the port.
    EXPECT_TRUE(e2e::WaitUntil([&] { return SimStat(medium, L"ShutdownCalls") == 1; }, 5000));
    EXPECT_EQ(SimStat(medium, L"Open"), 0);
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(medium.Dir()), bytes.substr(0, 50000)));
    EXPECT_EQ(program.ItemText(IDC_EDT_VERSIONFILE), nextFile) << "cancelling the file dialog kept the path";

    // The printer works again; the next download sends the file chosen.
    ASSERT_TRUE(Configure(medium, "BusyReads=1\r\n"));
    NextAndConfirm(program);
    EXPECT_EQ(NextBox(program, 30000).text, kSuccess);
    ExpectIdle(program);
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(medium.Dir()), next))
        << "the second download sent the file chosen meanwhile";
    EXPECT_EQ(SimStat(medium, L"InitializeSucceeded"), 2);
    EXPECT_EQ(SimStat(medium, L"ShutdownCalls"), 2);
    EXPECT_EQ(SimStat(medium, L"AccessWhileClosed"), 0) << "no register access outside port access";
    EXPECT_EQ(SimStat(medium, L"StrobesWhileBusy"), 0);
    ExitProgram(program);
}

// The demo medium as ./run lays it out, with its own simulator settings: its
// sample firmware reaches the simulated printer slowly enough for the bar to
// be seen on its way, and the bar is back at the start afterwards.
TEST(FirmwareDownload, TheDemoMediumsSampleFirmwareArrivesWithTheBarOnItsWay) {
    Medium medium;
    ::DeleteFileW(medium.Path(WINIO_SIMULATOR_DEFAULT_CAPTURE).c_str());
    const std::wstring file = medium.Path(L"Firmware\\OP-730K_V1.18_demo.mot");
    const std::string bytes = lpttest::ReadAll(file);
    ASSERT_GT(bytes.size(), 10000u);
    Program program(medium);
    ASSERT_NO_FATAL_FAILURE(StartOnFirmwarePage(program, file));
    HWND bar = program.Item(IDC_PROGRESS);
    RECT rc{};
    ::GetClientRect(bar, &rc);
    const int y = rc.bottom / 2;
    const auto onItsWay = [&] {
        return probe::ClientPixel(bar, 1, y) == ::GetSysColor(COLOR_HIGHLIGHT) &&
               probe::ClientPixel(bar, rc.right - 2, y) != ::GetSysColor(COLOR_HIGHLIGHT);
    };
    EXPECT_FALSE(onItsWay()) << "the bar starts empty";
    NextAndConfirm(program);
    auto outcome = probe::AnswerNextMessageBox(program.Pid(), IDOK, 120000);
    int seen = 0;
    bool pictured = false;
    while (outcome.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!onItsWay()) continue;
        ++seen;
        // The README's picture of a download on its way, once past 40%.
        if (!pictured && probe::ClientPixel(bar, rc.right * 2 / 5, y) == ::GetSysColor(COLOR_HIGHLIGHT))
            pictured = probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + L"firmware-download.bmp");
    }
    EXPECT_EQ(outcome.get().text, kSuccess);
    EXPECT_GE(seen, 5) << "the bar was seen part of the way";
    ExpectIdle(program);
    EXPECT_FALSE(onItsWay()) << "the bar is back at the start";
    EXPECT_TRUE(lpttest::SameBytes(lpttest::Captured(medium.Dir()), bytes));
    ExitProgram(program);
}

}  // namespace
