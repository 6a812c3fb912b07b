// The real program on a scratch copy of the demo medium, as a user starts it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/window_probe.h"
#include "win/lpt_simulator.h"

namespace e2e {

std::wstring DriverDir();       // folder of e2e_tests.exe
std::wstring DemoMediumDir();   // the built demo medium
std::wstring RecorderExe();     // start_recorder.exe
std::wstring StandInExe();      // install_printui_stand_in.exe, rundll32's stand-in

inline std::string ReadFileBytes(const std::wstring& path) { return lpttest::ReadAll(path); }
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    return lpttest::WriteAll(path, bytes);
}
std::wstring Utf8ToWide(const std::string& s);
// The lines of a file the stand-ins write (UTF-8), empty ones left out.
std::vector<std::wstring> LogLines(const std::wstring& path);
// The parameters a recorded command line carries after the program's name
// (quoted or not).
std::wstring ParametersOf(const std::wstring& commandLine);

// The entries of a combo box or a list box, and the selected one ("<none>").
std::vector<std::wstring> Entries(HWND box);
std::wstring Selection(HWND box);

// A scratch copy of the demo medium; removed again with the object.
class Medium {
public:
    Medium();
    ~Medium();
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    const std::wstring& Dir() const { return dir_; }
    std::wstring Path(const std::wstring& relative) const { return dir_ + relative; }
    bool Remove(const std::wstring& relative) const;
    bool Put(const std::wstring& relative, const std::string& bytes) const;
    // Replaces the catalogue with this text (UTF-16LE with a byte-order mark).
    bool PutCatalogue(const std::wstring& text) const;

private:
    std::wstring dir_;
};

// Wine's load orders of libraries for the processes of one program file
// (by its name), until the object is gone: a per-program setting of the
// test prefix.  "native,builtin" makes Wine look for a library as Windows
// looks for one that is not of its known ones, the program's folder before
// the system folder; "" makes it unloadable.
class LoadOrders {
public:
    explicit LoadOrders(const std::wstring& exeName) : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {}
    ~LoadOrders();
    LoadOrders(const LoadOrders&) = delete;
    LoadOrders& operator=(const LoadOrders&) = delete;
    // `library` such as L"version.dll" or L"winspool.drv".
    bool Set(const std::wstring& library, const std::wstring& order);

private:
    std::wstring key_;
    bool set_ = false;
};

class Program {
public:
    explicit Program(const Medium& medium, std::wstring exeName = L"Printer Install.exe");
    // The program in a folder of its own (ending in a backslash), such as a CD.
    explicit Program(std::wstring folder, std::wstring exeName = L"Printer Install.exe");
    // Wine's load order for a library in this program's process (see
    // LoadOrders), set when it starts.
    void SetLoadOrder(const std::wstring& library, const std::wstring& order) { loadOrders_.push_back({library, order}); }
    void LoadNativeFirst(const std::wstring& library) { SetLoadOrder(library, L"native,builtin"); }
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program and waits until its main window is visible.
    // `started` runs as soon as the process exists, for a test that must
    // answer a message box the program shows before its window.
    bool Start(DWORD timeoutMs = 20000, const std::function<void(DWORD pid)>& started = {});
    HWND Window() const { return wnd_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    HWND Item(int id) const { return ::GetDlgItem(wnd_, id); }
    std::wstring ItemText(int id) const;
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    // Presses a button as a mouse click does (BM_CLICK), without waiting.
    void Click(int id) const;
    // The same, returning once the program has handled the click; false when
    // it did not within the time (for example because it shows a message box).
    bool ClickAndWait(int id, DWORD timeoutMs = 15000) const;
    bool WaitForExit(DWORD timeoutMs) const;
    bool Running() const;
    // The exit code of the ended process (STILL_ACTIVE while it runs).
    DWORD ExitCode() const;

private:
    std::wstring dir_;
    std::wstring exe_;
    std::vector<std::pair<std::wstring, std::wstring>> loadOrders_;
    std::unique_ptr<LoadOrders> orders_;
    PROCESS_INFORMATION pi_{};
    HWND wnd_ = nullptr;
};

// A run of the console program "PrinterInstallCmd.exe" of the medium, its
// output redirected to files (so UTF-8) and its input from NUL.
struct ConsoleRun {
    bool started = false;
    DWORD exitCode = 0;
    std::string out, err;  // UTF-8 as written
    DWORD milliseconds = 0;
    bool windowSeen = false;  // a visible window of the program appeared
    std::vector<std::wstring> OutLines() const;
};
ConsoleRun RunConsole(const Medium& medium, const std::vector<std::wstring>& args, DWORD timeoutMs = 60000);

// The spooler's local printers, in the test prefix.
bool HasPrinter(const std::wstring& name);
void DeletePrinterNamed(const std::wstring& name);
// A printer driver for the printers the tests create, made from Wine's
// PostScript driver file (the test prefix keeps it: Wine cannot delete a
// driver with its files, and adding it again changes nothing).
std::wstring PrinterDriverForTests();

// Selects a model of the driver page's model list, as a user clicks it.
bool ChooseModel(const Program& p, const std::wstring& series, const std::wstring& model);

// Presses the browse button, checks what the file dialog offers and either
// chooses `path` or cancels (empty path).
void Browse(const Program& p, const std::wstring& path);

// The system's own rundll32.exe replaced by a stand-in for as long as the
// object lives (in the throwaway test prefix), so that the set-up commands
// the installer starts by their full path are recorded.  Wine is told to
// run the file there rather than its own built-in rundll32 meanwhile.
class SystemSetUpHost {
public:
    explicit SystemSetUpHost(const std::wstring& standIn);
    ~SystemSetUpHost();
    SystemSetUpHost(const SystemSetUpHost&) = delete;
    SystemSetUpHost& operator=(const SystemSetUpHost&) = delete;
    bool Installed() const { return installed_; }
    const std::wstring& Path() const { return path_; }
    std::wstring LogPath() const { return path_ + L".log"; }
    std::wstring ConfigPath() const { return path_ + L".cfg"; }

private:
    std::wstring path_, saved_;
    bool installed_ = false;
};

// Installs OP-730K from the driver page while `host` creates no printer: the
// failure is reported, the window is idle again, and the system's
// rundll32.exe ran the set-up command once.
void ExpectFailedInstallation(const Program& p, const SystemSetUpHost& host);

using probe::WaitUntil;

}  // namespace e2e
