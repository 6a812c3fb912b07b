// Looking at windows the way a user sees them, from a test: in the same
// process (Windows tests) or in the program under test (end-to-end tests).
#pragma once
#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

namespace probe {

std::wstring ClassOf(HWND wnd);
std::wstring TextOf(HWND wnd);  // WM_GETTEXT, works across processes
std::vector<HWND> TopLevelWindows(DWORD pid);

// Polls until pred finds a window or timeoutMs passes; nullptr on timeout.
HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs);
// Polls pred until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000);

struct MessageBoxInfo {
    HWND wnd = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasIcon = false;
    std::vector<std::wstring> buttons;  // captions of its push buttons
    explicit operator bool() const { return wnd != nullptr; }
};

// A visible message box of the process (a dialog with the static text the
// system message box carries, id 0xFFFF).
HWND FindMessageBox(DWORD pid);
MessageBoxInfo ReadMessageBox(HWND box);
MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs);
// Clicks one of its buttons (IDOK, IDYES, IDNO ...).
void PressButton(HWND box, int id);
// On another thread: waits for the next message box of the process, reads
// it and answers with button; the future gives what it read (empty on timeout).
std::future<MessageBoxInfo> AnswerNextMessageBox(DWORD pid, int button, DWORD timeoutMs = 10000);

// Pumps this thread's messages for about ms milliseconds.
void PumpFor(DWORD ms);

// Saves what the screen shows of the window as a 24-bit BMP.
bool SaveWindowShot(HWND wnd, const std::wstring& path);
// Colour of one pixel of the window's client area as the screen shows it.
COLORREF ClientPixel(HWND wnd, int x, int y);
// Folder for screenshots kept as test artefacts (PI_ARTEFACTS, else %TEMP%).
std::wstring ArtefactDir();

}  // namespace probe
