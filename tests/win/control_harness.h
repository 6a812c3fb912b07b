// What the drawn-control tests share: the main dialog run modally on the
// test thread with a hook after its initialisation, a way to run code on
// that thread from the driving thread, real mouse input, and pixels.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "app/printer_install_dlg.h"
#include "main_dialog_runner.h"
#include "support/window_probe.h"
#include "win/app.h"
#include "win/unique.h"

namespace ctltest {

// A message the test dialog answers by running the closure it points to.
constexpr UINT kRunMessage = WM_APP + 0x3F00;

// Runs closures on the dialog's thread: its modal loop dispatches the sent message.
struct UiThread {
    HWND dlg;
    void Run(const std::function<void()>& fn) const {
        ::SendMessageW(dlg, kRunMessage, 0, reinterpret_cast<LPARAM>(&fn));
    }
    template <class T>
    T Get(const std::function<T()>& fn) const {
        T value{};
        Run([&] { value = fn(); });
        return value;
    }
};

// The real main dialog, optionally with the progress bar of the firmware page
// shown, a count of the clicks it was told of, and running test closures.
class HostDialog : public CPrinterInstallDlg {
public:
    HostDialog() : CPrinterInstallDlg(dlgtest::SystemApi()) {}
    bool showProgress = false;
    int Clicks(int id) {
        std::lock_guard<std::mutex> lock(clicksMutex_);
        return clicks_[id];
    }

protected:
    BOOL OnInitDialog() override {
        BOOL r = CPrinterInstallDlg::OnInitDialog();
        if (showProgress) ::ShowWindow(m_ctlProgress.m_hWnd, SW_SHOW);
        return r;
    }
    void OnCommand(int id, int code, HWND control) override {
        if (code == BN_CLICKED) {
            std::lock_guard<std::mutex> lock(clicksMutex_);
            ++clicks_[id];
        }
        CPrinterInstallDlg::OnCommand(id, code, control);
    }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        if (msg != kRunMessage) return CPrinterInstallDlg::OnMessage(msg, wp, lp, result);
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        *result = 0;
        return true;
    }

private:
    std::mutex clicksMutex_;
    std::map<int, int> clicks_;
};

using Driver = std::function<void(HostDialog&, HWND, const UiThread&)>;

// Runs the dialog modally on this thread and `drive` on another; the dialog
// is ended afterwards whatever the driver did.
inline void RunDialog(HostDialog& dlg, const Driver& drive) {
    std::thread driver([&] {
        HWND wnd = probe::WaitForWindow([&] { return ::IsWindowVisible(dlg.m_hWnd) ? dlg.m_hWnd : nullptr; }, 10000);
        const UiThread ui{wnd ? wnd : dlg.m_hWnd};
        if (wnd) {
            probe::PumpFor(0);
            ::Sleep(300);  // first paint
            drive(dlg, wnd, ui);
        }
        ui.Run([&] {
            if (dlg.IsModalRunning()) dlg.EndDialog(IDCANCEL);
        });
    });
    AfxGetApp()->m_pMainWnd = &dlg;
    dlg.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    driver.join();
}

using probe::WaitUntil;

// ---- Mouse input, as a user gives it ----------------------------------------------

inline void SendMouse(DWORD flags, POINT screen = {0, 0}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>((screen.x * 65536LL + w / 2) / w);
        in.mi.dy = static_cast<LONG>((screen.y * 65536LL + h / 2) / h);
    }
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(60);
}
inline POINT ClientToScreenPoint(HWND wnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(wnd, &p);
    return p;
}
// Moves the mouse over a point of the window's client area.
inline void MoveOver(HWND wnd, int x, int y) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ClientToScreenPoint(wnd, x, y));
}
// Moves the mouse in one jump to the far corner of the screen, outside the dialog.
inline void MoveAway() {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
              {::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
}

// ---- Pixels --------------------------------------------------------------------------

// Pixels read in one go: a window's client area as the screen shows it, or a
// picture to compare the screen with.
struct Shot {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        return pixels[static_cast<size_t>(y) * width + x];
    }
    int Count(COLORREF c, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y) == c) ++n;
        return n;
    }
};

// What `draw` puts on a width x height 32-bit picture.
inline Shot Capture(int width, int height, const std::function<void(HDC)>& draw) {
    Shot s;
    BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};  // top-down
    void* bits = nullptr;
    win::UniqueDC mem(::CreateCompatibleDC(nullptr));
    win::UniqueBitmap dib(::CreateDIBSection(mem.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (width <= 0 || height <= 0 || !dib || !mem) return s;
    {
        win::SelectGuard sel(mem.get(), dib.get());
        draw(mem.get());
        ::GdiFlush();
    }
    s.width = width;
    s.height = height;
    s.pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < s.pixels.size(); ++i) {
        const DWORD v = static_cast<const DWORD*>(bits)[i];  // 0x00RRGGBB
        s.pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    return s;
}

inline Shot ShootClient(HWND wnd) {
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    const POINT origin = ClientToScreenPoint(wnd, 0, 0);
    win::ClientDC screen(nullptr);
    return Capture(rc.right, rc.bottom, [&](HDC dc) {
        ::BitBlt(dc, 0, 0, rc.right, rc.bottom, screen.get(), origin.x, origin.y, SRCCOPY);
    });
}

// Runs `change` on the window's thread, waits for the screen to follow and
// shoots the dialog.
inline Shot ShootAfter(HWND dlg, const UiThread& ui, const std::function<void()>& change) {
    ui.Run(change);
    ::Sleep(150);
    return ShootClient(dlg);
}

// A bitmap resource stretched to width x height: as the dialog stretches its
// background (copyImage) or as a button stretches its bitmaps.
inline Shot Resource(int id, int width, int height, bool copyImage) {
    win::UniqueBitmap src(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP bm{};
    if (!src || !::GetObjectW(src.get(), sizeof(bm), &bm)) return {};
    if (copyImage) {
        src.reset(static_cast<HBITMAP>(::CopyImage(src.get(), IMAGE_BITMAP, width, height, 0)));
        bm.bmWidth = width;
        bm.bmHeight = height;
    }
    win::UniqueDC srcDc(::CreateCompatibleDC(nullptr));
    win::SelectGuard sel(srcDc.get(), src.get());
    return Capture(width, height, [&](HDC dc) {
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, 0, 0, width, height, srcDc.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    });
}

// The dialog background as the dialog paints it: bitmap 143 stretched once
// to the client size.
inline Shot Background(HWND dlg) {
    RECT rc{};
    ::GetClientRect(dlg, &rc);
    return Resource(143, rc.right, rc.bottom, true);
}

// A control's rectangle in its dialog's client coordinates.
inline RECT RectInParent(HWND ctl) {
    RECT r{};
    ::GetWindowRect(ctl, &r);
    ::MapWindowPoints(nullptr, ::GetParent(ctl), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace ctltest
