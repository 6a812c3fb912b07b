#include "install/installation.h"

#include "catalogue/install_catalogue.h"
#include "core/catalogue_rules.h"

Installation DescribeInstallation(const InstallCatalogue& catalogue, const std::wstring& model,
                                  const std::wstring& port, bool makeDefault, bool testPage) {
    Installation installation;
    if (!catalogue.GetPrinterName(model, installation.printerName)) installation.printerName.clear();
    installation.port = port;
    if (!installation.printerName.empty())
        installation.infPath = core::DriverInfPathFor(catalogue.ProgramDirectory(),
                                                      catalogue.GetPinType(installation.printerName))
                                   .value_or(L"");
    installation.makeDefault = makeDefault;
    installation.testPage = testPage;
    return installation;
}
