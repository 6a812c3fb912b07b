#include "firmware/download_job.h"

#include "firmware/firmware_file.h"
#include "firmware/lpt_port.h"

namespace firmware {

DownloadJob::~DownloadJob() {
    if (m_thread.Running()) m_port.RequestStop();
    // The transfer looks at the stop request before every status read and
    // the file is read in bounded chunks, so this wait ends.
    m_thread.Wait();
}

bool DownloadJob::WaitUntilIdle(DWORD ms) { return m_thread.Wait(ms); }

Readiness DownloadJob::OpenAndCheck() {
    if (!m_port.Open()) return Readiness::NoPortAccess;
    if (!m_port.WaitReady()) {
        m_port.Close();
        return Readiness::PrinterNotReady;
    }
    return Readiness::Ready;
}

void DownloadJob::Abandon() { m_port.Close(); }

bool DownloadJob::Start(std::wstring path) {
    if (!m_thread.Wait(0)) return false;
    m_path = std::move(path);
    m_outcome.store(0);
    const bool started = m_thread.Start([this] {
        int outcome = kOtherFailure;
        try {
            // The port is closed before the outcome is stored, so a reported
            // job no longer holds the port.
            outcome = SendFirmwareFile(m_port, m_path);
        } catch (...) {
            m_port.Close();
        }
        // A transfer told to stop was given up, and its outcome claimed, by
        // the stall watch: a late one must not replace it.
        if (!m_port.StopRequested()) {
            int none = 0;
            m_outcome.compare_exchange_strong(none, outcome);
        }
    });
    if (!started) m_port.Close();
    return started;
}

uint8_t DownloadJob::Progress() const { return m_port.GetProgress(); }

int DownloadJob::GiveUp() {
    // Stop first, then claim the outcome: one the worker stored a moment
    // earlier is kept.
    m_port.RequestStop();
    int none = 0;
    m_outcome.compare_exchange_strong(none, kTransferFailed);
    return m_outcome.load();
}

}  // namespace firmware
