#include "app/printer_install_app.h"

#include <commctrl.h>

#include "app/printer_install_dlg.h"

BOOL CPrinterInstallApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);

    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CPrinterInstallDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}
