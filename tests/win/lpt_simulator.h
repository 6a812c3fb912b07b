// Scratch folders with the parallel-port printer simulator (the stand-in
// winio.dll built from sim/) for the Windows tests of the firmware download,
// and the file helpers the end-to-end tests share with them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "../../sim/winio_simulator.h"

namespace lpttest {

inline std::wstring ExeDir() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// build/win/tests/win/ -> build/win/sim/
inline std::wstring SimulatorDll() { return ExeDir() + L"..\\..\\sim\\winio.dll"; }

inline std::string ReadAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

// The bytes the simulator's printer took in its last session of port access.
inline std::string Captured(const std::wstring& simulatorFolder) {
    return ReadAll(simulatorFolder + WINIO_SIMULATOR_DEFAULT_CAPTURE);
}

// Compares what a printer captured with what was meant to arrive, naming
// the sizes and the first difference instead of printing both.
inline ::testing::AssertionResult SameBytes(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    return ::testing::AssertionFailure() << "got " << got.size() << " bytes, want " << want.size()
                                         << "; first difference at offset " << i;
}

inline std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

inline void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + name + L"\\");
            else {
                ::SetFileAttributesW((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW((dir + name).c_str());
            }
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

// A new empty folder %TEMP%\<parent>\<process>-<n>\.
inline std::wstring NewTempDir(const std::wstring& parent) {
    static int counter = 0;
    wchar_t tmp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tmp);
    const std::wstring root = std::wstring(tmp) + parent;
    ::CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring dir =
        root + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
    RemoveTree(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// A fresh folder under %TEMP% with a "system" and a "program" folder,
// removed again with the object.
class Scratch {
public:
    Scratch() : dir_(NewTempDir(L"pi-lpt\\")) {
        ::CreateDirectoryW(System().c_str(), nullptr);
        ::CreateDirectoryW(Program().c_str(), nullptr);
    }
    ~Scratch() { RemoveTree(dir_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::wstring& Dir() const { return dir_; }
    std::wstring System() const { return dir_ + L"system\\"; }
    std::wstring Program() const { return dir_ + L"program\\"; }

    // Puts the simulator DLL into a folder, with an optional configuration.
    static bool PutSimulator(const std::wstring& folder, const std::string& ini = "") {
        if (!::CopyFileW(SimulatorDll().c_str(), (folder + L"winio.dll").c_str(), FALSE)) return false;
        return ini.empty() || Configure(folder, ini);
    }
    // Replaces the simulator's configuration file next to its DLL; read at
    // every InitializeWinIo.  Keys go under [Simulator].
    static bool Configure(const std::wstring& folder, const std::string& keys) {
        return WriteAll(folder + WINIO_SIMULATOR_INI, "[Simulator]\r\n" + keys);
    }

private:
    std::wstring dir_;
};

// The simulator's counters, through its extra entry point.
inline WinIoSimulatorStats Stats(HMODULE simulator) {
    WinIoSimulatorStats s{};
    s.size = sizeof(s);
    auto get = reinterpret_cast<WinIoSimulatorGetStatsFn>(
        reinterpret_cast<void*>(::GetProcAddress(simulator, "WinIoSimulatorGetStats")));
    if (get) get(&s);
    return s;
}

// One number from the simulator's summary file (written at every start and
// end of port access and when the DLL is unloaded); -1 when missing.
inline long long StatsFileValue(const std::wstring& folder, const wchar_t* key) {
    wchar_t buf[64] = {};
    ::GetPrivateProfileStringW(L"Stats", key, L"-1", buf, 64, (folder + WINIO_SIMULATOR_STATS_FILE).c_str());
    return std::wcstoll(buf, nullptr, 10);
}

}  // namespace lpttest
