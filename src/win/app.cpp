#include "win/app.h"

#include "core/message_box_rule.h"
#include "win/module_path.h"
#include "win/wnd.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const wchar_t* appName) {
    g_app = this;
    if (appName) m_appName = appName;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
    if (m_appName.empty()) m_appName = core::AppNameFromPath(win::ModuleFileName());
    if (!InitInstance()) return 0;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

HICON CWinApp::LoadIcon(UINT id) const { return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)); }

CWinApp* AfxGetApp() { return g_app; }

HWND AfxMessageBoxOwner() {
    CWinApp* app = AfxGetApp();
    HWND main = (app && app->m_pMainWnd) ? app->m_pMainWnd->m_hWnd : nullptr;
    if (!main || !::IsWindow(main)) return nullptr;
    HWND popup = ::GetLastActivePopup(main);
    return popup ? popup : main;
}

int AfxMessageBox(const std::wstring& text, UINT type) {
    CWinApp* app = AfxGetApp();
    std::wstring caption = app ? app->AppName() : std::wstring();
    if (caption.empty()) caption = core::AppNameFromPath(win::ModuleFileName());
    return ::MessageBoxW(AfxMessageBoxOwner(), text.c_str(), caption.c_str(), core::WithDefaultIcon(type));
}
