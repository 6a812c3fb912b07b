// Reader of the install catalogue PrinterInfor.Inf next to the program.
#pragma once
#include <string>

class InstallCatalogue {
public:
    InstallCatalogue();
    const std::wstring& ProgramDirectory() const { return m_programDirectory; }
    const std::wstring& CataloguePath() const { return m_cataloguePath; }

private:
    std::wstring m_programDirectory;
    std::wstring m_cataloguePath;
};
