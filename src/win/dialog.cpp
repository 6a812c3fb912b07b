#include "win/dialog.h"

#include <windowsx.h>

#include "win/app.h"

namespace {
const wchar_t* const kObjectProp = CWnd::kObjectProp;

// The radio buttons of the group that starts at first, in tab order.
template <class F>
void ForEachRadioInGroup(HWND dlg, int first, F&& visit) {
    HWND ctl = ::GetDlgItem(dlg, first);
    int index = 0;
    while (ctl) {
        if (index > 0 && (::GetWindowLongW(ctl, GWL_STYLE) & WS_GROUP)) break;
        const LONG type = ::GetWindowLongW(ctl, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            visit(ctl, index);
            ++index;
        }
        HWND next = ::GetWindow(ctl, GW_HWNDNEXT);
        if (!next) break;
        ctl = next;
    }
}
}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    control.SubclassDlgItem(id, dx->m_pDlgWnd);
}

void DDX_Text(CDataExchange* dx, int id, std::wstring& value) {
    HWND ctl = dx->m_pDlgWnd->GetDlgItem(id);
    if (!ctl) return;
    if (dx->m_bSaveAndValidate) {
        value = WindowTextOf(ctl);
    } else if (WindowTextOf(ctl) != value) {
        // Only a text that differs is written: writing the same one again
        // would move the caret and repaint on every timer tick.
        ::SetWindowTextW(ctl, value.c_str());
    }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
    HWND dlg = dx->m_pDlgWnd->m_hWnd;
    if (dx->m_bSaveAndValidate) {
        int checked = -1;
        ForEachRadioInGroup(dlg, id, [&](HWND ctl, int index) {
            if (checked < 0 && ::SendMessageW(ctl, BM_GETCHECK, 0, 0) == BST_CHECKED) checked = index;
        });
        value = checked;
    } else {
        ForEachRadioInGroup(dlg, id, [&](HWND ctl, int index) {
            const WPARAM state = index == value ? BST_CHECKED : BST_UNCHECKED;
            if (static_cast<WPARAM>(::SendMessageW(ctl, BM_GETCHECK, 0, 0)) != state)
                ::SendMessageW(ctl, BM_SETCHECK, state, 0);
        });
    }
}

CDialog::~CDialog() {
    // A window still there (a modal loop left by an exception) is unlinked
    // first: what it is sent while it is destroyed must not reach an object
    // whose derived parts are already gone.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        const HWND wnd = m_hWnd;
        ::RemovePropW(wnd, kObjectProp);
        m_hWnd = nullptr;
        ::DestroyWindow(wnd);
    }
}

INT_PTR CDialog::DoModal() {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HWND owner = m_hParent;
    if (owner) ::EnableWindow(owner, FALSE);
    m_bModal = true;
    m_nModalResult = -1;
    HWND wnd = ::CreateDialogParamW(inst, MAKEINTRESOURCEW(m_nIDTemplate), owner, &CDialog::DialogProc,
                                    reinterpret_cast<LPARAM>(this));
    if (!wnd) {
        m_bModal = false;
        if (owner) ::EnableWindow(owner, TRUE);
        return -1;
    }
    if (m_bModal) {
        ::ShowWindow(wnd, SW_SHOWNORMAL);
        ::UpdateWindow(wnd);
    }
    MSG msg;
    bool quit = false;
    while (m_bModal) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            break;
        }
        if (got < 0) break;
        if (PreTranslateChain(&msg)) continue;
        if (::IsDialogMessageW(wnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_bModal = false;
    if (owner) ::EnableWindow(owner, TRUE);
    if (::IsWindow(wnd)) ::DestroyWindow(wnd);
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return m_nModalResult;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_bModal = false;
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
}

bool CDialog::PreTranslateChain(MSG* msg) {
    // From the window the message is for up to this dialog, as the MFC-style
    // controls expect: the control sees its own messages first.
    for (HWND w = msg->hwnd; w; w = ::GetParent(w)) {
        if (CWnd* obj = CWnd::FromHandlePermanent(w)) {
            if (obj->PreTranslateMessage(msg)) return true;
        }
        if (w == m_hWnd) break;
    }
    return false;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnClose() { ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

void CDialog::OnCommand(int, int, HWND) {}

HBRUSH CDialog::DefaultCtlColor(HDC dc, HWND control, UINT) {
    if (control && control != m_hWnd) {
        if (CWnd* obj = CWnd::FromHandlePermanent(control)) {
            LRESULT r = 0;
            // The message number is rebuilt from the type, as WM_CTLCOLORMSGBOX + type.
            if (obj->OnChildNotify(m_lastCtlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control), &r))
                return reinterpret_cast<HBRUSH>(r);
        }
    }
    return reinterpret_cast<HBRUSH>(::DefWindowProcW(m_hWnd, m_lastCtlColorMsg, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control)));
}

HBRUSH CDialog::OnCtlColor(HDC dc, HWND control, UINT ctlType) { return DefaultCtlColor(dc, control, ctlType); }

void CDialog::OnTimer(UINT_PTR) {}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->m_hWnd = wnd;
        ::SetPropW(wnd, kObjectProp, self);
    } else {
        self = static_cast<CDialog*>(::GetPropW(wnd, kObjectProp));
    }
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(wnd, kObjectProp);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    // No exception may unwind through Windows' dialog manager.
    try {
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    auto answer = [this](LRESULT r) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, r);
        return TRUE;
    };
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        HWND ctl = reinterpret_cast<HWND>(lp);
        if (ctl) {
            if (CWnd* obj = CWnd::FromHandlePermanent(ctl)) {
                LRESULT r = 0;
                if (obj->OnChildNotify(msg, wp, lp, &r)) return TRUE;
            }
        }
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (id == IDOK && code == BN_CLICKED) OnOK();
        else if (id == IDCANCEL && code == BN_CLICKED) OnCancel();
        else OnCommand(id, code, ctl);
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (dis && dis->CtlType != ODT_MENU) {
            if (CWnd* obj = CWnd::FromHandlePermanent(dis->hwndItem)) {
                LRESULT r = 0;
                if (obj->OnChildNotify(msg, wp, lp, &r)) return TRUE;
            }
        }
        return FALSE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        m_lastCtlColorMsg = msg;
        HWND ctl = reinterpret_cast<HWND>(lp);
        UINT type = msg - WM_CTLCOLORMSGBOX;
        if (ctl == m_hWnd) type = CTLCOLOR_DLG;
        return reinterpret_cast<INT_PTR>(OnCtlColor(reinterpret_cast<HDC>(wp), ctl, type));
    }
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wp));
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default: {
        LRESULT r = 0;
        if (OnMessage(msg, wp, lp, &r)) return answer(r);
        return FALSE;
    }
    }
}
