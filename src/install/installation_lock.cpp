#include "install/installation_lock.h"

namespace {
constexpr DWORD kWaitSliceMs = 100;
}

InstallationLock InstallationLock::Take(const std::atomic<bool>* stop) { return Acquire(stop, true); }

InstallationLock InstallationLock::TryTake() { return Acquire(nullptr, false); }

InstallationLock InstallationLock::Acquire(const std::atomic<bool>* stop, bool wait) {
    InstallationLock lock;
    lock.m_mutex.reset(::CreateMutexW(nullptr, FALSE, kName));
    if (!lock.m_mutex) {
        lock.m_held = true;
        return lock;
    }
    for (;;) {
        const DWORD waited = ::WaitForSingleObject(lock.m_mutex.get(), wait ? kWaitSliceMs : 0);
        // An installation that ended without letting go (its program was
        // killed) no longer runs.
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            lock.m_owned = lock.m_held = true;
            return lock;
        }
        if (waited != WAIT_TIMEOUT) {
            lock.m_held = true;
            return lock;
        }
        if (!wait || (stop && stop->load())) return lock;
    }
}

InstallationLock::~InstallationLock() {
    if (m_owned && m_mutex) ::ReleaseMutex(m_mutex.get());
}
