#include "firmware/lpt_port.h"

#include <utility>
#include <vector>

#include "core/lpt_transfer.h"
#include "win/module_path.h"

namespace {

constexpr wchar_t kLibraryName[] = L"winio.dll";
constexpr wchar_t kDriverName[] = L"winio.sys";

std::wstring WithBackslash(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    return dir;
}

std::wstring SystemDirectory() {
    std::vector<wchar_t> buf(MAX_PATH);
    UINT n = ::GetSystemDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
    if (n >= buf.size()) {
        buf.resize(n + 1);
        n = ::GetSystemDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
    }
    if (n == 0 || n >= buf.size()) return {};
    return WithBackslash(std::wstring(buf.data(), n));
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE LoadByFullPath(const std::wstring& path) {
    // What the library itself imports comes from the system folder, as every
    // library of the program does; its own folder may be the program's.
    return ::LoadLibraryW(path.c_str());
}

template <class Fn>
Fn EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The transfer's view of the port: the three register functions.
uint16_t ReadStatusOf(void* port) { return static_cast<CLPTPort*>(port)->ReadStatus(); }
void WriteDataOf(void* port, uint8_t v) { static_cast<CLPTPort*>(port)->WriteData(v); }
void WriteControlOf(void* port, uint8_t v) { static_cast<CLPTPort*>(port)->WriteControl(v); }

}  // namespace

CLPTPort::CLPTPort() { LoadWinIo(); }

CLPTPort::CLPTPort(WinIoPlaces places)
    : m_places(WinIoPlaces{WithBackslash(std::move(places.systemDirectory)),
                           WithBackslash(std::move(places.programDirectory))}) {
    LoadWinIo();
}

CLPTPort::~CLPTPort() {
    Close();
    UnloadWinIo();
}

WinIoPlaces CLPTPort::Places() const {
    if (m_places) return *m_places;
    return WinIoPlaces{SystemDirectory(), win::ModuleDirectory()};
}

void CLPTPort::LoadWinIo() {
    if (m_hWinIo) return;
    const WinIoPlaces places = Places();
    if (!places.systemDirectory.empty()) {
        const std::wstring path = places.systemDirectory + kLibraryName;
        if (IsFile(path)) m_hWinIo.reset(LoadByFullPath(path));
    }
    if (!m_hWinIo && !places.programDirectory.empty()) {
        const std::wstring path = places.programDirectory + kLibraryName;
        if (IsFile(path)) m_hWinIo.reset(LoadByFullPath(path));
    }
    if (!m_hWinIo) return;

    // The driver file belongs next to the program; one already there is
    // never replaced, and a failed copy shows up later as a failed start.
    if (!places.programDirectory.empty() && !places.systemDirectory.empty()) {
        const std::wstring driver = places.programDirectory + kDriverName;
        if (!IsFile(driver))
            ::CopyFileW((places.systemDirectory + kDriverName).c_str(), driver.c_str(), TRUE /* fail if exists */);
    }

    HMODULE module = m_hWinIo.get();
    m_pfnInitialize = EntryPoint<InitializeFn>(module, "InitializeWinIo");
    m_pfnShutdown = EntryPoint<ShutdownFn>(module, "ShutdownWinIo");
    m_pfnGetPortVal = EntryPoint<GetPortValFn>(module, "GetPortVal");
    m_pfnSetPortVal = EntryPoint<SetPortValFn>(module, "SetPortVal");
}

void CLPTPort::UnloadWinIo() {
    m_pfnInitialize = nullptr;
    m_pfnShutdown = nullptr;
    m_pfnGetPortVal = nullptr;
    m_pfnSetPortVal = nullptr;
    m_hWinIo.reset();
}

bool CLPTPort::Open() {
    // A new download starts from nothing: neither the last one's stop
    // request nor its final percentage carries over.
    m_bStopRequested.store(false);
    m_nProgress.store(0);
    if (!m_hWinIo) LoadWinIo();
    if (m_bInitialized) return true;  // already open: one shutdown will do for both
    if (Initialize() == 0) return false;
    SetBaseAddress(kFirstPortBase);
    return true;
}

void CLPTPort::Close() {
    if (!m_bInitialized) return;
    Shutdown();
    m_bInitialized = 0;
}

int32_t CLPTPort::Initialize() {
    m_bInitialized = (m_hWinIo && m_pfnInitialize && m_pfnInitialize()) ? 1 : 0;
    return m_bInitialized;
}

void CLPTPort::Shutdown() {
    if (m_hWinIo && m_pfnShutdown) m_pfnShutdown();
}

void CLPTPort::SetBaseAddress(uint16_t base) {
    m_wDataPort = base;
    m_wStatusPort = static_cast<uint16_t>(base + 1);
    m_wControlPort = static_cast<uint16_t>(base + 2);
}

uint16_t CLPTPort::ReadStatus() {
    DWORD value = 0;
    if (m_pfnGetPortVal) m_pfnGetPortVal(m_wStatusPort, &value, 1);
    return static_cast<uint16_t>(value & 0xFFFF);
}

void CLPTPort::WriteData(uint8_t value) {
    if (m_pfnSetPortVal) m_pfnSetPortVal(m_wDataPort, value, 1);
}

void CLPTPort::WriteControl(uint8_t value) {
    if (m_pfnSetPortVal) m_pfnSetPortVal(m_wControlPort, value, 1);
}

bool CLPTPort::WaitReady() {
    const core::LptRegisterOps ops{this, &ReadStatusOf, &WriteDataOf, &WriteControlOf};
    return core::WaitLptReady(ops, core::kLptWaitReadyReads);
}

bool CLPTPort::SendByte(uint8_t value) {
    const core::LptRegisterOps ops{this, &ReadStatusOf, &WriteDataOf, &WriteControlOf};
    return core::SendLptByte(ops, value, &m_bStopRequested);
}

bool CLPTPort::SendBuffer(const uint8_t* data, uint32_t count) {
    const core::LptRegisterOps ops{this, &ReadStatusOf, &WriteDataOf, &WriteControlOf};
    return core::SendLptBuffer(ops, data, count, m_nProgress, &m_bStopRequested);
}
