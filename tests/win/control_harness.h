// What the drawn-control tests share: the main dialog run modally on the
// test thread with a hook after its initialisation, a way to run code on
// that thread from the driving thread, real mouse input, and pixels.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "app/printer_install_dlg.h"
#include "support/window_probe.h"
#include "win/app.h"
#include "win/unique.h"

namespace ctltest {

// Runs closures on the thread that created it: its message loop (the
// dialog's modal loop) dispatches the sent message.
class UiThread {
public:
    UiThread() {
        static const wchar_t kClass[] = L"PrinterInstall.Test.UiThread";
        WNDCLASSW wc{};
        wc.lpfnWndProc = &UiThread::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        ::RegisterClassW(&wc);  // fails harmlessly when already registered
        wnd_.reset(::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    }
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    void Run(const std::function<void()>& fn) const {
        ::SendMessageW(wnd_.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&fn));
    }
    template <class T>
    T Get(const std::function<T()>& fn) const {
        T value{};
        Run([&] { value = fn(); });
        return value;
    }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_APP) {
            (*reinterpret_cast<const std::function<void()>*>(lp))();
            return 0;
        }
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }
    win::UniqueWindow wnd_;
};

// The real main dialog, with a hook at the end of its initialisation (to
// show a control of another page) and a count of the clicks it was told of.
class HostDialog : public CPrinterInstallDlg {
public:
    std::function<void(HostDialog&)> afterInit;
    int Clicks(int id) {
        std::lock_guard<std::mutex> lock(clicksMutex_);
        return clicks_[id];
    }

protected:
    BOOL OnInitDialog() override {
        BOOL r = CPrinterInstallDlg::OnInitDialog();
        if (afterInit) afterInit(*this);
        return r;
    }
    void OnCommand(int id, int code, HWND control) override {
        if (code == BN_CLICKED) {
            std::lock_guard<std::mutex> lock(clicksMutex_);
            ++clicks_[id];
        }
        CPrinterInstallDlg::OnCommand(id, code, control);
    }

private:
    std::mutex clicksMutex_;
    std::map<int, int> clicks_;
};

using Driver = std::function<void(HostDialog&, HWND, const UiThread&)>;

// Runs the dialog modally on this thread and `drive` on another; the dialog
// is ended afterwards whatever the driver did.
inline void RunDialog(HostDialog& dlg, const Driver& drive) {
    UiThread ui;
    std::thread driver([&] {
        HWND wnd = probe::WaitForWindow([&] { return ::IsWindowVisible(dlg.m_hWnd) ? dlg.m_hWnd : nullptr; }, 10000);
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

inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (::GetTickCount64() >= end) return false;
        ::Sleep(20);
    }
}

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
}
inline void MoveMouse(POINT screen) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen);
    ::Sleep(60);
}
inline void LeftDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(60);
}
inline void LeftUp() {
    SendMouse(MOUSEEVENTF_LEFTUP);
    ::Sleep(60);
}
inline POINT ClientToScreenPoint(HWND wnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(wnd, &p);
    return p;
}

// ---- Pixels --------------------------------------------------------------------------

// The client area of a window as the screen shows it, read in one go.
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

inline Shot ShootClient(HWND wnd) {
    Shot s;
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    s.width = rc.right;
    s.height = rc.bottom;
    if (s.width <= 0 || s.height <= 0) return s;
    POINT origin = ClientToScreenPoint(wnd, 0, 0);
    win::ClientDC screen(nullptr);
    win::UniqueDC mem(::CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = s.width;
    bi.bmiHeader.biHeight = -s.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap dib(::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !mem) return s;
    {
        win::SelectGuard sel(mem.get(), dib.get());
        ::BitBlt(mem.get(), 0, 0, s.width, s.height, screen.get(), origin.x, origin.y, SRCCOPY);
        ::GdiFlush();
    }
    const auto* p = static_cast<const DWORD*>(bits);
    s.pixels.resize(static_cast<size_t>(s.width) * s.height);
    for (size_t i = 0; i < s.pixels.size(); ++i) {
        const DWORD v = p[i];  // 0x00RRGGBB
        s.pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    return s;
}

// The dialog background as the dialog paints it: bitmap 143 stretched once
// to the client size.  An independent picture to compare the screen with.
class Background {
public:
    explicit Background(HWND dlg) : dc_(::CreateCompatibleDC(nullptr)) {
        RECT rc{};
        ::GetClientRect(dlg, &rc);
        win::UniqueBitmap src(static_cast<HBITMAP>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(143), IMAGE_BITMAP, 0, 0, 0)));
        if (src) bitmap_.reset(static_cast<HBITMAP>(::CopyImage(src.get(), IMAGE_BITMAP, rc.right, rc.bottom, 0)));
        if (bitmap_ && dc_) old_ = ::SelectObject(dc_.get(), bitmap_.get());
    }
    ~Background() {
        if (old_) ::SelectObject(dc_.get(), old_);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    COLORREF At(int x, int y) const { return old_ ? ::GetPixel(dc_.get(), x, y) : CLR_INVALID; }

private:
    win::UniqueBitmap bitmap_;
    win::UniqueDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A child window of the dialog for a test, at a place the dialog leaves
// empty on every page; the caller subclasses and later destroys it.
inline HWND CreateChild(HWND dlg, const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& at, int id) {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | style, at.left, at.top, at.right - at.left, at.bottom - at.top,
                             dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

// A control's rectangle in its dialog's client coordinates.
inline RECT RectInParent(HWND ctl) {
    RECT r{};
    ::GetWindowRect(ctl, &r);
    ::MapWindowPoints(nullptr, ::GetParent(ctl), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// How a bitmap resource looks stretched to a button's size; pixels of the
// see-through colour are marked CLR_INVALID.  Used to tell which of a
// button's two bitmaps the screen shows.
inline std::vector<COLORREF> StretchedResource(int id, int width, int height) {
    std::vector<COLORREF> out;
    win::UniqueBitmap src(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP bm{};
    if (!src || !::GetObjectW(src.get(), sizeof(bm), &bm)) return out;
    win::ClientDC screen(nullptr);
    win::UniqueDC srcDc(::CreateCompatibleDC(screen.get()));
    win::UniqueDC dstDc(::CreateCompatibleDC(screen.get()));
    win::UniqueBitmap dst(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!srcDc || !dstDc || !dst) return out;
    win::SelectGuard s1(srcDc.get(), src.get());
    win::SelectGuard s2(dstDc.get(), dst.get());
    ::SetStretchBltMode(dstDc.get(), COLORONCOLOR);
    ::StretchBlt(dstDc.get(), 0, 0, width, height, srcDc.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    out.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = ::GetPixel(dstDc.get(), x, y);
            out[static_cast<size_t>(y) * width + x] = c == RGB(0, 255, 255) ? CLR_INVALID : c;
        }
    return out;
}

// Share of a picture's opaque pixels that the shot shows at `at`.
inline double Likeness(const Shot& shot, POINT at, const std::vector<COLORREF>& picture, int width, int height) {
    int opaque = 0, same = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = picture[static_cast<size_t>(y) * width + x];
            if (c == CLR_INVALID) continue;
            ++opaque;
            if (shot.At(at.x + x, at.y + y) == c) ++same;
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

}  // namespace ctltest
