// One installation at a time on a PC, whichever program runs it (the window
// or the console program, in any session): a named mutex held for the
// whole installation by the thread that runs it.
#pragma once
#include <windows.h>

#include <atomic>

#include "win/unique.h"

class InstallationLock {
public:
    // Takes the lock, waiting while another installation holds it; gives up
    // (not held) when `stop` is raised meanwhile.
    static InstallationLock Take(const std::atomic<bool>* stop);
    // Takes the lock only if no other installation holds it.
    static InstallationLock TryTake();

    InstallationLock(InstallationLock&&) noexcept = default;
    InstallationLock& operator=(InstallationLock&&) noexcept = default;
    ~InstallationLock();
    // False when another installation holds it.  A lock that Windows cannot
    // give at all counts as held: an installation is never refused for it.
    bool Held() const { return m_held; }

    static constexpr wchar_t kName[] = L"Global\\OrvanePrinterInstall.Installation";

private:
    InstallationLock() = default;
    static InstallationLock Acquire(const std::atomic<bool>* stop, bool wait);
    win::UniqueHandle m_mutex;
    bool m_owned = false;
    bool m_held = false;
};
