// A simulated print spooler, set-up process and Plug and Play behind the
// driver installation's table of Windows calls (install/install_api.h), for
// the installation tests.  The attached USB printer comes from the USB
// printer simulator (sim/usb).  It records what the job asked, in order.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "install/install_api.h"
#include "usb_simulator.h"

namespace spoolsim {

struct Printer {
    std::wstring name;
    std::wstring port = L"LPT1:";
    bool opens = true;    // OpenPrinterW succeeds
    bool deletes = true;  // DeletePrinter succeeds
    int queuedJobs = 0;
    // Characters of comment in its level-2 information, to make that
    // information larger than a caller's buffer.
    size_t commentChars = 0;
};

enum class EnumFailure { None, SizingCall, SecondCall };

struct World {
    std::vector<Printer> printers;
    std::vector<std::wstring> drivers;  // installed printer drivers by name
    EnumFailure enumFailure = EnumFailure::None;
    // Set-up processes.
    DWORD startError = 0;          // non-zero: ShellExecuteExW fails with this code
    bool installCreates = true;    // the install command creates the printer of its /n
    std::wstring createdName;      // ... under this name instead, when not empty
    bool processOverruns = false;  // the wait ends with WAIT_TIMEOUT
    // Plug and Play.
    bool pnpSucceeds = true;
    // Message boxes: shown for real (so that a test can read and answer
    // them) or only recorded and answered with IDOK.
    bool realMessageBoxes = false;
    // Called on the job's thread for every message box before it is shown
    // or answered, outside the simulator's lock.
    std::function<void(const std::wstring& text)> onMessageBox;
};

struct Started {
    DWORD cbSize = 0;
    ULONG mask = 0;
    HWND owner = nullptr;
    std::wstring verb, file, parameters;
    bool directoryGiven = false;
    int show = 0;
};

struct Box {
    HWND owner;
    std::wstring caption, text;
    UINT type;
};

struct PnpUpdate {
    HWND owner;
    std::wstring hardwareId, infPath;
    DWORD flags;
    bool rebootAsked;  // a BOOL was given for Windows to report a needed restart
};

struct DriverDeletion {
    bool localServer, currentEnvironment;
    std::wstring name;
    DWORD deleteFlag, versionFlag;
    bool deleted;
};

struct Log {
    // "enum", "open <name>", "purge <name>", "delete <name>", "close <name>",
    // "delete driver <name>", "get <name>", "rename <old> -> <new>",
    // "start <parameters>", "wait <ms>", "sleep <ms>", "box <text>", "pnp <id>".
    std::vector<std::wstring> events;
    std::vector<Started> started;
    std::vector<Box> boxes;
    std::vector<PnpUpdate> pnp;
    std::vector<DriverDeletion> driverDeletions;
    std::vector<DWORD> openAccess;
    int enumCalls = 0;
    int openHandles = 0;  // opened and not yet closed
    std::wstring defaultPrinter;
    std::vector<std::wstring> testPages;
};

namespace detail {

struct State {
    std::mutex lock;
    World world;
    Log log;
    std::map<HANDLE, std::wstring> handles;  // open handle -> printer name at open
    ULONG_PTR nextHandle = 0x5000;
};

inline State& S() {
    static State* state = new State;
    return *state;
}

inline std::vector<Printer>::iterator FindPrinter(State& s, const std::wstring& name) {
    return std::find_if(s.world.printers.begin(), s.world.printers.end(),
                        [&](const Printer& p) { return p.name == name; });
}

// The text of the first /n "..." of a PrintUI parameter string.
inline std::wstring QuotedAfter(const std::wstring& parameters, const std::wstring& flag) {
    const size_t at = parameters.find(flag + L" \"");
    if (at == std::wstring::npos) return {};
    const size_t start = at + flag.size() + 2;
    const size_t end = parameters.find(L'"', start);
    return end == std::wstring::npos ? std::wstring() : parameters.substr(start, end - start);
}

// Level-2 records and their strings packed into one buffer, as the spooler does.
inline size_t PackedSize(const std::vector<Printer>& printers) {
    size_t size = printers.size() * sizeof(PRINTER_INFO_2W);
    for (const auto& p : printers) size += (p.name.size() + 1 + p.port.size() + 1 + p.commentChars + 1) * 2;
    return size;
}

inline void Pack(const std::vector<Printer>& printers, BYTE* buffer) {
    auto* records = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    auto* text = reinterpret_cast<wchar_t*>(buffer + printers.size() * sizeof(PRINTER_INFO_2W));
    const auto put = [&](const std::wstring& s) {
        wchar_t* at = text;
        std::memcpy(text, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
        text += s.size() + 1;
        return at;
    };
    for (size_t i = 0; i < printers.size(); ++i) {
        records[i] = PRINTER_INFO_2W{};
        records[i].pPrinterName = put(printers[i].name);
        records[i].pPortName = put(printers[i].port);
        records[i].pComment = put(std::wstring(printers[i].commentChars, L'c'));
        records[i].pDriverName = records[i].pPrinterName;
        records[i].cJobs = static_cast<DWORD>(printers[i].queuedJobs);
    }
}

inline BOOL WINAPI EnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                LPDWORD returned) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    s.log.events.push_back(L"enum");
    const bool sizing = buffer == nullptr;
    ++s.log.enumCalls;
    *returned = 0;
    if (flags != PRINTER_ENUM_LOCAL || name != nullptr || level != 2) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((s.world.enumFailure == EnumFailure::SizingCall && sizing) ||
        (s.world.enumFailure == EnumFailure::SecondCall && !sizing)) {
        ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return FALSE;
    }
    *needed = static_cast<DWORD>(PackedSize(s.world.printers));
    if (s.world.printers.empty()) return TRUE;
    if (!buffer || size < *needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Pack(s.world.printers, buffer);
    *returned = static_cast<DWORD>(s.world.printers.size());
    return TRUE;
}

inline BOOL WINAPI OpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    const std::wstring n = name ? name : L"";
    s.log.events.push_back(L"open " + n);
    s.log.openAccess.push_back(defaults ? defaults->DesiredAccess : 0);
    *printer = nullptr;
    auto it = FindPrinter(s, n);
    if (it == s.world.printers.end() || !it->opens) {
        ::SetLastError(it == s.world.printers.end() ? ERROR_INVALID_PRINTER_NAME : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    HANDLE h = reinterpret_cast<HANDLE>(s.nextHandle++);
    s.handles[h] = n;
    ++s.log.openHandles;
    *printer = h;
    return TRUE;
}

inline BOOL WINAPI GetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    auto h = s.handles.find(printer);
    if (h == s.handles.end() || level != 2) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s.log.events.push_back(L"get " + h->second);
    auto it = FindPrinter(s, h->second);
    if (it == s.world.printers.end()) {
        ::SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    const std::vector<Printer> one{*it};
    *needed = static_cast<DWORD>(PackedSize(one));
    if (!buffer || size < *needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Pack(one, buffer);
    return TRUE;
}

inline BOOL WINAPI SetPrinter(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    auto h = s.handles.find(printer);
    if (h == s.handles.end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto it = FindPrinter(s, h->second);
    if (level == 0 && info == nullptr && command == PRINTER_CONTROL_PURGE) {
        s.log.events.push_back(L"purge " + h->second);
        if (it != s.world.printers.end()) it->queuedJobs = 0;
        return TRUE;
    }
    if (level == 2 && info != nullptr && command == 0 && it != s.world.printers.end()) {
        const auto* record = reinterpret_cast<const PRINTER_INFO_2W*>(info);
        const std::wstring newName = record->pPrinterName ? record->pPrinterName : L"";
        s.log.events.push_back(L"rename " + h->second + L" -> " + newName);
        it->name = newName;
        if (record->pPortName) it->port = record->pPortName;
        h->second = newName;
        return TRUE;
    }
    s.log.events.push_back(L"set? " + h->second);
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

inline BOOL WINAPI DeletePrinterSim(HANDLE printer) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    auto h = s.handles.find(printer);
    if (h == s.handles.end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s.log.events.push_back(L"delete " + h->second);
    auto it = FindPrinter(s, h->second);
    if (it == s.world.printers.end() || !it->deletes) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    s.world.printers.erase(it);
    return TRUE;
}

inline BOOL WINAPI DeleteDriver(LPWSTR server, LPWSTR environment, LPWSTR driver, DWORD deleteFlag,
                                DWORD versionFlag) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    const std::wstring n = driver ? driver : L"";
    s.log.events.push_back(L"delete driver " + n);
    auto it = std::find(s.world.drivers.begin(), s.world.drivers.end(), n);
    const bool deleted = it != s.world.drivers.end();
    if (deleted) s.world.drivers.erase(it);
    s.log.driverDeletions.push_back({server == nullptr, environment == nullptr, n, deleteFlag, versionFlag, deleted});
    if (!deleted) ::SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return deleted ? TRUE : FALSE;
}

inline BOOL WINAPI ClosePrinterSim(HANDLE printer) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    auto h = s.handles.find(printer);
    if (h == s.handles.end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s.log.events.push_back(L"close " + h->second);
    s.handles.erase(h);
    --s.log.openHandles;
    return TRUE;
}

inline BOOL WINAPI UpdateDriver(HWND owner, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags, PBOOL reboot) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    const std::wstring id = hardwareId ? hardwareId : L"";
    s.log.events.push_back(L"pnp " + id);
    s.log.pnp.push_back({owner, id, infPath ? infPath : L"", flags, reboot != nullptr});
    if (!s.world.pnpSucceeds) {
        ::SetLastError(ERROR_NO_SUCH_DEVINST);
        return FALSE;
    }
    return TRUE;
}

inline BOOL WINAPI ShellExecuteSim(SHELLEXECUTEINFOW* info) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    Started st;
    st.cbSize = info->cbSize;
    st.mask = info->fMask;
    st.owner = info->hwnd;
    st.verb = info->lpVerb ? info->lpVerb : L"(null)";
    st.file = info->lpFile ? info->lpFile : L"(null)";
    st.parameters = info->lpParameters ? info->lpParameters : L"(null)";
    st.directoryGiven = info->lpDirectory != nullptr;
    st.show = info->nShow;
    s.log.started.push_back(st);
    s.log.events.push_back(L"start " + st.parameters);
    info->hProcess = nullptr;
    if (s.world.startError != 0) {
        ::SetLastError(s.world.startError);
        return FALSE;
    }
    const std::wstring name = QuotedAfter(st.parameters, L"/n");
    if (st.parameters.find(L"/if ") != std::wstring::npos && s.world.installCreates) {
        Printer p;
        p.name = s.world.createdName.empty() ? name : s.world.createdName;
        p.port = QuotedAfter(st.parameters, L"/r");
        s.world.printers.push_back(p);
        s.world.drivers.push_back(QuotedAfter(st.parameters, L"/m"));
    } else if (st.parameters.find(L"/y ") != std::wstring::npos) {
        s.log.defaultPrinter = name;
    } else if (st.parameters.find(L"/k ") != std::wstring::npos) {
        s.log.testPages.push_back(name);
    }
    // A real, already ended "process" for the caller to wait for and close.
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return TRUE;
}

inline DWORD WINAPI WaitSim(HANDLE handle, DWORD ms) {
    {
        State& s = S();
        std::lock_guard<std::mutex> hold(s.lock);
        s.log.events.push_back(L"wait " + std::to_wstring(ms));
        if (s.world.processOverruns) return WAIT_TIMEOUT;
    }
    return ::WaitForSingleObject(handle, 0);
}

inline void WINAPI SleepSim(DWORD ms) {
    State& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    s.log.events.push_back(L"sleep " + std::to_wstring(ms));
}

inline int WINAPI MessageBoxSim(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    State& s = S();
    bool real = false;
    std::function<void(const std::wstring&)> hook;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.log.events.push_back(std::wstring(L"box ") + (text ? text : L""));
        s.log.boxes.push_back({owner, caption ? caption : L"(null)", text ? text : L"", type});
        real = s.world.realMessageBoxes;
        hook = s.world.onMessageBox;
    }
    if (hook) hook(text ? text : L"");
    return real ? ::MessageBoxW(owner, text, caption, type) : IDOK;
}

inline const InstallApi kApi = {
    EnumPrinters, OpenPrinter, GetPrinter, SetPrinter,  DeletePrinterSim, DeleteDriver,  ClosePrinterSim,
    UpdateDriver, ShellExecuteSim, WaitSim,  SleepSim,   MessageBoxSim,    &usbsim::Api(),
};

}  // namespace detail

// Replaces the simulated spooler and clears the log.
inline void Reset(const World& world) {
    detail::State& s = detail::S();
    std::lock_guard<std::mutex> hold(s.lock);
    s.world = world;
    s.log = Log{};
    s.handles.clear();
}

inline Log Snapshot() {
    detail::State& s = detail::S();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.log;
}

inline std::vector<std::wstring> PrinterNames() {
    detail::State& s = detail::S();
    std::lock_guard<std::mutex> hold(s.lock);
    std::vector<std::wstring> names;
    for (const auto& p : s.world.printers) names.push_back(p.name);
    return names;
}

inline std::vector<std::wstring> Drivers() {
    detail::State& s = detail::S();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.world.drivers;
}

// The table that reaches the simulated spooler (and the simulated USB printer).
inline const InstallApi& Api() { return detail::kApi; }

// The events of the log that start with one of the prefixes, in order.
inline std::vector<std::wstring> EventsStartingWith(const Log& log, std::initializer_list<std::wstring> prefixes) {
    std::vector<std::wstring> out;
    for (const auto& e : log.events)
        for (const auto& p : prefixes)
            if (e.compare(0, p.size(), p) == 0) {
                out.push_back(e);
                break;
            }
    return out;
}

}  // namespace spoolsim
