#include "support/window_probe.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace probe {

std::wstring ClassOf(HWND wnd) {
    wchar_t buf[256] = {};
    int n = ::GetClassNameW(wnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring TextOf(HWND wnd) {
    LRESULT n = ::SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got = ::SendMessageW(wnd, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(s.data()));
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    std::pair<DWORD, std::vector<HWND>> found{pid, {}};
    ::EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(lp);
            DWORD p = 0;
            ::GetWindowThreadProcessId(w, &p);
            if (p == f->first) f->second.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.second;
}

HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND w = find()) return w;
        if (::GetTickCount64() >= end) return nullptr;
        ::Sleep(20);
    }
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    return WaitForWindow([&] { return pred() ? HWND(1) : nullptr; }, timeoutMs) != nullptr;
}

HWND FindMessageBox(DWORD pid) {
    for (HWND w : TopLevelWindows(pid)) {
        if (!::IsWindowVisible(w) || ClassOf(w) != L"#32770") continue;
        if (::GetDlgItem(w, 0xFFFF)) return w;
    }
    return nullptr;
}

MessageBoxInfo ReadMessageBox(HWND box) {
    MessageBoxInfo info;
    if (!box) return info;
    info.wnd = box;
    info.owner = ::GetWindow(box, GW_OWNER);
    info.caption = TextOf(box);
    info.text = TextOf(::GetDlgItem(box, 0xFFFF));
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(c);
        const LONG style = ::GetWindowLongW(c, GWL_STYLE);
        if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(c) &&
            ::SendMessageW(c, STM_GETICON, 0, 0) != 0)
            info.hasIcon = true;
        if (cls == L"Button" && ::IsWindowVisible(c)) info.buttons.push_back(TextOf(c));
    }
    return info;
}

MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    return ReadMessageBox(WaitForWindow([pid] { return FindMessageBox(pid); }, timeoutMs));
}

void PressButton(HWND box, int id) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
}

std::future<MessageBoxInfo> AnswerNextMessageBox(DWORD pid, int button, DWORD timeoutMs) {
    return std::async(std::launch::async, [=] {
        MessageBoxInfo info = WaitForMessageBox(pid, timeoutMs);
        if (info) {
            PressButton(info.wnd, button);
            // Wait until it is gone, so the next search cannot find it again.
            WaitForWindow([&] { return ::IsWindow(info.wnd) && ::IsWindowVisible(info.wnd) ? nullptr : HWND(1); },
                          5000);
        }
        return info;
    });
}

void PumpFor(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    MSG msg;
    while (::GetTickCount64() < end) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

bool SaveWindowShot(HWND wnd, const std::wstring& path) {
    RECT rc{};
    if (!::GetWindowRect(wnd, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
        ::GdiFlush();
        ::SelectObject(mem, old);
        const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
        const DWORD size = stride * static_cast<DWORD>(h);
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
        fh.bfSize = fh.bfOffBits + size;
        FILE* f = _wfopen(path.c_str(), L"wb");
        if (f) {
            ok = fwrite(&fh, sizeof(fh), 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
                 fwrite(bits, 1, size, f) == size;
            fclose(f);
        }
        ::DeleteObject(dib);
    }
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

COLORREF ClientPixel(HWND wnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(wnd, &pt);
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

std::wstring ArtefactDir() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"PI_ARTEFACTS", buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) n = ::GetTempPathW(MAX_PATH, buf);
    std::wstring dir(buf, n);
    // ./test passes a Unix path; Wine maps the root to drive Z:.
    if (!dir.empty() && dir[0] == L'/') dir = L"Z:" + dir;
    std::replace(dir.begin(), dir.end(), L'/', L'\\');
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

}  // namespace probe
