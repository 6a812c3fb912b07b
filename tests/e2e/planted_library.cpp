// Test tool: a library planted next to the installer under the name of a
// system library, as an attacker would plant it.  Should it ever be loaded,
// it writes the process's and its own path to "planted-libraries.log" next
// to itself; it exports nothing, so a program that imports from it at start
// does not start at all.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t own[MAX_PATH] = {}, process[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(self, own, MAX_PATH);
    ::GetModuleFileNameW(nullptr, process, MAX_PATH);
    const std::wstring path(own, n);
    const std::wstring log = path.substr(0, path.find_last_of(L'\\') + 1) + L"planted-libraries.log";
    const std::wstring line = std::wstring(process) + L" loaded " + path + L"\n";
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 1 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    HANDLE f = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        ::CloseHandle(f);
    }
    return TRUE;
}
