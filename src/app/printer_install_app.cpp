#include "app/printer_install_app.h"

#include <commctrl.h>

#include "app/printer_install_dlg.h"

int CPrinterInstallApp::RunWith(const InstallApi& api) {
    m_installApi = &api;
    return Run();
}

BOOL CPrinterInstallApp::InitInstance() {
    if (!m_installApi) return FALSE;
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);

    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CPrinterInstallDlg dlg(*m_installApi);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}
