// The application object: its name (the message-box caption), its main
// window, and the message box every plain message of the program uses.
#pragma once
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    // With no name given, the application name is the executable's file
    // name without its extension, as a user sees it in Explorer.
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    // Runs the program: InitInstance, and a message loop only when it asks for one.
    int Run();

    void SetRegistryKey(const wchar_t* key) { m_registryKey = key; }
    const std::wstring& AppName() const { return m_appName; }
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;

private:
    std::wstring m_appName;
    std::wstring m_registryKey;
};

CWinApp* AfxGetApp();

// The program's plain message box: owned by the main window (or the popup
// last active above it), captioned with the application name, and with the
// exclamation icon on OK boxes or the question icon on Yes/No boxes when the
// caller names no icon.  Safe to call from a worker thread.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);
// The owner a message box of the program should have: the main window, or
// the popup last active above it.
HWND AfxMessageBoxOwner();
