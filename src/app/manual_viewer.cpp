// Next on the manual page and the two companion-program buttons: each hands
// a file from the medium to the Windows shell.
#include <windows.h>
#include <shellapi.h>

#include "app/printer_install_dlg.h"
#include "texts/texts.h"
#include "win/app.h"
#include "win/module_path.h"

void CPrinterInstallDlg::OpenManual() {
    UpdateData(TRUE);
    const int sel = m_lstModel.GetCurSel();
    m_strModel = sel == LB_ERR ? std::wstring() : m_lstModel.GetText(sel);
    if (m_strModel.empty()) {
        AfxMessageBox(texts::kChoosePrinter);
        return;
    }
    const std::wstring path = m_catalogue.GetManualPath(m_strModel);
    // Opened and closed at once: only whether the file is there and readable.
    if (path.empty() || !win::FileOpensForReading(path)) {
        AfxMessageBox(texts::kManualMissing);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CPrinterInstallDlg::StartCompanion(const wchar_t* key) {
    // A missing key leaves the program directory, which does not open as a
    // file, so the user hears that the program is missing.
    std::wstring path;
    m_catalogue.GetOtherSoftwarePath(key, path);
    if (path.empty() || !win::FileOpensForReading(path)) {
        AfxMessageBox(texts::kCompanionMissing);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CPrinterInstallDlg::OnQuorinButton() { StartCompanion(L"Quorin"); }

void CPrinterInstallDlg::OnTessanButton() { StartCompanion(L"Tessan"); }
