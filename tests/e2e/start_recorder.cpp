// Test tool: appends its own command line (UTF-8) to "<its path>.log" and
// exits.  Stands in for programs the installer starts.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 2;
    std::wstring log = std::wstring(self, n) + L".log";
    const wchar_t* cmd = ::GetCommandLineW();
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, cmd, -1, nullptr, 0, nullptr, nullptr);
    std::string line(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) ::WideCharToMultiByte(CP_UTF8, 0, cmd, -1, line.data(), bytes, nullptr, nullptr);
    line += "\n";
    // Starts in quick succession run side by side: each appends alone, or
    // two lines could land at the same end of the file and one be lost.
    HANDLE f = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 1000 && f == INVALID_HANDLE_VALUE; ++tries) {
        f = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (f == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_SHARING_VIOLATION) return 3;
        if (f == INVALID_HANDLE_VALUE) ::Sleep(10);
    }
    if (f == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(f);
    return 0;
}
