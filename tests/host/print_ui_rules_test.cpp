// The set-up command strings, their start-failure texts, the printer-name
// comparisons and the choice of the Plug and Play path.
#include "core/print_ui_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::wstring kInf = L"D:\\Setup\\OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";

// ---- Parameter strings ----------------------------------------------------

// Lengths around the 1023-character limit: the fixed part of each template
// plus a text made long enough to land exactly on, or one past, the limit.
TEST(PrintUiParameters, RegressionLongParameterStringIsRefusedNotCut) {
    const size_t installFixed = core::InstallParameters(L"a", L"b", L"c")->size() - 4;
    const size_t defaultFixed = core::MakeDefaultParameters(L"a")->size() - 1;
    const size_t testFixed = core::TestPageParameters(L"a")->size() - 1;
    for (const size_t total : {size_t{1023}, size_t{1024}}) {
        SCOPED_TRACE(total);
        const bool fits = total <= 1023;
        // Install: the name twice, INF path and port; the slack is in the INF path.
        const std::wstring name(100, L'N'), port = L"LPT1:";
        const std::wstring inf(total - installFixed - 2 * name.size() - port.size(), L'F');
        const auto install = core::InstallParameters(name, inf, port);
        const auto def = core::MakeDefaultParameters(std::wstring(total - defaultFixed, L'D'));
        const auto test = core::TestPageParameters(std::wstring(total - testFixed, L'T'));
        for (const auto* p : {&install, &def, &test}) {
            EXPECT_EQ(p->has_value(), fits);
            if (*p) EXPECT_EQ((*p)->size(), total);
        }
    }
}

TEST(PrintUiParameters, RegressionQuoteOrEmptyTextCannotReachTheCommand) {
    const struct {
        const char* name;
        std::optional<std::wstring> actual;
    } cases[] = {
        {"quote in the printer name", core::InstallParameters(L"A\" /x \"B", kInf, L"LPT1:")},
        {"quote in the port", core::InstallParameters(L"Orvane OP-730K", kInf, L"LPT1:\" /z")},
        {"quote in the INF path", core::InstallParameters(L"Orvane OP-730K", L"C:\\a\"b", L"LPT1:")},
        {"zero in the name", core::MakeDefaultParameters(std::wstring(L"Orv\0ane", 7))},
        {"empty printer name", core::InstallParameters(L"", kInf, L"LPT1:")},
        {"empty port", core::InstallParameters(L"Orvane OP-730K", kInf, L"")},
        {"empty name for the default", core::MakeDefaultParameters(L"")},
        {"empty name for the test page", core::TestPageParameters(L"")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.actual.has_value());
    }
}

// ---- Start failures ---------------------------------------------------------

TEST(PrintUiStartFailure, TextByErrorCode) {
    const struct {
        uint32_t code;
        const wchar_t* text;
    } cases[] = {
        {2, L"The specified file was not found."},
        {3, L"The specified path was not found."},
        {5, L"Access to the specified file is denied."},
        {8, L"There is not enough memory to perform the specified action."},
        {32, L"A sharing violation occurred."},
        {1155, L"There is no application associated with the given file name extension."},
        {1156, L"The Dynamic Data Exchange (DDE) transaction failed."},
        {1157, L"One of the library files necessary to run the application can't be found."},
        {1223, L"The function prompted the user for additional information, but the user canceled the request."},
        {87, L"Other error occurred."},
        {0, L"Other error occurred."},
        {0xFFFFFFFFu, L"Other error occurred."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(core::StartFailureText(c.code), c.text);
    }
}

// ---- Names ------------------------------------------------------------------

// The existence check takes an exact prefix; the removal search the exact
// name.  Both keep letter case, and an empty name names no printer.
TEST(PrinterNames, ExistenceIsAnExactPrefixRemovalAnExactName) {
    const struct {
        const wchar_t* printer;
        const wchar_t* given;
        bool beginsWith, same;
    } cases[] = {
        {L"Orvane OP-730K", L"Orvane OP-730K", true, true},
        {L"Orvane OP-730K (副本 1)", L"Orvane OP-730K", true, false},
        {L"orvane OP-730K", L"Orvane OP-730K", false, false},
        {L"Orvane OP-73", L"Orvane OP-730K", false, false},
        {L"X Orvane OP-730K", L"Orvane OP-730K", false, false},
        {L"Orvane 曜驰7730", L"Orvane 曜驰7730", true, true},
        {L"Anything", L"", false, false},
        {L"", L"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(core::PrinterNameBeginsWith(c.printer, c.given), c.beginsWith);
        EXPECT_EQ(core::IsSamePrinterName(c.printer, c.given), c.same);
    }
}

// ---- Plug and Play or set-up command ----------------------------------------

TEST(PlugAndPlayPath, RecognisedUsbPrinterWhoseIdentificationDoesNotBeginTheName) {
    const struct {
        const char* name;
        const wchar_t* port;
        const wchar_t* identification;
        const wchar_t* printer;
        bool plugAndPlay;
    } cases[] = {
        {"recognised, blank missing", L"USB001", L"OrvaneVP-7730", L"Orvane VP-7730", true},
        {"identification found later in the name", L"USB001", L"OP-730K", L"Orvane OP-730K", true},
        {"identification begins the name exactly", L"USB001", L"Orvane OP-730K", L"Orvane OP-730K", false},
        {"identification is a prefix of the name", L"USB001", L"Orvane", L"Orvane OP-730K", false},
        {"no recognised printer: empty identification", L"USB001", L"", L"Orvane OP-730K", false},
        {"not a USB port", L"LPT1:", L"OrvaneVP-7730", L"Orvane VP-7730", false},
        {"no port found", L"", L"OrvaneVP-7730", L"Orvane VP-7730", false},
        {"port too short", L"US", L"OrvaneVP-7730", L"Orvane VP-7730", false},
        {"lower-case usb", L"usb001", L"OrvaneVP-7730", L"Orvane VP-7730", false},
        {"USB and more digits", L"USB1000", L"KestoX", L"Orvane OP-9150", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(core::TakesPlugAndPlayPath(c.port, c.identification, c.printer), c.plugAndPlay);
    }
}

// ---- The set-up host ---------------------------------------------------------

// Only the system folder's own rundll32.exe is ever started; a folder that
// gives no usable path gives no host rather than a bare name the search
// would resolve elsewhere.
TEST(PrintUiHost, IsTheSystemFoldersRundll32ByItsFullPath) {
    const std::wstring deep = L"C:\\" + std::wstring(250, L'd');
    const struct {
        std::wstring system;
        std::optional<std::wstring> host;
    } cases[] = {
        {L"C:\\Windows\\system32", L"C:\\Windows\\system32\\rundll32.exe"},
        {L"C:\\Windows\\system32\\", L"C:\\Windows\\system32\\rundll32.exe"},
        {L"", std::nullopt},
        {deep, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(core::PrintUiHostPath(c.system), c.host) << c.system.size();
}

}  // namespace
