// Direct access to the first parallel port's registers through the port I/O
// library winio.dll, and the byte-by-byte firmware transfer over them.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "win/unique.h"

// Where the port I/O library is looked for.  Both directories end with a
// backslash.  The program itself asks Windows; tests name their own folders.
struct WinIoPlaces {
    std::wstring systemDirectory;
    std::wstring programDirectory;
};

class CLPTPort {
public:
    // Looks in the Windows system directory, then next to the program.
    CLPTPort();
    explicit CLPTPort(WinIoPlaces places);
    ~CLPTPort();
    CLPTPort(const CLPTPort&) = delete;
    CLPTPort& operator=(const CLPTPort&) = delete;

    // Loads winio.dll (system directory first) and puts winio.sys next to
    // the program when it is missing there.  Leaves the library unloaded
    // when neither directory has it.
    void LoadWinIo();
    // Opens direct port access on the port at 0x378; loads the library
    // first if the constructor could not.  Clears an earlier stop request
    // and the last transfer's percentage.
    bool Open();
    // Ends direct port access if it is open; harmless when it is not.
    void Close();
    int32_t Initialize();
    void Shutdown();
    void SetBaseAddress(uint16_t base);

    uint16_t ReadStatus();
    void WriteData(uint8_t value);
    void WriteControl(uint8_t value);

    // Up to 100000 status reads; true at the first that shows a printer
    // ready to take a byte.
    bool WaitReady();
    // Waits for the printer, writes the byte and pulses the strobe.  False
    // only when RequestStop ended the wait.
    bool SendByte(uint8_t value);
    // Sends the bytes in order, keeping GetProgress at the whole percent
    // sent (exactly 100 only after the last byte).  False when stopped.
    bool SendBuffer(const uint8_t* data, uint32_t count);
    // The percentage of the current buffer sent; safe from any thread.
    uint8_t GetProgress() const { return m_nProgress.load(); }

    // Asked from another thread when a transfer is given up: the transfer
    // stops waiting for the printer and touches no register afterwards.
    void RequestStop() { m_bStopRequested.store(true); }
    bool StopRequested() const { return m_bStopRequested.load(); }

    bool IsLoaded() const { return static_cast<bool>(m_hWinIo); }
    bool IsOpen() const { return m_bInitialized != 0; }
    HMODULE Library() const { return m_hWinIo.get(); }
    uint16_t DataPort() const { return m_wDataPort; }
    uint16_t StatusPort() const { return m_wStatusPort; }
    uint16_t ControlPort() const { return m_wControlPort; }

    static constexpr uint16_t kFirstPortBase = 0x378;

private:
    WinIoPlaces Places() const;
    void UnloadWinIo();

    std::atomic<uint8_t> m_nProgress{0};
    uint16_t m_wDataPort = 0;
    uint16_t m_wStatusPort = 0;
    uint16_t m_wControlPort = 0;
    int32_t m_bInitialized = 0;
    win::UniqueModule m_hWinIo;

    // The library's entry points, looked up by name when it is loaded; null
    // for any it does not have.
    using InitializeFn = bool(__stdcall*)();
    using ShutdownFn = void(__stdcall*)();
    using GetPortValFn = bool(__stdcall*)(WORD port, PDWORD value, BYTE size);
    using SetPortValFn = bool(__stdcall*)(WORD port, DWORD value, BYTE size);
    InitializeFn m_pfnInitialize = nullptr;
    ShutdownFn m_pfnShutdown = nullptr;
    GetPortValFn m_pfnGetPortVal = nullptr;
    SetPortValFn m_pfnSetPortVal = nullptr;

    std::atomic<bool> m_bStopRequested{false};
    std::optional<WinIoPlaces> m_places;
};
