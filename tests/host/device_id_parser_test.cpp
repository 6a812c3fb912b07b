#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/device_id.h"

namespace {

// An ID as a printer sends it: the length of the whole ID, most significant
// byte first, then the text.
std::vector<uint8_t> WithLength(const std::string& text) {
    const size_t total = text.size() + 2;
    std::vector<uint8_t> id{static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total & 0xFF)};
    id.insert(id.end(), text.begin(), text.end());
    return id;
}

struct MakeModel {
    bool ok;
    std::string joined;
};

MakeModel Parse(std::string_view text, size_t capacity = core::kMakeAndModelBytes) {
    std::vector<char> out(capacity + 1, 'X');
    size_t length = 12345;
    const bool ok = core::ReadMakeAndModel(text, capacity ? out.data() : nullptr, capacity, length);
    if (!ok) {
        EXPECT_EQ(length, 0u);
        if (capacity) EXPECT_EQ(out[0], '\0') << "a refused read leaves an empty text";
        return {false, {}};
    }
    EXPECT_EQ(out[length], '\0') << "joined text must be zero-terminated";
    return {true, std::string(out.data(), length)};
}

TEST(DeviceIdText, SkipsTheTwoLengthBytesWhateverTheyHold) {
    const struct {
        const char* name;
        std::vector<uint8_t> id;
        std::string expected;
    } cases[] = {
        {"length 0x0134 (first byte not zero)", {0x01, 0x34, 'M', 'F', 'G', ':', 'A', ';'}, "MFG:A;"},
        {"stops at the first zero", {0, 9, 'A', ';', 0, 'B', ';'}, "A;"},
        // A device that fills the whole buffer: bounded by what it returned.
        {"no zero at the end", std::vector<uint8_t>(core::kDeviceIdBytes, 'A'),
         std::string(core::kDeviceIdBytes - 2, 'A')},
    };
    for (const auto& c : cases) EXPECT_EQ(core::DeviceIdText(c.id.data(), c.id.size()), c.expected) << c.name;
    EXPECT_EQ(core::DeviceIdText(nullptr, 10), "");
}

// Device IDs, made up and as printers of several makers send them, with the
// two length bytes in front.
TEST(ReadMakeAndModel, KeyChoiceOrderAndRealLookingIds) {
    const struct {
        const char* name;
        std::string text;
        bool ok;
        std::string joined;
    } cases[] = {
        {"short keys", "MFG:Telvix;MDL:QD-450;", true, "TelvixQD-450"},
        {"long keys", "MANUFACTURER:Telvix;MODEL:QD-450;", true, "TelvixQD-450"},
        {"model before manufacturer", "MDL:QD-450;MFG:Telvix;", true, "TelvixQD-450"},
        {"MFG wins over an earlier MANUFACTURER", "MANUFACTURER:Long;MFG:Short;MDL:M;", true, "ShortM"},
        {"MANUFACTURER only when MFG is absent", "MANUFACTURER:Long;MDL:M;", true, "LongM"},
        {"MODEL wins over an earlier MDL", "MDL:short;MODEL:long;MFG:X;", true, "Xlong"},
        {"MDL only when MODEL is absent", "MFG:X;MDL:short;", true, "Xshort"},
        {"first occurrence wins", "MFG:One;MFG:Two;MDL:A;MDL:B;", true, "OneA"},
        {"keys are case-sensitive", "mfg:X;mdl:Y;", false, ""},
        {"manufacturer but no model key", "MFG:Telvix;CMD:ESC/P;CLS:PRINTER;", false, ""},
        {"last pair (manufacturer) without ';'", "MDL:QD-450;MFG:Telvix", true, "TelvixQD-450"},
        {"empty values", "MFG:;MDL:;", true, ""},
        {"only the first ':' separates", "MFG:a:b;MDL:x;", true, "a:bx"},
        {"empty ID", "", false, ""},
        {"ID of 256 bytes and more", "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;DES:" + std::string(300, 'd') + ";", true,
         "OrvaneVP-7730"},
        {"Canon inkjet, long keys",
         "MANUFACTURER:Canon;COMMAND SET:BJL,BJRaster3,BSCCe,IVEC,IVECPLI;MODEL:iP2700 series;CLASS:PRINTER;"
         "DESCRIPTION:Canon iP2700 series;",
         true, "CanoniP2700 series"},
        {"label printer with both model keys",
         "MANUFACTURER:Zebra Technologies;COMMAND SET:ZPL;MODEL:ZTC GK420d;MDL:GK420d;CLASS:PRINTER;", true,
         "Zebra TechnologiesZTC GK420d"},
        {"firmware that drops the final ';'", "MFG:Kesto;CMD:ESC/P;CLS:PRINTER;MDL:KP-120", true, "KestoKP-120"},
        {"model padded, manufacturer kept as sent", "MFG:Orvane ;MDL: KX-24  ;", true, "Orvane KX-24"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto id = WithLength(c.text);
        const MakeModel r = Parse(core::DeviceIdText(id.data(), id.size()));
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.joined, c.joined);
    }
}

// A joined text over 63 bytes is refused, never cut: "TelvixQD-4500..." cut
// to fit could read as another model the user does not have.
TEST(ReadMakeAndModel, At63BytesItFitsOver63ItIsRefusedNotCut) {
    const struct {
        std::string make, model;
        bool ok;
    } cases[] = {
        {std::string(30, 'm'), std::string(33, 'd'), true},
        {std::string(30, 'm'), std::string(34, 'd'), false},
        {std::string(63, 'm'), "", true},
        {"", std::string(64, 'd'), false},
        {"Telvix", "QD-450" + std::string(52, '0'), false},  // regression: joined exactly 64 bytes
        {std::string(200, 'm'), std::string(200, 'd'), false},
    };
    for (const auto& c : cases) {
        const MakeModel r = Parse("MFG:" + c.make + ";MDL:" + c.model + ";");
        EXPECT_EQ(r.ok, c.ok) << c.make.size() << "+" << c.model.size();
        EXPECT_EQ(r.joined, c.ok ? c.make + c.model : "");
    }
}

TEST(ReadMakeAndModel, SmallerBufferLowersTheBound) {
    const std::string text = "MFG:Telvix;MDL:QD-450;";  // 12 bytes joined
    EXPECT_TRUE(Parse(text, 13).ok);
    EXPECT_FALSE(Parse(text, 12).ok);
    EXPECT_FALSE(Parse(text, 0).ok);
    // A larger buffer does not lift the 63-byte bound.
    EXPECT_FALSE(Parse("MFG:" + std::string(40, 'm') + ";MDL:" + std::string(40, 'd') + ";", 1024).ok);
}

TEST(MakersOwnPrinter, ComparesTheNamesCaseSensitivelyOverTheirLength) {
    const struct {
        const wchar_t* text;
        bool own;
    } cases[] = {
        {L"Telvix CorpQD-450", true}, {L"TELVIXQD-450", true}, {L"KestoKP-120", true},     {L"OrvaneVP-7730", true},
        {L"telvixQD-450", false},     {L"Telvi", false},       {L"ORVANEVP", false},       {L"EPSONLQ-590", false},
        {L" TelvixQD-450", false},    {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(core::IsMakersOwnPrinter(c.text), c.own) << c.text;
}

TEST(ModelAfterMdlKey, ReadsOnlyMdlUpToTheNextSemicolon) {
    const struct {
        const wchar_t* text;
        const wchar_t* model;
    } cases[] = {
        {L"MFG:Orvane;MDL:VP-7730;CLS:PRINTER;", L"VP-7730"},
        {L"MFG:Telvix;MODEL:QD-450;", L""},  // MODEL: is never read here
        {L"MODEL:Long;MDL:Short;", L"Short"},
        {L"MFG:Telvix;MDL:QD-450", L"QD-450"},  // no ';' after it
        {L"MDL:打印机;", L"打印机"},
        {L"MDL:A;MDL:B;", L"A"},
        {L"MDL:;MDL:B;", L""},
        {L"MDL: \t ;", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(core::ModelAfterMdlKey(c.text), c.model) << c.text;
}

// Regressions: the model of a printer whose ID pads it with blanks, or
// whose last pair has no ';', was read padded or not at all, so the printer
// was never preselected nor identified.
TEST(DeviceIdModel, PaddedModelOrLastPairWithoutSemicolonIsRead) {
    const struct {
        std::string text;
        const wchar_t* mdl;   // ModelAfterMdlKey
        const char* joined;   // ReadMakeAndModel
    } cases[] = {
        {"MFG:Zebra;MDL:LP2844 ;", L"LP2844", "ZebraLP2844"},
        {"MFG:Eastman Kodak Company;CMD:EK1;MDL: 1400 Printer;CLS:Printer;", L"1400 Printer",
         "Eastman Kodak Company1400 Printer"},
        {"MFG:MITSUBISHI;CMD:MEL;MDL:CP30D   ;CLS:PRINTER;", L"CP30D", "MITSUBISHICP30D"},
        {"MFG: Lexmark;MDL: Lexmark C540", L"Lexmark C540", " LexmarkLexmark C540"},
        {"MFG:Orvane;MDL:VP-7730", L"VP-7730", "OrvaneVP-7730"},
        {"MFG:Orvane;MDL:VP-7730\r\n", L"VP-7730", "OrvaneVP-7730"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(core::ModelAfterMdlKey(std::wstring(c.text.begin(), c.text.end())), c.mdl);
        const MakeModel r = Parse(c.text);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.joined, c.joined);
    }
}

}  // namespace
