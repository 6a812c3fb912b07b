// The text progress bar of the firmware page and its off-screen context.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "controls/mem_dc.h"
#include "controls/text_progress_ctrl.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr wchar_t kPrefix[] = L"\u5F53\u524D\u8FDB\u5EA6\uFF1A";  // 当前进度：

// Counts the paints a window gets, beside its own window procedure.
struct PaintCounter {
    explicit PaintCounter(HWND w) : wnd(w) { ::SetWindowSubclass(wnd, &Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
    ~PaintCounter() { ::RemoveWindowSubclass(wnd, &Proc, 1); }
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        if (m == WM_PAINT) ++reinterpret_cast<PaintCounter*>(self)->paints;
        return ::DefSubclassProc(w, m, wp, lp);
    }
    HWND wnd;
    int paints = 0;
};

TEST(TextProgress, BarRestAndTextColoursAtZeroFortyTwoAndHundred) {
    HostDialog dlg;
    dlg.showProgress = true;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        CTextProgressCtrl& bar = d.m_ctlProgress;
        const RECT rc = RectInParent(bar.m_hWnd);
        const int w = rc.right - rc.left;
        ASSERT_GT(w, 100);
        MoveAway();  // the main window's screenshot shows every button at rest
        // The colours the bar is defined with: the rest light blue, the bar and the
        // text beside it in the highlight colour, the text on the bar in the window colour.
        const COLORREF barColour = ::GetSysColor(COLOR_HIGHLIGHT), rest = 0x00F0AAAA, onBar = ::GetSysColor(COLOR_WINDOW);
        for (int pos : {0, 42, 100}) {
            SCOPED_TRACE(pos);
            const Shot s = ShootAfter(wnd, ui, [&] {
                bar.SetRange(0, 100);
                bar.SetPrefix(kPrefix);
                bar.SetPos(pos);
                EXPECT_EQ(bar.GetDisplayText(), std::wstring(kPrefix) + std::to_wstring(pos) + L"%");
            });
            const int split = rc.left + w * pos / 100;
            // Top and bottom rows carry no text: bar up to the split, rest after,
            // so none of the bar's colour at 0 % and none of the rest's at 100 %.
            for (int y : {rc.top, rc.bottom - 1}) {
                EXPECT_EQ(s.Count(barColour, rc.left, y, split, y + 1), split - rc.left) << y;
                EXPECT_EQ(s.Count(rest, split, y, rc.right, y + 1), rc.right - split) << y;
            }
            EXPECT_EQ(s.Count(rest, rc.left, rc.top, split, rc.bottom), 0);
            // The text in the colour of the side it lies on: at 0 % all of it
            // on the rest, at 100 % all on the bar.
            EXPECT_EQ(s.Count(onBar, split, rc.top, rc.right, rc.bottom), 0);
            if (pos > 0) {
                EXPECT_GT(s.Count(onBar, rc.left, rc.top, split, rc.bottom), 10);
            }
            if (pos < 100) {
                EXPECT_GT(s.Count(barColour, split, rc.top + 1, rc.right, rc.bottom - 1), 10);
            }
            if (pos > 0) {  // artefacts: the main window with the bar at 42%, and the full bar
                const std::wstring name = pos == 42 ? L"controls-main-window.bmp" : L"controls-progress-100.bmp";
                EXPECT_TRUE(probe::SaveWindowShot(wnd, probe::ArtefactDir() + name));
            }
        }
        // A text wider than the bar stays on one line, cut at the edge.
        const Shot s = ShootAfter(wnd, ui, [&] {
            bar.SetPrefix(std::wstring(60, L'\u8FDB'));
            bar.SetPos(10);
            ::InvalidateRect(bar.m_hWnd, nullptr, FALSE);
            ::UpdateWindow(bar.m_hWnd);
        });
        EXPECT_GT(s.Count(barColour, rc.right - 20, rc.top, rc.right, rc.bottom), 0);
        EXPECT_EQ(s.Count(barColour, rc.right + 1, rc.top, rc.right + 40, rc.bottom), 0);
    });
}

TEST(TextProgress, RepaintsOnlyWhenTheBarWidthChanges) {
    HostDialog dlg;
    dlg.showProgress = true;
    RunDialog(dlg, [](HostDialog& d, HWND, const UiThread& ui) {
        ui.Run([&] {
            CTextProgressCtrl& bar = d.m_ctlProgress;
            PaintCounter counter(bar.m_hWnd);
            RECT r{};
            ::GetWindowRect(bar.m_hWnd, &r);
            bar.SetRange(0, 100);
            const struct {
                const char* what;
                int width;  // 0: keep the size
                int pos, paints;
            } steps[] = {
                {"first position after creation", 0, 42, 1},
                {"same position", 0, 42, 0},
                {"next position, wider bar", 0, 43, 1},
                {"resized: the same position repaints", 200, 43, 1},
                {"narrow bar", 50, 42, 1},
                {"42 and 43 give the same pixel width: not redrawn", 0, 43, 0},
                {"wider again", 0, 46, 1},
            };
            for (const auto& s : steps) {
                SCOPED_TRACE(s.what);
                if (s.width) ::SetWindowPos(bar.m_hWnd, nullptr, 0, 0, s.width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
                if (s.width) ::UpdateWindow(bar.m_hWnd);
                const int before = counter.paints, previous = bar.GetPos();
                EXPECT_EQ(bar.SetPos(s.pos), previous);
                EXPECT_EQ(counter.paints - before, s.paints);
            }
        });
    });
}

// A range with equal ends draws nothing; the paint must still validate the
// window, or it is asked to paint again without end.
TEST(TextProgress, RegressionEmptyRangeRepaintsWithoutEnd) {
    HostDialog dlg;
    dlg.showProgress = true;
    RunDialog(dlg, [](HostDialog& d, HWND, const UiThread& ui) {
        std::unique_ptr<PaintCounter> counter;
        ui.Run([&] {
            counter = std::make_unique<PaintCounter>(d.m_ctlProgress.m_hWnd);
            d.m_ctlProgress.SetRange(5, 5);
            EXPECT_EQ(d.m_ctlProgress.SetPos(7), 0);  // no division by zero, old position back
            EXPECT_EQ(d.m_ctlProgress.GetBarWidth(), 0);
            ::InvalidateRect(d.m_ctlProgress.m_hWnd, nullptr, TRUE);
        });
        ::Sleep(500);
        ui.Run([&] {
            EXPECT_LE(counter->paints, 2);
            EXPECT_FALSE(::GetUpdateRect(d.m_ctlProgress.m_hWnd, nullptr, FALSE));
            counter.reset();
        });
    });
}

TEST(TextProgress, WithoutAWindowSetPosReturnsMinusOne) {
    CTextProgressCtrl bar;
    EXPECT_EQ(bar.SetPos(5), -1);
    EXPECT_EQ(bar.GetPos(), 0);
    EXPECT_EQ(bar.GetBarWidth(), -1);
}

TEST(MemDC, DrawsTheClipBoxOffScreenAndCopiesItInOneStep) {
    const Shot s = Capture(100, 50, [](HDC target) {
        ::PatBlt(target, 0, 0, 100, 50, WHITENESS);
        win::UniqueRegion clip(::CreateRectRgn(10, 10, 60, 40));
        ::SelectClipRgn(target, clip.get());
        {
            CMemDC mem(target);
            EXPECT_TRUE(mem.IsOffScreen());
            // Same logical coordinates as the target.
            const RECT all{0, 0, 100, 50};
            win::UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
            ::FillRect(mem.GetSafeHdc(), &all, red.get());
            ::SetPixel(mem.GetSafeHdc(), 20, 30, RGB(0, 0, 255));
            EXPECT_EQ(::GetPixel(target, 20, 20), RGB(255, 255, 255)) << "nothing on the target until the end";
        }
        ::SelectClipRgn(target, nullptr);
    });
    EXPECT_EQ(s.At(20, 20), RGB(255, 0, 0));
    EXPECT_EQ(s.At(20, 30), RGB(0, 0, 255));
    EXPECT_EQ(s.At(59, 39), RGB(255, 0, 0));
    EXPECT_EQ(s.At(5, 5), RGB(255, 255, 255));  // outside the clip box
    EXPECT_EQ(s.At(60, 40), RGB(255, 255, 255));
}

}  // namespace
