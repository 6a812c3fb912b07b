// The set-up command strings, their start-failure texts, the printer-name
// comparisons and the choice of the Plug and Play path.
#include "core/print_ui_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::wstring kInf = L"D:\\Setup\\OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";

// ---- Parameter strings ----------------------------------------------------

struct ParamCase {
    const char* name;
    std::optional<std::wstring> actual;
    std::wstring expected;
};

TEST(PrintUiParameters, FollowTheTemplatesExactly) {
    const ParamCase cases[] = {
        {"install: name, INF, port, name again, trailing blank",
         core::InstallParameters(L"Orvane OP-730K", kInf, L"LPT1:"),
         L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane OP-730K\" /f \"" + kInf +
             L"\" /r \"LPT1:\" /m \"Orvane OP-730K\" "},
        {"install on a USB port with a Chinese-free high-speed name",
         core::InstallParameters(L"Orvane VP-7730", L"C:\\x.INF", L"USB001"),
         L"PRINTUI.DLL,PrintUIEntry /if /n \"Orvane VP-7730\" /f \"C:\\x.INF\" /r \"USB001\" /m \"Orvane VP-7730\" "},
        {"make default", core::MakeDefaultParameters(L"Orvane VP-7730"),
         L"PRINTUI.DLL,PrintUIEntry /y /q /n \"Orvane VP-7730\""},
        {"test page to the display name", core::TestPageParameters(L"Orvane 曜驰7730"),
         L"PRINTUI.DLL,PrintUIEntry /k /q /n \"Orvane 曜驰7730\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.actual.has_value());
        EXPECT_EQ(*c.actual, c.expected);
    }
}

TEST(PrintUiParameters, InstallCommandEndsWithOneBlank) {
    const auto p = core::InstallParameters(L"P", L"I", L"R");
    ASSERT_TRUE(p);
    ASSERT_GE(p->size(), 2u);
    EXPECT_EQ(p->substr(p->size() - 2), L"\" ");
}

// Lengths around the 1023-character limit: the fixed part of each template
// plus names made long enough to land exactly on, or one past, the limit.
TEST(PrintUiParameters, RegressionLongParameterStringIsRefusedNotCut) {
    const size_t installFixed = core::InstallParameters(L"a", L"b", L"c")->size() - 4;
    const size_t defaultFixed = core::MakeDefaultParameters(L"a")->size() - 1;
    const size_t testFixed = core::TestPageParameters(L"a")->size() - 1;
    struct Case {
        const char* name;
        size_t total;  // characters of the whole string
        bool fits;
    };
    const Case cases[] = {{"exactly 1023", 1023, true}, {"1024", 1024, false}, {"well within", 400, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Install: the name twice, INF path and port; put the slack in the INF path.
        const std::wstring name(100, L'N');
        const std::wstring port = L"LPT1:";
        const std::wstring inf(c.total - installFixed - 2 * name.size() - port.size(), L'F');
        const auto install = core::InstallParameters(name, inf, port);
        EXPECT_EQ(install.has_value(), c.fits);
        if (install) EXPECT_EQ(install->size(), c.total);

        const auto def = core::MakeDefaultParameters(std::wstring(c.total - defaultFixed, L'D'));
        EXPECT_EQ(def.has_value(), c.fits);
        if (def) EXPECT_EQ(def->size(), c.total);
        const auto test = core::TestPageParameters(std::wstring(c.total - testFixed, L'T'));
        EXPECT_EQ(test.has_value(), c.fits);
        if (test) EXPECT_EQ(test->size(), c.total);
    }
}

TEST(PrintUiParameters, RegressionQuoteOrEmptyTextCannotReachTheCommand) {
    struct Case {
        const char* name;
        std::optional<std::wstring> actual;
    };
    const Case cases[] = {
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
        EXPECT_FALSE(c.actual.has_value()) << std::string(c.actual->begin(), c.actual->end());
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
        {4, L"Other error occurred."},
        {0xFFFFFFFFu, L"Other error occurred."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(core::StartFailureText(c.code), c.text);
    }
}

// ---- Names ------------------------------------------------------------------

TEST(PrinterNames, ExistenceCheckIsAnExactPrefix) {
    const struct {
        const wchar_t* printer;
        const wchar_t* given;
        bool matches;
    } cases[] = {
        {L"Orvane OP-730K", L"Orvane OP-730K", true},
        {L"Orvane OP-730K (副本 1)", L"Orvane OP-730K", true},  // the same name with a suffix counts
        {L"orvane OP-730K", L"Orvane OP-730K", false},         // letter case matters
        {L"Orvane OP-73", L"Orvane OP-730K", false},            // shorter than the given name
        {L"X Orvane OP-730K", L"Orvane OP-730K", false},
        {L"Orvane 曜驰7730", L"Orvane 曜驰7730", true},
        {L"Anything", L"", false},  // an empty name names no printer
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(core::PrinterNameBeginsWith(c.printer, c.given), c.matches);
    }
}

TEST(PrinterNames, RemovalSearchIsExact) {
    const struct {
        const wchar_t* printer;
        const wchar_t* searched;
        bool matches;
    } cases[] = {
        {L"Orvane OP-730K", L"Orvane OP-730K", true},
        {L"Orvane OP-730K Copy", L"Orvane OP-730K", false},  // merely begins with it
        {L"Orvane OP-730", L"Orvane OP-730K", false},
        {L"ORVANE OP-730K", L"Orvane OP-730K", false},
        {L"Orvane 曜驰7730", L"Orvane 曜驰7730", true},
        {L"Orvane VP-7730", L"Orvane 曜驰7730", false},
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(core::IsSamePrinterName(c.printer, c.searched), c.matches);
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
        {"another maker's own brand", L"USB002", L"TelvixQD-450", L"Orvane OP-730K", true},
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

}  // namespace
