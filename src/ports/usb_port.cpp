#include "ports/usb_port.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "core/device_id.h"
#include "core/usb_names.h"
#include "win/text_conversion.h"

namespace {

// Member indexes 0 to 126 of the present-interface list are looked at.
constexpr DWORD kMaxInterfaces = 127;
// A detail record larger than this is not a device path.
constexpr DWORD kMaxDetailBytes = 64 * 1024;
// Bound of the registry walk, reached only when the class key keeps failing
// to enumerate without ever saying it has no more entries.
constexpr DWORD kMaxEntries = 10000;
// A registry value is queried into this many bytes; more than
// kMaxValueBytes of it counts as unreadable.
constexpr DWORD kValueQueryBytes = 520;
constexpr DWORD kMaxValueBytes = 256;

// The present-interface list, destroyed through the table that made it.
class DevInfoList {
public:
    DevInfoList(const UsbApi& api, HDEVINFO set) : api_(api), set_(set) {}
    ~DevInfoList() {
        if (*this) api_.SetupDiDestroyDeviceInfoList(set_);
    }
    DevInfoList(const DevInfoList&) = delete;
    DevInfoList& operator=(const DevInfoList&) = delete;
    explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
    HDEVINFO get() const { return set_; }

private:
    const UsbApi& api_;
    HDEVINFO set_;
};

// The device path of one interface, or false when its detail cannot be read.
bool ReadDevicePath(const UsbApi& api, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, std::wstring& path) {
    DWORD required = 0;
    api.SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
    const DWORD pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (required <= pathOffset || required > kMaxDetailBytes) return false;
    // DWORD elements keep the record aligned as Windows expects.
    std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!api.SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) return false;
    const size_t maxChars = (required - pathOffset) / sizeof(wchar_t);
    path.assign(detail->DevicePath, wcsnlen(detail->DevicePath, maxChars));
    return !path.empty();
}

// One device ID request: its OVERLAPPED record, event and the buffer the
// driver writes into live together, so that a request the driver never
// ends can be left to it whole instead of being freed under it.
struct DeviceIdRequest {
    explicit DeviceIdRequest(DWORD capacity) : data(capacity) {}
    OVERLAPPED overlapped{};
    win::UniqueHandle event;
    std::vector<BYTE> data;
};

}  // namespace

CUSBPort::CUSBPort(const UsbApi& api) : m_api(&api) {}

CUSBPort::~CUSBPort() = default;

bool CUSBPort::OpenPrinterDevice(std::wstring& vid, std::wstring& pid) {
    CloseDevice();
    const UsbApi& api = *m_api;
    DevInfoList list(api, api.SetupDiGetClassDevsW(&kGuidDevinterfaceUsbPrint, nullptr, nullptr,
                                                   DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list) return false;
    for (DWORD index = 0; index < kMaxInterfaces; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!api.SetupDiEnumDeviceInterfaces(list.get(), nullptr, &kGuidDevinterfaceUsbPrint, index, &data))
            return false;
        std::wstring path;
        if (!ReadDevicePath(api, list.get(), data, path)) continue;
        win::UniqueFile device(api.CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_OVERLAPPED, nullptr));
        if (!device) continue;
        std::wstring v, p;
        if (!core::ParseVidPid(path, v, p)) continue;  // `device` closes it
        m_hDevice = std::move(device);
        vid = std::move(v);
        pid = std::move(p);
        return true;
    }
    return false;
}

bool CUSBPort::GetUsbPortName(std::wstring& portName) {
    std::wstring vid, pid;
    if (!OpenPrinterDevice(vid, pid)) return false;
    const bool linkedTest = !IsWindows8OrLater();
    wchar_t text[kValueChars];
    for (DWORD index = 0; index < kMaxEntries; ++index) {
        ReadResult read;
        if (linkedTest) {
            read = ReadInterfaceValue(Lookup::Linked, index, text);
            if (read == ReadResult::NoMoreEntries || read == ReadResult::NoClassKey) return false;
            if (read != ReadResult::Value || std::wcscmp(text, L"1") != 0) continue;
        }
        read = ReadInterfaceValue(Lookup::DeviceInstance, index, text);
        if (read == ReadResult::NoMoreEntries || read == ReadResult::NoClassKey) return false;
        if (read != ReadResult::Value) continue;
        std::wstring entryVid, entryPid;
        if (!core::ParseVidPid(text, entryVid, entryPid) || entryVid != vid || entryPid != pid) continue;
        // The first matching entry decides, whatever follows it.
        int number = 0;
        if (ReadInterfaceValue(Lookup::PortNumber, index, text) != ReadResult::Value ||
            !core::ParsePortNumber(text, number))
            return false;
        portName = core::UsbPortName(number);
        return true;
    }
    return false;
}

bool CUSBPort::CloseDevice() {
    if (!m_hDevice) return false;
    m_hDevice.reset();
    return true;
}

CUSBPort::ReadResult CUSBPort::ReadInterfaceValue(Lookup lookup, DWORD index, wchar_t (&text)[kValueChars]) const {
    text[0] = L'\0';
    HKEY opened = m_api->SetupDiOpenClassRegKeyExW(&kGuidDevinterfaceUsbPrint, KEY_READ, DIOCR_INTERFACE, nullptr,
                                                   nullptr);
    if (opened == nullptr || opened == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) return ReadResult::NoClassKey;
    win::UniqueKey classKey(opened);

    wchar_t name[256];
    DWORD nameChars = static_cast<DWORD>(std::size(name));
    LSTATUS status = ::RegEnumKeyExW(classKey.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ReadResult::NoMoreEntries;
    if (status != ERROR_SUCCESS) return ReadResult::Unreadable;

    std::wstring_view subKeys;
    const wchar_t* valueName = nullptr;
    switch (lookup) {
        case Lookup::Linked:
            subKeys = std::wstring_view(L"#\0Control\0", 10);
            valueName = L"Linked";
            break;
        case Lookup::DeviceInstance:
            valueName = L"DeviceInstance";
            break;
        case Lookup::PortNumber:
            subKeys = std::wstring_view(L"#\0Device Parameters\0", 20);
            valueName = L"Port Number";
            break;
    }
    // The entry's name, then the lookup's sub-keys, each zero-terminated,
    // and an empty name to close the list.
    wchar_t chain[256];
    const size_t nameLen = nameChars;
    if (nameLen + 1 + subKeys.size() + 1 > std::size(chain)) return ReadResult::Unreadable;
    std::wmemcpy(chain, name, nameLen);
    chain[nameLen] = L'\0';
    std::wmemcpy(chain + nameLen + 1, subKeys.data(), subKeys.size());
    chain[nameLen + 1 + subKeys.size()] = L'\0';
    win::UniqueKey key = OpenKeyChain(classKey.get(), chain);
    if (!key) return ReadResult::Unreadable;

    alignas(DWORD) BYTE data[kValueQueryBytes];
    DWORD type = 0;
    DWORD size = sizeof data;
    status = ::RegQueryValueExW(key.get(), valueName, nullptr, &type, data, &size);
    if (status != ERROR_SUCCESS || size > kMaxValueBytes) return ReadResult::Unreadable;
    if (type == REG_DWORD) {
        if (size != sizeof(DWORD)) return ReadResult::Unreadable;
        DWORD value;
        std::memcpy(&value, data, sizeof value);
        std::swprintf(text, kValueChars, L"%d", static_cast<int>(value));
    } else {
        // Taken as stored; the text ends at its own zero or the data's end.
        const size_t chars = std::min<size_t>(size / sizeof(wchar_t), kValueChars - 1);
        std::memcpy(text, data, chars * sizeof(wchar_t));
        text[chars] = L'\0';
    }
    return ReadResult::Value;
}

win::UniqueKey CUSBPort::OpenKeyChain(HKEY start, const wchar_t* names) {
    win::UniqueKey current;
    for (const wchar_t* name = names; *name; name += std::wcslen(name) + 1) {
        HKEY next = nullptr;
        if (::RegOpenKeyExW(current ? current.get() : start, name, 0, KEY_READ, &next) != ERROR_SUCCESS)
            return {};
        current.reset(next);
    }
    return current;
}

bool CUSBPort::IsWindows8OrLater() const {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!m_api->GetVersionExW(&info)) return false;
    return core::IsWindows8OrLater(info.dwMajorVersion, info.dwMinorVersion);
}

bool CUSBPort::GetDeviceId(BYTE* buffer, DWORD capacity, DWORD& bytesReturned) {
    bytesReturned = 0;
    if (!m_hDevice || !buffer || capacity == 0) return false;
    const HANDLE device = m_hDevice.get();
    auto request = std::unique_ptr<DeviceIdRequest>(new (std::nothrow) DeviceIdRequest(capacity));
    if (!request) return false;
    request->event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!request->event) return false;
    request->overlapped.hEvent = request->event.get();

    DWORD transferred = 0;
    if (!m_api->DeviceIoControl(device, kIoctlUsbPrintGet1284Id, nullptr, 0, request->data.data(), capacity,
                                &transferred, &request->overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        if (::WaitForSingleObject(request->event.get(), kDeviceIdWaitMs) != WAIT_OBJECT_0) {
            // The request is still the driver's: take it back before its
            // record, event and buffer go.  ERROR_NOT_FOUND from CancelIoEx
            // only means it ended meanwhile; its event says so either way.
            m_api->CancelIoEx(device, &request->overlapped);
            if (::WaitForSingleObject(request->event.get(), kCancelWaitMs) == WAIT_OBJECT_0) {
                m_api->GetOverlappedResult(device, &request->overlapped, &transferred, TRUE);
            } else {
                // A driver that ignores the cancellation may still write
                // into the request: it is left to it rather than freed.
                (void)request.release();
            }
            return false;
        }
    }
    if (!m_api->GetOverlappedResult(device, &request->overlapped, &transferred, TRUE)) return false;
    if (transferred > capacity) return false;
    std::memcpy(buffer, request->data.data(), transferred);
    bytesReturned = transferred;
    return true;
}

bool CUSBPort::ReadMakeAndModel(char* buffer, size_t capacity, size_t& length) {
    length = 0;
    if (!buffer || capacity == 0) return false;
    buffer[0] = '\0';
    std::array<BYTE, core::kDeviceIdBytes> id{};
    DWORD returned = 0;
    if (!GetDeviceId(id.data(), static_cast<DWORD>(id.size()), returned)) return false;
    return core::ReadMakeAndModel(core::DeviceIdText(id.data(), returned), buffer, capacity, length);
}

bool CUSBPort::GetMakeAndModel(std::wstring& makeAndModel) {
    char bytes[core::kMakeAndModelBytes];
    size_t length = 0;
    if (!ReadMakeAndModel(bytes, sizeof bytes, length)) return false;
    std::wstring wide = win::ToWide(CP_ACP, std::string_view(bytes, length));
    if (!core::IsMakersOwnPrinter(wide)) return false;
    makeAndModel = std::move(wide);
    return true;
}

std::wstring CUSBPort::ReadDeviceIdModel() {
    std::array<BYTE, core::kDeviceIdBytes> id{};
    DWORD returned = 0;
    // A failed read leaves the buffer zero: an empty ID, so no model.
    if (!GetDeviceId(id.data(), static_cast<DWORD>(id.size()), returned)) return {};
    return core::ModelAfterMdlKey(win::ToWide(CP_THREAD_ACP, core::DeviceIdText(id.data(), returned)));
}

bool ReenumerateDevices(const UsbApi& api) {
    DEVINST root = 0;
    if (api.CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return false;
    return api.CM_Reenumerate_DevNode(root, CM_REENUMERATE_NORMAL) == CR_SUCCESS;
}
