// The driver installation job: one installation on a thread of its own,
// reported step by step.
#pragma once
#include <atomic>

#include "install/install_api.h"
#include "install/installation.h"
#include "win/worker_thread.h"

// What an installation does while another one runs on the PC.
enum class WhenBusy {
    Wait,    // waits its turn (the window: the user pressed Next)
    GiveUp,  // does not run: outcome kInstallNotRun (the console program)
};
inline constexpr int kInstallNotRun = -2;

// Runs the whole installation on the calling thread: removal of earlier
// printers of the name, Plug and Play or the set-up command, the default
// printer, the display name of a high-speed printer, the test page, holding
// the installation lock throughout.  Returns the outcome (1, -1 or
// kInstallNotRun) after telling the observer.  A raised `stop` ends it after
// the step under way: nothing more is done or told but the end, -1.
int RunInstallation(const Installation& installation, const InstallApi& api, InstallObserver& observer,
                    const std::atomic<bool>* stop = nullptr, WhenBusy whenBusy = WhenBusy::Wait);

class InstallJob {
public:
    // Both must outlive the job.
    InstallJob(const InstallApi& api, InstallObserver& observer, WhenBusy whenBusy = WhenBusy::Wait)
        : m_api(api), m_observer(observer), m_whenBusy(whenBusy) {}
    // A job still running is asked to stop after its current step, and
    // waited for.
    ~InstallJob();
    InstallJob(const InstallJob&) = delete;
    InstallJob& operator=(const InstallJob&) = delete;

    // Starts the installation on the job's thread.  False when one still runs
    // or no thread can be made; nothing is reported then.
    bool Start(Installation installation);
    bool Running() const { return m_thread.Running(); }
    bool Wait(DWORD ms = INFINITE) { return m_thread.Wait(ms); }

private:
    const InstallApi& m_api;
    InstallObserver& m_observer;
    WhenBusy m_whenBusy;
    Installation m_installation;
    std::atomic<bool> m_stop{false};
    win::WorkerThread m_thread;
};
