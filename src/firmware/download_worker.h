// Owner of the firmware download's worker thread.  A transfer given up by
// the stall watch may still be waiting for the printer; the next download
// and the end of the dialog must not run over it, so they wait here until
// it has let go of the port.
#pragma once
#include <windows.h>

#include "win/unique.h"

class CLPTPort;

class CDownloadWorker {
public:
    explicit CDownloadWorker(CLPTPort& port) : m_port(port) {}
    // Asks a running transfer to stop and waits for its thread to end.
    ~CDownloadWorker();
    CDownloadWorker(const CDownloadWorker&) = delete;
    CDownloadWorker& operator=(const CDownloadWorker&) = delete;

    // Starts proc(param) on a new thread.  False when a worker still runs or
    // the thread cannot be made.
    bool Start(LPTHREAD_START_ROUTINE proc, void* param);
    bool IsRunning() const;
    // True once no worker runs, waiting up to timeoutMs for one to end.
    bool WaitForEnd(DWORD timeoutMs);

private:
    CLPTPort& m_port;
    win::UniqueHandle m_hThread;
};
