// The three pages of the main window, the page buttons, Next and Cancel.
// A page is a set of the dialog's controls shown together, plus the lists
// filled when it is shown.
#include <array>

#include "app/printer_install_dlg.h"
#include "texts/texts.h"
#include "res/resource.h"
#include "win/app.h"

namespace {

constexpr COLORREF kTransparent = RGB(0, 255, 255);

void ShowItems(HWND dlg, std::initializer_list<int> ids, BOOL show) {
    for (int id : ids) ::ShowWindow(::GetDlgItem(dlg, id), show ? SW_SHOW : SW_HIDE);
}

struct BitmapPair {
    int hover;
    int rest;
};

// Per page shown: the pairs of buttons 1000 to 1003.  The shown page's
// button rests gold and turns white under the mouse.
constexpr std::array<std::array<BitmapPair, 4>, 3> kPageButtonBitmaps{{
    {{{IDB_DRIVER_PLAIN, IDB_DRIVER_GOLD}, {IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN},
      {IDB_FIRMWARE_GOLD, IDB_FIRMWARE_PLAIN}, {IDB_EXIT_GOLD, IDB_EXIT_PLAIN}}},
    {{{IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN}, {IDB_MANUAL_PLAIN, IDB_MANUAL_GOLD},
      {IDB_FIRMWARE_GOLD, IDB_FIRMWARE_PLAIN}, {IDB_EXIT_GOLD, IDB_EXIT_PLAIN}}},
    {{{IDB_DRIVER_GOLD, IDB_DRIVER_PLAIN}, {IDB_MANUAL_GOLD, IDB_MANUAL_PLAIN},
      {IDB_FIRMWARE_PLAIN, IDB_FIRMWARE_GOLD}, {IDB_EXIT_GOLD, IDB_EXIT_PLAIN}}},
}};

// CB_SELECTSTRING from the top, or the first entry when nothing matches.
void SelectOrFirst(const CComboBox& combo, const wchar_t* text) {
    if (combo.SelectString(-1, text) == CB_ERR) combo.SetCurSel(0);
}

}  // namespace

void CPrinterInstallDlg::ShowDriverPage(BOOL show) {
    if (!show) {
        ShowItems(m_hWnd,
                  {IDC_STC_USB_PORT, IDC_LBL_PORT, IDC_LBL_MODEL, IDC_LBL_DEFAULT, IDC_LBL_TESTPAGE, IDC_LBL_STATUS,
                   IDC_STC_INSTALL_STATUS, IDC_CBO_PORT, IDC_CBO_SERIES, IDC_LST_MODEL, IDC_RAD_DEFAULT_YES,
                   IDC_RAD_TESTPAGE_YES, IDC_RAD_DEFAULT_NO, IDC_RAD_TESTPAGE_NO},
                  FALSE);
        return;
    }
    m_nPage = 0;
    // The detected USB port takes the place of the port choice.
    ShowItems(m_hWnd, {IDC_LBL_PORT, IDC_CBO_PORT}, !m_bUsbDetected);
    ShowItems(m_hWnd, {IDC_STC_USB_PORT}, m_bUsbDetected != 0);
    ShowItems(m_hWnd,
              {IDC_LBL_MODEL, IDC_LBL_DEFAULT, IDC_LBL_TESTPAGE, IDC_LBL_STATUS, IDC_STC_INSTALL_STATUS,
               IDC_CBO_SERIES, IDC_LST_MODEL, IDC_RAD_DEFAULT_YES, IDC_RAD_TESTPAGE_YES, IDC_RAD_DEFAULT_NO,
               IDC_RAD_TESTPAGE_NO},
              TRUE);
    m_stcTitle.Invalidate(TRUE);
    m_stcTitle.SetText(texts::kTitleDriver);
    // Emptied without a repaint: the line shows empty at its next paint.
    m_stcInstallStatus.SetText(L"");
    FillDriverChoices();
}

void CPrinterInstallDlg::ShowManualPage(BOOL show) {
    if (!show) {
        ShowItems(m_hWnd, {IDC_LBL_MODEL, IDC_STC_MANUAL_HINT, IDC_STC_MANUAL_NOTE, IDC_CBO_SERIES, IDC_LST_MODEL},
                  FALSE);
        return;
    }
    m_stcTitle.Invalidate(TRUE);
    m_stcTitle.SetText(texts::kTitleManual);
    m_nPage = 1;
    ShowItems(m_hWnd, {IDC_LBL_MODEL, IDC_STC_MANUAL_HINT, IDC_STC_MANUAL_NOTE, IDC_CBO_SERIES, IDC_LST_MODEL}, TRUE);
    // Every series, whatever printer is attached.
    m_cboSeries.ResetContent();
    std::vector<std::wstring> series;
    if (m_catalogue.GetSeriesList(series))
        for (const auto& s : series) m_cboSeries.AddString(s);
    m_cboSeries.SetCurSel(0);
    FillModelList();
}

void CPrinterInstallDlg::ShowFirmwarePage(BOOL show) {
    static const std::initializer_list<int> kIds = {
        IDC_LBL_PORT,        IDC_LBL_VERSIONFILE, IDC_STC_FW_WARNING1, IDC_STC_FW_WARNING2, IDC_STC_FW_WARNING3,
        IDC_STC_FW_WARNING4, IDC_STC_FW_ADVICE,   IDC_LBL_PROGRESS,    IDC_ICO_WARNING,     IDC_CBO_PORT,
        IDC_EDT_VERSIONFILE, IDC_BTN_BROWSE,      IDC_PROGRESS};
    if (!show) {
        ShowItems(m_hWnd, kIds, FALSE);
        return;
    }
    m_stcTitle.Invalidate(TRUE);
    m_stcTitle.SetText(texts::kTitleFirmware);
    m_ctlProgress.SetPos(0);
    m_nPage = 2;
    ShowItems(m_hWnd, kIds, TRUE);
    // The download always goes to the first parallel port; the combo says so.
    m_cboPort.ResetContent();
    m_cboPort.AddString(texts::kParallelPort);
    SelectOrFirst(m_cboPort, texts::kParallelPort);
}

void CPrinterInstallDlg::FillModelList() {
    m_lstModel.ResetContent();
    const int sel = m_cboSeries.GetCurSel();
    if (sel == CB_ERR) return;
    const std::wstring series = m_cboSeries.GetLBText(sel);
    if (series.empty()) return;
    std::vector<std::wstring> models;
    m_catalogue.GetSeriesModels(series, models);
    for (const auto& m : models) m_lstModel.AddString(m);  // the list box sorts them
    m_lstModel.SetCurSel(0);
}

void CPrinterInstallDlg::MarkPageButtons(int page) {
    CButtonST* buttons[] = {&m_btnDriver, &m_btnManual, &m_btnFirmware, &m_btnExit};
    for (size_t i = 0; i < 4; ++i) {
        const BitmapPair& pair = kPageButtonBitmaps[static_cast<size_t>(page)][i];
        buttons[i]->SetStateBitmaps(pair.hover, kTransparent, pair.rest, kTransparent);
    }
}

void CPrinterInstallDlg::OnDriverPage() {
    if (m_bInstalling.load() || m_bDownloading.load()) return;
    MarkPageButtons(0);
    ShowManualPage(FALSE);
    ShowFirmwarePage(FALSE);
    ShowDriverPage(TRUE);
    UpdateData(FALSE);
}

void CPrinterInstallDlg::OnManualPage() {
    if (m_bInstalling.load() || m_bDownloading.load()) return;
    MarkPageButtons(1);
    ShowFirmwarePage(FALSE);
    ShowDriverPage(FALSE);
    ShowManualPage(TRUE);
    UpdateData(FALSE);
}

void CPrinterInstallDlg::OnFirmwarePage() {
    if (m_bInstalling.load() || m_bDownloading.load()) return;
    MarkPageButtons(2);
    ShowDriverPage(FALSE);
    ShowManualPage(FALSE);
    ShowFirmwarePage(TRUE);
    UpdateData(FALSE);
}

void CPrinterInstallDlg::OnSelchangeSeries() { FillModelList(); }

void CPrinterInstallDlg::OnNext() {
    UpdateData(TRUE);
    switch (m_nPage) {
    case 0:
        StartDriverInstall();
        break;
    case 1:
        OpenManual();
        break;
    case 2:
        StartFirmwareDownload();
        break;
    default:
        break;
    }
}

void CPrinterInstallDlg::OnCancelButton() {
    m_strVersionFile.clear();
    m_nDefaultPrinter = 0;
    m_nTestPage = 1;
    m_bInstallDone = 0;
    m_nDownloadResult = 0;
    m_ctlProgress.SetPos(0);
    m_lstModel.SetCurSel(0);
    SelectOrFirst(m_cboPort, texts::kFirstPort);
    m_cboSeries.SetCurSel(0);
    FillModelList();
    m_stcInstallStatus.SetText(L"");
    m_stcInstallStatus.Invalidate(TRUE);
    UpdateData(FALSE);
}
