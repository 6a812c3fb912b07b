// Start-up as a new user meets it: from the process's start until its window
// is visible and answers a message.  "Printer Install.exe" on the demo medium
// and a bare program showing the same dialog template
// (startup_bare_dialog.exe) are started alternately in the same Wine
// session, after one start of each to warm it; the benchmark prints both
// medians and their ratio.  Then one more start of the program, traced with
// WINEDEBUG (+loaddll and +relay for a few calls), shows where its time goes:
// each library loaded before the window shows, and the steps of its start.
// Tracing slows the process, so those times are larger than the medians.
// Wine writes a process's trace to the error output it inherited, so the
// benchmark's own error output is the trace file (--trace FILE, given by
// bench/startup-bench.sh, which runs it).
//
// Run: bench/startup-bench.sh [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const wchar_t kCaption[] = L"Orvane Printer Install V1.117.0";

std::wstring ExeDir() {
    wchar_t buf[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    wchar_t text[64] = {};
    if (pid == s->pid && ::IsWindowVisible(wnd) && ::GetWindowTextW(wnd, text, 64) && wcscmp(text, kCaption) == 0) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

struct Start {
    double ms = -1;  // until visible and answering; negative: it never was
    DWORD thread = 0;
};

// Starts `exe` in `dir`, waits until its window shows and answers, then
// closes it and waits for it to end.
Start TimeStart(const std::wstring& exe, const std::wstring& dir, const std::wstring& args = L"") {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    Start start;
    const double t0 = Now();
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
        std::printf("cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
        return start;
    }
    start.thread = pi.dwThreadId;
    Search s{pi.dwProcessId, nullptr};
    while (Now() - t0 < 30000 && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        ::EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&s));
        DWORD_PTR ignored = 0;
        if (s.found && ::SendMessageTimeoutW(s.found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored)) {
            start.ms = Now() - t0;
            break;
        }
        ::Sleep(1);
    }
    if (s.found) ::PostMessageW(s.found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return start;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void PrintFigures(const char* what, const std::vector<double>& ms) {
    std::printf("  %-40s median %6.1f ms   (min %6.1f, max %6.1f; %zu runs)\n", what, Median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), ms.size());
}

// ---- Where the time goes ------------------------------------------------------

const wchar_t kRelayKey[] = L"Software\\Wine\\Debug";
// The calls that mark the steps of the start, in the order the program makes
// them.
const char* const kMarks[][2] = {
    {"InitCommonControlsEx", "common controls registered"},
    {"CreateDialogParamW", "dialog creation asked for"},
    {"DialogBoxParamW", "dialog creation asked for"},
    {"SetupDiGetClassDevsW", "USB printer detection"},
    {"EnumPortsW", "port list"},
    {"GetPrivateProfileSectionW", "catalogue read"},
    {"ShowWindow(", "window shown"},
    {"BeginPaint", "first paint"},
};

struct TraceLine {
    double ms;
    std::string text;
};

// The lines of one thread in a WINEDEBUG=+timestamp trace, timed from its first.
std::vector<TraceLine> ThreadLines(const std::wstring& file, uintmax_t from, DWORD thread) {
    char tid[16];
    std::snprintf(tid, sizeof tid, ":%04lx:", static_cast<unsigned long>(thread));
    std::ifstream in{std::filesystem::path(file)};
    in.seekg(static_cast<std::streamoff>(from));
    std::vector<TraceLine> lines;
    double first = -1;
    for (std::string line; std::getline(in, line);) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || line.compare(colon, 6, tid) != 0) continue;
        const double seconds = std::atof(line.substr(0, colon).c_str());
        if (first < 0) first = seconds;
        lines.push_back({(seconds - first) * 1000, line.substr(colon + 6)});
    }
    return lines;
}

// One traced start: each library loaded and each step marked until the
// window was seen visible and answering, in ms from the process's first
// traced line.
void PrintTracedStart(const char* what, const std::wstring& exe, const std::wstring& dir,
                      const std::wstring& traceFile) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRelayKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        std::printf("\n%s: cannot set Wine's relay settings\n", what);
        return;
    }
    std::wstring include;
    for (const auto& mark : kMarks) {
        std::string name = mark[0];
        if (name.back() == '(') name.pop_back();
        include += std::wstring(name.begin(), name.end()) + L";";
    }
    ::RegSetValueExW(key, L"RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE*>(include.c_str()),
                     static_cast<DWORD>((include.size() + 1) * sizeof(wchar_t)));
    // What the trace file holds so far is not this start's.
    std::error_code ec;
    const auto before = std::filesystem::file_size(std::filesystem::path(traceFile), ec);
    wchar_t saved[256] = {};
    const DWORD had = ::GetEnvironmentVariableW(L"WINEDEBUG", saved, 256);
    ::SetEnvironmentVariableW(L"WINEDEBUG", L"+timestamp,+loaddll,+relay");
    const Start traced = TimeStart(exe, dir);
    ::SetEnvironmentVariableW(L"WINEDEBUG", had && had < 256 ? saved : nullptr);
    ::RegDeleteValueW(key, L"RelayInclude");
    ::RegCloseKey(key);
    if (traced.ms < 0) {
        std::printf("\n%s, traced: no answering window within 30 s\n", what);
        return;
    }

    std::printf("\n%s, traced (%.1f ms until visible and answering):\n", what, traced.ms);
    std::map<std::string, double> marks;
    for (const TraceLine& l : ThreadLines(traceFile, ec ? 0 : before, traced.thread)) {
        if (l.ms > traced.ms || marks.count("first paint")) break;
        const size_t loaded = l.text.find("Loaded L\"");
        if (loaded != std::string::npos) {
            std::string path = l.text.substr(loaded + 9, l.text.find('"', loaded + 9) - loaded - 9);
            std::printf("  %7.1f  loaded %s\n", l.ms, path.substr(path.find_last_of('\\') + 1).c_str());
            continue;
        }
        if (l.text.compare(0, 5, "Call ") != 0) continue;
        for (const auto& mark : kMarks) {
            const std::string call = mark[0];
            if (l.text.find("." + call) == std::string::npos || marks.count(mark[1])) continue;
            // The window itself is shown with SW_SHOWNORMAL; its pages' controls with SW_SHOW or SW_HIDE.
            if (call == "ShowWindow(" && l.text.find(",00000001)") == std::string::npos) continue;
            if (call == "BeginPaint" && !marks.count("window shown")) continue;
            marks[mark[1]] = l.ms;
            std::printf("  %7.1f  %s\n", l.ms, mark[1]);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 10;
    std::wstring medium = ExeDir() + L"..\\medium\\", traceFile;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--trace" && i + 1 < argc) traceFile = argv[++i];
        else if (a == L"--medium" && i + 1 < argc) medium = std::wstring(argv[++i]) + L"\\";
        else runs = std::max(1, _wtoi(a.c_str()));
    }
    const std::wstring program = medium + L"Printer Install.exe";
    const std::wstring bare = ExeDir() + L"startup_bare_dialog.exe";
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES ||
        ::GetFileAttributesW(bare.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("startup_bench: %ls or %ls is missing\n", program.c_str(), bare.c_str());
        return 2;
    }
    // The three kinds of start, each with its folder and arguments.
    const struct {
        const char* name;
        std::wstring exe, dir, args;
    } kinds[] = {
        {"bare dialog, the same template:", bare, ExeDir(), L""},
        {"  the same, shown by DialogBoxParamW:", bare, ExeDir(), L"dialogbox"},
        {"Printer Install.exe:", program, medium, L""},
    };
    constexpr size_t kKinds = std::size(kinds);
    // One start of each warms the session (the desktop, the X11 driver, the
    // file cache), as a user's PC is warm.
    for (const auto& k : kinds) TimeStart(k.exe, k.dir, k.args);
    std::vector<double> ms[kKinds];
    for (int i = 0; i < runs; ++i) {
        // In turn, each one first in its turn.
        for (size_t j = 0; j < kKinds; ++j) {
            const auto& k = kinds[(i + j) % kKinds];
            const Start s = TimeStart(k.exe, k.dir, k.args);
            if (s.ms < 0) {
                std::printf("startup_bench: %ls showed no answering window\n", k.exe.c_str());
                return 1;
            }
            ms[(i + j) % kKinds].push_back(s.ms);
        }
    }
    std::printf("start-up: process start until the window is visible, painted and answers\n");
    for (size_t j = 0; j < kKinds; ++j) PrintFigures(kinds[j].name, ms[j]);
    std::printf("  ratio of the medians, Printer Install.exe to the bare dialog: %.2f\n", Median(ms[2]) / Median(ms[0]));
    std::printf("  (to the bare dialog shown by DialogBoxParamW, which answers before it paints: %.2f)\n",
                Median(ms[2]) / Median(ms[1]));
    if (traceFile.empty()) {
        std::printf("\n(where the time goes: run bench/startup-bench.sh, which traces a start of each)\n");
        return 0;
    }
    std::printf("\nwhere the time goes: one start of each traced with WINEDEBUG=+timestamp,+loaddll,+relay (for\n"
                "the calls marking the steps); ms from the process's first traced line; tracing slows each step\n");
    PrintTracedStart("bare dialog", bare, ExeDir(), traceFile);
    PrintTracedStart("Printer Install.exe", program, medium, traceFile);
    std::printf("\nfull trace: %ls\n", traceFile.c_str());
    return 0;
}
