// A simulated print spooler, set-up process and Plug and Play behind the
// driver installation's table of Windows calls (install/install_api.h), for
// the installation tests.  The attached USB printer comes from the USB
// printer simulator (sim/usb).  It records what the job asked, in order, and
// refuses calls made with other arguments than the installer must pass.
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
    bool opens = true;    // OpenPrinterW succeeds
    bool deletes = true;  // DeletePrinter succeeds
    // Characters of comment in its level-2 information, to make that
    // information larger than a caller's buffer.
    size_t commentChars = 0;
};

enum class EnumFailure { None, SizingCall, SecondCall };

// Members all have initializers, for designated initializers in the tests.
struct World {
    std::vector<Printer> printers{};
    EnumFailure enumFailure = EnumFailure::None;
    // Set-up processes.
    DWORD startError = 0;          // non-zero: ShellExecuteExW fails with this code
    bool installCreates = true;    // the install command creates the printer of its /n
    std::wstring createdName{};    // ... under this name instead, when not empty
    bool processOverruns = false;  // the wait ends with WAIT_TIMEOUT
    bool pnpSucceeds = true;       // Plug and Play
    // Message boxes: shown for real (so that a test can read and answer
    // them) or only recorded and answered with IDOK.
    bool realMessageBoxes = false;
    // Called on the job's thread for every message box before it is shown
    // or answered, outside the simulator's lock.
    std::function<void(const std::wstring& text)> onMessageBox{};
};

struct Box {
    HWND owner;
    std::wstring caption, text;
    UINT type;
};

struct Log {
    // "enum", "open <name>", "purge <name>", "delete <name>", "close <name>",
    // "delete driver <name>", "get <name>", "rename <old> -> <new>",
    // "start <parameters>", "wait <ms>", "sleep <ms>", "box <text>", "pnp <id>";
    // a refused call is logged with a "refused " in front.
    std::vector<std::wstring> events;
    std::vector<std::wstring> started;  // parameters of each started command
    std::vector<Box> boxes;
    std::vector<std::wstring> pnpInfs;  // INF path of each Plug and Play update
    int openHandles = 0;                // opened and not yet closed
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

// The state, held locked for as long as the object lives.
struct Locked : std::lock_guard<std::mutex> {
    Locked() : std::lock_guard<std::mutex>(S().lock) {}
    State* operator->() const { return &S(); }
};

inline std::vector<Printer>::iterator FindPrinter(const Locked& s, const std::wstring& name) {
    return std::find_if(s->world.printers.begin(), s->world.printers.end(),
                        [&](const Printer& p) { return p.name == name; });
}

// The printer name an open handle was opened for; null (with the error set)
// for a handle that is not open.
inline std::wstring* Opened(const Locked& s, HANDLE printer) {
    auto h = s->handles.find(printer);
    if (h != s->handles.end()) return &h->second;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

inline BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// A call with other arguments than the installer must pass.
inline BOOL Refuse(const Locked& s, const std::wstring& call) {
    s->log.events.push_back(L"refused " + call);
    return Fail(ERROR_INVALID_PARAMETER);
}

// The text of the first /n "..." (or other flag) of a PrintUI parameter string.
inline std::wstring QuotedAfter(const std::wstring& parameters, const std::wstring& flag) {
    const size_t at = parameters.find(flag + L" \"");
    if (at == std::wstring::npos) return {};
    const size_t start = at + flag.size() + 2;
    const size_t end = parameters.find(L'"', start);
    return end == std::wstring::npos ? std::wstring() : parameters.substr(start, end - start);
}

// Level-2 records and their strings packed into one buffer, as the spooler
// does; returns the bytes needed and packs only when they fit.
inline DWORD Pack(const std::vector<Printer>& printers, BYTE* buffer, DWORD size) {
    size_t needed = printers.size() * sizeof(PRINTER_INFO_2W);
    for (const auto& p : printers) needed += (p.name.size() + 1 + p.commentChars + 1) * 2;
    if (!buffer || size < needed) return static_cast<DWORD>(needed);
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
        records[i].pComment = put(std::wstring(printers[i].commentChars, L'c'));
    }
    return static_cast<DWORD>(needed);
}

inline BOOL WINAPI EnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                LPDWORD returned) {
    Locked s;
    s->log.events.push_back(L"enum");
    *returned = 0;
    if (flags != PRINTER_ENUM_LOCAL || name != nullptr || level != 2) return Fail(ERROR_INVALID_PARAMETER);
    const EnumFailure failure = buffer ? EnumFailure::SecondCall : EnumFailure::SizingCall;
    if (s->world.enumFailure == failure) return Fail(RPC_S_SERVER_UNAVAILABLE);
    const auto& printers = s->world.printers;
    if (printers.empty()) return TRUE;
    if ((*needed = Pack(printers, buffer, size)) > size || !buffer) return Fail(ERROR_INSUFFICIENT_BUFFER);
    *returned = static_cast<DWORD>(printers.size());
    return TRUE;
}

inline BOOL WINAPI OpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    Locked s;
    const std::wstring n = name ? name : L"";
    *printer = nullptr;
    // Deleting, purging and renaming all need full access.
    if (!defaults || defaults->DesiredAccess != PRINTER_ALL_ACCESS) return Refuse(s, L"open " + n);
    s->log.events.push_back(L"open " + n);
    auto it = FindPrinter(s, n);
    if (it == s->world.printers.end()) return Fail(ERROR_INVALID_PRINTER_NAME);
    if (!it->opens) return Fail(ERROR_ACCESS_DENIED);
    HANDLE h = reinterpret_cast<HANDLE>(s->nextHandle++);
    s->handles[h] = n;
    ++s->log.openHandles;
    *printer = h;
    return TRUE;
}

inline BOOL WINAPI GetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    Locked s;
    const std::wstring* name = Opened(s, printer);
    if (!name || level != 2) return Fail(ERROR_INVALID_HANDLE);
    s->log.events.push_back(L"get " + *name);
    auto it = FindPrinter(s, *name);
    if (it == s->world.printers.end()) return Fail(ERROR_INVALID_PRINTER_NAME);
    if ((*needed = Pack({*it}, buffer, size)) > size || !buffer) return Fail(ERROR_INSUFFICIENT_BUFFER);
    return TRUE;
}

inline BOOL WINAPI SetPrinter(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    Locked s;
    std::wstring* name = Opened(s, printer);
    if (!name) return FALSE;
    auto it = FindPrinter(s, *name);
    if (level == 0 && info == nullptr && command == PRINTER_CONTROL_PURGE) {
        s->log.events.push_back(L"purge " + *name);
        return TRUE;
    }
    if (level == 2 && info != nullptr && command == 0 && it != s->world.printers.end()) {
        const auto* record = reinterpret_cast<const PRINTER_INFO_2W*>(info);
        const std::wstring newName = record->pPrinterName ? record->pPrinterName : L"";
        s->log.events.push_back(L"rename " + *name + L" -> " + newName);
        it->name = newName;
        *name = newName;
        return TRUE;
    }
    return Refuse(s, L"set " + *name);
}

inline BOOL WINAPI DeletePrinterSim(HANDLE printer) {
    Locked s;
    const std::wstring* name = Opened(s, printer);
    if (!name) return FALSE;
    s->log.events.push_back(L"delete " + *name);
    auto it = FindPrinter(s, *name);
    if (it == s->world.printers.end() || !it->deletes) return Fail(ERROR_ACCESS_DENIED);
    s->world.printers.erase(it);
    return TRUE;
}

// Deletes only as the installer must ask: the local server, the current
// environment, unused files too, version flag 3.
inline BOOL WINAPI DeleteDriver(LPWSTR server, LPWSTR environment, LPWSTR driver, DWORD deleteFlag,
                                DWORD versionFlag) {
    Locked s;
    const std::wstring call = L"delete driver " + std::wstring(driver ? driver : L"");
    if (server || environment || deleteFlag != DPD_DELETE_UNUSED_FILES || versionFlag != 3) return Refuse(s, call);
    s->log.events.push_back(call);
    return TRUE;
}

inline BOOL WINAPI ClosePrinterSim(HANDLE printer) {
    Locked s;
    const std::wstring* name = Opened(s, printer);
    if (!name) return FALSE;
    s->log.events.push_back(L"close " + *name);
    s->handles.erase(printer);
    --s->log.openHandles;
    return TRUE;
}

// Updates only as the installer must ask: no owner, INSTALLFLAG_FORCE, no
// restart flag.
inline BOOL WINAPI UpdateDriver(HWND owner, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags, PBOOL reboot) {
    Locked s;
    const std::wstring id = hardwareId ? hardwareId : L"";
    if (owner || flags != 1 || reboot) return Refuse(s, L"pnp " + id);
    s->log.events.push_back(L"pnp " + id);
    s->log.pnpInfs.push_back(infPath ? infPath : L"");
    return s->world.pnpSucceeds ? TRUE : Fail(ERROR_NO_SUCH_DEVINST);
}

// The system's own rundll32.exe, the only set-up host the installer may start.
inline std::wstring SystemRundll32() {
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system, n < MAX_PATH ? n : 0) + L"\\rundll32.exe";
}

// Starts only what the installer must start: the system's rundll32.exe by
// its full path, opened shown normally, without owner or folder, asking for
// the process handle only.
inline BOOL WINAPI ShellExecuteSim(SHELLEXECUTEINFOW* info) {
    const std::wstring host = SystemRundll32();
    Locked s;
    info->hProcess = nullptr;
    const std::wstring params = info->lpParameters ? info->lpParameters : L"(null)";
    if (info->cbSize != sizeof(SHELLEXECUTEINFOW) || info->fMask != SEE_MASK_NOCLOSEPROCESS || info->hwnd ||
        info->lpDirectory || info->nShow != SW_SHOWNORMAL || !info->lpVerb || info->lpVerb != std::wstring(L"open") ||
        !info->lpFile || info->lpFile != host)
        return Refuse(s, L"start " + params);
    s->log.events.push_back(L"start " + params);
    s->log.started.push_back(params);
    if (s->world.startError != 0) return Fail(s->world.startError);
    if (params.find(L"/if ") != std::wstring::npos && s->world.installCreates)
        s->world.printers.push_back(Printer{s->world.createdName.empty() ? QuotedAfter(params, L"/n")
                                                                         : s->world.createdName});
    // A real, already ended "process" for the caller to wait for and close.
    info->hProcess = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return TRUE;
}

inline DWORD WINAPI WaitSim(HANDLE handle, DWORD ms) {
    {
        Locked s;
        s->log.events.push_back(L"wait " + std::to_wstring(ms));
        if (s->world.processOverruns) return WAIT_TIMEOUT;
    }
    return ::WaitForSingleObject(handle, 0);
}

inline void WINAPI SleepSim(DWORD ms) { Locked()->log.events.push_back(L"sleep " + std::to_wstring(ms)); }

inline int WINAPI MessageBoxSim(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    bool real = false;
    std::function<void(const std::wstring&)> hook;
    {
        Locked s;
        s->log.events.push_back(std::wstring(L"box ") + (text ? text : L""));
        s->log.boxes.push_back({owner, caption ? caption : L"(null)", text ? text : L"", type});
        real = s->world.realMessageBoxes;
        hook = s->world.onMessageBox;
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
    detail::Locked s;
    s->world = world;
    s->log = Log{};
    s->handles.clear();
}

inline Log Snapshot() { return detail::Locked()->log; }

inline std::vector<std::wstring> PrinterNames() {
    detail::Locked s;
    std::vector<std::wstring> names;
    for (const auto& p : s->world.printers) names.push_back(p.name);
    return names;
}

// The table that reaches the simulated spooler (and the simulated USB printer).
inline const InstallApi& Api() { return detail::kApi; }

inline bool StartsWithAny(const std::wstring& event, std::initializer_list<std::wstring> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const auto& p) { return event.rfind(p, 0) == 0; });
}

// The events of the log that start with one of the prefixes, in order.
inline std::vector<std::wstring> EventsStartingWith(const Log& log, std::initializer_list<std::wstring> prefixes) {
    std::vector<std::wstring> out;
    for (const auto& e : log.events)
        if (StartsWithAny(e, prefixes)) out.push_back(e);
    return out;
}

}  // namespace spoolsim
