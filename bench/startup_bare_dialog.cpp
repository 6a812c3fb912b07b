// The yardstick of the start-up benchmark: a bare program that shows the
// installer's own dialog template 102, with the installer's resources and
// manifest, and nothing else: no libraries of its own, no catalogue, no
// port list, no printer detection, no drawn controls.
//
// By default it shows the dialog as the installer's framework does (created,
// shown, painted with UpdateWindow, then the message loop), so that both
// answer a message only once their first paint is done.  With "dialogbox"
// it leaves that to DialogBoxParamW, whose loop answers messages before the
// dialog has painted.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "res/resource.h"

namespace {

bool g_boxed = false;  // shown by DialogBoxParamW
bool g_ended = false;

INT_PTR CALLBACK BareDialog(HWND wnd, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
        if (g_boxed) {
            ::EndDialog(wnd, 0);
        } else {
            g_ended = true;
            ::DestroyWindow(wnd);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // The template's progress bar is a common control.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    g_boxed = std::wcsstr(commandLine, L"dialogbox") != nullptr;
    if (g_boxed)
        return static_cast<int>(
            ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PRINTERINSTALL_DIALOG), nullptr, &BareDialog, 0));
    HWND wnd = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PRINTERINSTALL_DIALOG), nullptr, &BareDialog, 0);
    if (!wnd) return 1;
    ::ShowWindow(wnd, SW_SHOWNORMAL);
    ::UpdateWindow(wnd);
    MSG msg;
    while (!g_ended && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(wnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
