// The choices of the driver page: the port, the series and the model.
#include "app/printer_install_dlg.h"
#include "texts/texts.h"
#include "core/device_text.h"
#include "res/resource.h"
#include "core/port_choices.h"
#include "install/connected_printer.h"
#include "install/port_list.h"
#include "win/app.h"

void CPrinterInstallDlg::DetectConnectedPrinter() {
    if (!m_usbPort.GetUsbPortName(m_strUsbPort)) {
        // A printer that opened but has no port entry stays open otherwise,
        // unshared: neither the model reading nor the installation could
        // open it again while the program runs.
        m_usbPort.CloseDevice();
        return;
    }
    m_bUsbDetected = 1;
    ::SetDlgItemTextW(m_hWnd, IDC_STC_USB_PORT, core::DetectedUsbPortText(m_strUsbPort).c_str());
    // The printer is opened without sharing: this finder lets go of it so
    // that the model can be read through a finder of its own.
    m_usbPort.CloseDevice();
    if (!ReadConnectedModel(m_strModel, *m_installApi.usb)) {
        const std::wstring caption = AfxGetApp() ? AfxGetApp()->AppName() : std::wstring();
        ::MessageBoxW(m_hWnd, texts::kConnectedPrinterUnreadable, caption.c_str(), MB_OK);
    }
}

void CPrinterInstallDlg::FillDriverChoices() {
    for (int i = m_cboPort.GetCount() - 1; i >= 0; --i) m_cboPort.DeleteString(i);
    std::vector<std::wstring> listed;
    const bool ok = GetPortList(listed);
    for (const auto& port : core::PortsToOffer(ok, listed)) m_cboPort.AddString(port);
    // "LPT1:" first, wherever the spooler lists it.
    if (m_cboPort.SelectString(-1, texts::kFirstPort) == CB_ERR) m_cboPort.SetCurSel(0);

    m_cboSeries.ResetContent();
    // An attached printer whose model the catalogue lists narrows the lists
    // to that one series and model, so that Next installs it at once.
    std::wstring found;
    if (ReadConnectedModel(m_strModel, *m_installApi.usb) && m_catalogue.FindSeriesOfModel(m_strModel, found)) {
        m_cboSeries.AddString(found);
        m_cboSeries.SetCurSel(0);
        m_lstModel.ResetContent();
        m_lstModel.AddString(m_strModel);
        m_lstModel.SetCurSel(0);
        return;
    }
    std::vector<std::wstring> series;
    if (m_catalogue.GetSeriesList(series))
        for (const auto& s : series) m_cboSeries.AddString(s);
    m_cboSeries.SetCurSel(0);
    FillModelList();
}
