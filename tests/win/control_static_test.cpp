// The coloured labels of the right-hand pane.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/texts.h"
#include "controls/new_static.h"
#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kDarkBlue = 0x00804000;
constexpr COLORREF kDarkRed = 200;
constexpr COLORREF kWhite = RGB(255, 255, 255);

void Repaint(HWND wnd) {
    ::InvalidateRect(wnd, nullptr, FALSE);
    ::UpdateWindow(wnd);
}

// Width of a text in the label's own font.
int TextWidth(CNewStatic& label, const std::wstring& text) {
    win::ClientDC dc(label.m_hWnd);
    win::SelectGuard font(dc.get(), label.GetLabelFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int LineHeight(CNewStatic& label) {
    win::ClientDC dc(label.m_hWnd);
    win::SelectGuard font(dc.get(), label.GetLabelFont());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc.get(), &tm);
    return tm.tmHeight;
}

// Pixels that are not white inside a rectangle of the dialog.
int Ink(const Shot& s, int left, int top, int right, int bottom) {
    return (right - left) * (bottom - top) - s.Count(kWhite, left, top, right, bottom);
}

TEST(ColouredLabels, FontIsSemiBoldSongTiOneAndAHalfTimesTheDialogFont) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        LOGFONTW dialogFont{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(wnd, WM_GETFONT, 0, 0)), sizeof(dialogFont), &dialogFont);
        ui.Run([&] {
            HFONT font = d.m_stcTitle.GetLabelFont();
            ASSERT_NE(font, nullptr) << "made at the first paint";
            LOGFONTW lf{};
            ASSERT_EQ(::GetObjectW(font, sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
            EXPECT_EQ(lf.lfHeight, static_cast<LONG>(dialogFont.lfHeight * 1.5));
            EXPECT_EQ(lf.lfWidth, static_cast<LONG>(dialogFont.lfWidth * 1.5));
            EXPECT_EQ(lf.lfWeight, 600);
            EXPECT_STREQ(lf.lfFaceName, L"\u5B8B\u4F53");
        });
        EXPECT_EQ(dialogFont.lfHeight, -11);  // "MS Shell Dlg" 8 point at 96 dpi: the label gets -16
    });
}

TEST(ColouredLabels, TitleAndManualHintInDarkBlueTheOthersInDarkRed) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const struct {
            CNewStatic* label;
            int id;
            COLORREF colour;
            const wchar_t* text;
        } cases[] = {
            {&d.m_stcTitle, IDC_STC_TITLE, kDarkBlue, texts::kTitleDriver},
            {&d.m_stcManualHint, IDC_STC_MANUAL_HINT, kDarkBlue, texts::kManualHint},
            {&d.m_stcManualNote, IDC_STC_MANUAL_NOTE, kDarkRed, texts::kManualNote},
            {&d.m_stcFwWarning1, IDC_STC_FW_WARNING1, kDarkRed, texts::kFwWarning1},
            {&d.m_stcFwWarning2, IDC_STC_FW_WARNING2, kDarkRed, texts::kFwWarning2},
            {&d.m_stcFwWarning3, IDC_STC_FW_WARNING3, kDarkRed, texts::kFwWarning3},
            {&d.m_stcFwWarning4, IDC_STC_FW_WARNING4, kDarkRed, texts::kFwWarning4},
            {&d.m_stcFwAdvice, IDC_STC_FW_ADVICE, kDarkRed, texts::kFwAdvice},
            {&d.m_stcInstallStatus, IDC_STC_INSTALL_STATUS, kDarkRed, nullptr},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.id);
            EXPECT_EQ(c.label->m_hWnd, ::GetDlgItem(wnd, c.id));
            EXPECT_NE(::GetWindowLongW(c.label->m_hWnd, GWL_STYLE) & SS_NOTIFY, 0);
            ui.Run([&] {
                EXPECT_EQ(c.label->GetTextColour(), c.colour);
                if (c.text) {
                    EXPECT_EQ(c.label->GetText(), c.text);
                }
            });
        }
        // On the screen: the title's text pixels are dark blue.
        ui.Run([&] { Repaint(d.m_stcTitle.m_hWnd); });
        ::Sleep(100);
        const Shot s = ShootClient(wnd);
        const RECT title = RectInParent(d.m_stcTitle.m_hWnd);
        EXPECT_GT(s.Count(kDarkBlue, title.left, title.top, title.right, title.bottom), 20);
        EXPECT_EQ(s.Count(kDarkRed, title.left, title.top, title.right, title.bottom), 0);
        // The status line, written as the installation does, in dark red.
        ui.Run([&] {
            d.m_stcInstallStatus.SetText(L"\u6B63\u5728\u5B89\u88C5");  // 正在安装
            ::ShowWindow(d.m_stcInstallStatus.m_hWnd, SW_SHOW);
            Repaint(d.m_stcInstallStatus.m_hWnd);
        });
        ::Sleep(100);
        const Shot s2 = ShootClient(wnd);
        const RECT status = RectInParent(d.m_stcInstallStatus.m_hWnd);
        EXPECT_GT(s2.Count(kDarkRed, status.left, status.top, status.right, status.bottom), 20);
    });
}

struct WipeCase {
    const char* name;
    std::vector<std::wstring> changesBeforeLastPaint;
};

// After a shorter text nothing of a longer one remains; the second case is
// two changes between paints, where the text on the screen is neither the
// current nor the previous one.
TEST(ColouredLabels, RegressionRemnantsOfALongerTextRemain) {
    const std::wstring longText = L"\u6B63\u5728\u5220\u9664\u65E7\u7684\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F";
    const WipeCase cases[] = {
        {"one shorter text", {L"\u5B8C\u6210"}},
        {"two changes between paints", {L"\u6B63\u5728\u5B89\u88C5\u9A71\u52A8", L"\u5B8C\u6210"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostDialog dlg;
        RunDialog(dlg, [&](HostDialog& d, HWND wnd, const UiThread& ui) {
            CNewStatic& label = d.m_stcInstallStatus;
            const RECT rc = RectInParent(label.m_hWnd);
            int longWidth = 0, shortWidth = 0, lineHeight = 0;
            ui.Run([&] {
                ::ShowWindow(label.m_hWnd, SW_SHOW);
                label.SetText(longText);
                Repaint(label.m_hWnd);
                longWidth = TextWidth(label, longText);
                shortWidth = TextWidth(label, c.changesBeforeLastPaint.back());
                lineHeight = LineHeight(label);
            });
            ::Sleep(100);
            const int right = std::min<int>(rc.left + longWidth, rc.right);
            const int bottom = std::min<int>(rc.top + lineHeight, rc.bottom);
            ASSERT_GT(Ink(ShootClient(wnd), rc.left + shortWidth + 2, rc.top, right, bottom), 20)
                << "the long text was not drawn";
            ui.Run([&] {
                for (const auto& t : c.changesBeforeLastPaint) label.SetText(t);
                Repaint(label.m_hWnd);
            });
            ::Sleep(100);
            const Shot s = ShootClient(wnd);
            EXPECT_EQ(Ink(s, rc.left + shortWidth + 2, rc.top, right, bottom), 0);
            EXPECT_GT(Ink(s, rc.left, rc.top, rc.left + shortWidth, bottom), 10) << "the short text is shown";
        });
    }
}

TEST(ColouredLabels, SetTextFromAWorkerIsMadeOnTheWindowsThread) {
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
    });
}

TEST(ColouredLabels, AHiddenLabelOnlyRecordsItsColourAndANewOneTakesTheTemplateText) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread& ui) {
        CNewStatic label;
        const RECT at{560, 545, 800, 575};
        const COLORREF green = RGB(0, 128, 0);
        ui.Run([&] {
            HWND w = CreateChild(wnd, L"STATIC", L"\u9759\u6001", SS_LEFT, at, 2004);
            ASSERT_TRUE(label.SubclassWindow(w));
            EXPECT_EQ(label.GetText(), L"\u9759\u6001");
            EXPECT_NE(::GetWindowLongW(w, GWL_STYLE) & SS_NOTIFY, 0);
            EXPECT_EQ(label.GetTextColour(), kDarkRed);
            label.DrawTextInColour(green);
        });
        ::Sleep(100);
        EXPECT_EQ(ShootClient(wnd).Count(green, at.left, at.top, at.right, at.bottom), 0);
        ui.Run([&] {
            label.SetText(L"\u8B66\u544A");
            ::ShowWindow(label.m_hWnd, SW_SHOW);
            ::UpdateWindow(label.m_hWnd);
        });
        ::Sleep(100);
        EXPECT_GT(ShootClient(wnd).Count(green, at.left, at.top, at.right, at.bottom), 10);
        ui.Run([&] {
            EXPECT_EQ(label.GetOldText(), L"\u9759\u6001");
            ::DestroyWindow(label.m_hWnd);
        });
    });
}

TEST(ColouredLabels, ALongTextIsCutAtTheEdgeAndNeverWraps) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        CNewStatic& title = d.m_stcTitle;
        const RECT rc = RectInParent(title.m_hWnd);
        int lineHeight = 0;
        ui.Run([&] {
            title.SetText(std::wstring(40, L'\u5B89'));
            Repaint(title.m_hWnd);
            lineHeight = LineHeight(title);
        });
        ::Sleep(100);
        const Shot s = ShootClient(wnd);
        ASSERT_LT(rc.top + lineHeight, rc.bottom) << "the title has no room for a second line";
        EXPECT_GT(s.Count(kDarkBlue, rc.right - 20, rc.top, rc.right, rc.top + lineHeight), 0);
        EXPECT_EQ(s.Count(kDarkBlue, rc.left, rc.top + lineHeight, rc.right, rc.bottom), 0);
        EXPECT_EQ(s.Count(kDarkBlue, rc.right, rc.top, rc.right + 30, rc.bottom), 0);
    });
}

}  // namespace
