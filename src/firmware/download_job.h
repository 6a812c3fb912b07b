// The firmware download job: the readiness check, then the file sent on a
// thread of its own while the caller follows the percentage, and the
// outcome.  Values only: no texts, no windows.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "win/worker_thread.h"

class CLPTPort;

namespace firmware {

// What the readiness check found.
enum class Readiness {
    Ready,            // a printer in download mode answers; the port stays open for Start
    NoPortAccess,     // no port I/O library, or it cannot open direct port access
    PrinterNotReady,  // no ready pattern in 100000 status reads; the port is closed again
};

class DownloadJob {
public:
    // The port must outlive the job.
    explicit DownloadJob(CLPTPort& port) : m_port(port) {}
    // A transfer still running is told to stop, and its thread waited for.
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // True once no transfer runs, waiting up to `ms` for one that was told
    // to stop to let go of the port.  The port is not opened while one runs.
    bool WaitUntilIdle(DWORD ms);
    // Opens direct port access on the first parallel port and asks the
    // printer.  Only a ready printer leaves the port open, handed to Start.
    Readiness OpenAndCheck();
    // Gives the port opened by a successful check back unused.
    void Abandon();
    // Reads the whole file and sends it unchanged on the job's thread, which
    // closes the port at the end on every path.  The outcome is 0 until it is
    // known.  False when no thread can be made (the port is closed then).
    bool Start(std::wstring path);

    // The percentage of the file sent; safe from any thread.
    uint8_t Progress() const;
    // 0 while the transfer runs; then kSent or a failure code.
    int Outcome() const { return m_outcome.load(); }
    // The stall watch gives up: the transfer is told to stop and touches the
    // port no more.  An outcome the transfer stored before is kept; otherwise
    // it becomes kTransferFailed.  Returns the outcome.
    int GiveUp();

private:
    CLPTPort& m_port;
    std::wstring m_path;
    std::atomic<int> m_outcome{0};
    win::WorkerThread m_thread;
};

}  // namespace firmware
