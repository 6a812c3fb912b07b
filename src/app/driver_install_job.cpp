// Next on the driver page: the choices are checked, the installation is
// described once and handed to the installation job, whose reports become
// the status line, the message boxes and m_bInstallDone; timer 1 watches
// for the end.
#include <cwchar>
#include <iterator>

#include "app/printer_install_dlg.h"
#include "texts/texts.h"
#include "core/print_ui_rules.h"
#include "install/installation.h"
#include "res/resource.h"
#include "win/app.h"

namespace {

// Milliseconds between two looks of timer 1.
constexpr UINT kInstallPollMs = 50;

// The status line's texts during an installation.  The job's thread posts a
// text's place in this table, never a pointer: the window takes the message
// from any sender, and a number it checks cannot make it read foreign memory.
constexpr const wchar_t* kInstallStatusTexts[] = {
    texts::kStatusInstalling,     texts::kStatusInstallSucceeded, texts::kStatusInstallFailed,
    texts::kStatusSettingDefault, texts::kStatusPrintingTestPage, texts::kStatusInstallFinished,
};

// The place of a step's status text in the table; none for the steps the
// status line does not show.
int StatusIndexOf(InstallStep step) {
    switch (step) {
    case InstallStep::Installing:
        return 0;
    case InstallStep::InstallSucceeded:
        return 1;
    case InstallStep::InstallFailed:
        return 2;
    case InstallStep::SettingDefault:
        return 3;
    case InstallStep::PrintingTestPage:
        return 4;
    case InstallStep::Finished:
        return 5;
    default:
        return -1;
    }
}

}  // namespace

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

    m_bInstalling = 1;
    ::EnableWindow(GetDlgItem(IDC_BTN_NEXT), FALSE);
    ::EnableWindow(GetDlgItem(IDC_BTN_CANCEL), FALSE);
    m_bInstallDone = 0;
    m_nInstallTimer = SetTimer(kInstallTimer, kInstallPollMs);
    if (m_nInstallTimer == 0) {
        // Nothing would ever notice the end of the job: it is not started.
        m_bInstalling = 0;
        ::EnableWindow(GetDlgItem(IDC_BTN_NEXT), TRUE);
        ::EnableWindow(GetDlgItem(IDC_BTN_CANCEL), TRUE);
        ReportInstallNotStarted();
        return;
    }

    Installation installation =
        DescribeInstallation(m_catalogue, m_strModel, m_strPort, m_nDefaultPrinter == 0, m_nTestPage == 0);
    // The installation in progress, as the catalogue keeps it for whoever
    // looks; nothing below reads it back.
    m_catalogue.SetInstallPrinterName(installation.printerName);
    m_catalogue.SetInstallPort(installation.port);
    m_catalogue.SetInstallInfPath(installation.infPath);
    if (!m_installJob.Start(std::move(installation))) {
        // No job: the installation has failed before it began; timer 1 gives
        // the buttons back as after any failed installation.
        ReportInstallNotStarted();
        m_bInstallDone = -1;
    }
}

void CPrinterInstallDlg::ReportInstallNotStarted() {
    m_stcInstallStatus.SetText(texts::kStatusInstallFailed);
    m_stcInstallStatus.Invalidate(TRUE);
    ::MessageBoxW(AfxMessageBoxOwner(), texts::kInstallFailed, texts::kInstallBoxCaption, MB_OK | MB_ICONERROR);
}

void CPrinterInstallDlg::OnInstallEvent(const InstallEvent& event) {
    // The status line belongs to the dialog's thread: the text goes there.
    // One that cannot be handed over is dropped; the job goes on.
    const int status = StatusIndexOf(event.step);
    if (status >= 0) ::PostMessageW(m_hWnd, kMsgInstallStatus, static_cast<WPARAM>(status), 0);
    switch (event.step) {
    case InstallStep::SetUpCommandNotStarted: {
        const std::wstring text(core::StartFailureText(event.code));
        m_installApi.MessageBoxW(nullptr, text.c_str(), texts::kErrorCaption, MB_OK | MB_ICONERROR);
        break;
    }
    case InstallStep::InstallSucceeded:
        // The job waits until the user has closed it.
        m_installApi.MessageBoxW(AfxMessageBoxOwner(), texts::kInstallSucceeded, texts::kInstallBoxCaption, MB_OK);
        break;
    case InstallStep::InstallFailed:
        m_installApi.MessageBoxW(AfxMessageBoxOwner(), texts::kInstallFailed, texts::kInstallBoxCaption,
                                 MB_OK | MB_ICONERROR);
        break;
    default:
        break;
    }
}

void CPrinterInstallDlg::OnInstallEnd(int outcome) {
    // The job's last touch of the dialog: once timer 1 sees this, the dialog
    // may close, and the job is waited for as it goes.
    m_bInstallDone = outcome;
}

void CPrinterInstallDlg::OnInstallTimer() {
    UpdateData(FALSE);
    if (m_bInstallDone.load() == 0) return;
    KillTimer(kInstallTimer);
    m_nInstallTimer = 0;
    m_bInstallDone = 0;
    m_bInstalling = 0;
    ::EnableWindow(GetDlgItem(IDC_BTN_NEXT), TRUE);
    ::EnableWindow(GetDlgItem(IDC_BTN_CANCEL), TRUE);
}

void CPrinterInstallDlg::OnInstallStatus(WPARAM index) {
    if (index >= std::size(kInstallStatusTexts)) return;
    m_stcInstallStatus.SetText(kInstallStatusTexts[index]);
    m_stcInstallStatus.Invalidate(TRUE);
}
