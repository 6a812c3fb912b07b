// The coloured labels of the right-hand pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "controls/new_static.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kDarkBlue = 0x00804000;
constexpr COLORREF kDarkRed = 200;

void Repaint(HWND wnd) {
    ::InvalidateRect(wnd, nullptr, FALSE);
    ::UpdateWindow(wnd);
}

// Width of a text in the label's own font, and its line height.
SIZE TextSize(CNewStatic& label, const std::wstring& text) {
    win::ClientDC dc(label.m_hWnd);
    win::SelectGuard font(dc.get(), label.GetLabelFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// Pixels that are not white inside a rectangle of the dialog.
int Ink(const Shot& s, int left, int top, int right, int bottom) {
    return (right - left) * (bottom - top) - s.Count(RGB(255, 255, 255), left, top, right, bottom);
}

TEST(ColouredLabels, SemiBoldSongTiFontTextInEachLabelsColourCutAtTheEdge) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        LOGFONTW dialogFont{}, lf{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(wnd, WM_GETFONT, 0, 0)), sizeof(dialogFont), &dialogFont);
        ui.Run([&] { ::GetObjectW(d.m_stcTitle.GetLabelFont(), sizeof(lf), &lf); });  // made at the first paint
        EXPECT_EQ(dialogFont.lfHeight, -11);  // "MS Shell Dlg" 8 point at 96 dpi: the label gets -16
        EXPECT_EQ(lf.lfHeight, -16);
        EXPECT_EQ(lf.lfWidth, static_cast<LONG>(dialogFont.lfWidth * 1.5));
        EXPECT_EQ(lf.lfWeight, 600);
        EXPECT_STREQ(lf.lfFaceName, L"\u5B8B\u4F53");
        const std::pair<CNewStatic*, COLORREF> cases[] = {
            {&d.m_stcTitle, kDarkBlue},         {&d.m_stcManualHint, kDarkBlue},   {&d.m_stcManualNote, kDarkRed},
            {&d.m_stcFwWarning1, kDarkRed},     {&d.m_stcFwWarning4, kDarkRed},    {&d.m_stcFwAdvice, kDarkRed},
            {&d.m_stcInstallStatus, kDarkRed},
        };
        for (const auto& [label, colour] : cases) {
            SCOPED_TRACE(::GetDlgCtrlID(label->m_hWnd));
            EXPECT_NE(::GetWindowLongW(label->m_hWnd, GWL_STYLE) & SS_NOTIFY, 0);
            EXPECT_EQ(ui.Get<COLORREF>([&] { return label->GetTextColour(); }), colour);
        }
        // On the screen: the title in dark blue, the status line (written as
        // the installation does) in dark red.
        const Shot s = ShootAfter(wnd, ui, [&] {
            Repaint(d.m_stcTitle.m_hWnd);
            d.m_stcInstallStatus.SetText(L"\u6B63\u5728\u5B89\u88C5");  // 正在安装
            ::ShowWindow(d.m_stcInstallStatus.m_hWnd, SW_SHOW);
            Repaint(d.m_stcInstallStatus.m_hWnd);
        });
        const RECT title = RectInParent(d.m_stcTitle.m_hWnd), status = RectInParent(d.m_stcInstallStatus.m_hWnd);
        EXPECT_GT(s.Count(kDarkBlue, title.left, title.top, title.right, title.bottom), 20);
        EXPECT_EQ(s.Count(kDarkRed, title.left, title.top, title.right, title.bottom), 0);
        EXPECT_GT(s.Count(kDarkRed, status.left, status.top, status.right, status.bottom), 20);
        // A text longer than the label is cut at its edge and never wraps.
        const std::wstring text(40, L'\u5B89');
        int line = 0;
        const Shot cut = ShootAfter(wnd, ui, [&] {
            d.m_stcTitle.SetText(text);
            Repaint(d.m_stcTitle.m_hWnd);
            line = TextSize(d.m_stcTitle, text).cy;
        });
        ASSERT_LT(title.top + line, title.bottom) << "the title has no room for a second line";
        EXPECT_GT(cut.Count(kDarkBlue, title.right - 20, title.top, title.right, title.top + line), 0);
        EXPECT_EQ(cut.Count(kDarkBlue, title.left, title.top + line, title.right, title.bottom), 0);
        EXPECT_EQ(cut.Count(kDarkBlue, title.right, title.top, title.right + 30, title.bottom), 0);
    });
}

// After a shorter text nothing of a longer one remains; the second case is
// two changes between paints, where the text on the screen is neither the
// current nor the previous one.
TEST(ColouredLabels, RegressionRemnantsOfALongerTextRemain) {
    const std::wstring longText = L"\u6B63\u5728\u5220\u9664\u65E7\u7684\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F";
    const std::vector<std::wstring> cases[] = {{L"\u5B8C\u6210"}, {L"\u6B63\u5728\u5B89\u88C5\u9A71\u52A8", L"\u5B8C\u6210"}};
    for (const auto& changes : cases) {
        SCOPED_TRACE(changes.size());
        HostDialog dlg;
        RunDialog(dlg, [&](HostDialog& d, HWND wnd, const UiThread& ui) {
            CNewStatic& label = d.m_stcInstallStatus;
            const RECT rc = RectInParent(label.m_hWnd);
            SIZE longSize{}, shortSize{};
            const Shot first = ShootAfter(wnd, ui, [&] {
                ::ShowWindow(label.m_hWnd, SW_SHOW);
                label.SetText(longText);
                Repaint(label.m_hWnd);
                longSize = TextSize(label, longText);
                shortSize = TextSize(label, changes.back());
            });
            const int left = rc.left + shortSize.cx + 2, right = std::min<int>(rc.left + longSize.cx, rc.right);
            const int bottom = std::min<int>(rc.top + longSize.cy, rc.bottom);
            ASSERT_GT(Ink(first, left, rc.top, right, bottom), 20) << "the long text was not drawn";
            const Shot s = ShootAfter(wnd, ui, [&] {
                for (const auto& t : changes) label.SetText(t);
                Repaint(label.m_hWnd);
            });
            EXPECT_EQ(Ink(s, left, rc.top, right, bottom), 0);
            EXPECT_GT(Ink(s, rc.left, rc.top, rc.left + shortSize.cx, bottom), 10) << "the short text is shown";
        });
    }
}

TEST(ColouredLabels, SetTextFromAWorkerIsMadeOnTheWindowsThreadAndOnlyItsOwnHandOverIsTaken) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND, const UiThread& ui) {
        CNewStatic& label = d.m_stcInstallStatus;
        const std::wstring before = ui.Get<std::wstring>([&] { return label.GetText(); });
        std::atomic<bool> returned{false};
        std::thread worker;
        ui.Run([&] {
            // The worker writes while the window's thread is busy here; the
            // change must wait for this thread instead of swapping the
            // strings under a paint.
            worker = std::thread([&] {
                label.SetText(L"worker");
                returned = true;
            });
            ::Sleep(400);
            EXPECT_FALSE(returned.load());
            EXPECT_EQ(label.GetText(), before);
        });
        EXPECT_TRUE(WaitUntil([&] { return returned.load(); }));
        worker.join();
        EXPECT_EQ(ui.Get<std::wstring>([&] { return label.GetText(); }), L"worker");
        EXPECT_EQ(ui.Get<std::wstring>([&] { return label.GetOldText(); }), before);
        // Regression: the hand-over message took its text from any sender.
        std::wstring forged = L"forged";
        ::SendMessageW(label.m_hWnd, ::RegisterWindowMessageW(L"PrinterInstall.CNewStatic.SetText"), 0,
                       reinterpret_cast<LPARAM>(&forged));
        EXPECT_EQ(ui.Get<std::wstring>([&] { return label.GetText(); }), L"worker");
        EXPECT_EQ(forged, L"forged");
    });
}

}  // namespace
