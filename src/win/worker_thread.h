// The thread of one background job.  It is always waited for, never left
// running on its own: whoever owns the job's inputs outlives its thread.
#pragma once
#include <windows.h>

#include <functional>

#include "win/unique.h"

namespace win {

class WorkerThread {
public:
    WorkerThread() = default;
    // Waits for a thread that still runs.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs `work` on a new thread.  False when the last one still runs or no
    // thread can be made.  An exception `work` lets out ends the thread, not
    // the program.
    bool Start(std::function<void()> work);
    bool Running() const;
    // True once no thread runs, waiting up to `ms` for it to end.
    bool Wait(DWORD ms = INFINITE);

private:
    static DWORD WINAPI Entry(LPVOID self);
    std::function<void()> work_;
    UniqueHandle thread_;
};

}  // namespace win
