// What the parallel-port printer simulator (a stand-in winio.dll) tells
// the tests about itself, through its extra entry point
// WinIoSimulatorGetStats.  The program never calls it.
#pragma once
#include <cstdint>

struct WinIoSimulatorStats {
    uint32_t size;  // set by the caller to sizeof(WinIoSimulatorStats)
    uint32_t initializeCalls;
    uint32_t initializeSucceeded;
    uint32_t shutdownCalls;
    uint32_t shutdownWhileClosed;  // ShutdownWinIo with no open access
    uint32_t initializeWhileOpen;  // InitializeWinIo twice without a shutdown
    uint32_t open;                 // 1 while access is open
    uint32_t reserved;
    uint64_t statusReads;
    uint64_t dataWrites;
    uint64_t controlWrites;
    uint64_t bytesLatched;       // bytes the printer took
    uint64_t strobesWhileBusy;   // bytes strobed while the printer was busy: lost
    uint64_t accessWhileClosed;  // register calls with no open access
    uint64_t badCalls;           // other ports, sizes other than 1, other control values
};

// extern "C" void __stdcall WinIoSimulatorGetStats(WinIoSimulatorStats* out);
using WinIoSimulatorGetStatsFn = void(__stdcall*)(WinIoSimulatorStats* out);

// Name of the configuration file next to the DLL, its section and keys.
#define WINIO_SIMULATOR_INI L"winio-simulator.ini"
#define WINIO_SIMULATOR_SECTION L"Simulator"
#define WINIO_SIMULATOR_DEFAULT_CAPTURE L"winio-simulator-capture.bin"
#define WINIO_SIMULATOR_STATS_FILE L"winio-simulator-stats.ini"
