// A modal dialog from a template, with its own modal loop so that controls
// get PreTranslateMessage, one switch dispatching to small virtual hooks,
// reflection of control notifications and data exchange with fields.
#pragma once
#include <windows.h>
#include <string>

#include "win/wnd.h"

class CDialog;

// Direction and target of one data exchange.
class CDataExchange {
public:
    CDataExchange(CDialog* dlg, bool save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls -> fields
};

// Binds a member control object to the template's window (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Copies between an edit's text and a string.
void DDX_Text(CDataExchange* dx, int id, std::wstring& value);
// Copies between an int and the index of the checked radio button of the
// group that starts at id (-1 when none is checked).
void DDX_Radio(CDataExchange* dx, int id, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_nIDTemplate(templateId), m_hParent(parent) {}
    ~CDialog() override;

    // Creates the dialog, runs its modal loop and destroys it.  Returns the
    // value given to EndDialog, or -1 when the window could not be created.
    INT_PTR DoModal();
    void EndDialog(int result);
    bool IsModalRunning() const { return m_bModal; }

    // Runs DoDataExchange: true reads the controls into the fields.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    // Hooks, each with the behaviour of a plain dialog by default.
    virtual void DoDataExchange(CDataExchange*) {}
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnClose();
    // A WM_COMMAND that no control consumed and that is not IDOK/IDCANCEL.
    virtual void OnCommand(int id, int code, HWND control);
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);
    // Default answer for WM_CTLCOLOR*: the control's own reflected answer, if
    // it gives one, else the dialog manager's.
    HBRUSH DefaultCtlColor(HDC dc, HWND control, UINT ctlType);
    virtual void OnTimer(UINT_PTR id);
    // False means "not painted here": the dialog's default painting runs.
    virtual bool OnPaint() { return false; }
    virtual HCURSOR OnQueryDragIcon() { return nullptr; }
    virtual void OnDestroy() {}
    // Any other message.  True when handled, with *result as the answer.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool PreTranslateChain(MSG* msg);

    UINT m_nIDTemplate;
    HWND m_hParent;
    bool m_bModal = false;
    int m_nModalResult = -1;
    UINT m_lastCtlColorMsg = WM_CTLCOLORDLG;
};
