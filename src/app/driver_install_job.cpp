// Next on the driver page: the choices are checked, then the installation
// runs on a worker thread while timer 1 watches for its end.  The worker
// talks to the window only by posting status texts; everything else it
// reports through m_bInstallDone.
#include <objbase.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

#include "app/printer_install_dlg.h"
#include "app/texts.h"
#include "install/driver_install.h"
#include "install/install_api.h"
#include "res/resource.h"
#include "win/app.h"

namespace {

// Milliseconds between two looks of timer 1.
constexpr UINT kInstallPollMs = 50;

// What the worker gets: the dialog, whose catalogue it uses and whose
// m_bInstallDone it sets last, and the choices copied on the dialog's thread
// so that nothing it reads can change under it.
struct InstallWorkerArgs {
    CPrinterInstallDlg* dialog;
    HWND window;
    const InstallApi* api;
    InstallChoices choices;
};

// The status line's texts during an installation.  The worker posts a text's
// place in this table, never a pointer: the window takes the message from any
// sender, and a number it checks cannot make it read foreign memory.
constexpr const wchar_t* kInstallStatusTexts[] = {
    texts::kStatusInstalling,     texts::kStatusInstallSucceeded, texts::kStatusInstallFailed,
    texts::kStatusSettingDefault, texts::kStatusPrintingTestPage, texts::kStatusInstallFinished,
};

// Hands a status text to the dialog's thread, which owns the status line.
// A text that cannot be handed over is dropped: the status line is only a
// report, and the job goes on.
void PostInstallStatus(HWND window, const wchar_t* text) noexcept {
    for (size_t i = 0; i < std::size(kInstallStatusTexts); ++i)
        if (std::wcscmp(kInstallStatusTexts[i], text) == 0) {
            ::PostMessageW(window, CPrinterInstallDlg::kMsgInstallStatus, i, 0);
            return;
        }
}

// The shell's start of the set-up process may go through COM.
class ComApartment {
public:
    ComApartment() : m_ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (m_ok) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ok;
};

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

    std::unique_ptr<InstallWorkerArgs> args;
    try {
        args = std::make_unique<InstallWorkerArgs>();
        args->dialog = this;
        args->window = m_hWnd;
        args->api = m_installApi ? m_installApi : &DefaultInstallApi();
        args->choices.model = m_strModel;
        args->choices.port = m_strPort;
        args->choices.makeDefault = m_nDefaultPrinter == 0;
        args->choices.testPage = m_nTestPage == 0;
    } catch (const std::bad_alloc&) {
        args.reset();
    }
    if (args) {
        win::UniqueHandle thread(::CreateThread(nullptr, 0, InstallWorker, args.get(), 0, nullptr));
        if (thread) {
            args.release();  // the worker owns it now
            return;
        }
    }
    // No worker: the installation has failed before it began; timer 1 gives
    // the buttons back as after any failed installation.
    ReportInstallNotStarted();
    m_bInstallDone = -1;
}

void CPrinterInstallDlg::ReportInstallNotStarted() {
    m_stcInstallStatus.SetText(texts::kStatusInstallFailed);
    m_stcInstallStatus.Invalidate(TRUE);
    ::MessageBoxW(AfxMessageBoxOwner(), texts::kInstallFailed, texts::kInstallBoxCaption, MB_OK | MB_ICONERROR);
}

DWORD WINAPI CPrinterInstallDlg::InstallWorker(LPVOID param) {
    std::unique_ptr<InstallWorkerArgs> args(static_cast<InstallWorkerArgs*>(param));
    CPrinterInstallDlg* dialog = args->dialog;
    int result = -1;
    try {
        ComApartment com;
        const HWND window = args->window;
        InstallReport report;
        report.status = [window](const wchar_t* text) { PostInstallStatus(window, text); };
        report.owner = [] { return AfxMessageBoxOwner(); };
        result = RunDriverInstallJob(dialog->m_catalogue, args->choices, report, *args->api);
    } catch (...) {
        PostInstallStatus(args->window, texts::kStatusInstallFailed);
        result = -1;
    }
    args.reset();
    // The last touch of the dialog: once timer 1 sees this, the dialog may
    // close and be destroyed.
    dialog->m_bInstallDone = result;
    return result == 1 ? 0 : 1;
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
