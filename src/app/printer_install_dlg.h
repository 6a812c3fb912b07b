// The main window: one modal dialog with three pages, owner of every object
// of the program and of the fields through which the two jobs report.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "catalogue/install_catalogue.h"
#include "controls/button_st.h"
#include "controls/new_static.h"
#include "controls/text_progress_ctrl.h"
#include "firmware/download_job.h"
#include "firmware/lpt_port.h"
#include "install/install_api.h"
#include "install/install_job.h"
#include "ports/usb_port.h"
#include "win/dialog.h"
#include "win/unique.h"

class CPrinterInstallDlg : public CDialog, private InstallObserver {
public:
    // `api`: the spooler, Plug and Play, set-up process, message box and USB
    // calls of installations and of the attached-printer detection (the
    // system's, or a test's); it must outlive the dialog and name a USB table.
    explicit CPrinterInstallDlg(const InstallApi& api);
    ~CPrinterInstallDlg() override;

    // Timer ids of the two jobs' polls.
    static constexpr UINT_PTR kInstallTimer = 1;
    static constexpr UINT_PTR kDownloadTimer = 2;

    HICON m_hIcon;
    CButtonST m_btnDriver;
    CButtonST m_btnManual;
    CButtonST m_btnFirmware;
    CButtonST m_btnExit;
    CComboBox m_cboPort;
    CComboBox m_cboSeries;
    CListBox m_lstModel;
    std::wstring m_strVersionFile;
    CTextProgressCtrl m_ctlProgress;
    int m_nDefaultPrinter = 0;
    int m_nTestPage = 1;
    InstallCatalogue m_catalogue;
    CLPTPort m_lptPort;
    std::wstring m_strPort;
    std::wstring m_strModel;
    int m_nPage = 0;
    // Written by a worker thread, read by the dialog's timers.
    std::atomic<int> m_bInstallDone{0};
    std::atomic<int> m_nDownloadResult{0};
    UINT_PTR m_nInstallTimer = 0;
    UINT_PTR m_nDownloadTimer = 0;
    std::atomic<int> m_bInstalling{0};
    std::atomic<int> m_bDownloading{0};
    CNewStatic m_stcFwWarning1;
    CNewStatic m_stcFwWarning2;
    CNewStatic m_stcFwWarning3;
    CNewStatic m_stcFwWarning4;
    CNewStatic m_stcFwAdvice;
    CNewStatic m_stcInstallStatus;
    CNewStatic m_stcTitle;
    CNewStatic m_stcManualHint;
    CNewStatic m_stcManualNote;
    uint8_t m_nProgressPeak = 0;
    uint32_t m_nStallTicks = 0;
    CUSBPort m_usbPort;
    int m_bUsbDetected = 0;
    std::wstring m_strUsbPort;
    win::UniqueBrush m_brBackground;
    int m_bBackgroundReady = 0;
    CButtonST m_btnQuorin;
    CButtonST m_btnTessan;

    // Button 1022: lets the user choose the firmware file.
    void OnBrowseVersionFile();
    // Next on the firmware page: checks, asks, opens the port, starts the
    // job and timer 2.
    void StartFirmwareDownload();
    // Timer 2: follows the progress, gives up a stalled transfer, reports.
    void OnDownloadTimer();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;
    void OnCommand(int id, int code, HWND control) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
    void OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    HCURSOR OnQueryDragIcon() override;

    void OnExit();

public:
    // Pages: TRUE shows the page (and fills its lists), FALSE only hides it.
    void ShowDriverPage(BOOL show);
    void ShowManualPage(BOOL show);
    void ShowFirmwarePage(BOOL show);
    // Refills the model list from the series selected in the series combo.
    void FillModelList();
    // Port combo, series combo and model list of the driver page.
    void FillDriverChoices();
    // At start: the attached USB printer's port, shown instead of the port
    // choice, and its model.
    void DetectConnectedPrinter();

protected:
    void OnDriverPage();
    void OnManualPage();
    void OnFirmwarePage();
    void OnSelchangeSeries();
    void OnNext();
    void OnCancelButton();
    // Next on the driver page: checks the port and model, starts the job.
    void StartDriverInstall();

public:
    // Driver installation (driver_install_job.cpp).  Private message of the
    // installation's thread: a status text for the status line, in wParam
    // its place in the dialog's table of status texts.
    static constexpr UINT kMsgInstallStatus = WM_APP + 0x31;
    // Timer 1: gives the buttons back once the job has ended.
    void OnInstallTimer();
    // Shows the status text the job's thread posted; ignores a place outside the table.
    void OnInstallStatus(WPARAM index);
    // The failure texts for a job that could not be started.
    void ReportInstallNotStarted();

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void OpenManual();
    void OnQuorinButton();
    void OnTessanButton();
    // Starts a companion program named in the catalogue ("Quorin", "Tessan").
    void StartCompanion(const wchar_t* key);
    // Gives the four page buttons the bitmap pairs that mark `page` as shown.
    void MarkPageButtons(int page);

private:
    // The installation's reports, on its thread: status texts handed to the
    // dialog's thread, the message boxes over the dialog, the end into
    // m_bInstallDone.
    void OnInstallEvent(const InstallEvent& event) override;
    void OnInstallEnd(int outcome) override;

    // The white brush for list boxes, buttons, the dialog and statics; made
    // once, freed with the dialog.
    win::UniqueBrush m_brWhite;

    const InstallApi& m_installApi;
    // The two jobs, declared after everything they use so that their threads
    // have ended before any of it goes.
    firmware::DownloadJob m_downloadJob{m_lptPort};
    InstallJob m_installJob{m_installApi, *this};
};
