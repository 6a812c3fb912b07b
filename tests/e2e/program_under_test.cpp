#include "program_under_test.h"

#include <algorithm>
#include <sstream>

#include "support/window_probe.h"

namespace e2e {
namespace {

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((from + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + name + L"\\", to + name + L"\\") && ok;
        else
            ok = ::CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE) && ok;
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return ok;
}

}  // namespace

std::wstring DriverDir() { return lpttest::ExeDir(); }
// build/win/tests/e2e/ -> build/win/medium/
std::wstring DemoMediumDir() { return DriverDir() + L"..\\..\\medium\\"; }
std::wstring RecorderExe() { return DriverDir() + L"start_recorder.exe"; }
std::wstring StandInExe() { return DriverDir() + L"install_printui_stand_in.exe"; }

std::wstring Utf8ToWide(const std::string& s) {
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::vector<std::wstring> LogLines(const std::wstring& path) {
    std::wistringstream in(Utf8ToWide(ReadFileBytes(path)));
    std::vector<std::wstring> lines;
    for (std::wstring line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::wstring ParametersOf(const std::wstring& commandLine) {
    const bool quoted = !commandLine.empty() && commandLine[0] == L'"';
    const size_t end = quoted ? commandLine.find(L'"', 1) + 1 : commandLine.find(L' ');
    const size_t at = commandLine.find_first_not_of(L' ', std::min(end, commandLine.size()));
    return at == std::wstring::npos ? std::wstring() : commandLine.substr(at);
}

std::vector<std::wstring> Entries(HWND box) {
    const bool combo = probe::ClassOf(box) == L"ComboBox";
    std::vector<std::wstring> out;
    const int n = static_cast<int>(::SendMessageW(box, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(box, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf);
    }
    return out;
}

std::wstring Selection(HWND box) {
    const bool combo = probe::ClassOf(box) == L"ComboBox";
    const auto sel = ::SendMessageW(box, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return sel < 0 ? L"<none>" : Entries(box).at(static_cast<size_t>(sel));
}

Medium::Medium() : dir_(lpttest::NewTempDir(L"pi-e2e\\")) { CopyTree(DemoMediumDir(), dir_); }

Medium::~Medium() { lpttest::RemoveTree(dir_); }

bool Medium::Remove(const std::wstring& relative) const { return ::DeleteFileW(Path(relative).c_str()) != FALSE; }

bool Medium::Put(const std::wstring& relative, const std::string& bytes) const {
    return WriteFileBytes(Path(relative), bytes);
}

bool Medium::PutCatalogue(const std::wstring& text) const {
    const auto* bytes = reinterpret_cast<const char*>(text.data());
    return Put(L"PrinterInfor.Inf", "\xFF\xFE" + std::string(bytes, text.size() * sizeof(wchar_t)));
}

Program::Program(const Medium& medium, std::wstring exeName) : dir_(medium.Dir()), exe_(dir_ + exeName) {}

Program::~Program() {
    if (pi_.hProcess) {
        if (Running()) {
            ::TerminateProcess(pi_.hProcess, 99);
            ::WaitForSingleObject(pi_.hProcess, 5000);
        }
        ::CloseHandle(pi_.hProcess);
        ::CloseHandle(pi_.hThread);
    }
}

bool Program::Start(DWORD timeoutMs, const std::function<void(DWORD pid)>& started) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring cmd = L"\"" + exe_ + L"\"";
    if (!::CreateProcessW(exe_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si, &pi_))
        return false;
    const DWORD pid = pi_.dwProcessId;
    if (started) started(pid);
    wnd_ = probe::WaitForWindow(
        [pid] {
            for (HWND w : probe::TopLevelWindows(pid))
                if (::IsWindowVisible(w) && probe::TextOf(w) == L"Orvane Printer Install V1.117.0") return w;
            return HWND(nullptr);
        },
        timeoutMs);
    return wnd_ != nullptr;
}

std::wstring Program::ItemText(int id) const { return probe::TextOf(Item(id)); }

void Program::Click(int id) const { ::PostMessageW(Item(id), BM_CLICK, 0, 0); }

bool Program::WaitForExit(DWORD timeoutMs) const {
    return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (pi_.hProcess) ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

bool Program::Running() const { return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool Program::ClickAndWait(int id, DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(Item(id), BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

}  // namespace e2e
