// Prints how fast a buffer goes through CLPTPort::SendBuffer to the
// parallel-port printer simulator, and how fast the simulator's own register
// calls go when made directly (the four calls one byte needs), as a ratio.
// A third figure shows what looking each entry point up by name before
// every call would cost.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "firmware/lpt_port.h"
#include "sim/winio_simulator.h"

namespace {

using GetPortValFn = bool(__stdcall*)(WORD, PDWORD, BYTE);
using SetPortValFn = bool(__stdcall*)(WORD, DWORD, BYTE);

std::wstring ExeDir() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

std::wstring SystemDir() {
    wchar_t buf[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(buf, MAX_PATH);
    return std::wstring(buf, n < MAX_PATH ? n : 0) + L"\\";
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

template <class Fn>
Fn Lookup(HMODULE m, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m, name)));
}

uint64_t BytesLatched(HMODULE m) {
    WinIoSimulatorStats s{};
    s.size = sizeof(s);
    if (auto get = Lookup<WinIoSimulatorGetStatsFn>(m, "WinIoSimulatorGetStats")) get(&s);
    return s.bytesLatched;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const uint32_t count = argc > 1 ? static_cast<uint32_t>(std::wcstoul(argv[1], nullptr, 10)) : 4u << 20;
    const int rounds = 3;
    // A printer that is always ready and a capture that goes nowhere, so the
    // figures are the cost of the calls alone.
    ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_BUSY_READS", L"0");
    ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_STALL_AFTER_BYTES", L"-1");
    ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_ABSENT", L"0");
    ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_INITIALIZE_FAILS", L"0");
    ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_CAPTURE_FILE", L"none");

    CLPTPort port(WinIoPlaces{SystemDir(), ExeDir() + L"..\\sim\\"});
    if (!port.Open()) {
        std::fprintf(stderr, "the simulator's winio.dll was not found or did not start\n");
        return 1;
    }
    HMODULE sim = port.Library();
    auto getPortVal = Lookup<GetPortValFn>(sim, "GetPortVal");
    auto setPortVal = Lookup<SetPortValFn>(sim, "SetPortVal");
    if (!getPortVal || !setPortVal) return 1;

    std::vector<uint8_t> buffer(count);
    for (uint32_t i = 0; i < count; ++i) buffer[i] = static_cast<uint8_t>(i * 131u + 7u);

    double bestSend = 1e99, bestRaw = 1e99, bestLookup = 1e99;
    uint64_t latchedBySend = 0, latchedByRaw = 0;
    for (int r = 0; r < rounds; ++r) {
        uint64_t before = BytesLatched(sim);
        auto t0 = std::chrono::steady_clock::now();
        if (!port.SendBuffer(buffer.data(), count)) return 1;
        bestSend = std::min(bestSend, Seconds(t0));
        latchedBySend = BytesLatched(sim) - before;

        before = BytesLatched(sim);
        t0 = std::chrono::steady_clock::now();
        for (uint32_t i = 0; i < count; ++i) {
            DWORD status = 0;
            getPortVal(0x379, &status, 1);
            setPortVal(0x378, buffer[i], 1);
            setPortVal(0x37A, 0x05, 1);
            setPortVal(0x37A, 0x04, 1);
        }
        bestRaw = std::min(bestRaw, Seconds(t0));
        latchedByRaw = BytesLatched(sim) - before;

        t0 = std::chrono::steady_clock::now();
        for (uint32_t i = 0; i < count; ++i) {
            DWORD status = 0;
            Lookup<GetPortValFn>(sim, "GetPortVal")(0x379, &status, 1);
            Lookup<SetPortValFn>(sim, "SetPortVal")(0x378, buffer[i], 1);
            Lookup<SetPortValFn>(sim, "SetPortVal")(0x37A, 0x05, 1);
            Lookup<SetPortValFn>(sim, "SetPortVal")(0x37A, 0x04, 1);
        }
        bestLookup = std::min(bestLookup, Seconds(t0));
    }
    port.Close();

    const double sendRate = count / bestSend, rawRate = count / bestRaw, lookupRate = count / bestLookup;
    std::printf("bytes per run: %u, best of %d runs\n", count, rounds);
    std::printf("SendBuffer through CLPTPort:            %10.0f bytes/s  (%.3f s, %llu bytes taken)\n", sendRate,
                bestSend, static_cast<unsigned long long>(latchedBySend));
    std::printf("raw register calls, 4 per byte:         %10.0f bytes/s  (%.3f s, %.0f calls/s, %llu bytes taken)\n",
                rawRate, bestRaw, rawRate * 4, static_cast<unsigned long long>(latchedByRaw));
    std::printf("raw calls with a by-name lookup each:   %10.0f bytes/s  (%.3f s)\n", lookupRate, bestLookup);
    std::printf("SendBuffer / raw calls:                 %10.2f\n", sendRate / rawRate);
    std::printf("looked up every call / raw calls:       %10.2f\n", lookupRate / rawRate);
    return 0;
}
