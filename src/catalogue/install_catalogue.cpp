#include "catalogue/install_catalogue.h"

#include <windows.h>

#include <algorithm>

#include "win/module_path.h"

namespace {

// Names handed to the profile functions as C strings: an empty one would
// ask for something else (all sections, all keys), and one holding a zero
// would be cut short into another name.
bool UsableProfileName(const std::wstring& name) { return !name.empty() && name.find(L'\0') == std::wstring::npos; }

// Largest buffer a key is read into; the catalogue's keys need at most 260.
constexpr size_t kMaxKeyCapacity = 32768;

}  // namespace

InstallCatalogue::InstallCatalogue() : InstallCatalogue(win::ModuleDirectory()) {}

InstallCatalogue::InstallCatalogue(const std::wstring& programDirectory) {
    if (auto directory = core::NormalizeProgramDirectory(programDirectory)) {
        if (auto catalogue = core::CataloguePathFor(*directory)) {
            m_programDirectory = std::move(*directory);
            m_cataloguePath = std::move(*catalogue);
        }
    }
}

bool InstallCatalogue::StoreField(std::wstring& field, const std::wstring& value) {
    const bool fits = value.size() <= core::kMaxPathChars;
    field = fits ? value : std::wstring();
    return fits;
}

bool InstallCatalogue::SetInstallPrinterName(const std::wstring& printerName) {
    return StoreField(m_installPrinterName, printerName);
}
bool InstallCatalogue::SetInstallPort(const std::wstring& port) { return StoreField(m_installPort, port); }
bool InstallCatalogue::SetInstallInfPath(const std::wstring& infPath) { return StoreField(m_installInfPath, infPath); }

bool InstallCatalogue::ReadSectionList(const std::wstring& section, std::vector<std::wstring>& entries) const {
    entries.clear();
    if (m_cataloguePath.empty() || !UsableProfileName(section)) return false;
    std::vector<wchar_t> buffer(core::kSectionCapacity, L'\0');
    const DWORD returned = ::GetPrivateProfileSectionW(section.c_str(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()), m_cataloguePath.c_str());
    const size_t filled = std::min<size_t>(returned, buffer.size());
    core::SectionList list = core::SplitProfileSection(std::wstring_view(buffer.data(), filled), buffer.size());
    entries = std::move(list.entries);
    return list.ok;
}

bool InstallCatalogue::ReadKey(const std::wstring& section, const std::wstring& key, size_t capacity,
                               std::wstring& value) const {
    value.clear();
    if (m_cataloguePath.empty() || !UsableProfileName(section) || !UsableProfileName(key)) return false;
    if (capacity < 2 || capacity > kMaxKeyCapacity) return false;
    std::vector<wchar_t> buffer(capacity, L'\0');
    const DWORD returned = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), m_cataloguePath.c_str());
    const size_t filled = std::min<size_t>(returned, buffer.size());
    auto found = core::TakeKeyValue(std::wstring_view(buffer.data(), filled), capacity);
    if (!found) return false;
    value = std::move(*found);
    return true;
}

bool InstallCatalogue::GetSeriesList(std::vector<std::wstring>& series) const {
    return ReadSectionList(std::wstring(core::kSeriesSection), series);
}

bool InstallCatalogue::GetSeriesModels(const std::wstring& series, std::vector<std::wstring>& models) const {
    return ReadSectionList(series, models);
}

bool InstallCatalogue::FindSeriesOfModel(const std::wstring& model, std::wstring& series) const {
    series.clear();
    std::vector<std::wstring> seriesList;
    if (!GetSeriesList(seriesList)) return false;
    std::vector<std::wstring> models;
    for (const std::wstring& candidate : seriesList) {
        if (!GetSeriesModels(candidate, models)) continue;
        if (std::find(models.begin(), models.end(), model) != models.end()) {
            series = candidate;
            return true;
        }
    }
    return false;
}

bool InstallCatalogue::GetPrinterName(const std::wstring& model, std::wstring& printerName) const {
    return ReadKey(std::wstring(core::kPrinterNameSection), model, core::kPrinterNameCapacity, printerName);
}

PinType InstallCatalogue::GetPinType(const std::wstring& printerName) const {
    std::wstring value;
    ReadKey(std::wstring(core::kPrinterTypeSection), printerName, core::kPrinterTypeCapacity, value);
    return core::PinTypeFromValue(value);
}

std::wstring InstallCatalogue::GetManualPath(const std::wstring& model) const {
    std::optional<std::wstring> manual;
    std::wstring value;
    if (ReadKey(std::wstring(core::kManualSection), model, core::kManualCapacity, value)) manual = std::move(value);
    return core::ManualPathFor(m_programDirectory, manual).value_or(std::wstring());
}

bool InstallCatalogue::GetOtherSoftwarePath(const std::wstring& program, std::wstring& path) const {
    path = m_programDirectory;
    std::wstring file;
    if (!ReadKey(std::wstring(core::kOtherSoftwareSection), program, core::kOtherSoftwareCapacity, file)) return false;
    auto joined = core::OtherSoftwarePathFor(m_programDirectory, file);
    if (!joined) return false;
    path = std::move(*joined);
    return true;
}

bool InstallCatalogue::BuildDriverInfPath() {
    const PinType pinType = GetPinType(InstallPrinterName());
    auto path = core::DriverInfPathFor(m_programDirectory, pinType);
    SetInstallInfPath(path.value_or(std::wstring()));
    return path.has_value();
}
