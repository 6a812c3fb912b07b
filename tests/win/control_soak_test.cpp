// A soak of the drawn controls' GDI objects.
#include <gtest/gtest.h>

#include <vector>

#include "res/resource.h"
#include "win/control_harness.h"

namespace {

using namespace ctltest;

constexpr COLORREF kCyan = 0x00FFFF00;

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

TEST(DrawnControls, SoakOfBitmapsAndRepaintsLeavesNoGdiObjectBehind) {
    {
        // Warm-up: first-time allocations of the system (fonts, caches)
        // are not the controls' leaks.
        HostDialog warm;
        warm.showProgress = true;
        RunDialog(warm, [](HostDialog&, HWND, const UiThread&) {});
    }
    const int roomBefore = GdiRoom();
    ASSERT_LT(roomBefore, 200000) << "no limit to measure against";
    {
        HostDialog dlg;
        dlg.showProgress = true;
        RunDialog(dlg, [&](HostDialog& d, HWND, const UiThread& ui) {
            ui.Run([&] {
                CButtonST& button = d.m_btnDriver;
                EXPECT_EQ(button.OwnedGdiObjects(), 4 + 2);  // bitmaps, masks, background copy and its context
                const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
                d.m_ctlProgress.SetRange(0, 100);
                for (int i = 0; i < 2000; ++i) {
                    const bool gold = (i % 2) == 0;
                    EXPECT_EQ(button.SetStateBitmaps(gold ? IDB_DRIVER_GOLD : IDB_DRIVER_PLAIN, kCyan,
                                                     gold ? IDB_DRIVER_PLAIN : IDB_DRIVER_GOLD, kCyan),
                              0u);
                    if (i % 100 == 0) button.UseParentBackground(FALSE);
                    ::RedrawWindow(button.m_hWnd, nullptr, nullptr, flags);
                    d.m_stcInstallStatus.SetText(gold ? L"\u6B63\u5728\u5B89\u88C5\u9A71\u52A8" : L"\u5B8C\u6210");
                    ::RedrawWindow(d.m_stcInstallStatus.m_hWnd, nullptr, nullptr, flags);
                    d.m_ctlProgress.SetPos(i % 101);
                    ::RedrawWindow(d.m_ctlProgress.m_hWnd, nullptr, nullptr, flags);
                }
                EXPECT_EQ(button.OwnedGdiObjects(), 4 + 2);
                // Allocation still works after the soak.
                win::ClientDC screen(nullptr);
                EXPECT_TRUE(win::UniqueBitmap(::CreateCompatibleBitmap(screen.get(), 1000, 1000)));
                EXPECT_TRUE(win::UniqueDC(::CreateCompatibleDC(screen.get())));
            });
        });
    }
    const int roomAfter = GdiRoom();
    // 2,000 replacements leaking even one object each would show here.
    EXPECT_LT(roomBefore - roomAfter, 50) << "before " << roomBefore << ", after " << roomAfter;
}

}  // namespace
