#include "catalogue/install_catalogue.h"

#include "win/module_path.h"

InstallCatalogue::InstallCatalogue()
    : m_programDirectory(win::ModuleDirectory()), m_cataloguePath(m_programDirectory + L"PrinterInfor.Inf") {}
