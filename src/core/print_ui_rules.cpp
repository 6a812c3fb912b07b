#include "core/print_ui_rules.h"

#include <initializer_list>

#include "core/catalogue_rules.h"

namespace core {

namespace {

// A text that can stand between the template's quotation marks.
bool FitsInQuotes(std::wstring_view text) {
    return !text.empty() && text.find(L'"') == std::wstring_view::npos && text.find(L'\0') == std::wstring_view::npos;
}

// The template's pieces with the texts between them: pieces[0], texts[0],
// pieces[1], texts[1], ... pieces[n].
std::optional<std::wstring> Fill(std::initializer_list<std::wstring_view> pieces,
                                 std::initializer_list<std::wstring_view> texts) {
    size_t length = 0;
    for (std::wstring_view p : pieces) length += p.size();
    for (std::wstring_view t : texts) {
        if (!FitsInQuotes(t)) return std::nullopt;
        length += t.size();
    }
    if (length > kMaxPrintUiParamChars) return std::nullopt;
    std::wstring result;
    result.reserve(length);
    auto piece = pieces.begin();
    for (std::wstring_view t : texts) {
        result.append(*piece++);
        result.append(t);
    }
    result.append(*piece);
    return result;
}

}  // namespace

std::optional<std::wstring> InstallParameters(std::wstring_view printerName, std::wstring_view infPath,
                                              std::wstring_view port) {
    return Fill({L"PRINTUI.DLL,PrintUIEntry /if /n \"", L"\" /f \"", L"\" /r \"", L"\" /m \"", L"\" "},
                {printerName, infPath, port, printerName});
}

std::optional<std::wstring> MakeDefaultParameters(std::wstring_view printerName) {
    return Fill({L"PRINTUI.DLL,PrintUIEntry /y /q /n \"", L"\""}, {printerName});
}

std::optional<std::wstring> TestPageParameters(std::wstring_view printerName) {
    return Fill({L"PRINTUI.DLL,PrintUIEntry /k /q /n \"", L"\""}, {printerName});
}

std::optional<std::wstring> PrintUiHostPath(std::wstring_view systemDirectory) {
    if (systemDirectory.empty()) return std::nullopt;
    std::wstring path(systemDirectory);
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += kPrintUiHost;
    if (path.size() > kMaxPathChars) return std::nullopt;
    return path;
}

std::wstring_view StartFailureText(uint32_t errorCode) {
    switch (errorCode) {
    case 2:
        return L"The specified file was not found.";
    case 3:
        return L"The specified path was not found.";
    case 5:
        return L"Access to the specified file is denied.";
    case 8:
        return L"There is not enough memory to perform the specified action.";
    case 32:
        return L"A sharing violation occurred.";
    case 1155:
        return L"There is no application associated with the given file name extension.";
    case 1156:
        return L"The Dynamic Data Exchange (DDE) transaction failed.";
    case 1157:
        return L"One of the library files necessary to run the application can't be found.";
    case 1223:
        return L"The function prompted the user for additional information, but the user canceled the request.";
    default:
        return L"Other error occurred.";
    }
}

bool PrinterNameBeginsWith(std::wstring_view printerName, std::wstring_view givenName) {
    return !givenName.empty() && printerName.substr(0, givenName.size()) == givenName;
}

bool IsSamePrinterName(std::wstring_view printerName, std::wstring_view searchedName) {
    return !searchedName.empty() && printerName == searchedName;
}

bool TakesPlugAndPlayPath(std::wstring_view usbPortName, std::wstring_view identification,
                          std::wstring_view printerName) {
    if (usbPortName.substr(0, 3) != L"USB") return false;
    return printerName.find(identification) != 0;
}

}  // namespace core
