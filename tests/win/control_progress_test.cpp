// The text progress bar of the firmware page and its off-screen context.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "controls/mem_dc.h"
#include "controls/text_progress_ctrl.h"
#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr wchar_t kPrefix[] = L"\u5F53\u524D\u8FDB\u5EA6\uFF1A";  // 当前进度：

void ShowProgress(HostDialog& d) { ::ShowWindow(d.m_ctlProgress.m_hWnd, SW_SHOW); }

// Counts the paints a window gets, beside its own window procedure.
class PaintCounter {
public:
    explicit PaintCounter(HWND wnd) : wnd_(wnd) {
        ::SetWindowSubclass(wnd_, &PaintCounter::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~PaintCounter() { ::RemoveWindowSubclass(wnd_, &PaintCounter::Proc, 1); }
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;
    int paints = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
        if (m == WM_PAINT) ++reinterpret_cast<PaintCounter*>(ref)->paints;
        return ::DefSubclassProc(w, m, wp, lp);
    }
    HWND wnd_;
};

struct ColourCase {
    int pos;
    int barWidth;  // expected pixels of bar from the left
};

TEST(TextProgress, BarRestAndTextColoursAtZeroFortyTwoAndHundred) {
    HostDialog dlg;
    dlg.afterInit = ShowProgress;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        CTextProgressCtrl& bar = d.m_ctlProgress;
        const RECT rc = RectInParent(bar.m_hWnd);
        RECT client{};
        ::GetClientRect(bar.m_hWnd, &client);
        const int w = client.right, h = client.bottom;
        ASSERT_GT(w, 100);
        const ColourCase cases[] = {{0, 0}, {42, w * 42 / 100}, {100, w}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.pos);
            ui.Run([&] {
                bar.SetRange(0, 100);
                bar.SetPrefix(kPrefix);
                bar.SetPos(c.pos);
            });
            EXPECT_EQ(ui.Get<std::wstring>([&] { return bar.GetDisplayText(); }),
                      std::wstring(kPrefix) + std::to_wstring(c.pos) + L"%");
            ::Sleep(100);
            const Shot s = ShootClient(wnd);
            const COLORREF barColour = bar.GetBarColour(), rest = bar.GetBackgroundColour();
            const COLORREF onBar = bar.GetTextOnBarColour(), onRest = bar.GetTextOnBackgroundColour();
            // Top and bottom rows carry no text: bar up to the split, rest after.
            for (int y : {0, h - 1}) {
                if (c.barWidth > 0) {
                    EXPECT_EQ(s.At(rc.left, rc.top + y), barColour);
                    EXPECT_EQ(s.At(rc.left + c.barWidth - 1, rc.top + y), barColour);
                }
                if (c.barWidth < w) {
                    EXPECT_EQ(s.At(rc.left + c.barWidth, rc.top + y), rest);
                    EXPECT_EQ(s.At(rc.right - 1, rc.top + y), rest);
                }
            }
            const int split = rc.left + c.barWidth;
            // The text, in the colour of the side it lies on.
            const int onBarLeft = s.Count(onBar, rc.left, rc.top, split, rc.bottom);
            const int onRestRight = s.Count(onRest, split, rc.top, rc.right, rc.bottom);
            const int wrongOnRest = s.Count(onBar, split, rc.top, rc.right, rc.bottom);
            const int restColourInBar = s.Count(rest, rc.left, rc.top, split, rc.bottom);
            if (c.barWidth > 0) {
                EXPECT_GT(onBarLeft, 10);
            }
            if (c.barWidth < w) {
                EXPECT_GT(onRestRight, 10);
            }
            EXPECT_EQ(wrongOnRest, 0);
            EXPECT_EQ(restColourInBar, 0);
        }
        probe::SaveWindowShot(wnd, probe::ArtefactDir() + L"controls-progress-100.bmp");
    });
}

TEST(TextProgress, RepaintsOnlyWhenTheBarWidthChanges) {
    HostDialog dlg;
    dlg.afterInit = ShowProgress;
    RunDialog(dlg, [](HostDialog& d, HWND, const UiThread& ui) {
        ui.Run([&] {
            CTextProgressCtrl& bar = d.m_ctlProgress;
            PaintCounter counter(bar.m_hWnd);
            RECT r{};
            ::GetWindowRect(bar.m_hWnd, &r);
            const int height = r.bottom - r.top;
            bar.SetRange(0, 100);
            struct Step {
                const char* what;
                int width;  // 0: keep the size
                int pos;
                int paints;
            } steps[] = {
                {"first position after creation", 0, 42, 1},
                {"same position", 0, 42, 0},
                {"same position again", 0, 42, 0},
                {"next position, wider bar", 0, 43, 1},
                {"resized: the same position repaints", 200, 43, 1},
                {"narrow bar", 50, 42, 1},
                {"42 and 43 give the same pixel width: not redrawn", 0, 43, 0},
                {"wider again", 0, 46, 1},
            };
            for (const auto& s : steps) {
                SCOPED_TRACE(s.what);
                if (s.width) {
                    ::SetWindowPos(bar.m_hWnd, nullptr, 0, 0, s.width, height, SWP_NOMOVE | SWP_NOZORDER);
                    ::UpdateWindow(bar.m_hWnd);
                }
                const int before = counter.paints;
                const int previous = bar.GetPos();
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
    dlg.afterInit = ShowProgress;
    RunDialog(dlg, [](HostDialog& d, HWND, const UiThread& ui) {
        PaintCounter* counter = nullptr;
        ui.Run([&] {
            counter = new PaintCounter(d.m_ctlProgress.m_hWnd);
            d.m_ctlProgress.SetRange(5, 5);
            EXPECT_EQ(d.m_ctlProgress.SetPos(7), 0);  // no division by zero, old position back
            EXPECT_EQ(d.m_ctlProgress.GetBarWidth(), 0);
            ::InvalidateRect(d.m_ctlProgress.m_hWnd, nullptr, TRUE);
        });
        ::Sleep(500);
        ui.Run([&] {
            EXPECT_LE(counter->paints, 2);
            RECT update{};
            EXPECT_FALSE(::GetUpdateRect(d.m_ctlProgress.m_hWnd, &update, FALSE));
            delete counter;
        });
    });
}

TEST(TextProgress, WithoutAWindowSetPosReturnsMinusOneAndKeepsThePosition) {
    CTextProgressCtrl bar;
    EXPECT_EQ(bar.SetPos(5), -1);
    EXPECT_EQ(bar.GetPos(), 0);
    bar.SetRange(0, 100);
    bar.SetPrefix(kPrefix);
    EXPECT_EQ(bar.GetDisplayText(), std::wstring(kPrefix) + L"0%");
    EXPECT_EQ(bar.GetBarWidth(), -1);
    EXPECT_EQ(bar.GetBackgroundColour(), 0x00F0AAAAu);
    EXPECT_EQ(bar.GetBarColour(), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(bar.GetTextOnBackgroundColour(), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(bar.GetTextOnBarColour(), ::GetSysColor(COLOR_WINDOW));
}

TEST(TextProgress, ThePrefixOfTheProgramAndATextWiderThanTheBarStaysOnOneLine) {
    HostDialog dlg;
    dlg.afterInit = ShowProgress;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        CTextProgressCtrl& bar = d.m_ctlProgress;
        const RECT rc = RectInParent(bar.m_hWnd);
        ui.Run([&] {
            bar.SetRange(0, 100);
            bar.SetPrefix(std::wstring(60, L'\u8FDB'));
            bar.SetPos(10);
            ::InvalidateRect(bar.m_hWnd, nullptr, FALSE);
            ::UpdateWindow(bar.m_hWnd);
        });
        ::Sleep(100);
        const Shot s = ShootClient(wnd);
        // Cut at both edges, nothing drawn outside the control.
        const COLORREF onRest = bar.GetTextOnBackgroundColour();
        EXPECT_GT(s.Count(onRest, rc.right - 20, rc.top, rc.right, rc.bottom), 0);
        EXPECT_EQ(s.Count(onRest, rc.right + 1, rc.top, rc.right + 40, rc.bottom), 0);
        ui.Run([&] {
            bar.SetPrefix(kPrefix);
            EXPECT_EQ(bar.GetDisplayText(), std::wstring(kPrefix) + L"10%");
        });
    });
}

// ---- Off-screen context ---------------------------------------------------------------

struct Target {
    win::ClientDC screen{nullptr};
    win::UniqueDC dc{::CreateCompatibleDC(screen.get())};
    win::UniqueBitmap bitmap{::CreateCompatibleBitmap(screen.get(), 100, 50)};
    HGDIOBJ old = nullptr;
    Target() {
        old = ::SelectObject(dc.get(), bitmap.get());
        ::PatBlt(dc.get(), 0, 0, 100, 50, WHITENESS);
    }
    ~Target() { ::SelectObject(dc.get(), old); }
};

TEST(MemDC, DrawsTheClipBoxOffScreenAndCopiesItInOneStep) {
    Target t;
    win::UniqueRegion clip(::CreateRectRgn(10, 10, 60, 40));
    ::SelectClipRgn(t.dc.get(), clip.get());
    {
        CMemDC mem(t.dc.get());
        EXPECT_TRUE(mem.IsOffScreen());
        EXPECT_NE(mem.GetSafeHdc(), t.dc.get());
        const RECT box = mem.GetRect();
        EXPECT_EQ(box.left, 10);
        EXPECT_EQ(box.top, 10);
        EXPECT_EQ(box.right, 60);
        EXPECT_EQ(box.bottom, 40);
        // Same logical coordinates as the target.
        RECT all{0, 0, 100, 50};
        win::UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
        ::FillRect(mem.GetSafeHdc(), &all, red.get());
        ::SetPixel(mem.GetSafeHdc(), 20, 30, RGB(0, 0, 255));
        // Nothing on the target until the end.
        EXPECT_EQ(::GetPixel(t.dc.get(), 20, 20), RGB(255, 255, 255));
    }
    ::SelectClipRgn(t.dc.get(), nullptr);
    EXPECT_EQ(::GetPixel(t.dc.get(), 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(t.dc.get(), 20, 30), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(t.dc.get(), 59, 39), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(t.dc.get(), 5, 5), RGB(255, 255, 255));    // outside the clip box
    EXPECT_EQ(::GetPixel(t.dc.get(), 60, 40), RGB(255, 255, 255));
}

TEST(MemDC, APrinterTargetIsDrawnOnDirectly) {
    Target t;
    CDC printer;
    printer.m_hDC = printer.m_hAttribDC = t.dc.get();
    printer.m_bPrinting = true;
    {
        CMemDC mem(&printer);
        EXPECT_FALSE(mem.IsOffScreen());
        EXPECT_EQ(mem.GetSafeHdc(), t.dc.get());
        EXPECT_TRUE(mem.IsPrinting());
        ::SetPixel(mem.GetSafeHdc(), 3, 3, RGB(0, 128, 0));
        EXPECT_EQ(::GetPixel(t.dc.get(), 3, 3), RGB(0, 128, 0));
    }
    // The shared context is left alone.
    EXPECT_EQ(::GetObjectType(t.dc.get()), static_cast<DWORD>(OBJ_MEMDC));
}

}  // namespace
