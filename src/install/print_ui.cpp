#include "install/print_ui.h"

#include <optional>
#include <vector>

#include "core/print_ui_rules.h"
#include "install/local_printers.h"
#include "win/unique.h"

namespace {

bool RunIfFormatted(const std::optional<std::wstring>& parameters, const InstallApi& api, DWORD* startError) {
    if (startError) *startError = 0;
    return parameters && RunPrintUI(*parameters, api, startError);
}

}  // namespace

bool RunPrintUI(const std::wstring& parameters, const InstallApi& api, DWORD* startError) {
    if (startError) *startError = 0;
    if (parameters.empty()) return false;
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    const auto file = length > 0 && length < MAX_PATH ? core::PrintUiHostPath(std::wstring_view(system, length))
                                                     : std::nullopt;
    if (!file) {
        // Nothing else may be started in its place: a start that failed.
        if (startError) *startError = ERROR_PATH_NOT_FOUND;
        return false;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = L"open";
    info.lpFile = file->c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!api.ShellExecuteExW(&info)) {
        const DWORD error = ::GetLastError();
        // A failure that gives no code still is one: it is told as "other".
        if (startError) *startError = error != 0 ? error : ERROR_GEN_FAILURE;
        return false;
    }
    // No handle comes back when the shell handed the command on without a
    // process of its own; there is then nothing to wait for.
    win::UniqueHandle process(info.hProcess);
    if (process) api.WaitForSingleObject(process.get(), kPrintUiWaitMs);
    return true;
}

bool InstallPrinterWithPrintUI(const std::wstring& printerName, const std::wstring& infPath,
                               const std::wstring& port, const InstallApi& api, DWORD* startError) {
    if (startError) *startError = 0;
    const auto parameters = core::InstallParameters(printerName, infPath, port);
    // A command that cannot be formed is a failed installation: the
    // existence check must not be asked about a printer nobody tried to make.
    if (!parameters) return false;
    if (!RunPrintUI(*parameters, api, startError)) return false;
    api.Sleep(kInstallSettleMs);
    return PrinterExists(printerName, api);
}

bool MakeDefaultPrinter(const std::wstring& printerName, const InstallApi& api, DWORD* startError) {
    return RunIfFormatted(core::MakeDefaultParameters(printerName), api, startError);
}

bool PrintTestPage(const std::wstring& printerName, const InstallApi& api, DWORD* startError) {
    return RunIfFormatted(core::TestPageParameters(printerName), api, startError);
}

bool PrinterExists(const std::wstring& printerName, const InstallApi& api) {
    if (printerName.empty()) return false;
    std::vector<std::wstring> names;
    if (ListLocalPrinters(api, names) != PrinterListing::Listed) return false;
    for (const auto& name : names)
        if (core::PrinterNameBeginsWith(name, printerName)) return true;
    return false;
}
