// SIMULATOR of an attached USB printer (see usb_simulator.h).
#include "usb_simulator.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "win/unique.h"
#include "../simulator_marker.h"

PI_SIMULATOR_MARKER("the in-process USB printer of the Windows tests");

namespace usbsim {

namespace {

constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusPending = 0x103;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
constexpr ULONG_PTR kStatusDeviceError = 0xC0000185;
// A cancelled request ends this long after CancelIoEx, as a driver's would.
constexpr DWORD kCancelLatencyMs = 30;
// GetOverlappedResult with "wait" never blocks a test for longer.
constexpr DWORD kResultWaitLimitMs = 10000;
constexpr DEVINST kRootNode = 1;

struct Request {
    LPOVERLAPPED overlapped;
    HANDLE event;
    BYTE* out;
    DWORD outSize;
    std::vector<uint8_t> answer;
    bool honoursCancel;
    bool done = false;
    bool cancelled = false;
};

struct World {
    std::mutex lock;
    std::condition_variable changed;
    Setup setup;
    Log log;
    std::set<int*> lists;
    std::map<HANDLE, size_t> devices;  // open handle -> device index
    std::vector<std::shared_ptr<Request>> requests;
};

// Never destroyed: detached answer threads may still look at it at exit.
World& TheWorld() {
    static World* world = new World;
    return *world;
}

void Note(World& w, const std::string& event) { w.log.events.push_back(event); }

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring ClassKeyPathFor(DWORD pid) {
    return L"Software\\Printer Install Simulator\\USB\\" + std::to_wstring(pid);
}

std::wstring BackingFile(size_t index) {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring dir = (n > 0 && n <= MAX_PATH) ? std::wstring(temp, n) : L".\\";
    return dir + L"PrinterInstallSimUsb-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(index) + L".dev";
}

bool EventStillOpen(HANDLE event) {
    DWORD flags = 0;
    return ::GetHandleInformation(event, &flags) != 0;
}

// Ends a request with `status` unless it has ended already.  Caller holds
// the lock.
void Complete(World& w, Request& r, ULONG_PTR status) {
    if (r.done) return;
    r.done = true;
    if (!EventStillOpen(r.event)) {
        // The program let the request go while it was still the driver's;
        // a real driver would now write into freed memory.
        ++w.log.completionsAfterRelease;
        Note(w, "completed-after-release");
        return;
    }
    DWORD n = 0;
    if (status == kStatusSuccess) {
        n = static_cast<DWORD>(std::min<size_t>(r.answer.size(), r.outSize));
        std::memcpy(r.out, r.answer.data(), n);
    }
    r.overlapped->InternalHigh = n;
    r.overlapped->Internal = status;
    ::SetEvent(r.event);
    Note(w, status == kStatusCancelled ? "cancelled" : "answered");
    w.changed.notify_all();
}

void CompleteLater(std::shared_ptr<Request> r, DWORD delayMs, ULONG_PTR status) {
    std::thread([r, delayMs, status] {
        World& w = TheWorld();
        std::unique_lock<std::mutex> hold(w.lock);
        w.changed.wait_for(hold, std::chrono::milliseconds(delayMs), [&] { return r->done; });
        Complete(w, *r, status);
    }).detach();
}

std::shared_ptr<Request> FindRequest(World& w, LPOVERLAPPED overlapped) {
    for (auto& r : w.requests)
        if (r->overlapped == overlapped && !r->done) return r;
    return nullptr;
}

// --- The simulated calls -------------------------------------------------

HDEVINFO WINAPI SimGetClassDevs(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    w.log.lastListFlags = flags;
    Note(w, "list");
    if (w.setup.listFails || !classGuid || *classGuid != kGuidDevinterfaceUsbPrint ||
        flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    int* token = new int(0);
    w.lists.insert(token);
    ++w.log.listsCreated;
    return reinterpret_cast<HDEVINFO>(token);
}

BOOL WINAPI SimEnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID* classGuid, DWORD index,
                              PSP_DEVICE_INTERFACE_DATA data) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    if (!w.lists.count(reinterpret_cast<int*>(set)) || !classGuid || *classGuid != kGuidDevinterfaceUsbPrint) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (index >= w.setup.devices.size()) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = kGuidDevinterfaceUsbPrint;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI SimGetDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                         DWORD size, PDWORD required, PSP_DEVINFO_DATA) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    if (!w.lists.count(reinterpret_cast<int*>(set)) || !data || data->Reserved == 0 ||
        data->Reserved > w.setup.devices.size()) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Device& d = w.setup.devices[data->Reserved - 1];
    const DWORD need = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                          (d.path.size() + 1) * sizeof(wchar_t));
    if (required) *required = need;
    if (!detail) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (size < need) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (!d.detailReadable) {
        ::SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, d.path.c_str(), (d.path.size() + 1) * sizeof(wchar_t));
    return TRUE;
}

BOOL WINAPI SimDestroyList(HDEVINFO set) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    auto* token = reinterpret_cast<int*>(set);
    if (!w.lists.erase(token)) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete token;
    ++w.log.listsDestroyed;
    return TRUE;
}

HKEY WINAPI SimOpenClassKey(const GUID* classGuid, REGSAM access, DWORD flags, PCWSTR machine, PVOID) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    ++w.log.classKeyOpens;
    w.log.lastClassKeyFlags = flags;
    w.log.lastClassKeyAccess = access;
    HKEY key = nullptr;
    if (!w.setup.classKeyOpens || !classGuid || *classGuid != kGuidDevinterfaceUsbPrint ||
        flags != DIOCR_INTERFACE || (machine && *machine) ||
        ::RegOpenKeyExW(HKEY_CURRENT_USER, ClassKeyPath().c_str(), 0, access, &key) != ERROR_SUCCESS) {
        ::SetLastError(ERROR_INVALID_CLASS);
        return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    }
    return key;
}

HANDLE WINAPI SimCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                            DWORD flags, HANDLE) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    OpenCall call{path ? path : L"", access, share, disposition, flags, false};
    size_t index = w.setup.devices.size();
    for (size_t i = 0; i < w.setup.devices.size(); ++i)
        if (path && _wcsicmp(w.setup.devices[i].path.c_str(), path) == 0) index = i;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (index == w.setup.devices.size()) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
    } else if (!w.setup.devices[index].opens || w.setup.devices[index].opensLeft == 0 ||
               disposition != OPEN_EXISTING) {
        ::SetLastError(ERROR_ACCESS_DENIED);
    } else {
        if (w.setup.devices[index].opensLeft > 0) --w.setup.devices[index].opensLeft;
        // A real file stands for the device so that Windows itself enforces
        // the share mode and CloseHandle releases it.
        h = ::CreateFileW(BackingFile(index).c_str(), access, share, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | (flags & FILE_FLAG_OVERLAPPED),
                          nullptr);
        if (h != INVALID_HANDLE_VALUE) w.devices[h] = index;
    }
    const DWORD error = ::GetLastError();
    call.opened = h != INVALID_HANDLE_VALUE;
    w.log.opens.push_back(call);
    Note(w, std::string(call.opened ? "open " : "open-failed ") + Narrow(call.path));
    ::SetLastError(error);
    return h;
}

BOOL WINAPI SimDeviceIoControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize,
                               LPDWORD returned, LPOVERLAPPED overlapped) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    ++w.log.ioctls;
    w.log.lastIoctlCode = code;
    w.log.lastIoctlOutSize = outSize;
    Note(w, "ioctl");
    auto found = w.devices.find(device);
    if (found == w.devices.end() || found->second >= w.setup.devices.size()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (code != kIoctlUsbPrintGet1284Id) {
        ::SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (!overlapped || !overlapped->hEvent || !out) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Device& d = w.setup.devices[found->second];
    if (d.answer == Answer::Fails) {
        ::SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    auto r = std::make_shared<Request>(Request{overlapped, overlapped->hEvent, static_cast<BYTE*>(out), outSize,
                                               d.id, d.honoursCancel});
    overlapped->Internal = kStatusPending;
    overlapped->InternalHigh = 0;
    if (d.answer == Answer::Immediate) {
        Complete(w, *r, kStatusSuccess);
        if (returned) *returned = static_cast<DWORD>(overlapped->InternalHigh);
        return TRUE;
    }
    w.requests.push_back(r);
    Note(w, "pending");
    if (d.answer == Answer::Delayed) CompleteLater(r, d.answerDelayMs, kStatusSuccess);
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL WINAPI SimGetOverlappedResult(HANDLE, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) {
    World& w = TheWorld();
    std::unique_lock<std::mutex> hold(w.lock);
    if (wait) {
        ++w.log.resultWaits;
        if (w.log.cancels > 0) ++w.log.resultWaitsAfterCancel;
        w.changed.wait_for(hold, std::chrono::milliseconds(kResultWaitLimitMs),
                           [&] { return overlapped->Internal != kStatusPending; });
    }
    Note(w, wait ? "result-wait" : "result");
    const ULONG_PTR status = overlapped->Internal;
    if (status == kStatusPending) {
        ::SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    if (transferred) *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (status == kStatusSuccess) return TRUE;
    ::SetLastError(status == kStatusCancelled ? ERROR_OPERATION_ABORTED : ERROR_GEN_FAILURE);
    return FALSE;
}

BOOL WINAPI SimCancelIoEx(HANDLE, LPOVERLAPPED overlapped) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    ++w.log.cancels;
    Note(w, "cancel");
    auto r = FindRequest(w, overlapped);
    if (!r) {
        ::SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    r->cancelled = true;
    if (r->honoursCancel) CompleteLater(r, kCancelLatencyMs, kStatusCancelled);
    return TRUE;
}

CONFIGRET WINAPI SimLocate(PDEVINST node, DEVINSTID_W instanceId, ULONG flags) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    ++w.log.locates;
    w.log.locatedRoot = instanceId == nullptr || *instanceId == L'\0';
    w.log.locateFlags = flags;
    Note(w, "locate");
    if (w.setup.locateFails || !node) return CR_NO_SUCH_DEVNODE;
    *node = w.log.locatedRoot ? kRootNode : kRootNode + 1;
    return CR_SUCCESS;
}

CONFIGRET WINAPI SimReenumerate(DEVINST node, ULONG flags) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    ++w.log.reenumerates;
    w.log.reenumerateFlags = flags;
    Note(w, "reenumerate");
    if (node != kRootNode && node != kRootNode + 1) return CR_INVALID_DEVNODE;
    return w.setup.reenumerateFails ? CR_FAILURE : CR_SUCCESS;
}

BOOL WINAPI SimGetVersion(LPOSVERSIONINFOW info) {
    World& w = TheWorld();
    std::unique_lock<std::mutex> hold(w.lock);
    ++w.log.versionQueries;
    if (!w.setup.version) {
        hold.unlock();
        return ::GetVersionExW(info);
    }
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = w.setup.version->first;
    info->dwMinorVersion = w.setup.version->second;
    info->dwBuildNumber = 7601;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = L'\0';
    return TRUE;
}

const UsbApi kSimulatedApi = {
    &SimGetClassDevs,  &SimEnumInterfaces,      &SimGetDetail,  &SimDestroyList, &SimOpenClassKey,
    &SimCreateFile,    &SimDeviceIoControl,     &SimGetOverlappedResult, &SimCancelIoEx, &SimLocate,
    &SimReenumerate,   &SimGetVersion,
};

bool SetValue(HKEY key, const wchar_t* name, const std::optional<RegValue>& value) {
    if (!value) return true;
    return ::RegSetValueExW(key, name, 0, value->type, value->data.data(),
                            static_cast<DWORD>(value->data.size())) == ERROR_SUCCESS;
}

bool CreateVolatile(HKEY parent, const std::wstring& path, win::UniqueKey& key) {
    return ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             key.put(), nullptr) == ERROR_SUCCESS;
}

bool WriteRegistry(const std::vector<Entry>& entries) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ClassKeyPath().c_str());
    win::UniqueKey classKey;
    if (!CreateVolatile(HKEY_CURRENT_USER, ClassKeyPath(), classKey)) return false;
    for (const Entry& e : entries) {
        win::UniqueKey entry;
        if (!CreateVolatile(classKey.get(), e.name, entry)) return false;
        if (!SetValue(entry.get(), L"DeviceInstance", e.deviceInstance)) return false;
        if (e.linked) {
            win::UniqueKey control;
            if (!CreateVolatile(entry.get(), L"#\\Control", control)) return false;
            if (!SetValue(control.get(), L"Linked", e.linked)) return false;
        }
        if (e.portNumber) {
            win::UniqueKey parameters;
            if (!CreateVolatile(entry.get(), L"#\\Device Parameters", parameters)) return false;
            if (!SetValue(parameters.get(), L"Port Number", e.portNumber)) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<uint8_t> IdWithLength(const std::string& text) {
    const size_t total = text.size() + 2;
    std::vector<uint8_t> id(total);
    id[0] = static_cast<uint8_t>((total >> 8) & 0xFF);
    id[1] = static_cast<uint8_t>(total & 0xFF);
    std::copy(text.begin(), text.end(), id.begin() + 2);
    return id;
}

RegValue RegValue::Dword(DWORD value) {
    RegValue v;
    v.type = REG_DWORD;
    v.data.resize(sizeof value);
    std::memcpy(v.data.data(), &value, sizeof value);
    return v;
}

RegValue RegValue::Text(const std::wstring& text) {
    RegValue v;
    v.type = REG_SZ;
    v.data.resize((text.size() + 1) * sizeof(wchar_t));
    std::memcpy(v.data.data(), text.c_str(), v.data.size());
    return v;
}

bool Install(const Setup& setup) {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    for (auto& r : w.requests) r->done = true;  // an earlier world's requests: never touched again
    w.requests.clear();
    w.changed.notify_all();
    w.setup = setup;
    w.log = Log{};
    w.devices.clear();
    return WriteRegistry(setup.entries);
}

const UsbApi& Api() { return kSimulatedApi; }

Log Snapshot() {
    World& w = TheWorld();
    std::lock_guard<std::mutex> hold(w.lock);
    Log copy = w.log;
    copy.abandonedRequests = 0;
    for (auto& r : w.requests)
        if (!r->done && !EventStillOpen(r->event)) ++copy.abandonedRequests;
    return copy;
}

std::wstring ClassKeyPath() { return ClassKeyPathFor(::GetCurrentProcessId()); }

}  // namespace usbsim
