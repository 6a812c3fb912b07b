#include "app/printer_install_dlg.h"

#include "app/texts.h"
#include "res/resource.h"
#include "win/app.h"

CPrinterInstallDlg::CPrinterInstallDlg()
    : CDialog(IDD_PRINTERINSTALL_DIALOG), m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr) {}

CPrinterInstallDlg::~CPrinterInstallDlg() = default;

void CPrinterInstallDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_CBO_PORT, m_cboPort);
    DDX_Control(dx, IDC_CBO_SERIES, m_cboSeries);
    DDX_Control(dx, IDC_LST_MODEL, m_lstModel);
    DDX_Text(dx, IDC_EDT_VERSIONFILE, m_strVersionFile);
    DDX_Control(dx, IDC_PROGRESS, m_ctlProgress);
    DDX_Radio(dx, IDC_RAD_DEFAULT_YES, m_nDefaultPrinter);
    DDX_Radio(dx, IDC_RAD_TESTPAGE_YES, m_nTestPage);
    DDX_Control(dx, IDC_BTN_DRIVER, m_btnDriver);
    DDX_Control(dx, IDC_BTN_MANUAL, m_btnManual);
    DDX_Control(dx, IDC_BTN_FIRMWARE, m_btnFirmware);
    DDX_Control(dx, IDC_BTN_EXIT, m_btnExit);
    DDX_Control(dx, IDC_STC_FW_WARNING1, m_stcFwWarning1);
    DDX_Control(dx, IDC_STC_FW_WARNING2, m_stcFwWarning2);
    DDX_Control(dx, IDC_STC_FW_WARNING3, m_stcFwWarning3);
    DDX_Control(dx, IDC_STC_FW_WARNING4, m_stcFwWarning4);
    DDX_Control(dx, IDC_STC_INSTALL_STATUS, m_stcInstallStatus);
    DDX_Control(dx, IDC_STC_FW_ADVICE, m_stcFwAdvice);
    DDX_Control(dx, IDC_STC_TITLE, m_stcTitle);
    DDX_Control(dx, IDC_STC_MANUAL_HINT, m_stcManualHint);
    DDX_Control(dx, IDC_STC_MANUAL_NOTE, m_stcManualNote);
    DDX_Control(dx, IDC_BTN_QUORIN, m_btnQuorin);
    DDX_Control(dx, IDC_BTN_TESSAN, m_btnTessan);
}

BOOL CPrinterInstallDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_nPage = 0;
    UpdateData(FALSE);
    return TRUE;
}

// Enter and every other OK command do nothing: the dialog ends only through
// Exit or the close box.
void CPrinterInstallDlg::OnOK() {}

// Escape reaches here.  While a worker still writes into the dialog's
// fields the dialog must stay, so it answers as the close box does.
void CPrinterInstallDlg::OnCancel() {
    if (m_bInstalling.load() || m_bDownloading.load()) {
        OnClose();
        return;
    }
    CDialog::OnCancel();
}

void CPrinterInstallDlg::OnClose() {
    if (m_bInstalling.load()) {
        AfxMessageBox(texts::kCloseWhileInstalling);
        return;
    }
    if (m_bDownloading.load()) {
        AfxMessageBox(texts::kCloseWhileDownloading);
        return;
    }
    CDialog::OnClose();
}

void CPrinterInstallDlg::OnExit() {
    if (m_bInstalling.load()) {
        AfxMessageBox(texts::kExitWhileInstalling);
        return;
    }
    if (m_bDownloading.load()) {
        AfxMessageBox(texts::kExitWhileDownloading);
        return;
    }
    CDialog::OnOK();
}

void CPrinterInstallDlg::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_BTN_EXIT:
        OnExit();
        break;
    default:
        break;
    }
}

HBRUSH CPrinterInstallDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    if (control == m_hWnd) {
        if (!m_bBackgroundReady) {
            // Scaled once to the client size; the pattern brush then covers
            // the client area at every repaint without scaling again.
            win::UniqueBitmap bitmap(static_cast<HBITMAP>(
                ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0)));
            RECT rc{};
            ::GetClientRect(m_hWnd, &rc);
            if (bitmap) {
                win::UniqueBitmap stretched(static_cast<HBITMAP>(
                    ::CopyImage(bitmap.get(), IMAGE_BITMAP, rc.right - rc.left, rc.bottom - rc.top, 0)));
                if (stretched) m_brBackground.reset(::CreatePatternBrush(stretched.get()));
            }
            m_bBackgroundReady = 1;
        }
        if (m_brBackground) return m_brBackground.get();
        return DefaultCtlColor(dc, control, ctlType);
    }
    HBRUSH answer = DefaultCtlColor(dc, control, ctlType);
    switch (ctlType) {
    case CTLCOLOR_LISTBOX:
    case CTLCOLOR_BTN:
    case CTLCOLOR_DLG:
    case CTLCOLOR_STATIC:
        if (!m_brWhite) m_brWhite.reset(::CreateSolidBrush(RGB(255, 255, 255)));
        ::SetBkMode(dc, TRANSPARENT);
        return m_brWhite.get();
    default:
        return answer;
    }
}

void CPrinterInstallDlg::OnTimer(UINT_PTR) {}

bool CPrinterInstallDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) return false;
    win::PaintDC dc(m_hWnd);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - cxIcon + 1) / 2;
    const int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.get(), x, y, m_hIcon);
    return true;
}

HCURSOR CPrinterInstallDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
