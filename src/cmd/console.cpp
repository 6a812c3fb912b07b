#include "cmd/console.h"

#include "core/utf8.h"
#include "win/unique.h"

namespace cmd {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

void WriteBytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return;
        bytes.remove_prefix(written);
    }
}

}  // namespace

Console::Console()
    : m_out(::GetStdHandle(STD_OUTPUT_HANDLE)),
      m_err(::GetStdHandle(STD_ERROR_HANDLE)),
      m_in(::GetStdHandle(STD_INPUT_HANDLE)),
      m_outConsole(IsConsole(m_out)),
      m_errConsole(IsConsole(m_err)),
      m_inConsole(IsConsole(m_in)) {}

void Console::Write(HANDLE handle, bool console, std::wstring_view text) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    if (console) {
        DWORD written = 0;
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        WriteBytes(handle, core::ToUtf8(text));
    }
}

void Console::ToLog(const std::wstring& text) {
    if (m_log.empty()) return;
    win::UniqueFile log(::CreateFileW(m_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log) WriteBytes(log.get(), core::ToUtf8(text + L"\r\n"));
}

void Console::Line(const std::wstring& text) {
    EndProgress();
    Write(m_out, m_outConsole, text + L"\r\n");
    ToLog(text);
}

void Console::Error(const std::wstring& text) {
    EndProgress();
    Write(m_err, m_errConsole, text + L"\r\n");
    ToLog(text);
}

void Console::Document(std::string_view utf8) {
    EndProgress();
    if (m_outConsole) {
        std::wstring wide;
        core::Utf8ToWide(utf8, wide);
        Write(m_out, true, wide);
    } else if (m_out && m_out != INVALID_HANDLE_VALUE) {
        WriteBytes(m_out, utf8);
    }
}

void Console::Progress(const std::wstring& text) {
    if (m_outConsole) {
        Write(m_out, true, L"\r" + text);
        m_midLine = true;
    } else {
        Write(m_out, false, text + L"\r\n");
    }
    ToLog(text);
}

void Console::EndProgress() {
    if (!m_midLine) return;
    m_midLine = false;
    Write(m_out, m_outConsole, L"\r\n");
}

std::optional<std::wstring> Console::Ask(const std::wstring& question) {
    if (!m_inConsole) return std::nullopt;
    EndProgress();
    Write(m_out, m_outConsole, question);
    wchar_t buffer[256];
    DWORD read = 0;
    if (!::ReadConsoleW(m_in, buffer, static_cast<DWORD>(std::size(buffer)), &read, nullptr) || read == 0)
        return std::nullopt;
    std::wstring answer(buffer, read);
    while (!answer.empty() && (answer.back() == L'\n' || answer.back() == L'\r')) answer.pop_back();
    return answer;
}

bool Console::KeepLog(const std::wstring& path) {
    win::UniqueFile log(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return false;
    m_log = path;
    return true;
}

}  // namespace cmd
