// SIMULATOR, not a driver: a stand-in winio.dll that emulates the first
// parallel port (registers 0x378 to 0x37A) with a printer in download mode
// behind it, for the tests and the demonstration medium.  It captures the
// bytes the printer takes into a file.  See README.md next to this file.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "winio_simulator.h"
#include "simulator_marker.h"

PI_SIMULATOR_MARKER("the parallel-port printer behind a stand-in winio.dll");

namespace {

constexpr WORD kData = 0x378, kStatus = 0x379, kControl = 0x37A;
// Status register as the port presents it: bit 7 is BUSY inverted (1: not
// busy), bit 4 SELECT, bit 3 nERROR; bit 6 acknowledge idle and the three
// reserved bits read 1, as many real ports show them.
constexpr DWORD kStatusReady = 0x80 | 0x40 | 0x10 | 0x08 | 0x07;
constexpr DWORD kStatusBusy = 0x40 | 0x10 | 0x08 | 0x07;
// No printer: nothing selected, error line active, busy.
constexpr DWORD kStatusAbsent = 0x07;

struct Config {
    bool initializeFails = false;
    bool absent = false;
    uint32_t busyReads = 0;
    int64_t stallAfterBytes = -1;  // -1: never
    std::wstring captureFile;      // empty: no capture
};

HMODULE g_module = nullptr;
Config g_config;
std::atomic<bool> g_open{false};
uint8_t g_dataLatch = 0;
uint8_t g_control = 0x04;
uint32_t g_busyRemaining = 0;
uint64_t g_taken = 0;  // bytes taken since the last InitializeWinIo

HANDLE g_capture = INVALID_HANDLE_VALUE;
uint8_t g_captureBuffer[64 * 1024];
size_t g_captureUsed = 0;

struct Counters {
    std::atomic<uint32_t> initializeCalls{0}, initializeSucceeded{0}, shutdownCalls{0}, shutdownWhileClosed{0},
        initializeWhileOpen{0};
    std::atomic<uint64_t> statusReads{0}, dataWrites{0}, controlWrites{0}, bytesLatched{0}, strobesWhileBusy{0},
        accessWhileClosed{0}, badCalls{0};
} g_counters;

void Bump(std::atomic<uint64_t>& c) { c.fetch_add(1, std::memory_order_relaxed); }

std::wstring ModuleDirectory() {
    wchar_t buf[MAX_PATH * 4] = {};
    DWORD n = ::GetModuleFileNameW(g_module, buf, static_cast<DWORD>(std::size(buf)));
    std::wstring path(buf, n < std::size(buf) ? n : 0);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::wstring& p) {
    return (p.size() >= 2 && p[1] == L':') || (!p.empty() && (p[0] == L'\\' || p[0] == L'/'));
}

// Environment variables override the file, so a test can change one thing
// without writing the file.
bool EnvValue(const wchar_t* name, std::wstring& out) {
    wchar_t buf[1024];
    DWORD n = ::GetEnvironmentVariableW(name, buf, static_cast<DWORD>(std::size(buf)));
    if (n == 0 || n >= std::size(buf)) return false;
    out.assign(buf, n);
    return true;
}

int64_t IniNumber(const std::wstring& ini, const wchar_t* key, const wchar_t* env, int64_t fallback) {
    std::wstring text;
    if (!EnvValue(env, text)) {
        wchar_t buf[64] = {};
        ::GetPrivateProfileStringW(WINIO_SIMULATOR_SECTION, key, L"", buf, 64, ini.c_str());
        text = buf;
    }
    if (text.empty()) return fallback;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(text.c_str(), &end, 10);
    return end && *end == L'\0' ? v : fallback;
}

Config ReadConfig() {
    const std::wstring dir = ModuleDirectory();
    const std::wstring ini = dir + WINIO_SIMULATOR_INI;
    Config c;
    c.initializeFails = IniNumber(ini, L"InitializeFails", L"WINIO_SIMULATOR_INITIALIZE_FAILS", 0) != 0;
    c.absent = IniNumber(ini, L"Absent", L"WINIO_SIMULATOR_ABSENT", 0) != 0;
    const int64_t busy = IniNumber(ini, L"BusyReads", L"WINIO_SIMULATOR_BUSY_READS", 0);
    c.busyReads = busy < 0 ? 0 : busy > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(busy);
    c.stallAfterBytes = IniNumber(ini, L"StallAfterBytes", L"WINIO_SIMULATOR_STALL_AFTER_BYTES", -1);
    std::wstring capture;
    if (!EnvValue(L"WINIO_SIMULATOR_CAPTURE_FILE", capture)) {
        wchar_t buf[MAX_PATH * 4] = {};
        ::GetPrivateProfileStringW(WINIO_SIMULATOR_SECTION, L"CaptureFile", WINIO_SIMULATOR_DEFAULT_CAPTURE, buf,
                                   static_cast<DWORD>(std::size(buf)), ini.c_str());
        capture = buf;
    }
    if (capture == L"none" || capture.empty()) c.captureFile.clear();
    else c.captureFile = IsAbsolute(capture) ? capture : dir + capture;
    return c;
}

void FlushCapture() {
    if (g_capture != INVALID_HANDLE_VALUE && g_captureUsed > 0) {
        DWORD written = 0;
        ::WriteFile(g_capture, g_captureBuffer, static_cast<DWORD>(g_captureUsed), &written, nullptr);
    }
    g_captureUsed = 0;
}

void CloseCapture() {
    FlushCapture();
    if (g_capture != INVALID_HANDLE_VALUE) ::CloseHandle(g_capture);
    g_capture = INVALID_HANDLE_VALUE;
}

void Capture(uint8_t byte) {
    if (g_capture == INVALID_HANDLE_VALUE) return;
    if (g_captureUsed == sizeof g_captureBuffer) FlushCapture();
    g_captureBuffer[g_captureUsed++] = byte;
}

// A plain text summary next to the DLL, for tests that drive the program
// from outside its process.
void WriteStatsFile() {
    const std::wstring path = ModuleDirectory() + WINIO_SIMULATOR_STATS_FILE;
    char text[1024];
    int n = std::snprintf(
        text, sizeof text,
        "[Stats]\r\nInitializeCalls=%u\r\nInitializeSucceeded=%u\r\nShutdownCalls=%u\r\nShutdownWhileClosed=%u\r\n"
        "InitializeWhileOpen=%u\r\nOpen=%d\r\nStatusReads=%llu\r\nBytesLatched=%llu\r\nStrobesWhileBusy=%llu\r\n"
        "AccessWhileClosed=%llu\r\nBadCalls=%llu\r\n",
        g_counters.initializeCalls.load(), g_counters.initializeSucceeded.load(), g_counters.shutdownCalls.load(),
        g_counters.shutdownWhileClosed.load(), g_counters.initializeWhileOpen.load(), g_open ? 1 : 0,
        static_cast<unsigned long long>(g_counters.statusReads.load()),
        static_cast<unsigned long long>(g_counters.bytesLatched.load()),
        static_cast<unsigned long long>(g_counters.strobesWhileBusy.load()),
        static_cast<unsigned long long>(g_counters.accessWhileClosed.load()),
        static_cast<unsigned long long>(g_counters.badCalls.load()));
    if (n <= 0) return;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(f, text, static_cast<DWORD>(n), &written, nullptr);
    ::CloseHandle(f);
}

bool PrinterBusy() {
    if (g_config.absent) return true;
    if (g_config.stallAfterBytes >= 0 && g_taken >= static_cast<uint64_t>(g_config.stallAfterBytes)) return true;
    return g_busyRemaining > 0;
}

DWORD ReadStatusRegister() {
    Bump(g_counters.statusReads);
    if (g_config.absent) return kStatusAbsent;
    if (PrinterBusy()) {
        if (g_busyRemaining > 0) --g_busyRemaining;
        return kStatusBusy;
    }
    return kStatusReady;
}

void WriteControlRegister(uint8_t value) {
    Bump(g_counters.controlWrites);
    if (value != 0x04 && value != 0x05) Bump(g_counters.badCalls);
    const bool released = (g_control & 0x01) && !(value & 0x01);
    g_control = value;
    if (!released) return;
    // The falling strobe: the printer latches the data register, unless it
    // is busy, when a real printer would lose the byte.
    if (PrinterBusy()) {
        Bump(g_counters.strobesWhileBusy);
        return;
    }
    Capture(g_dataLatch);
    ++g_taken;
    Bump(g_counters.bytesLatched);
    g_busyRemaining = g_config.busyReads;
}

// Counts and refuses the calls a port with no open access, or a register
// access of another size than one byte, would not take.
bool Admit(BYTE size) {
    if (!g_open) {
        Bump(g_counters.accessWhileClosed);
        return false;
    }
    if (size != 1) {
        Bump(g_counters.badCalls);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

__declspec(dllexport) bool __stdcall InitializeWinIo() {
    g_counters.initializeCalls.fetch_add(1);
    if (g_open) {
        g_counters.initializeWhileOpen.fetch_add(1);
        return true;
    }
    g_config = ReadConfig();
    if (g_config.initializeFails) {
        WriteStatsFile();
        return false;
    }
    g_open = true;
    g_counters.initializeSucceeded.fetch_add(1);
    g_dataLatch = 0;
    g_control = 0x04;
    g_busyRemaining = 0;
    g_taken = 0;
    CloseCapture();
    if (!g_config.captureFile.empty()) {
        // Every session starts a new capture; readers may look while it grows.
        g_capture = ::CreateFileW(g_config.captureFile.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    WriteStatsFile();
    return true;
}

__declspec(dllexport) void __stdcall ShutdownWinIo() {
    g_counters.shutdownCalls.fetch_add(1);
    if (!g_open) g_counters.shutdownWhileClosed.fetch_add(1);
    g_open = false;
    CloseCapture();
    WriteStatsFile();
}

__declspec(dllexport) bool __stdcall GetPortVal(WORD port, PDWORD value, BYTE size) {
    if (!value) {
        Bump(g_counters.badCalls);
        return false;
    }
    *value = 0;
    if (!Admit(size)) return false;
    switch (port) {
    case kData:
        *value = g_dataLatch;
        return true;
    case kStatus:
        *value = ReadStatusRegister();
        return true;
    case kControl:
        *value = g_control;
        return true;
    default:
        Bump(g_counters.badCalls);
        *value = 0xFF;
        return false;
    }
}

__declspec(dllexport) bool __stdcall SetPortVal(WORD port, DWORD value, BYTE size) {
    if (!Admit(size)) return false;
    switch (port) {
    case kData:
        Bump(g_counters.dataWrites);
        g_dataLatch = static_cast<uint8_t>(value & 0xFF);
        return true;
    case kControl:
        WriteControlRegister(static_cast<uint8_t>(value & 0xFF));
        return true;
    default:
        Bump(g_counters.badCalls);
        return false;
    }
}

__declspec(dllexport) void __stdcall WinIoSimulatorGetStats(WinIoSimulatorStats* out) {
    if (!out || out->size < sizeof(WinIoSimulatorStats)) return;
    out->initializeCalls = g_counters.initializeCalls.load();
    out->initializeSucceeded = g_counters.initializeSucceeded.load();
    out->shutdownCalls = g_counters.shutdownCalls.load();
    out->shutdownWhileClosed = g_counters.shutdownWhileClosed.load();
    out->initializeWhileOpen = g_counters.initializeWhileOpen.load();
    out->open = g_open ? 1 : 0;
    out->reserved = 0;
    out->statusReads = g_counters.statusReads.load();
    out->dataWrites = g_counters.dataWrites.load();
    out->controlWrites = g_counters.controlWrites.load();
    out->bytesLatched = g_counters.bytesLatched.load();
    out->strobesWhileBusy = g_counters.strobesWhileBusy.load();
    out->accessWhileClosed = g_counters.accessWhileClosed.load();
    out->badCalls = g_counters.badCalls.load();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Whatever happened after the last shutdown (a late register access)
        // still reaches the summary.
        CloseCapture();
        WriteStatsFile();
    }
    return TRUE;
}

}  // extern "C"
