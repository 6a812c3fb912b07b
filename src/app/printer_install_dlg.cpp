#include "app/printer_install_dlg.h"

#include "texts/texts.h"
#include "res/resource.h"
#include "win/app.h"

CPrinterInstallDlg::CPrinterInstallDlg(const InstallApi& api)
    : CDialog(IDD_PRINTERINSTALL_DIALOG),
      m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr),
      m_usbPort(*api.usb),
      m_installApi(api) {}

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
    // The left buttons: hover bitmap first, then the rest bitmap, cyan
    // see-through in both, over the dialog's own background.  The driver
    // button starts in the look of the page shown (gold at rest).
    constexpr COLORREF kSeeThrough = 0x00FFFF00;
    const struct {
        CButtonST* button;
        int hover, rest;
    } leftButtons[] = {
        {&m_btnDriver, IDB_DRIVER_PLAIN, IDB_DRIVER_GOLD},   {&m_btnManual, IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN},
        {&m_btnFirmware, IDB_FIRMWARE_GOLD, IDB_FIRMWARE_PLAIN}, {&m_btnExit, IDB_EXIT_GOLD, IDB_EXIT_PLAIN},
        {&m_btnQuorin, IDB_QUORIN_GOLD, IDB_QUORIN_PLAIN},   {&m_btnTessan, IDB_TESSAN_GOLD, IDB_TESSAN_PLAIN},
    };
    for (const auto& b : leftButtons) {
        b.button->SetStateBitmaps(b.hover, kSeeThrough, b.rest, kSeeThrough);
        b.button->UseParentBackground(FALSE);
    }
    m_stcFwWarning1.SetText(texts::kFwWarning1);
    m_stcFwWarning2.SetText(texts::kFwWarning2);
    m_stcFwWarning3.SetText(texts::kFwWarning3);
    m_stcFwWarning4.SetText(texts::kFwWarning4);
    m_stcFwAdvice.SetText(texts::kFwAdvice);
    // Title and manual hint in dark blue; the window is not shown yet, so
    // this only sets the colour.
    constexpr COLORREF kDarkBlue = 0x00804000;
    m_stcTitle.DrawTextInColour(kDarkBlue);
    m_stcTitle.SetText(texts::kTitleDriver);
    m_stcManualHint.DrawTextInColour(kDarkBlue);
    m_stcManualHint.SetText(texts::kManualHint);
    m_stcManualNote.SetText(texts::kManualNote);
    m_nPage = 0;
    // The driver page is the first page; the others start hidden.
    ShowManualPage(FALSE);
    ShowFirmwarePage(FALSE);
    DetectConnectedPrinter();
    ShowDriverPage(TRUE);
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
    if (id == IDC_CBO_SERIES && code == CBN_SELCHANGE) {
        OnSelchangeSeries();
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_BTN_EXIT:
        OnExit();
        break;
    case IDC_BTN_BROWSE:
        OnBrowseVersionFile();
        break;
    case IDC_BTN_DRIVER:
        OnDriverPage();
        break;
    case IDC_BTN_MANUAL:
        OnManualPage();
        break;
    case IDC_BTN_FIRMWARE:
        OnFirmwarePage();
        break;
    case IDC_BTN_NEXT:
        OnNext();
        break;
    case IDC_BTN_CANCEL:
        OnCancelButton();
        break;
    case IDC_BTN_QUORIN:
        OnQuorinButton();
        break;
    case IDC_BTN_TESSAN:
        OnTessanButton();
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

void CPrinterInstallDlg::OnTimer(UINT_PTR id) {
    if (id == kInstallTimer) OnInstallTimer();
    if (id == kDownloadTimer) OnDownloadTimer();
}

bool CPrinterInstallDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg == kMsgInstallStatus) {
        OnInstallStatus(wp);
        *result = 0;
        return true;
    }
    return CDialog::OnMessage(msg, wp, lp, result);
}

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
