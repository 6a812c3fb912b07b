// medium-check.exe, the Windows console program: the medium is read by the
// very functions the installer uses.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "catalogue/driver_package.h"
#include "cli.h"
#include "win_medium.h"
#include "core/utf8.h"

namespace {

// A console gets the text as UTF-16 (any code page shows it); a pipe or a
// file gets UTF-8.
bool Write(bool toError, const std::string& utf8) {
    const HANDLE out = ::GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE || out == nullptr) return false;
    if (utf8.empty()) return true;
    DWORD mode = 0;
    if (::GetConsoleMode(out, &mode)) {
        std::wstring text;
        if (!core::Utf8ToWide(utf8, text)) return false;
        DWORD written = 0;
        return ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }
    DWORD written = 0;
    return ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
           written == utf8.size();
}

std::optional<core::CheckReport> Check(const medium_check::CommandLine& commandLine, std::wstring& folder,
                                       std::string& problem) {
    // "D:\medium\" on a command line arrives as D:\medium" (the backslash
    // escapes the quotation mark); no Windows path holds a quotation mark.
    std::wstring asked = commandLine.folder;
    if (!asked.empty() && asked.back() == L'"') asked.pop_back();
    folder = medium_check::FullFolderPath(asked);
    if (folder.empty()) {
        problem = core::ToUtf8(commandLine.folder) + " is no folder";
        return std::nullopt;
    }
    // The installer reads 8-bit text in the ANSI code page of the PC it runs
    // on; the customers' PCs use 936 (GBK).
    if (::GetACP() != 936)
        Write(true, "medium-check: this PC's ANSI code page is " + std::to_string(::GetACP()) +
                        ", not 936: ANSI text is judged as on this PC, not as on a Chinese Windows\n");
    medium_check::WinMedium medium(folder);
    // By default the installer is taken to run from where the medium is now.
    // And its models sections are chosen for this PC's Windows.
    core::CheckOptions options = medium_check::OptionsFor(commandLine, folder);
    options.windows = RunningWindowsVersion();
    return core::CheckMedium(medium.Access(), options);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return medium_check::RunCommand(std::vector<std::wstring>(argv + 1, argv + argc), {&Write, &Check});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "medium-check: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "medium-check: unexpected failure\n");
    }
    return medium_check::kExitCannotRun;
}
