// Runs the real main dialog modally on the test's thread while a second
// thread drives it, as a user would.
#pragma once
#include <windows.h>

#include <functional>
#include <thread>

#include "app/printer_install_dlg.h"
#include "install/install_api.h"
#include "ports/usb_api.h"
#include "support/window_probe.h"
#include "win/app.h"

namespace dlgtest {

// The system's calls, for a dialog whose installations and USB detection
// the test does not simulate.
inline const InstallApi& SystemApi() {
    static const InstallApi api = SystemInstallApi(SystemUsbApi());
    return api;
}

// Returns what DoModal returned; `drive` gets the dialog once its window is up.
inline INT_PTR RunDialog(CPrinterInstallDlg& dlg, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
        HWND wnd = probe::WaitForWindow([&] { return ::IsWindowVisible(dlg.m_hWnd) ? dlg.m_hWnd : nullptr; }, 10000);
        if (wnd) drive(wnd);
    });
    // As the application does: the dialog is the main window, which owns
    // the program's message boxes.
    AfxGetApp()->m_pMainWnd = &dlg;
    INT_PTR result = dlg.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    driver.join();
    return result;
}

// A button click as the button itself reports it to the dialog.
inline void Click(HWND dlg, int id) {
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}

}  // namespace dlgtest
