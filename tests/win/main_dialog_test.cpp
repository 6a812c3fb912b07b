// The main dialog created from the real template, driven from a second
// thread while the test thread runs its modal loop.
#include <gtest/gtest.h>

#include "main_dialog_runner.h"
#include "res/resource.h"

namespace {

using dlgtest::RunDialog;

void ClickExit(HWND dlg) { dlgtest::Click(dlg, IDC_BTN_EXIT); }

TEST(MainDialogBusyGuards, RefuseToLeaveWhileAJobRuns) {
    const struct {
        const char* name;
        int installing, downloading;
        UINT message;  // WM_COMMAND for Exit, WM_CLOSE, or WM_KEYDOWN for Escape
        const wchar_t* expected;
    } cases[] = {
        {"exit/install", 1, 0, WM_COMMAND, L"正在安装打印机驱动，请稍后再退出！"},
        {"exit/download", 0, 1, WM_COMMAND, L"正在下载打印机版本，请稍后再退出！"},
        {"exit/both: installation first", 1, 1, WM_COMMAND, L"正在安装打印机驱动，请稍后再退出！"},
        {"close/install", 1, 0, WM_CLOSE, L"正在安装打印机驱动，请稍后再关闭！"},
        {"close/download", 0, 1, WM_CLOSE, L"正在下载打印机版本，请稍后再关闭！"},
        {"escape/install", 1, 0, WM_KEYDOWN, L"正在安装打印机驱动，请稍后再关闭！"},
        {"escape/download", 0, 1, WM_KEYDOWN, L"正在下载打印机版本，请稍后再关闭！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPrinterInstallDlg dlg(dlgtest::SystemApi());
        probe::MessageBoxInfo seen;
        HWND dlgWnd = nullptr;
        bool stillOpen = false;
        INT_PTR result = RunDialog(dlg, [&](HWND wnd) {
            dlgWnd = wnd;
            dlg.m_bInstalling = c.installing;
            dlg.m_bDownloading = c.downloading;
            auto box = probe::AnswerNextMessageBox(::GetCurrentProcessId(), IDOK);
            if (c.message == WM_COMMAND) ClickExit(wnd);
            else if (c.message == WM_CLOSE) ::PostMessageW(wnd, WM_CLOSE, 0, 0);
            else ::PostMessageW(::GetDlgItem(wnd, IDC_BTN_DRIVER), WM_KEYDOWN, VK_ESCAPE, 0);
            seen = box.get();
            // The box gone, the handler that showed it has returned; once the
            // dialog's thread has answered a message sent after that, a
            // close it decided on has happened.
            probe::WaitUntil([&] { return !::IsWindow(seen.wnd); }, 5000);
            ::SendMessageW(wnd, WM_NULL, 0, 0);
            stillOpen = ::IsWindowVisible(wnd) && dlg.IsModalRunning();
            // The job ends; now Exit leaves at once, without a question.
            dlg.m_bInstalling = 0;
            dlg.m_bDownloading = 0;
            ClickExit(wnd);
        });
        EXPECT_EQ(seen.text, c.expected);
        EXPECT_EQ(seen.caption, L"Printer Install");
        EXPECT_TRUE(seen.hasIcon);
        EXPECT_EQ(seen.owner, dlgWnd);  // owned by the dialog, not free-floating
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(result, IDOK);
    }
}

TEST(MainDialogLeaving, EnterIsIgnoredEscapeEndsWithCancelAndTheIconIsSet) {
    CPrinterInstallDlg dlg(dlgtest::SystemApi());
    ASSERT_NE(dlg.m_hIcon, nullptr);
    bool openAfterEnter = false;
    LRESULT big = 0, small = 0;
    INT_PTR result = RunDialog(dlg, [&](HWND wnd) {
        big = ::SendMessageW(wnd, WM_GETICON, ICON_BIG, 0);
        small = ::SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0);
        ::PostMessageW(::GetDlgItem(wnd, IDC_BTN_DRIVER), WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::Sleep(300);
        openAfterEnter = ::IsWindowVisible(wnd) != FALSE;
        ::PostMessageW(::GetDlgItem(wnd, IDC_BTN_DRIVER), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(big, reinterpret_cast<LRESULT>(dlg.m_hIcon));
    EXPECT_EQ(small, reinterpret_cast<LRESULT>(dlg.m_hIcon));
}

}  // namespace
