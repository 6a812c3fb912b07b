// Test tool: stands in for rundll32 when the installer runs its printer
// set-up commands.  Appends its command line (UTF-8) to "<its path>.log",
// then does what "<its path>.cfg" asks, one "key=value" per line:
//   sleep_ms=N        wait N milliseconds before ending (a slow command)
//   create_driver=D   for an install command (/if), create the printer its
//                     /n names on the port its /r names, with the printer
//                     driver D that Wine already has (as PrintUI would); a
//                     printer that cannot be created is noted in "<its path>.err"
#include <windows.h>
#include <winspool.h>

#include <string>

namespace {

std::string ReadAll(const std::wstring& path) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(f, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    ::CloseHandle(f);
    return bytes;
}

std::wstring Wide(const std::string& s) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// The value of "key=" in the configuration, or empty.
std::wstring Setting(const std::string& config, const std::string& key) {
    size_t at = 0;
    while (at < config.size()) {
        size_t end = config.find('\n', at);
        if (end == std::string::npos) end = config.size();
        std::string line = config.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size() + 1, key + "=") == 0) return Wide(line.substr(key.size() + 1));
        at = end + 1;
    }
    return {};
}

std::wstring QuotedAfter(const std::wstring& text, const std::wstring& flag) {
    const size_t at = text.find(flag + L" \"");
    if (at == std::wstring::npos) return {};
    const size_t start = at + flag.size() + 2;
    const size_t end = text.find(L'"', start);
    return end == std::wstring::npos ? std::wstring() : text.substr(start, end - start);
}

void AppendLine(const std::wstring& path, const wchar_t* text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string line(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, line.data(), bytes, nullptr, nullptr);
    line += "\n";
    HANDLE f = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(f);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 2;
    const std::wstring me(self, n);
    const wchar_t* cmd = ::GetCommandLineW();
    AppendLine(me + L".log", cmd);

    const std::string config = ReadAll(me + L".cfg");
    const std::wstring line = cmd;
    const std::wstring driver = Setting(config, "create_driver");
    if (!driver.empty() && line.find(L" /if ") != std::wstring::npos) {
        std::wstring name = QuotedAfter(line, L"/n"), port = QuotedAfter(line, L"/r"), drv = driver;
        std::wstring processor = L"WinPrint", datatype = L"RAW";
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pPortName = port.data();
        info.pDriverName = drv.data();
        info.pPrintProcessor = processor.data();
        info.pDatatype = datatype.data();
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
        if (printer) ::ClosePrinter(printer);
        else AppendLine(me + L".err", (L"AddPrinterW failed " + std::to_wstring(::GetLastError())).c_str());
    }
    const std::wstring sleep = Setting(config, "sleep_ms");
    if (!sleep.empty()) ::Sleep(static_cast<DWORD>(_wtoi(sleep.c_str())));
    return 0;
}
