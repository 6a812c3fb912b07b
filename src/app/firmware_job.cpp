// The firmware ("version update") job of the main dialog: choosing the file,
// checking the printer, handing the file to the download job, and the timer
// that follows it and reports the outcome.
#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "app/printer_install_dlg.h"
#include "texts/texts.h"
#include "core/lpt_transfer.h"
#include "firmware/download_job.h"
#include "firmware/firmware_file.h"
#include "res/resource.h"
#include "win/app.h"

namespace {

// Pairs of description and pattern, as the file dialog wants them.
constexpr wchar_t kFirmwareFilter[] =
    L"Edition Files (*.mot)\0*.mot\0Data Files (*.data)\0*.data\0All Files (*.*)\0*.*\0";
constexpr UINT kDownloadPollMs = 100;
// How long a new download waits for a transfer that the stall watch gave up
// to let go of the port.  It looks at its stop request before every status
// read, so it normally ends at once.
constexpr DWORD kPreviousWorkerWaitMs = 5000;

void ShowOutcome(HWND owner, int outcome) {
    const wchar_t* text = texts::kOtherError;
    switch (outcome) {
    case firmware::kSent:
        ::MessageBoxW(owner, texts::kDownloadSucceeded, texts::kSuccessCaption, MB_OK);
        return;
    case firmware::kOpenFailed:
        text = texts::kOpenVersionFileFailed;
        break;
    case firmware::kReadFailed:
        text = texts::kReadVersionFileFailed;
        break;
    case firmware::kTransferFailed:
        text = texts::kDownloadFailed;
        break;
    default:
        break;
    }
    ::MessageBoxW(owner, text, texts::kErrorCaption, MB_OK | MB_ICONERROR);
}

}  // namespace

void CPrinterInstallDlg::OnBrowseVersionFile() {
    // Larger than MAX_PATH, so a long path is taken whole instead of refused.
    std::vector<wchar_t> file(32768, L'\0');
    wcscpy_s(file.data(), file.size(), L"*.mot");
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = kFirmwareFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (::GetOpenFileNameW(&ofn)) {
        m_strVersionFile = file.data();
        m_ctlProgress.SetPos(0);
    }
    UpdateData(FALSE);
}

void CPrinterInstallDlg::StartFirmwareDownload() {
    if (m_bDownloading.load()) return;
    UpdateData(TRUE);
    if (m_strVersionFile.empty()) {
        AfxMessageBox(texts::kChooseVersionFile);
        return;
    }
    if (::MessageBoxW(m_hWnd, texts::kConfirmDownload, texts::kConfirmCaption, MB_YESNO) != IDYES) return;
    // A transfer given up by the stall watch was told to stop; the port is
    // not opened again until it has closed it and ended.
    if (!m_downloadJob.WaitUntilIdle(kPreviousWorkerWaitMs)) {
        AfxMessageBox(texts::kPreviousDownloadEnding);
        return;
    }
    switch (m_downloadJob.OpenAndCheck()) {
    case firmware::Readiness::NoPortAccess:
        AfxMessageBox(texts::kPortInvalid);
        return;
    case firmware::Readiness::PrinterNotReady:
        AfxMessageBox(texts::kPrinterNotReady);
        return;
    case firmware::Readiness::Ready:
        break;
    }
    m_ctlProgress.SetRange(0, 100);
    m_ctlProgress.SetPos(0);
    m_ctlProgress.SetPrefix(texts::kProgressPrefix);
    m_nProgressPeak = 0;
    m_nStallTicks = 0;
    m_bDownloading = 1;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_NEXT), FALSE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_CANCEL), FALSE);
    m_nDownloadResult = 0;
    m_nDownloadTimer = ::SetTimer(m_hWnd, kDownloadTimer, kDownloadPollMs, nullptr);
    if (m_nDownloadTimer == 0) {
        // Without its poll the job could never end: give it up at once.
        m_downloadJob.Abandon();
        m_bDownloading = 0;
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_NEXT), TRUE);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_CANCEL), TRUE);
        ShowOutcome(m_hWnd, firmware::kOtherFailure);
        return;
    }
    // The job sends the path as it is now; the browse button may change the
    // field meanwhile, for the next download.
    if (!m_downloadJob.Start(m_strVersionFile))
        m_nDownloadResult = firmware::kOtherFailure;  // reported by the next tick
}

void CPrinterInstallDlg::OnDownloadTimer() {
    if (!m_bDownloading.load()) return;
    if (core::StallWatchTick(m_downloadJob.Progress(), m_nProgressPeak, m_nStallTicks))
        m_nDownloadResult = m_downloadJob.GiveUp();
    else if (m_nDownloadResult.load() == 0)
        m_nDownloadResult = m_downloadJob.Outcome();
    m_ctlProgress.SetPos(m_nProgressPeak);
    UpdateData(FALSE);

    const int outcome = m_nDownloadResult.load();
    if (outcome == 0) return;
    ::KillTimer(m_hWnd, kDownloadTimer);
    m_nDownloadTimer = 0;
    m_bDownloading = 0;
    m_nProgressPeak = 0;
    m_ctlProgress.SetPos(0);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_NEXT), TRUE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_CANCEL), TRUE);
    ShowOutcome(m_hWnd, outcome);
    m_nDownloadResult = 0;
    UpdateData(FALSE);
}
