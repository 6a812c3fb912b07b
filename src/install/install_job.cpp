#include "install/install_job.h"

#include <objbase.h>

#include <vector>

#include "catalogue/driver_package.h"
#include "install/driver_install.h"
#include "install/installation_lock.h"
#include "install/print_ui.h"
#include "ports/usb_port.h"

namespace {

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

bool Reenumerate(const InstallApi& api) { return api.usb && ReenumerateDevices(*api.usb); }

}  // namespace

int RunInstallation(const Installation& installation, const InstallApi& api, InstallObserver& observer,
                    const std::atomic<bool>* stop, WhenBusy whenBusy) {
    const auto tell = [&](InstallStep step, const std::wstring& detail = {}, DWORD code = 0) {
        observer.OnInstallEvent(InstallEvent{step, detail, code});
    };
    const auto stopped = [&] { return stop && stop->load(); };
    const auto end = [&](int outcome) {
        observer.OnInstallEnd(outcome);
        return outcome;
    };
    const auto fail = [&] {
        tell(InstallStep::InstallFailed);
        return end(-1);
    };
    const auto tellNotStarted = [&](DWORD error) { tell(InstallStep::SetUpCommandNotStarted, {}, error); };
    const std::wstring& printerName = installation.printerName;

    InstallationLock lock = InstallationLock::TryTake();
    if (!lock.Held()) {
        if (whenBusy == WhenBusy::GiveUp) {
            tell(InstallStep::AnotherInstallationRunning);
            return end(kInstallNotRun);
        }
        tell(InstallStep::WaitingForAnotherInstallation);
        lock = InstallationLock::Take(stop);
        if (!lock.Held()) return end(-1);
    }

    // A model without a printer name has nothing to remove and nothing to
    // install: with an empty name any existing printer would pass the
    // existence check, so it fails without running a command.
    if (!printerName.empty()) {
        std::vector<std::wstring> found;
        if (FindInstalledPrinters(printerName, found, api) > 0) {
            for (const auto& name : found) {
                tell(InstallStep::RemovingEarlierPrinter, name);
                RemovePrinterAndDriver(name, api);
            }
            Reenumerate(api);
        }
        Reenumerate(api);
    }
    // Asked to stop: nothing more is done or told, but the end.
    if (stopped()) return end(-1);

    tell(InstallStep::Installing);
    if (stopped()) return end(-1);
    if (printerName.empty()) return fail();
    const AttachedUsbPrinter attached =
        installation.attached ? *installation.attached
                              : (api.usb ? ReadAttachedUsbPrinter(*api.usb) : AttachedUsbPrinter{});
    bool restartNeeded = false;
    if (!InstallDriver(installation, attached, api, [&](const InstallEvent& e) { observer.OnInstallEvent(e); },
                       tellNotStarted, restartNeeded))
        return fail();
    tell(InstallStep::InstallSucceeded);
    if (restartNeeded) tell(InstallStep::RestartNeeded);
    api.Sleep(kInstallStepPauseMs);

    // The default printer is set under the installed name, before a
    // high-speed printer takes its display name.
    if (stopped()) return end(-1);
    if (installation.makeDefault) {
        tell(InstallStep::SettingDefault, printerName);
        DWORD error = 0;
        if (!MakeDefaultPrinter(printerName, api, &error) && error != 0) tellNotStarted(error);
    }
    api.Sleep(kInstallStepPauseMs);

    const std::wstring displayName = GetDisplayPrinterName(printerName);
    if (stopped()) return end(-1);
    if (displayName != printerName) {
        tell(InstallStep::Renaming, displayName);
        RenameToDisplayName(printerName, api);
    }
    if (installation.testPage) {
        tell(InstallStep::PrintingTestPage, displayName);
        DWORD error = 0;
        if (!PrintTestPage(displayName, api, &error) && error != 0) tellNotStarted(error);
    }
    api.Sleep(kInstallStepPauseMs);
    tell(InstallStep::Finished);
    return end(1);
}

InstallJob::~InstallJob() {
    m_stop.store(true);
    m_thread.Wait();
}

bool InstallJob::Start(Installation installation) {
    if (m_thread.Running()) return false;
    m_thread.Wait();
    m_installation = std::move(installation);
    m_stop.store(false);
    return m_thread.Start([this] {
        ComApartment com;
        RunInstallation(m_installation, m_api, m_observer, &m_stop, m_whenBusy);
    });
}
