// The bitmap buttons of the left panel, looked at on the screen and driven
// with real mouse input.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "controls/button_st.h"
#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kCyan = 0x00FFFF00;
const RECT kSpare{560, 545, 712, 579};  // a place the dialog leaves empty

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Middles of the top, left, bottom and right edges.
std::array<POINT, 4> EdgeMiddles(const RECT& r) {
    const POINT c = Centre(r);
    return {{{c.x, r.top}, {r.left, c.y}, {c.x, r.bottom - 1}, {r.right - 1, c.y}}};
}

// Share of the bitmap's opaque pixels that the shot shows at the button.
double Likeness(const Shot& shot, const RECT& rc, int bitmapId) {
    const Shot picture = Resource(bitmapId, rc.right - rc.left, rc.bottom - rc.top, false);
    int opaque = 0, same = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const COLORREF c = picture.At(x, y);
            if (c == kCyan) continue;
            ++opaque;
            if (shot.At(rc.left + x, rc.top + y) == c) ++same;
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

// Which of its two bitmaps the button shows.
void ExpectShows(const Shot& shot, const RECT& rc, int expectedId, int otherId) {
    const double expected = Likeness(shot, rc, expectedId);
    EXPECT_GT(expected, 0.95) << "bitmap " << expectedId;
    EXPECT_LT(Likeness(shot, rc, otherId), expected) << "bitmap " << otherId << " instead of " << expectedId;
}

// first: top and left edge; second: bottom and right edge.
void ExpectFrame(const Shot& s, const RECT& rc, COLORREF first, COLORREF second) {
    const auto m = EdgeMiddles(rc);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.At(m[i].x, m[i].y), i < 2 ? first : second) << "edge " << i;
    // The second colour owns the top right and bottom left corners.
    EXPECT_EQ(s.At(rc.right - 1, rc.top), second);
    EXPECT_EQ(s.At(rc.left, rc.bottom - 1), second);
}

void ExpectNoFrame(const Shot& s, const RECT& rc, const Shot& bg) {
    for (POINT p : EdgeMiddles(rc)) EXPECT_EQ(s.At(p.x, p.y), bg.At(p.x, p.y)) << p.x << "," << p.y;
}

RECT RectOf(HWND dlg, int id) { return RectInParent(::GetDlgItem(dlg, id)); }

// Shoots the dialog until the shot is as `ready` wants it, or 3 s have passed.
Shot ShootWhen(HWND wnd, const std::function<bool(const Shot&)>& ready) {
    Shot shot;
    WaitUntil([&] { return ready(shot = ShootClient(wnd)); }, 3000);
    return shot;
}

bool Hovered(const UiThread& ui, const CButtonST& b) {
    return ui.Get<int>([&] { return b.IsHovered(); }) != 0;
}

TEST(BitmapButtons, RestBitmapsOverTheDialogBackgroundWithNoFrame) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread&) {
        MoveAway();
        ::Sleep(300);
        const Shot shot = ShootClient(wnd);
        const Shot bg = Background(wnd);
        // At start the driver button shows its gold bitmap at rest (page shown).
        const struct {
            int id, rest, hover;
        } cases[] = {
            {IDC_BTN_DRIVER, IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN},   {IDC_BTN_MANUAL, IDB_MANUAL_PLAIN, IDB_MANUAL_GOLD},
            {IDC_BTN_FIRMWARE, IDB_FIRMWARE_PLAIN, IDB_FIRMWARE_GOLD}, {IDC_BTN_EXIT, IDB_EXIT_PLAIN, IDB_EXIT_GOLD},
            {IDC_BTN_QUORIN, IDB_QUORIN_PLAIN, IDB_QUORIN_GOLD},   {IDC_BTN_TESSAN, IDB_TESSAN_PLAIN, IDB_TESSAN_GOLD},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.id);
            const RECT rc = RectOf(wnd, c.id);
            ExpectShows(shot, rc, c.rest, c.hover);
            ExpectNoFrame(shot, rc, bg);
            // The cyan corners show the dialog's picture, not a button face.
            for (POINT p : {POINT{rc.left, rc.top}, POINT{rc.right - 1, rc.bottom - 1}, POINT{rc.left + 1, rc.top + 1}})
                EXPECT_EQ(shot.At(p.x, p.y), bg.At(p.x, p.y)) << p.x << "," << p.y;
        }
    });
}

// A page button clicked: its page's title, its button gold at rest and the
// button of the page left plain again.
TEST(BitmapButtons, APageChangeSetsTheTitleAndMarksOnlyTheShownPagesButton) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        MoveAway();
        const struct {
            int id;
            const wchar_t* title;
            int gold, plain;
        } pages[] = {
            {IDC_BTN_MANUAL, L"操作手册浏览", IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN},
            {IDC_BTN_FIRMWARE, L"下载升级程式", IDB_FIRMWARE_GOLD, IDB_FIRMWARE_PLAIN},
            {IDC_BTN_DRIVER, L"驱动程序安装", IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN},
        };
        const auto* previous = &pages[2];  // the driver page is shown first
        for (const auto& page : pages) {
            SCOPED_TRACE(page.id);
            HWND button = ::GetDlgItem(wnd, page.id);
            ::SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(page.id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            EXPECT_EQ(ui.Get<std::wstring>([&] { return d.m_stcTitle.GetText(); }), page.title);
            const RECT shown = RectOf(wnd, page.id), left = RectOf(wnd, previous->id);
            const Shot shot = ShootWhen(wnd, [&](const Shot& s) {
                return Likeness(s, shown, page.gold) > 0.95 && Likeness(s, left, previous->plain) > 0.95;
            });
            ExpectShows(shot, shown, page.gold, page.plain);
            ExpectShows(shot, left, previous->plain, previous->gold);
            previous = &page;
        }
    });
}

TEST(BitmapButtons, HoverRaisesPressSinksAndTheHandCursorShows) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const RECT rc = RectOf(wnd, IDC_BTN_MANUAL);
        const COLORREF hi = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
        ASSERT_NE(hi, shadow);
        MoveOver(wnd, Centre(rc).x, Centre(rc).y);
        ASSERT_TRUE(WaitUntil([&] { return Hovered(ui, d.m_btnManual); }));
        const POINT top = EdgeMiddles(rc)[0];
        Shot shot = ShootWhen(wnd, [&](const Shot& s) { return s.At(top.x, top.y) == hi; });
        {
            SCOPED_TRACE("hovered: raised frame, hover bitmap");
            ExpectFrame(shot, rc, hi, shadow);
            ExpectShows(shot, rc, IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN);
        }
        EXPECT_EQ(ui.Get<HCURSOR>([] { return ::GetCursor(); }), ::LoadCursorW(nullptr, IDC_HAND));
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        shot = ShootWhen(wnd, [&](const Shot& s) { return s.At(top.x, top.y) == shadow; });
        {
            SCOPED_TRACE("held down: sunken frame, hover bitmap");
            ExpectFrame(shot, rc, shadow, hi);
            ExpectShows(shot, rc, IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN);
        }
        // Let go elsewhere: no click, and the look returns to rest.
        MoveOver(wnd, 700, 580);
        SendMouse(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(WaitUntil([&] { return !Hovered(ui, d.m_btnManual); }));
        const Shot bg = Background(wnd);
        shot = ShootWhen(wnd, [&](const Shot& s) { return s.At(top.x, top.y) == bg.At(top.x, top.y); });
        SCOPED_TRACE("at rest again");
        ExpectNoFrame(shot, rc, bg);
        ExpectShows(shot, rc, IDB_MANUAL_PLAIN, IDB_MANUAL_GOLD);
        EXPECT_EQ(d.Clicks(IDC_BTN_MANUAL), 0);
    });
}

TEST(BitmapButtons, DraggingOntoAButtonDoesNotLightIt) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const RECT rc = RectOf(wnd, IDC_BTN_FIRMWARE);
        // Pressed on the dialog's own background beside the button.
        MoveOver(wnd, rc.right + 60, rc.bottom + 20);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        MoveOver(wnd, Centre(rc).x, Centre(rc).y);
        MoveOver(wnd, Centre(rc).x + 5, Centre(rc).y);
        ::Sleep(200);
        EXPECT_FALSE(Hovered(ui, d.m_btnFirmware));
        const Shot shot = ShootClient(wnd);
        ExpectNoFrame(shot, rc, Background(wnd));
        ExpectShows(shot, rc, IDB_FIRMWARE_PLAIN, IDB_FIRMWARE_GOLD);
        SendMouse(MOUSEEVENTF_LEFTUP);
        ::Sleep(100);
        EXPECT_EQ(d.Clicks(IDC_BTN_FIRMWARE), 0);
        MoveAway();
    });
}

// The system button underneath never sees a mouse move, so it asks for no
// leave notification of its own (some button versions do, for their hot look).
LRESULT CALLBACK SwallowMouseMoves(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    return m == WM_MOUSEMOVE ? 0 : ::DefSubclassProc(w, m, wp, lp);
}

// A fast exit sends the button no further mouse move; without the leave
// notification the hover look would stay on.
TEST(BitmapButtons, RegressionHoverStaysAfterAFastExit) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread& ui) {
        CButtonST button;
        ui.Run([&] {
            HWND w = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, kSpare.left, kSpare.top, 152, 34, wnd,
                                       nullptr, nullptr, nullptr);
            ASSERT_TRUE(::SetWindowSubclass(w, &SwallowMouseMoves, 1, 0));
            ASSERT_TRUE(button.SubclassWindow(w));
            button.SetStateBitmaps(IDB_EXIT_GOLD, kCyan, IDB_EXIT_PLAIN, kCyan);
            button.UseParentBackground(TRUE);
        });
        MoveOver(wnd, Centre(kSpare).x, Centre(kSpare).y);
        ASSERT_TRUE(WaitUntil([&] { return Hovered(ui, button); }));
        MoveAway();
        EXPECT_TRUE(WaitUntil([&] { return !Hovered(ui, button); }));
        ui.Run([&] { ::DestroyWindow(button.m_hWnd); });
    });
}

TEST(BitmapButtons, ADoubleClickGivesTwoClicksTheFocusLeavesNoMarkAndLosingItEndsTheHover) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const RECT rc = RectOf(wnd, IDC_BTN_DRIVER);
        ui.Run([&] { ::SetFocus(::GetDlgItem(wnd, IDC_BTN_NEXT)); });
        MoveAway();
        ::Sleep(300);
        const Shot before = ShootClient(wnd);
        MoveOver(wnd, Centre(rc).x, Centre(rc).y);
        for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
            SendMouse(flags);
        EXPECT_TRUE(WaitUntil([&] { return d.Clicks(IDC_BTN_DRIVER) >= 2; }, 2000));
        ::Sleep(200);
        EXPECT_EQ(d.Clicks(IDC_BTN_DRIVER), 2);
        EXPECT_EQ(ui.Get<HWND>([] { return ::GetFocus(); }), d.m_btnDriver.m_hWnd);
        // Focused and at rest looks exactly as unfocused and at rest.
        MoveAway();
        ASSERT_TRUE(WaitUntil([&] { return !Hovered(ui, d.m_btnDriver); }));
        int differing = 0;
        ShootWhen(wnd, [&](const Shot& after) {
            differing = 0;
            for (int y = rc.top; y < rc.bottom; ++y)
                for (int x = rc.left; x < rc.right; ++x) differing += before.At(x, y) != after.At(x, y);
            return differing == 0;
        });
        EXPECT_EQ(differing, 0);
        // Hovered again, then the focus goes elsewhere: the hover ends.
        MoveOver(wnd, Centre(rc).x, Centre(rc).y);
        ASSERT_TRUE(WaitUntil([&] { return Hovered(ui, d.m_btnDriver); }));
        ui.Run([&] { ::SetFocus(::GetDlgItem(wnd, IDC_BTN_NEXT)); });
        EXPECT_FALSE(Hovered(ui, d.m_btnDriver));
        MoveAway();
    });
}

// The copy of the background comes from the dialog itself, not from the
// screen: whatever covers the button's area on the screen when the copy is
// made (the button's own erased face, a window not yet painted) must not
// end up behind the bitmap.
TEST(BitmapButtons, RegressionBackgroundCopyTakesWhatTheScreenShows) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const RECT rc = RectOf(wnd, IDC_BTN_EXIT);
        MoveAway();
        const Shot shot = ShootAfter(wnd, ui, [&] {
            win::ClientDC dc(d.m_btnExit.m_hWnd);
            win::UniqueBrush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
            const RECT r{0, 0, rc.right - rc.left, rc.bottom - rc.top};
            ::FillRect(dc.get(), &r, magenta.get());
            d.m_btnExit.UseParentBackground(TRUE);
            EXPECT_FALSE(d.m_btnExit.HasBackgroundCopy());
            ::UpdateWindow(d.m_btnExit.m_hWnd);
            EXPECT_TRUE(d.m_btnExit.HasBackgroundCopy());
        });
        const Shot bg = Background(wnd);
        const auto m = EdgeMiddles(rc);
        for (POINT p : {POINT{rc.left, rc.top}, m[0], m[1], POINT{rc.right - 1, rc.bottom - 1}})
            EXPECT_EQ(shot.At(p.x, p.y), bg.At(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_EQ(shot.Count(RGB(255, 0, 255), rc.left, rc.top, rc.right, rc.bottom), 0);
    });
}

// ---- Without the dialog ------------------------------------------------------------------

TEST(BitmapButtons, ADefaultPushButtonStaysTheDefaultWhenOwnerDrawn) {
    win::UniqueWindow parent(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                               ::GetModuleHandleW(nullptr), nullptr));
    const struct {
        DWORD style;
        bool isDefault, checkBox;
    } cases[] = {{BS_DEFPUSHBUTTON, true, false}, {BS_PUSHBUTTON, false, false}, {BS_AUTOCHECKBOX, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        win::UniqueWindow w(::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | c.style, 0, 0, 50, 20, parent.get(),
                                              nullptr, ::GetModuleHandleW(nullptr), nullptr));
        CButtonST b;
        ASSERT_TRUE(b.SubclassWindow(w.get()));
        EXPECT_EQ(::GetWindowLongW(w.get(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        const LRESULT code = ::SendMessageW(w.get(), WM_GETDLGCODE, 0, 0);
        EXPECT_EQ((code & DLGC_DEFPUSHBUTTON) != 0, c.isDefault);
        EXPECT_EQ((code & DLGC_UNDEFPUSHBUTTON) != 0, !c.isDefault);
        // The dialog manager moves the default with BM_SETSTYLE; the button
        // follows and stays owner-drawn.
        ::SendMessageW(w.get(), BM_SETSTYLE, c.isDefault ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, FALSE);
        EXPECT_EQ(::GetWindowLongW(w.get(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_EQ((::SendMessageW(w.get(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0, !c.isDefault);
        // Check state: only a check-box-mode button keeps one.
        ::SendMessageW(w.get(), BM_SETCHECK, BST_INDETERMINATE, 0);
        EXPECT_EQ(::SendMessageW(w.get(), BM_GETCHECK, 0, 0), c.checkBox ? 1 : 0);
        b.UnsubclassWindow();
    }
}

win::UniqueBitmap TwoPixelBitmap(COLORREF first, COLORREF second) {
    win::ClientDC screen(nullptr);
    win::UniqueBitmap bmp(::CreateCompatibleBitmap(screen.get(), 2, 1));
    win::UniqueDC dc(::CreateCompatibleDC(screen.get()));
    win::SelectGuard sel(dc.get(), bmp.get());
    ::SetPixel(dc.get(), 0, 0, first);
    ::SetPixel(dc.get(), 1, 0, second);
    return bmp;
}

bool Freed(HGDIOBJ h) { return ::GetObjectType(h) == 0; }

// The button owns both handles it is given: whatever it does not keep, it frees.
TEST(BitmapButtons, ResultCodesAndWhatEachLeavesBehind) {
    const struct {
        const char* name;
        bool hover, brush, rest, failMask;
        HBITMAP restRequest;
        DWORD result;
        int owned;
    } cases[] = {
        {"no hover bitmap: nothing kept, success", false, false, true, false, nullptr, 0, 0},
        {"no rest bitmap: the hover bitmap and its mask", true, false, false, false, nullptr, 0, 2},
        {"a darker copy of the hover bitmap as rest bitmap", true, false, false, false, CButtonST::DarkerRestRequest(), 0, 4},
        {"a handle that is no bitmap: size unreadable", false, true, false, false, nullptr, 1, 0},
        {"no mask: nothing kept", true, false, true, true, nullptr, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HGDIOBJ hover = c.brush ? static_cast<HGDIOBJ>(::CreateSolidBrush(RGB(1, 2, 3)))
                                : c.hover ? TwoPixelBitmap(kCyan, RGB(1, 2, 3)).release() : nullptr;
        HBITMAP rest = c.rest ? TwoPixelBitmap(kCyan, RGB(4, 5, 6)).release() : c.restRequest;
        if (c.failMask) CButtonST::s_gdi.createMask = [](int, int) -> HBITMAP { return nullptr; };
        CButtonST b;
        EXPECT_EQ(b.SetStateBitmaps(static_cast<HBITMAP>(hover), kCyan, rest, kCyan), c.result);
        CButtonST::s_gdi = CButtonST::kRealGdi;
        EXPECT_EQ(b.OwnedGdiObjects(), c.owned);
        EXPECT_EQ(b.GetSlotBitmap(1) != nullptr, c.owned == 4);
        EXPECT_TRUE(!hover || c.owned > 0 || Freed(hover));
        EXPECT_TRUE(!c.rest || c.owned > 0 || Freed(rest));
    }
}

}  // namespace
