#include "win/worker_thread.h"

namespace win {

WorkerThread::~WorkerThread() { Wait(); }

bool WorkerThread::Start(std::function<void()> work) {
    if (!Wait(0)) return false;
    work_ = std::move(work);
    thread_.reset(::CreateThread(nullptr, 0, &WorkerThread::Entry, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

bool WorkerThread::Running() const {
    return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

bool WorkerThread::Wait(DWORD ms) {
    if (!thread_) return true;
    if (::WaitForSingleObject(thread_.get(), ms) == WAIT_TIMEOUT) return false;
    thread_.reset();
    return true;
}

DWORD WINAPI WorkerThread::Entry(LPVOID self) {
    try {
        static_cast<WorkerThread*>(self)->work_();
    } catch (...) {
        return 1;
    }
    return 0;
}

}  // namespace win
