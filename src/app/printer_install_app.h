// The application object: prepares the common controls and runs the main
// dialog modally; the program ends when the dialog does.
#pragma once
#include "win/app.h"

class CPrinterInstallApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
