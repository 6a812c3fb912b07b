#include "program_under_test.h"

#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "res/resource.h"
#include "support/window_probe.h"
#include "win/unique.h"

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

namespace {

// Wine's library load orders for every program.
const wchar_t kWineOverrides[] = L"Software\\Wine\\DllOverrides";

bool SetOverride(const std::wstring& key, const std::wstring& name, const std::wstring& order) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, order.c_str(),
                             static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool LoadOrders::Set(const std::wstring& library, const std::wstring& order) {
    // Wine names a ".dll" without its extension, any other file with it.
    const bool dll = library.size() > 4 && _wcsicmp(library.c_str() + library.size() - 4, L".dll") == 0;
    set_ = true;
    return SetOverride(key_ + L"\\DllOverrides", dll ? library.substr(0, library.size() - 4) : library, order);
}

LoadOrders::~LoadOrders() {
    if (set_) ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
}

Program::Program(const Medium& medium, std::wstring exeName) : Program(medium.Dir(), std::move(exeName)) {}

Program::Program(std::wstring folder, std::wstring exeName) : dir_(std::move(folder)), exe_(dir_ + exeName) {}

Program::~Program() {
    if (pi_.hProcess) {
        if (Running()) {
            ::TerminateProcess(pi_.hProcess, 99);
            ::WaitForSingleObject(pi_.hProcess, 5000);
        }
        ::CloseHandle(pi_.hProcess);
        ::CloseHandle(pi_.hThread);
    }
    orders_.reset();
}

bool Program::Start(DWORD timeoutMs, const std::function<void(DWORD pid)>& started) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring cmd = L"\"" + exe_ + L"\"";
    if (!loadOrders_.empty()) orders_ = std::make_unique<LoadOrders>(exe_.substr(exe_.find_last_of(L'\\') + 1));
    for (const auto& [library, order] : loadOrders_)
        if (!orders_->Set(library, order)) return false;
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

std::vector<std::wstring> ConsoleRun::OutLines() const {
    std::vector<std::wstring> lines;
    std::wistringstream in(Utf8ToWide(out));
    for (std::wstring line; std::getline(in, line);) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

ConsoleRun RunConsole(const Medium& medium, const std::vector<std::wstring>& args, DWORD timeoutMs) {
    ConsoleRun run;
    const std::wstring exe = medium.Path(L"PrinterInstallCmd.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    for (const auto& a : args) cmd += L" \"" + a + L"\"";
    const std::wstring outPath = medium.Path(L"console-out.txt"), errPath = medium.Path(L"console-err.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&](const std::wstring& path, DWORD access, DWORD disposition) {
        return win::UniqueFile(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    win::UniqueFile out = open(outPath, GENERIC_WRITE, CREATE_ALWAYS), err = open(errPath, GENERIC_WRITE, CREATE_ALWAYS),
                    in = open(L"NUL", GENERIC_READ, OPEN_EXISTING);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.get();
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi{};
    const ULONGLONG began = ::GetTickCount64();
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, medium.Dir().c_str(), &si,
                          &pi))
        return run;
    run.started = true;
    win::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    while (::WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
        for (HWND w : probe::TopLevelWindows(pi.dwProcessId))
            if (::IsWindowVisible(w)) run.windowSeen = true;
        if (::GetTickCount64() - began > timeoutMs) {
            ::TerminateProcess(process.get(), 99);
            ::WaitForSingleObject(process.get(), 5000);
            break;
        }
    }
    run.milliseconds = static_cast<DWORD>(::GetTickCount64() - began);
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    out.reset();
    err.reset();
    run.out = ReadFileBytes(outPath);
    run.err = ReadFileBytes(errPath);
    return run;
}

bool HasPrinter(const std::wstring& name) {
    DWORD needed = 0, returned = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + sizeof(void*));
    if (!::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pPrinterName == name) return true;
    return false;
}

void DeletePrinterNamed(const std::wstring& name) {
    std::wstring writable = name;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(writable.data(), &printer, &defaults)) return;
    ::DeletePrinter(printer);
    ::ClosePrinter(printer);
}

std::wstring PrinterDriverForTests() {
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring file = std::wstring(system) + L"\\wineps.drv";
    std::wstring name = L"Printer Install Test Driver";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = file.data();
    info.pDataFile = file.data();
    info.pConfigFile = file.data();
    ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES);
    return name;
}

bool ChooseModel(const Program& p, const std::wstring& series, const std::wstring& model) {
    HWND combo = p.Item(IDC_CBO_SERIES);
    const LRESULT s = ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(series.c_str()));
    if (s == CB_ERR) return false;
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(s), 0);
    ::SendMessageW(p.Window(), WM_COMMAND, MAKEWPARAM(IDC_CBO_SERIES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    HWND list = p.Item(IDC_LST_MODEL);
    const LRESULT i = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(model.c_str()));
    if (i == LB_ERR) return false;
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    return true;
}

void Browse(const Program& p, const std::wstring& path) {
    p.Click(IDC_BTN_BROWSE);
    HWND dlg = probe::WaitForWindow(
        [&] {
            for (HWND w : probe::TopLevelWindows(p.Pid()))
                if (w != p.Window() && ::IsWindowVisible(w) && probe::ClassOf(w) == L"#32770" &&
                    ::GetDlgItem(w, 0x470))
                    return w;
            return HWND(nullptr);
        },
        10000);
    ASSERT_NE(dlg, nullptr) << "no file dialog";
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), p.Window());
    EXPECT_EQ(Entries(::GetDlgItem(dlg, 0x470)),  // the file-type list
              (std::vector<std::wstring>{L"Edition Files (*.mot)", L"Data Files (*.data)", L"All Files (*.*)"}));
    // The file-name field: an edit, possibly inside a combo box.
    HWND name = ::GetDlgItem(dlg, 0x47C);
    if (!name) name = ::GetDlgItem(dlg, 0x480);
    while (name && probe::ClassOf(name) != L"Edit" && ::GetWindow(name, GW_CHILD)) name = ::GetWindow(name, GW_CHILD);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(probe::TextOf(name), L"*.mot");
    if (path.empty()) {
        ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000,
                              &ignored);
        ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
    }
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) || !::IsWindowVisible(dlg); }, 10000));
}

void ExpectFailedInstallation(const Program& p, const SystemSetUpHost& host) {
    ASSERT_TRUE(p.ClickAndWait(IDC_BTN_DRIVER));
    ASSERT_TRUE(ChooseModel(p, L"Orvane 经典24针系列", L"OP-730K"));
    auto failure = probe::AnswerNextMessageBox(p.Pid(), IDOK, 60000);
    p.Click(IDC_BTN_NEXT);
    EXPECT_EQ(failure.get().text, L"打印机驱动安装失败！");
    ASSERT_TRUE(WaitUntil([&] { return p.Enabled(IDC_BTN_NEXT); }, 10000));
    EXPECT_EQ(LogLines(host.LogPath()).size(), 1u) << "the system's rundll32.exe ran the install command";
}

SystemSetUpHost::SystemSetUpHost(const std::wstring& standIn) {
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    path_ = std::wstring(system, n) + L"\\rundll32.exe";
    saved_ = path_ + L".pi-e2e-original";
    // A run that ended without restoring left the original here: keep it.
    if (::GetFileAttributesW(saved_.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !::CopyFileW(path_.c_str(), saved_.c_str(), TRUE))
        return;
    ::DeleteFileW(LogPath().c_str());
    ::DeleteFileW(ConfigPath().c_str());
    installed_ = ::CopyFileW(standIn.c_str(), path_.c_str(), FALSE) && SetOverride(kWineOverrides, L"rundll32.exe", L"native");
}

SystemSetUpHost::~SystemSetUpHost() {
    if (saved_.empty()) return;
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineOverrides, L"rundll32.exe");
    // The stand-in may still be ending after the program that started it.
    bool restored = false;
    for (int i = 0; i < 50 && !(restored = ::CopyFileW(saved_.c_str(), path_.c_str(), FALSE)); ++i) ::Sleep(100);
    if (restored) ::DeleteFileW(saved_.c_str());
    ::DeleteFileW(LogPath().c_str());
    ::DeleteFileW(ConfigPath().c_str());
    ::DeleteFileW((path_ + L".err").c_str());
}

}  // namespace e2e
