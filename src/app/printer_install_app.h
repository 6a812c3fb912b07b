// The application object: prepares the common controls and runs the main
// dialog modally; the program ends when the dialog does.
#pragma once
#include "win/app.h"

struct InstallApi;

class CPrinterInstallApp : public CWinApp {
public:
    // Runs the program with the calls its installations make: the system's,
    // handed in by the program's entry.
    int RunWith(const InstallApi& api);
    BOOL InitInstance() override;

private:
    const InstallApi* m_installApi = nullptr;
};
