// The bitmap buttons of the left panel, looked at on the screen and driven
// with real mouse input.
#include <gtest/gtest.h>

#include "controls/button_st.h"
#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kCyan = 0x00FFFF00;

struct Look {
    RECT rc;      // button in dialog client coordinates
    POINT topMid, bottomMid, leftMid, rightMid, centre;
};

Look LookAt(const RECT& rc) {
    Look l{};
    l.rc = rc;
    const int midX = (l.rc.left + l.rc.right) / 2, midY = (l.rc.top + l.rc.bottom) / 2;
    l.topMid = {midX, l.rc.top};
    l.bottomMid = {midX, l.rc.bottom - 1};
    l.leftMid = {l.rc.left, midY};
    l.rightMid = {l.rc.right - 1, midY};
    l.centre = {midX, midY};
    return l;
}

Look LookOf(HWND dlg, int id) { return LookAt(RectInParent(::GetDlgItem(dlg, id))); }

COLORREF At(const Shot& s, POINT p) { return s.At(p.x, p.y); }

// Which of two bitmaps the button shows: likeness of the expected one and
// of the other one.
void ExpectShows(const Shot& shot, const Look& l, int expectedId, int otherId) {
    const int w = l.rc.right - l.rc.left, h = l.rc.bottom - l.rc.top;
    const POINT at{l.rc.left, l.rc.top};
    const double expected = Likeness(shot, at, StretchedResource(expectedId, w, h), w, h);
    const double other = Likeness(shot, at, StretchedResource(otherId, w, h), w, h);
    EXPECT_GT(expected, 0.95) << "bitmap " << expectedId;
    EXPECT_LT(other, expected) << "bitmap " << otherId << " instead of " << expectedId;
}

void ExpectFrame(const Shot& s, const Look& l, COLORREF first, COLORREF second) {
    EXPECT_EQ(At(s, l.topMid), first);
    EXPECT_EQ(At(s, l.leftMid), first);
    EXPECT_EQ(At(s, l.bottomMid), second);
    EXPECT_EQ(At(s, l.rightMid), second);
}

void ExpectNoFrame(const Shot& s, const Look& l, const Background& bg) {
    for (POINT p : {l.topMid, l.leftMid, l.bottomMid, l.rightMid}) EXPECT_EQ(At(s, p), bg.At(p.x, p.y));
}

struct PairCase {
    int id;
    int rest, hover;
};
// At start the driver button shows its gold bitmap at rest (page shown).
const PairCase kLeftButtons[] = {
    {IDC_BTN_DRIVER, IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN},   {IDC_BTN_MANUAL, IDB_MANUAL_PLAIN, IDB_MANUAL_GOLD},
    {IDC_BTN_FIRMWARE, IDB_FIRMWARE_PLAIN, IDB_FIRMWARE_GOLD}, {IDC_BTN_EXIT, IDB_EXIT_PLAIN, IDB_EXIT_GOLD},
    {IDC_BTN_QUORIN, IDB_QUORIN_PLAIN, IDB_QUORIN_GOLD},   {IDC_BTN_TESSAN, IDB_TESSAN_PLAIN, IDB_TESSAN_GOLD},
};

TEST(BitmapButtons, RestBitmapsOverTheDialogBackgroundWithNoFrame) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread&) {
        MoveMouse(ClientToScreenPoint(wnd, 700, 580));  // well away from the buttons
        ::Sleep(300);
        const Shot shot = ShootClient(wnd);
        const Background bg(wnd);
        for (const auto& c : kLeftButtons) {
            SCOPED_TRACE(c.id);
            const Look l = LookOf(wnd, c.id);
            ExpectShows(shot, l, c.rest, c.hover);
            ExpectNoFrame(shot, l, bg);
            // The cyan corners show the dialog's picture, not a button face.
            const POINT corners[] = {{l.rc.left, l.rc.top}, {l.rc.right - 1, l.rc.top}, {l.rc.left, l.rc.bottom - 1},
                                     {l.rc.right - 1, l.rc.bottom - 1}, {l.rc.left + 1, l.rc.top + 1}};
            for (POINT p : corners) {
                EXPECT_EQ(At(shot, p), bg.At(p.x, p.y)) << p.x << "," << p.y;
                EXPECT_NE(At(shot, p), ::GetSysColor(COLOR_BTNFACE));
                EXPECT_NE(At(shot, p), RGB(255, 255, 255));
            }
        }
    });
}

TEST(BitmapButtons, HoverRaisesPressSinksAndTheHandCursorShows) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_MANUAL);
        const Background bg(wnd);
        const COLORREF hi = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
        ASSERT_NE(hi, shadow);

        MoveMouse(ClientToScreenPoint(wnd, l.centre.x, l.centre.y));
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnManual.IsHovered(); }) != 0; }));
        ::Sleep(150);
        Shot shot = ShootClient(wnd);
        {
            SCOPED_TRACE("hovered: raised frame, hover bitmap");
            ExpectFrame(shot, l, hi, shadow);
            ExpectShows(shot, l, IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN);
        }
        const HCURSOR cursor = ui.Get<HCURSOR>([] { return ::GetCursor(); });
        EXPECT_EQ(cursor, ::LoadCursorW(nullptr, IDC_HAND));

        LeftDown();
        ::Sleep(150);
        shot = ShootClient(wnd);
        {
            SCOPED_TRACE("held down: sunken frame, hover bitmap");
            ExpectFrame(shot, l, shadow, hi);
            ExpectShows(shot, l, IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN);
        }
        // Let go elsewhere: no click, and the look returns to rest.
        MoveMouse(ClientToScreenPoint(wnd, 700, 580));
        LeftUp();
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnManual.IsHovered(); }) == 0; }));
        ::Sleep(150);
        shot = ShootClient(wnd);
        {
            SCOPED_TRACE("at rest again");
            ExpectNoFrame(shot, l, bg);
            ExpectShows(shot, l, IDB_MANUAL_PLAIN, IDB_MANUAL_GOLD);
        }
        EXPECT_EQ(d.Clicks(IDC_BTN_MANUAL), 0);
    });
}

TEST(BitmapButtons, DraggingOntoAButtonDoesNotLightIt) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_FIRMWARE);
        const Background bg(wnd);
        // Pressed on the dialog's own background beside the button.
        MoveMouse(ClientToScreenPoint(wnd, l.rc.right + 60, l.rc.bottom + 20));
        LeftDown();
        MoveMouse(ClientToScreenPoint(wnd, l.centre.x, l.centre.y));
        MoveMouse(ClientToScreenPoint(wnd, l.centre.x + 5, l.centre.y));
        ::Sleep(200);
        EXPECT_EQ(ui.Get<int>([&] { return d.m_btnFirmware.IsHovered(); }), 0);
        const Shot shot = ShootClient(wnd);
        ExpectNoFrame(shot, l, bg);
        ExpectShows(shot, l, IDB_FIRMWARE_PLAIN, IDB_FIRMWARE_GOLD);
        LeftUp();
        ::Sleep(100);
        EXPECT_EQ(d.Clicks(IDC_BTN_FIRMWARE), 0);
        MoveMouse(ClientToScreenPoint(wnd, 700, 580));
    });
}

TEST(BitmapButtons, AFastExitEndsTheHover) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_QUORIN);
        const Background bg(wnd);
        MoveMouse(ClientToScreenPoint(wnd, l.centre.x, l.centre.y));
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnQuorin.IsHovered(); }) != 0; }));
        // One jump to the far corner of the screen, outside the dialog.
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        EXPECT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnQuorin.IsHovered(); }) == 0; }, 3000));
        ::Sleep(150);
        const Shot shot = ShootClient(wnd);
        ExpectNoFrame(shot, l, bg);
        ExpectShows(shot, l, IDB_QUORIN_PLAIN, IDB_QUORIN_GOLD);
    });
}

// A button class that keeps mouse moves to itself: the system button never
// sees them, so it asks for no leave notification of its own (some button
// versions do, for their hot look), and only the bitmap button's own
// request can end the hover after a fast exit.
LRESULT CALLBACK QuietButtonProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    static WNDPROC system = [] {
        WNDCLASSW wc{};
        ::GetClassInfoW(nullptr, L"BUTTON", &wc);
        return wc.lpfnWndProc;
    }();
    if (m == WM_MOUSEMOVE) return 0;
    return ::CallWindowProcW(system, w, m, wp, lp);
}

const wchar_t* QuietButtonClass() {
    static const wchar_t kName[] = L"PrinterInstall.Test.QuietButton";
    static const bool registered = [] {
        WNDCLASSW wc{};
        ::GetClassInfoW(nullptr, L"BUTTON", &wc);
        wc.lpfnWndProc = &QuietButtonProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kName;
        return ::RegisterClassW(&wc) != 0;
    }();
    return registered ? kName : L"BUTTON";
}

// A fast exit sends the button no further mouse move; without the leave
// notification the hover look would stay on.
TEST(BitmapButtons, RegressionHoverStaysAfterAFastExit) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread& ui) {
        CButtonST button;
        const RECT at{560, 545, 712, 579};
        ui.Run([&] {
            HWND w = CreateChild(wnd, QuietButtonClass(), L"", WS_VISIBLE | BS_PUSHBUTTON, at, 2003);
            ASSERT_TRUE(button.SubclassWindow(w));
            button.SetStateBitmaps(IDB_EXIT_GOLD, kCyan, IDB_EXIT_PLAIN, kCyan);
            button.UseParentBackground(TRUE);
        });
        MoveMouse(ClientToScreenPoint(wnd, (at.left + at.right) / 2, (at.top + at.bottom) / 2));
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return button.IsHovered(); }) != 0; }));
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        EXPECT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return button.IsHovered(); }) == 0; }, 3000));
        ui.Run([&] { ::DestroyWindow(button.m_hWnd); });
    });
}

TEST(BitmapButtons, LosingTheFocusEndsTheHover) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_DRIVER);
        MoveMouse(ClientToScreenPoint(wnd, l.centre.x, l.centre.y));
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnDriver.IsHovered(); }) != 0; }));
        ui.Run([&] {
            ::SetFocus(d.m_btnDriver.m_hWnd);
            ::SetFocus(::GetDlgItem(wnd, IDC_BTN_NEXT));
        });
        EXPECT_EQ(ui.Get<int>([&] { return d.m_btnDriver.IsHovered(); }), 0);
        MoveMouse(ClientToScreenPoint(wnd, 700, 580));
    });
}

TEST(BitmapButtons, ADoubleClickGivesTwoClicksAndTheFocusLeavesNoMark) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_DRIVER);
        HWND button = ::GetDlgItem(wnd, IDC_BTN_DRIVER);
        ui.Run([&] { ::SetFocus(::GetDlgItem(wnd, IDC_BTN_NEXT)); });
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        ::Sleep(300);
        const Shot before = ShootClient(wnd);

        MoveMouse(ClientToScreenPoint(wnd, l.centre.x, l.centre.y));
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
        EXPECT_TRUE(WaitUntil([&] { return d.Clicks(IDC_BTN_DRIVER) >= 2; }, 2000));
        ::Sleep(200);
        EXPECT_EQ(d.Clicks(IDC_BTN_DRIVER), 2);
        EXPECT_EQ(ui.Get<HWND>([] { return ::GetFocus(); }), button);

        // Focused and at rest looks exactly as unfocused and at rest.
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        ASSERT_TRUE(WaitUntil([&] { return ui.Get<int>([&] { return d.m_btnDriver.IsHovered(); }) == 0; }));
        ::Sleep(200);
        const Shot after = ShootClient(wnd);
        int differing = 0;
        for (int y = l.rc.top; y < l.rc.bottom; ++y)
            for (int x = l.rc.left; x < l.rc.right; ++x)
                if (before.At(x, y) != after.At(x, y)) ++differing;
        EXPECT_EQ(differing, 0);
    });
}

// The copy of the background comes from the dialog itself, not from the
// screen: whatever covers the button's area on the screen when the copy is
// made (the button's own erased face, a window not yet painted) must not
// end up behind the bitmap.
TEST(BitmapButtons, RegressionBackgroundCopyTakesWhatTheScreenShows) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_EXIT);
        const Background bg(wnd);
        MoveMouse(ClientToScreenPoint(wnd, 700, 580));
        ui.Run([&] {
            win::ClientDC dc(d.m_btnExit.m_hWnd);
            win::UniqueBrush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
            RECT r{0, 0, l.rc.right - l.rc.left, l.rc.bottom - l.rc.top};
            ::FillRect(dc.get(), &r, magenta.get());
            d.m_btnExit.UseParentBackground(TRUE);
            EXPECT_FALSE(d.m_btnExit.HasBackgroundCopy());
            ::UpdateWindow(d.m_btnExit.m_hWnd);
            EXPECT_TRUE(d.m_btnExit.HasBackgroundCopy());
        });
        ::Sleep(150);
        const Shot shot = ShootClient(wnd);
        for (POINT p : {POINT{l.rc.left, l.rc.top}, l.topMid, l.leftMid, POINT{l.rc.right - 1, l.rc.bottom - 1}})
            EXPECT_EQ(At(shot, p), bg.At(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_EQ(shot.Count(RGB(255, 0, 255), l.rc.left, l.rc.top, l.rc.right, l.rc.bottom), 0);
    });
}

TEST(BitmapButtons, SetStateBitmapsAgainFreesThePreviousBitmapsAndMasks) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        ui.Run([&] {
            CButtonST& b = d.m_btnFirmware;
            const HGDIOBJ old[] = {b.GetSlotBitmap(0), b.GetSlotMask(0), b.GetSlotBitmap(1), b.GetSlotMask(1)};
            for (HGDIOBJ h : old) ASSERT_EQ(::GetObjectType(h), static_cast<DWORD>(OBJ_BITMAP));
            // Swapped pair: the firmware page is now the one shown.
            EXPECT_EQ(b.SetStateBitmaps(IDB_FIRMWARE_PLAIN, kCyan, IDB_FIRMWARE_GOLD, kCyan), 0u);
            for (HGDIOBJ h : old) EXPECT_EQ(::GetObjectType(h), 0u) << "still alive after being replaced";
            EXPECT_EQ(b.OwnedGdiObjects(), 4 + 2);  // two bitmaps, two masks, the background copy
            ::UpdateWindow(b.m_hWnd);
        });
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        ::Sleep(200);
        ExpectShows(ShootClient(wnd), LookOf(wnd, IDC_BTN_FIRMWARE), IDB_FIRMWARE_GOLD, IDB_FIRMWARE_PLAIN);
    });
}

TEST(BitmapButtons, DisabledDrawsEmbossedAndPassesTheFocusOn) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        const Look l = LookOf(wnd, IDC_BTN_TESSAN);
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        const HWND button = d.m_btnTessan.m_hWnd;
        ui.Run([&] {
            ::SetFocus(button);
            ::EnableWindow(button, FALSE);
            EXPECT_NE(::GetFocus(), button);
            EXPECT_NE(::GetFocus(), nullptr);
            ::UpdateWindow(button);
        });
        ::Sleep(150);
        const Shot shot = ShootClient(wnd);
        const int w = l.rc.right - l.rc.left, h = l.rc.bottom - l.rc.top;
        EXPECT_LT(Likeness(shot, {l.rc.left, l.rc.top}, StretchedResource(IDB_TESSAN_PLAIN, w, h), w, h), 0.5);
        EXPECT_GT(shot.Count(::GetSysColor(COLOR_BTNSHADOW), l.rc.left, l.rc.top, l.rc.right, l.rc.bottom), 0);
        ui.Run([&] { ::EnableWindow(button, TRUE); });
    });
}

// Check-box mode, a solid background and a caption are not used by the
// program's own buttons but work as the button defines them.
TEST(BitmapButtons, CheckBoxModeDrawsTheCheckedStateAsPressed) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread& ui) {
        CButtonST box;
        const RECT at{560, 545, 712, 579};
        ui.Run([&] {
            HWND w = CreateChild(wnd, L"BUTTON", L"", WS_VISIBLE | BS_AUTOCHECKBOX, at, 2001);
            ASSERT_TRUE(box.SubclassWindow(w));
            EXPECT_TRUE(box.IsCheckBox());
            EXPECT_EQ(::GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
            EXPECT_EQ(box.SetStateBitmaps(IDB_DRIVER_GOLD, kCyan, IDB_DRIVER_PLAIN, kCyan), 0u);
            box.UseParentBackground(TRUE);
            ::SendMessageW(w, BM_SETCHECK, BST_CHECKED, 0);
            EXPECT_EQ(::SendMessageW(w, BM_GETCHECK, 0, 0), 1);
            ::UpdateWindow(w);
        });
        ::Sleep(150);
        const Look l = LookAt(at);
        Shot shot = ShootClient(wnd);
        {
            SCOPED_TRACE("checked");
            ExpectFrame(shot, l, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
            ExpectShows(shot, l, IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN);
        }
        // A click toggles the state off.
        ui.Run([&] {
            ::SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(2001, BN_CLICKED), reinterpret_cast<LPARAM>(box.m_hWnd));
            EXPECT_EQ(box.GetChecked(), 0);
            EXPECT_EQ(::GetFocus(), box.m_hWnd);
            ::UpdateWindow(box.m_hWnd);
        });
        ::Sleep(150);
        shot = ShootClient(wnd);
        {
            SCOPED_TRACE("unchecked");
            const Background bg(wnd);
            ExpectNoFrame(shot, l, bg);
            ExpectShows(shot, l, IDB_DRIVER_PLAIN, IDB_DRIVER_GOLD);
        }
        ui.Run([&] { ::DestroyWindow(box.m_hWnd); });
    });
}

TEST(BitmapButtons, WithoutParentBackgroundItFillsTheFaceAndDrawsItsCaption) {
    HostDialog dlg;
    RunDialog(dlg, [](HostDialog&, HWND wnd, const UiThread& ui) {
        CButtonST plain;
        const RECT at{560, 545, 660, 575};
        ui.Run([&] {
            HWND w = CreateChild(wnd, L"BUTTON", L"OK", WS_VISIBLE | BS_PUSHBUTTON, at, 2002);
            ASSERT_TRUE(plain.SubclassWindow(w));
            ::InvalidateRect(w, nullptr, TRUE);
            ::UpdateWindow(w);
        });
        ::Sleep(150);
        const Shot shot = ShootClient(wnd);
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        EXPECT_EQ(shot.At(at.left + 1, at.top + 1), face);
        EXPECT_EQ(shot.At(at.right - 2, at.bottom - 2), face);
        // The caption, centred, in the text colour.
        EXPECT_GT(shot.Count(::GetSysColor(COLOR_BTNTEXT), at.left + 30, at.top + 5, at.right - 30, at.bottom - 5), 0);
        EXPECT_EQ(shot.Count(::GetSysColor(COLOR_BTNTEXT), at.left, at.top, at.left + 20, at.bottom), 0);
        ui.Run([&] { ::DestroyWindow(plain.m_hWnd); });
    });
}

// ---- Without the dialog ------------------------------------------------------------------

// A test window that goes away with the test.
struct TestParent {
    win::UniqueWindow wnd{::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                             ::GetModuleHandleW(nullptr), nullptr)};
};

TEST(BitmapButtons, ADefaultPushButtonStaysTheDefaultWhenOwnerDrawn) {
    TestParent parent;
    ASSERT_TRUE(parent.wnd);
    const struct {
        DWORD style;
        bool isDefault, checkBox;
    } cases[] = {
        {BS_DEFPUSHBUTTON, true, false},
        {BS_PUSHBUTTON, false, false},
        {BS_AUTOCHECKBOX, false, true},
        {BS_CHECKBOX, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        win::UniqueWindow w(::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | c.style, 0, 0, 50, 20, parent.wnd.get(),
                                              nullptr, ::GetModuleHandleW(nullptr), nullptr));
        CButtonST b;
        ASSERT_TRUE(b.SubclassWindow(w.get()));
        EXPECT_EQ(::GetWindowLongW(w.get(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_EQ(b.IsDefault() != FALSE, c.isDefault);
        EXPECT_EQ(b.IsCheckBox() != FALSE, c.checkBox);
        const LRESULT code = ::SendMessageW(w.get(), WM_GETDLGCODE, 0, 0);
        EXPECT_EQ((code & DLGC_DEFPUSHBUTTON) != 0, c.isDefault);
        EXPECT_EQ((code & DLGC_UNDEFPUSHBUTTON) != 0, !c.isDefault);
        // The dialog manager moves the default with BM_SETSTYLE; the button
        // follows and stays owner-drawn.
        ::SendMessageW(w.get(), BM_SETSTYLE, c.isDefault ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, FALSE);
        EXPECT_EQ(b.IsDefault() != FALSE, !c.isDefault);
        EXPECT_EQ(::GetWindowLongW(w.get(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_EQ((::SendMessageW(w.get(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0, !c.isDefault);
        // Check state: only a check-box-mode button keeps one.
        ::SendMessageW(w.get(), BM_SETCHECK, BST_INDETERMINATE, 0);
        EXPECT_EQ(::SendMessageW(w.get(), BM_GETCHECK, 0, 0), c.checkBox ? 1 : 0);
        b.UnsubclassWindow();
    }
}

// Replaces the mask creation for one test.
struct MaskFailure {
    MaskFailure() {
        CButtonST::s_gdi.createMask = [](int, int) -> HBITMAP { return nullptr; };
    }
    ~MaskFailure() { CButtonST::s_gdi = CButtonST::kRealGdi; }
};

win::UniqueBitmap TwoPixelBitmap(COLORREF first, COLORREF second) {
    win::ClientDC screen(nullptr);
    win::UniqueBitmap bmp(::CreateCompatibleBitmap(screen.get(), 2, 1));
    win::UniqueDC dc(::CreateCompatibleDC(screen.get()));
    win::SelectGuard sel(dc.get(), bmp.get());
    ::SetPixel(dc.get(), 0, 0, first);
    ::SetPixel(dc.get(), 1, 0, second);
    return bmp;
}

COLORREF PixelOf(HBITMAP bmp, int x, int y) {
    win::UniqueDC dc(::CreateCompatibleDC(nullptr));
    win::SelectGuard sel(dc.get(), bmp);
    return ::GetPixel(dc.get(), x, y);
}

TEST(BitmapButtons, ResultCodesAndWhatEachLeavesBehind) {
    {
        SCOPED_TRACE("missing hover bitmap: no image, success");
        CButtonST b;
        EXPECT_EQ(b.SetStateBitmaps(9999, kCyan, IDB_DRIVER_GOLD, kCyan), 0u);
        EXPECT_EQ(b.GetSlotBitmap(0), nullptr);
        EXPECT_EQ(b.GetSlotBitmap(1), nullptr);
        EXPECT_EQ(b.OwnedGdiObjects(), 0);
    }
    {
        SCOPED_TRACE("missing rest bitmap: the hover bitmap only");
        CButtonST b;
        EXPECT_EQ(b.SetStateBitmaps(IDB_DRIVER_GOLD, kCyan, 9999, kCyan), 0u);
        EXPECT_NE(b.GetSlotBitmap(0), nullptr);
        EXPECT_EQ(b.GetSlotBitmap(1), nullptr);
    }
    {
        SCOPED_TRACE("a handle that is no bitmap: size unreadable, and freed");
        CButtonST b;
        HBRUSH notABitmap = ::CreateSolidBrush(RGB(1, 2, 3));
        EXPECT_EQ(b.SetStateBitmaps(reinterpret_cast<HBITMAP>(notABitmap), kCyan, nullptr, kCyan), 1u);
        EXPECT_EQ(b.OwnedGdiObjects(), 0);
        EXPECT_EQ(::GetObjectType(notABitmap), 0u);
    }
    {
        SCOPED_TRACE("no mask: nothing kept, both handles freed");
        MaskFailure failing;
        CButtonST b;
        win::UniqueBitmap hover = TwoPixelBitmap(kCyan, RGB(1, 2, 3));
        win::UniqueBitmap rest = TwoPixelBitmap(kCyan, RGB(4, 5, 6));
        HBITMAP h = hover.get(), r = rest.get();
        EXPECT_EQ(b.SetStateBitmaps(hover.release(), kCyan, rest.release(), kCyan), 2u);
        EXPECT_EQ(b.OwnedGdiObjects(), 0);
        EXPECT_EQ(::GetObjectType(h), 0u);
        EXPECT_EQ(::GetObjectType(r), 0u);
    }
    {
        SCOPED_TRACE("missing hover bitmap with a rest handle: the rest handle is freed");
        CButtonST b;
        win::UniqueBitmap rest = TwoPixelBitmap(kCyan, RGB(4, 5, 6));
        HBITMAP r = rest.get();
        EXPECT_EQ(b.SetStateBitmaps(nullptr, kCyan, rest.release(), kCyan), 0u);
        EXPECT_EQ(::GetObjectType(r), 0u);
    }
}

TEST(BitmapButtons, PressedShiftStyles) {
    CButtonST b;
    EXPECT_EQ(b.GetPressedShift().x, 1);
    EXPECT_EQ(b.GetPressedShift().y, 1);
    EXPECT_EQ(b.SetPressedShift(1, FALSE), 0u);
    EXPECT_EQ(b.GetPressedShift().x, 0);
    EXPECT_EQ(b.GetPressedShift().y, 2);
    EXPECT_EQ(b.SetPressedShift(2, FALSE), 6u);
    EXPECT_EQ(b.GetPressedShift().y, 2);  // unchanged
    EXPECT_EQ(b.ResetColors(FALSE), 0u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(b.GetColor(i), ::GetSysColor(i % 2 ? COLOR_BTNTEXT : COLOR_BTNFACE)) << i;
}

TEST(BitmapButtons, DarkerAndGreyRestCopiesAndTheMasks) {
    const COLORREF colour = RGB(200, 100, 50);
    const struct {
        const char* name;
        HBITMAP request;
        COLORREF expected;
    } cases[] = {
        {"darker", CButtonST::DarkerRestRequest(), RGB(150, 75, 37)},
        {"grey", CButtonST::GreyRestRequest(), RGB(124, 124, 124)},  // 59.8 + 58.7 + 5.7
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CButtonST b;
        ASSERT_EQ(b.SetStateBitmaps(TwoPixelBitmap(kCyan, colour).release(), kCyan, c.request, 0), 0u);
        ASSERT_NE(b.GetSlotBitmap(1), nullptr);
        EXPECT_EQ(PixelOf(b.GetSlotBitmap(1), 1, 0), c.expected);
        EXPECT_EQ(PixelOf(b.GetSlotBitmap(0), 1, 0), colour);
        // Masks: white where the see-through colour was, black elsewhere;
        // the bitmaps themselves turned black there.
        for (int slot : {0, 1}) {
            EXPECT_EQ(PixelOf(b.GetSlotMask(slot), 0, 0), RGB(255, 255, 255)) << slot;
            EXPECT_EQ(PixelOf(b.GetSlotMask(slot), 1, 0), RGB(0, 0, 0)) << slot;
            EXPECT_EQ(PixelOf(b.GetSlotBitmap(slot), 0, 0), RGB(0, 0, 0)) << slot;
        }
    }
}

}  // namespace
