// Next on the driver page: the choices are checked here before the
// installation job starts.
#include "app/printer_install_dlg.h"
#include "app/texts.h"
#include "win/app.h"

void CPrinterInstallDlg::StartDriverInstall() {
    UpdateData(TRUE);
    if (m_bUsbDetected) {
        m_strPort = m_strUsbPort;
    } else {
        const int sel = m_cboPort.GetCurSel();
        m_strPort = sel == CB_ERR ? std::wstring() : m_cboPort.GetLBText(sel);
        if (m_strPort.empty()) {
            AfxMessageBox(texts::kChoosePort);
            return;
        }
    }
    const int model = m_lstModel.GetCurSel();
    m_strModel = model == LB_ERR ? std::wstring() : m_lstModel.GetText(model);
    if (m_strModel.empty()) {
        AfxMessageBox(texts::kChoosePrinter);
        return;
    }
}
