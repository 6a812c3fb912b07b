// "下一步" on the driver page of the real dialog: the job starts on its
// worker, the buttons are held while it runs, its message boxes belong to
// the dialog, its status texts reach the status line, and timer 1 gives the
// buttons back.  The spooler and set-up process are simulated.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue_test_files.h"
#include "install_spooler_sim.h"
#include "install_test_medium.h"
#include "main_dialog_runner.h"
#include "win/lpt_simulator.h"
#include "res/resource.h"
#include "win/unique.h"

namespace {

using dlgtest::Click;
using dlgtest::RunDialog;
using probe::WaitUntil;

bool Enabled(HWND dlg, int id) { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }

// Puts a model the catalogue does not name into the model list and selects
// it; the port combo keeps the port the page selected.
void ChooseUnnamedModel(HWND dlg) {
    HWND list = ::GetDlgItem(dlg, IDC_LST_MODEL);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"NoSuchModel"));
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
}

TEST(InstallDialog, FailedJobHoldsTheButtonsShowsItsBoxOverTheDialogAndTimerGivesThemBack) {
    spoolsim::Reset(spoolsim::World{.printers = {spoolsim::Printer{L"Fax"}}, .realMessageBoxes = true});
    CPrinterInstallDlg dlg(spoolsim::Api());
    probe::MessageBoxInfo box;
    bool heldWhileBoxOpen = false, heldLater = false, installingWhileBoxOpen = false;
    bool buttonsBack = false;
    int doneAfter = 99, installingAfter = 99;
    UINT_PTR timerAfter = 99;
    HWND dialogWindow = nullptr;
    RunDialog(dlg, [&](HWND wnd) {
        dialogWindow = wnd;
        ChooseUnnamedModel(wnd);
        Click(wnd, IDC_BTN_NEXT);
        box = probe::WaitForMessageBox(::GetCurrentProcessId(), 10000);
        heldWhileBoxOpen = !Enabled(wnd, IDC_BTN_NEXT) && !Enabled(wnd, IDC_BTN_CANCEL);
        installingWhileBoxOpen = dlg.m_bInstalling.load() == 1 && dlg.m_bInstallDone.load() == 0;
        // Several ticks of timer 1 pass without the job having ended.
        ::Sleep(300);
        heldLater = !Enabled(wnd, IDC_BTN_NEXT) && !Enabled(wnd, IDC_BTN_CANCEL) && dlg.m_bInstalling.load() == 1;
        if (box) probe::PressButton(box.wnd, IDOK);
        buttonsBack = WaitUntil([&] { return Enabled(wnd, IDC_BTN_NEXT) && Enabled(wnd, IDC_BTN_CANCEL); });
        doneAfter = dlg.m_bInstallDone.load();
        installingAfter = dlg.m_bInstalling.load();
        timerAfter = dlg.m_nInstallTimer;
        Click(wnd, IDC_BTN_EXIT);
    });
    ASSERT_TRUE(box);
    EXPECT_EQ(box.text, L"打印机驱动安装失败！");
    EXPECT_EQ(box.caption, L"OK");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.owner, dialogWindow);
    EXPECT_TRUE(heldWhileBoxOpen);
    EXPECT_TRUE(installingWhileBoxOpen);
    EXPECT_TRUE(heldLater);
    EXPECT_TRUE(buttonsBack);
    EXPECT_EQ(doneAfter, 0);
    EXPECT_EQ(installingAfter, 0);
    EXPECT_EQ(timerAfter, 0u);
    // A model without a printer name runs no command, even with printers
    // present that an empty name would "find".
    EXPECT_TRUE(spoolsim::Snapshot().started.empty());
    // The worker's last status text reached the status line.
    EXPECT_EQ(dlg.m_stcInstallStatus.GetText(), L"打印机驱动安装失败");
}

// A window of this (the dialog's) thread that, when posted WM_APP, keeps the
// thread busy until g_release is set: timer 1 cannot run meanwhile.
std::atomic<bool> g_held{false};
HANDLE g_release = nullptr;

LRESULT CALLBACK BlockingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_APP) return ::DefWindowProcW(wnd, msg, wp, lp);
    g_held = true;
    ::WaitForSingleObject(g_release, 20000);
    return 0;
}

TEST(InstallDialog, FailedInstallationLeavesMinusOneUntilTimerOneSeesIt) {
    std::promise<void> boxReached;
    auto reached = boxReached.get_future();
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    spoolsim::Reset(spoolsim::World{.onMessageBox = [&](const std::wstring&) {
        boxReached.set_value();
        opened.wait();
    }});
    CPrinterInstallDlg dlg(spoolsim::Api());
    WNDCLASSW wc{};
    wc.lpfnWndProc = BlockingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PiInstallTestBlocker";
    ::RegisterClassW(&wc);
    HWND blocker =
        ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    win::UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_release = release.get();
    bool sawMinusOne = false, stayedMinusOne = false, stillHeld = false, buttonsBack = false;
    int doneAfter = 99;
    RunDialog(dlg, [&](HWND wnd) {
        ChooseUnnamedModel(wnd);
        Click(wnd, IDC_BTN_NEXT);
        if (reached.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            gate.set_value();
            return;
        }
        ::PostMessageW(blocker, WM_APP, 0, 0);
        const bool held = WaitUntil([] { return g_held.load(); }, 5000);
        gate.set_value();  // the failure box is answered; the worker ends
        if (held) {
            sawMinusOne = WaitUntil([&] { return dlg.m_bInstallDone.load() == -1; }, 5000);
            ::Sleep(200);
            stayedMinusOne = dlg.m_bInstallDone.load() == -1;
            stillHeld = !Enabled(wnd, IDC_BTN_NEXT) && dlg.m_bInstalling.load() == 1;
        }
        ::SetEvent(g_release);
        buttonsBack = WaitUntil([&] { return Enabled(wnd, IDC_BTN_NEXT) && Enabled(wnd, IDC_BTN_CANCEL); });
        doneAfter = dlg.m_bInstallDone.load();
        Click(wnd, IDC_BTN_EXIT);
    });
    EXPECT_TRUE(sawMinusOne);
    EXPECT_TRUE(stayedMinusOne);
    EXPECT_TRUE(stillHeld);
    EXPECT_TRUE(buttonsBack);
    EXPECT_EQ(doneAfter, 0);
    ::DestroyWindow(blocker);
    spoolsim::Reset(spoolsim::World{});  // drops the hook that refers to this test's locals
}

// Regression: the status message carried a heap text that the dialog took
// over from whoever sent it, so a message from elsewhere made it free memory
// it did not own.  Now it names a place in the job's own table of texts.
TEST(InstallDialog, RegressionAStatusMessageOnlyNamesOneOfTheJobsTexts) {
    CPrinterInstallDlg dlg(dlgtest::SystemApi());
    std::wstring before, afterForeign, afterOwn, foreign = L"foreign";
    RunDialog(dlg, [&](HWND wnd) {
        before = dlg.m_stcInstallStatus.GetText();
        ::SendMessageW(wnd, CPrinterInstallDlg::kMsgInstallStatus, 1000, reinterpret_cast<LPARAM>(&foreign));
        afterForeign = dlg.m_stcInstallStatus.GetText();
        ::SendMessageW(wnd, CPrinterInstallDlg::kMsgInstallStatus, 2, reinterpret_cast<LPARAM>(&foreign));
        afterOwn = dlg.m_stcInstallStatus.GetText();
        Click(wnd, IDC_BTN_EXIT);
    });
    EXPECT_EQ(afterForeign, before);
    EXPECT_EQ(afterOwn, L"打印机驱动安装失败");
    EXPECT_EQ(foreign, L"foreign");
}

// The dialog as the installation's receiver: every status text the status
// line shows, in order, and the message boxes over the dialog (the job
// waits for each), for a run that succeeds and one whose set-up command does
// not start.  The catalogue lies next to the test program, where the
// dialog looks for it.
class StatusRecordingDlg : public CPrinterInstallDlg {
public:
    using CPrinterInstallDlg::CPrinterInstallDlg;
    std::vector<std::wstring> statuses;

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        const bool handled = CPrinterInstallDlg::OnMessage(msg, wp, lp, result);
        if (msg == kMsgInstallStatus) statuses.push_back(m_stcInstallStatus.GetText());
        return handled;
    }
};

TEST(InstallDialog, StatusLineAndBoxesTellEachStepOfTheJob) {
    const std::wstring dir = lpttest::ExeDir();
    const std::wstring inf = dir + L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";
    ASSERT_TRUE(lpttest::WriteAll(dir + L"PrinterInfor.Inf", cattest::Utf16File(insttest::CatalogueText())));
    for (const wchar_t* d : {L"OrvaneDriver", L"OrvaneDriver\\OrvaneDriver", L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin"})
        ::CreateDirectoryW((dir + d).c_str(), nullptr);
    ASSERT_TRUE(lpttest::WriteAll(inf, insttest::Inf24Pin()));
    struct Cleanup {
        std::wstring dir;
        ~Cleanup() {
            ::DeleteFileW((dir + L"PrinterInfor.Inf").c_str());
            lpttest::RemoveTree(dir + L"OrvaneDriver\\");
        }
    } cleanup{dir};
    using Box = std::tuple<bool, std::wstring, std::wstring, UINT>;  // owned by the dialog, caption, text, type
    const struct {
        const char* name;
        spoolsim::World world;
        std::wstring model;
        std::vector<std::wstring> statuses;
        std::vector<Box> boxes;
    } cases[] = {
        {"a high-speed printer, made the default, with a test page", {}, L"曜驰7730",
         {L"正在安装打印机驱动", L"打印机驱动安装成功", L"正在设置为默认打印机", L"正在打印测试页", L"打印机驱动安装过程完成"},
         {{true, L"OK", L"打印机驱动安装成功！", MB_OK}}},
        {"the set-up command cannot start", {.startError = ERROR_FILE_NOT_FOUND}, L"OP-730K",
         {L"正在安装打印机驱动", L"打印机驱动安装失败"},
         {{false, L"ERROR", L"The specified file was not found.", MB_OK | MB_ICONERROR},
          {true, L"OK", L"打印机驱动安装失败！", MB_OK | MB_ICONERROR}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        insttest::NoUsbPrinter();
        spoolsim::Reset(c.world);
        StatusRecordingDlg dlg(spoolsim::Api());
        HWND dialogWindow = nullptr;
        RunDialog(dlg, [&](HWND wnd) {
            dialogWindow = wnd;
            HWND list = ::GetDlgItem(wnd, IDC_LST_MODEL);
            ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.model.c_str()));
            ::SendMessageW(list, LB_SETCURSEL, 0, 0);
            ::SendMessageW(::GetDlgItem(wnd, IDC_RAD_TESTPAGE_YES), BM_CLICK, 0, 0);
            Click(wnd, IDC_BTN_NEXT);
            WaitUntil([&] { return !Enabled(wnd, IDC_BTN_NEXT); }, 5000);
            WaitUntil([&] { return Enabled(wnd, IDC_BTN_NEXT); }, 10000);
            Click(wnd, IDC_BTN_EXIT);
        });
        EXPECT_EQ(dlg.statuses, c.statuses);
        std::vector<Box> boxes;
        for (const auto& b : spoolsim::Snapshot().boxes)
            boxes.emplace_back(b.owner == dialogWindow, b.caption, b.text, b.type);
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(dlg.m_catalogue.InstallPort(), L"LPT1:") << "the installation as the catalogue keeps it";
        EXPECT_EQ(dlg.m_catalogue.InstallInfPath(), inf);
    }
}

}  // namespace
