#include "firmware/download_worker.h"

#include "firmware/lpt_port.h"

CDownloadWorker::~CDownloadWorker() {
    if (!m_hThread) return;
    if (IsRunning()) m_port.RequestStop();
    // The transfer looks at the stop request before every status read and
    // the file is read in bounded chunks, so this wait ends.
    ::WaitForSingleObject(m_hThread.get(), INFINITE);
}

bool CDownloadWorker::Start(LPTHREAD_START_ROUTINE proc, void* param) {
    if (IsRunning()) return false;
    m_hThread.reset(::CreateThread(nullptr, 0, proc, param, 0, nullptr));
    return static_cast<bool>(m_hThread);
}

bool CDownloadWorker::IsRunning() const {
    return m_hThread && ::WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT;
}

bool CDownloadWorker::WaitForEnd(DWORD timeoutMs) {
    if (!m_hThread) return true;
    if (::WaitForSingleObject(m_hThread.get(), timeoutMs) == WAIT_TIMEOUT) return false;
    m_hThread.reset();
    return true;
}
