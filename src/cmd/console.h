// The console program's output: wide text with WriteConsoleW on a console,
// so Chinese reads right whatever the console's code page; UTF-8 into a
// file or pipe.  Lines end with CR LF.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace cmd {

class Console {
public:
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // A line on standard output (and in the log, when one is kept).
    void Line(const std::wstring& text);
    // A line on standard error (and in the log).
    void Error(const std::wstring& text);
    // A document as it is, UTF-8, on standard output (a JSON report).
    void Document(std::string_view utf8);
    // The firmware download's progress: one line rewritten in place on a
    // console, a line each time when redirected.
    void Progress(const std::wstring& text);
    // Ends a line that Progress rewrites.
    void EndProgress();
    // Asks on the console and reads the answer; nothing when the input is
    // not a console or gives nothing.
    std::optional<std::wstring> Ask(const std::wstring& question);
    bool InputIsConsole() const { return m_inConsole; }
    bool OutputIsConsole() const { return m_outConsole; }
    // Appends every line from now on to `path` as well (UTF-8); false when
    // it cannot be opened.
    bool KeepLog(const std::wstring& path);

private:
    void Write(HANDLE handle, bool console, std::wstring_view text);
    void ToLog(const std::wstring& text);

    HANDLE m_out, m_err, m_in;
    bool m_outConsole, m_errConsole, m_inConsole;
    bool m_midLine = false;
    std::wstring m_log;
};

}  // namespace cmd
