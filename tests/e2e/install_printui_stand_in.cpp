// Test tool: stands in for rundll32 when the installer runs its printer
// set-up commands.  Appends its command line (UTF-8) to "<its path>.log",
// then does what the [stand-in] section of "<its path>.cfg" (INI) asks:
//   sleep_ms=N        wait N milliseconds before ending (a slow command)
//   create_driver=D   for an install command (/if), create the printer its
//                     /n names on the port its /r names, with the printer
//                     driver D that Wine already has (as PrintUI would); a
//                     printer that cannot be created is noted in "<its path>.err"
#include <windows.h>
#include <winspool.h>

#include <string>

namespace {

std::wstring QuotedAfter(const std::wstring& text, const std::wstring& flag) {
    const size_t at = text.find(flag + L" \"");
    if (at == std::wstring::npos) return {};
    const size_t start = at + flag.size() + 2;
    const size_t end = text.find(L'"', start);
    return end == std::wstring::npos ? std::wstring() : text.substr(start, end - start);
}

void AppendLine(const std::wstring& path, const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string line(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, line.data(), bytes, nullptr, nullptr);
    line.back() = '\n';
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
    const std::wstring me(self, n), config = me + L".cfg", line = ::GetCommandLineW();
    AppendLine(me + L".log", line);

    wchar_t driver[256] = {};
    ::GetPrivateProfileStringW(L"stand-in", L"create_driver", L"", driver, 256, config.c_str());
    if (*driver && line.find(L" /if ") != std::wstring::npos) {
        std::wstring name = QuotedAfter(line, L"/n"), port = QuotedAfter(line, L"/r");
        wchar_t processor[] = L"WinPrint", datatype[] = L"RAW";
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pPortName = port.data();
        info.pDriverName = driver;
        info.pPrintProcessor = processor;
        info.pDatatype = datatype;
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
        if (printer) ::ClosePrinter(printer);
        else AppendLine(me + L".err", L"AddPrinterW failed " + std::to_wstring(::GetLastError()));
    }
    ::Sleep(::GetPrivateProfileIntW(L"stand-in", L"sleep_ms", 0, config.c_str()));
    return 0;
}
