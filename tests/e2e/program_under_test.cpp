#include "program_under_test.h"

#include <cstdio>
#include <vector>

#include "support/window_probe.h"

namespace e2e {
namespace {

std::wstring Folder(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

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

void RemoveTree(const std::wstring& dir) {
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

}  // namespace

std::wstring DriverDir() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return Folder(std::wstring(buf, n));
}

// build/win/tests/e2e/ -> build/win/medium/
std::wstring DemoMediumDir() { return DriverDir() + L"..\\..\\medium\\"; }
std::wstring RecorderExe() { return DriverDir() + L"start_recorder.exe"; }

std::string ReadFileBytes(const std::wstring& path) {
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return WriteFileBytes(path, bytes);
}

std::wstring Utf8ToWide(const std::string& s) {
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

Medium::Medium() {
    static int counter = 0;
    wchar_t tmp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring root = std::wstring(tmp) + L"pi-e2e\\";
    ::CreateDirectoryW(root.c_str(), nullptr);
    dir_ = root + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
    RemoveTree(dir_);
    CopyTree(DemoMediumDir(), dir_);
}

Medium::~Medium() { RemoveTree(dir_); }

bool Medium::Remove(const std::wstring& relative) const { return ::DeleteFileW(Path(relative).c_str()) != FALSE; }

bool Medium::Put(const std::wstring& relative, const std::string& bytes) const {
    return WriteFileBytes(Path(relative), bytes);
}

bool Medium::PutCatalogue(const std::wstring& text) const { return WriteUtf16File(Path(L"PrinterInfor.Inf"), text); }

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

bool Program::Start(DWORD timeoutMs) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring cmd = L"\"" + exe_ + L"\"";
    if (!::CreateProcessW(exe_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si, &pi_))
        return false;
    const DWORD pid = pi_.dwProcessId;
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

bool Program::Running() const { return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool Program::ClickAndWait(int id, DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(Item(id), BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (::GetTickCount64() >= end) return false;
        ::Sleep(20);
    }
}

}  // namespace e2e
