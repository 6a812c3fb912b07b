// Move-only owners for Windows handles, GDI objects, keys and modules.
// Every resource the program creates lives in one of these, so an early
// return or a replaced bitmap can never leak or double-free it.
#pragma once
#include <windows.h>
#include <utility>

namespace win {

template <class Traits>
class Unique {
public:
    using value_type = typename Traits::type;

    Unique() noexcept = default;
    explicit Unique(value_type v) noexcept : v_(v) {}
    ~Unique() { reset(); }
    Unique(Unique&& o) noexcept : v_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    value_type get() const noexcept { return v_; }
    explicit operator bool() const noexcept { return Valid(v_); }
    value_type release() noexcept { return std::exchange(v_, Traits::invalid()); }
    void reset(value_type v = Traits::invalid()) noexcept {
        value_type old = std::exchange(v_, v);
        if (Valid(old)) Traits::close(old);
    }
    // For out-parameters of Win32 calls: frees what is held first.
    value_type* put() noexcept {
        reset();
        return &v_;
    }

private:
    // A kind of handle with two "no handle" values says which it holds.
    static bool Valid(value_type v) noexcept {
        if constexpr (requires { Traits::valid(v); }) return Traits::valid(v);
        else return v != Traits::invalid();
    }
    value_type v_ = Traits::invalid();
};

struct HandleTraits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
// CreateFileW fails with INVALID_HANDLE_VALUE, other calls that give file
// or device handles (and a zero-filled record) with null: neither is closed.
struct FileTraits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
template <class T>
struct GdiTraits {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::DeleteObject(h); }
};
struct DcTraits {
    using type = HDC;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::DeleteDC(h); }
};
struct KeyTraits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::FreeLibrary(h); }
};
struct IconTraits {
    using type = HICON;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::DestroyIcon(h); }
};
struct WindowTraits {
    using type = HWND;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::DestroyWindow(h); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueBitmap = Unique<GdiTraits<HBITMAP>>;
using UniqueBrush = Unique<GdiTraits<HBRUSH>>;
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueRegion = Unique<GdiTraits<HRGN>>;
using UniqueDC = Unique<DcTraits>;
using UniqueKey = Unique<KeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueWindow = Unique<WindowTraits>;

// Keeps an object selected into a DC for a scope and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's client-area DC from GetDC, released on scope exit.
class ClientDC {
public:
    explicit ClientDC(HWND wnd) noexcept : wnd_(wnd), dc_(::GetDC(wnd)) {}
    ~ClientDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint/EndPaint pair.
class PaintDC {
public:
    explicit PaintDC(HWND wnd) noexcept : wnd_(wnd) { dc_ = ::BeginPaint(wnd, &ps_); }
    ~PaintDC() { ::EndPaint(wnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& info() const noexcept { return ps_; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
};

}  // namespace win
