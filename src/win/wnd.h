// The thin window layer the program is built on: a C++ object bound to a
// window (CWnd), taken over by subclassing, with parent notifications
// reflected back to the control object that owns the child window.
#pragma once
#include <windows.h>
#include <string>

// A window's whole text.
std::wstring WindowTextOf(HWND wnd);

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds this object to an existing window (a control of a dialog template)
    // and routes the window's messages to WindowProc.  PreSubclassWindow runs
    // first, as the hook where a control changes the window it takes over.
    bool SubclassWindow(HWND wnd);
    bool SubclassDlgItem(int id, CWnd* parent);
    // Undoes SubclassWindow; called before the object goes away.
    void UnsubclassWindow();
    // The object bound to a window by SubclassWindow or a dialog, if any.
    static CWnd* FromHandlePermanent(HWND wnd);
    static const wchar_t kObjectProp[];

    virtual void PreSubclassWindow() {}
    // Sees every message taken from the queue for this window before it is
    // dispatched; true means it has been handled and is not dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Messages addressed to the window itself.  The default passes them on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Notifications the parent reflects back to this control (WM_COMMAND,
    // WM_DRAWITEM, WM_CTLCOLOR*).  True means handled: *result is the answer
    // and the parent does not handle the notification itself.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    // The next window procedure in the chain for the current message.
    LRESULT DefWindowProcChain(UINT msg, WPARAM wp, LPARAM lp);

    // Small conveniences over the Win32 calls.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void GetClientRect(RECT* rc) const { ::GetClientRect(m_hWnd, rc); }
    void GetWindowRect(RECT* rc) const { ::GetWindowRect(m_hWnd, rc); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::wstring GetWindowText() const { return WindowTextOf(m_hWnd); }
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    HFONT GetParentFont() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool subclassed_ = false;
};

// Thin typed wrappers of the standard controls; what they add is only the
// messages the program sends.
class CButton : public CWnd {};
class CStatic : public CWnd {};
class CProgressCtrl : public CWnd {};

class CComboBox : public CWnd {
public:
    int AddString(const std::wstring& s) const { return (int)SendMessage(CB_ADDSTRING, 0, (LPARAM)s.c_str()); }
    int DeleteString(int i) const { return (int)SendMessage(CB_DELETESTRING, (WPARAM)i); }
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return (int)SendMessage(CB_GETCOUNT); }
    int GetCurSel() const { return (int)SendMessage(CB_GETCURSEL); }
    int SetCurSel(int i) const { return (int)SendMessage(CB_SETCURSEL, (WPARAM)i); }
    // CB_SELECTSTRING: first entry that begins with s, ignoring case.
    int SelectString(int after, const std::wstring& s) const {
        return (int)SendMessage(CB_SELECTSTRING, (WPARAM)after, (LPARAM)s.c_str());
    }
    std::wstring GetLBText(int i) const;
};

class CListBox : public CWnd {
public:
    int AddString(const std::wstring& s) const { return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)s.c_str()); }
    void ResetContent() const { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return (int)SendMessage(LB_GETCOUNT); }
    int GetCurSel() const { return (int)SendMessage(LB_GETCURSEL); }
    int SetCurSel(int i) const { return (int)SendMessage(LB_SETCURSEL, (WPARAM)i); }
    std::wstring GetText(int i) const;
};

// A drawing context wrapper for the drawn controls.  It does not own m_hDC
// unless a derived class says so.
class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    bool m_bPrinting = false;
    bool IsPrinting() const { return m_bPrinting; }
    HDC GetSafeHdc() const { return m_hDC; }
};
