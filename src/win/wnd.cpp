#include "win/wnd.h"

#include <commctrl.h>
#include <vector>

namespace {
// Each object subclasses under an id of its own (its address): with one id
// for all, a second object subclassing the same window would silently take
// over the first one's subclass.
UINT_PTR SubclassIdOf(const CWnd* object) { return reinterpret_cast<UINT_PTR>(object); }
}  // namespace

// The link from a window to its object, shared with CDialog.
const wchar_t CWnd::kObjectProp[] = L"PrinterInstall.CWnd";

CWnd::~CWnd() { UnsubclassWindow(); }

bool CWnd::SubclassWindow(HWND wnd) {
    if (!wnd || m_hWnd) return false;
    m_hWnd = wnd;
    PreSubclassWindow();
    if (!::SetWindowSubclass(wnd, &CWnd::SubclassProc, SubclassIdOf(this), reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    ::SetPropW(wnd, kObjectProp, this);
    subclassed_ = true;
    return true;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
    return parent && SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

void CWnd::UnsubclassWindow() {
    if (subclassed_ && m_hWnd && ::IsWindow(m_hWnd)) {
        ::RemoveWindowSubclass(m_hWnd, &CWnd::SubclassProc, SubclassIdOf(this));
        if (FromHandlePermanent(m_hWnd) == this) ::RemovePropW(m_hWnd, kObjectProp);
    }
    subclassed_ = false;
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND wnd) {
    return wnd ? static_cast<CWnd*>(::GetPropW(wnd, kObjectProp)) : nullptr;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcChain(msg, wp, lp); }

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CWnd::DefWindowProcChain(UINT msg, WPARAM wp, LPARAM lp) {
    if (subclassed_) return ::DefSubclassProc(m_hWnd, msg, wp, lp);
    return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWnd*>(ref);
    if (msg == WM_NCDESTROY) {
        // The window goes first; the object may live on without it.
        LRESULT r = ::DefSubclassProc(wnd, msg, wp, lp);
        ::RemoveWindowSubclass(wnd, &CWnd::SubclassProc, id);
        if (FromHandlePermanent(wnd) == self) ::RemovePropW(wnd, kObjectProp);
        self->subclassed_ = false;
        self->m_hWnd = nullptr;
        return r;
    }
    // No exception may unwind through Windows' window manager.
    try {
        return self->WindowProc(msg, wp, lp);
    } catch (...) {
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }
}

std::wstring WindowTextOf(HWND wnd) {
    int n = ::GetWindowTextLengthW(wnd);
    if (n <= 0) return {};
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    int got = ::GetWindowTextW(wnd, buf.data(), n + 1);
    return std::wstring(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

HFONT CWnd::GetParentFont() const {
    return reinterpret_cast<HFONT>(::SendMessageW(::GetParent(m_hWnd), WM_GETFONT, 0, 0));
}

std::wstring CComboBox::GetLBText(int i) const {
    LRESULT n = SendMessage(CB_GETLBTEXTLEN, (WPARAM)i);
    if (n == CB_ERR || n < 0) return {};
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    LRESULT got = SendMessage(CB_GETLBTEXT, (WPARAM)i, (LPARAM)buf.data());
    if (got == CB_ERR) return {};
    return std::wstring(buf.data(), static_cast<size_t>(got));
}

std::wstring CListBox::GetText(int i) const {
    LRESULT n = SendMessage(LB_GETTEXTLEN, (WPARAM)i);
    if (n == LB_ERR || n < 0) return {};
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    LRESULT got = SendMessage(LB_GETTEXT, (WPARAM)i, (LPARAM)buf.data());
    if (got == LB_ERR) return {};
    return std::wstring(buf.data(), static_cast<size_t>(got));
}
