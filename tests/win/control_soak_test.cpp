// The main window with its drawn controls as a user sees it, and a soak of
// the controls' GDI objects.
#include <gtest/gtest.h>

#include <vector>

#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kCyan = 0x00FFFF00;
constexpr wchar_t kPrefix[] = L"\u5F53\u524D\u8FDB\u5EA6\uFF1A";  // 当前进度：

// How many more GDI objects the process can create right now.  Wine
// reports no GDI counts, so the room left in the handle table is measured
// instead: a leak shows as less room afterwards.
int GdiRoom(int cap = 200000) {
    std::vector<win::UniqueBrush> brushes;
    brushes.reserve(static_cast<size_t>(cap));
    for (int i = 0; i < cap; ++i) {
        win::UniqueBrush b(::CreateSolidBrush(RGB(i & 0xFF, 1, 2)));
        if (!b) break;
        brushes.push_back(std::move(b));
    }
    return static_cast<int>(brushes.size());
}

TEST(DrawnControls, MainWindowScreenshotWithButtonsTitleAndProgressAt42) {
    HostDialog dlg;
    dlg.afterInit = [](HostDialog& d) { ::ShowWindow(d.m_ctlProgress.m_hWnd, SW_SHOW); };
    RunDialog(dlg, [](HostDialog& d, HWND wnd, const UiThread& ui) {
        MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
        ui.Run([&] {
            d.m_ctlProgress.SetRange(0, 100);
            d.m_ctlProgress.SetPos(0);
            d.m_ctlProgress.SetPrefix(kPrefix);
            d.m_ctlProgress.SetPos(42);
            // What initialisation gave the controls.
            for (CButtonST* b : {&d.m_btnDriver, &d.m_btnManual, &d.m_btnFirmware, &d.m_btnExit, &d.m_btnQuorin,
                                 &d.m_btnTessan}) {
                EXPECT_NE(b->GetSlotBitmap(0), nullptr);
                EXPECT_NE(b->GetSlotBitmap(1), nullptr);
                EXPECT_TRUE(b->UsesParentBackground());
            }
        });
        ::Sleep(200);
        const Shot s = ShootClient(wnd);
        const RECT bar = RectInParent(d.m_ctlProgress.m_hWnd);
        const int split = bar.left + (bar.right - bar.left) * 42 / 100;
        EXPECT_EQ(s.At(split - 1, bar.top), d.m_ctlProgress.GetBarColour());
        EXPECT_EQ(s.At(split, bar.top), d.m_ctlProgress.GetBackgroundColour());
        const RECT title = RectInParent(d.m_stcTitle.m_hWnd);
        EXPECT_GT(s.Count(0x00804000, title.left, title.top, title.right, title.bottom), 20);
        const std::wstring path = probe::ArtefactDir() + L"controls-main-window.bmp";
        EXPECT_TRUE(probe::SaveWindowShot(wnd, path));
        printf("screenshot: %ls\n", path.c_str());
    });
}

TEST(DrawnControls, SoakOfBitmapsAndRepaintsLeavesNoGdiObjectBehind) {
    {
        // Warm-up: first-time allocations of the system (fonts, caches)
        // are not the controls' leaks.
        HostDialog warm;
        warm.afterInit = [](HostDialog& d) { ::ShowWindow(d.m_ctlProgress.m_hWnd, SW_SHOW); };
        RunDialog(warm, [](HostDialog&, HWND, const UiThread&) {});
    }
    const int roomBefore = GdiRoom();
    ASSERT_LT(roomBefore, 200000) << "no limit to measure against";
    {
        HostDialog dlg;
        dlg.afterInit = [](HostDialog& d) { ::ShowWindow(d.m_ctlProgress.m_hWnd, SW_SHOW); };
        RunDialog(dlg, [&](HostDialog& d, HWND, const UiThread& ui) {
            ui.Run([&] {
                const int owned = d.m_btnDriver.OwnedGdiObjects();
                EXPECT_EQ(owned, 4 + 2);  // bitmaps, masks, background copy and its context
                const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
                d.m_ctlProgress.SetRange(0, 100);
                d.m_ctlProgress.SetPrefix(kPrefix);
                for (int i = 0; i < 2000; ++i) {
                    const bool gold = (i % 2) == 0;
                    EXPECT_EQ(d.m_btnDriver.SetStateBitmaps(gold ? IDB_DRIVER_GOLD : IDB_DRIVER_PLAIN, kCyan,
                                                            gold ? IDB_DRIVER_PLAIN : IDB_DRIVER_GOLD, kCyan),
                              0u);
                    if (i % 100 == 0) d.m_btnDriver.UseParentBackground(FALSE);
                    ::RedrawWindow(d.m_btnDriver.m_hWnd, nullptr, nullptr, flags);
                    d.m_stcInstallStatus.SetText(gold ? L"\u6B63\u5728\u5B89\u88C5\u9A71\u52A8" : L"\u5B8C\u6210");
                    ::RedrawWindow(d.m_stcInstallStatus.m_hWnd, nullptr, nullptr, flags);
                    d.m_ctlProgress.SetPos(i % 101);
                    ::RedrawWindow(d.m_ctlProgress.m_hWnd, nullptr, nullptr, flags);
                }
                EXPECT_EQ(d.m_btnDriver.OwnedGdiObjects(), owned);
                // Allocation still works after the soak.
                win::ClientDC screen(nullptr);
                win::UniqueBitmap big(::CreateCompatibleBitmap(screen.get(), 1000, 1000));
                win::UniqueBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
                win::UniqueDC dc(::CreateCompatibleDC(screen.get()));
                EXPECT_TRUE(big);
                EXPECT_TRUE(brush);
                EXPECT_TRUE(dc);
                EXPECT_EQ(d.m_btnDriver.SetStateBitmaps(IDB_DRIVER_GOLD, kCyan, IDB_DRIVER_PLAIN, kCyan), 0u);
            });
        });
    }
    const int roomAfter = GdiRoom();
    // 2,000 replacements leaking even one object each would show here.
    EXPECT_LT(roomBefore - roomAfter, 50) << "before " << roomBefore << ", after " << roomAfter;
}

}  // namespace
