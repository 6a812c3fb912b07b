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
    size_t length;
};

MakeModel Parse(std::string_view text, size_t capacity = core::kMakeAndModelBytes) {
    std::vector<char> out(capacity + 1, 'X');
    size_t length = 12345;
    bool ok = core::ReadMakeAndModel(text, capacity ? out.data() : nullptr, capacity, length);
    if (ok) {
        EXPECT_EQ(out[length], '\0') << "joined text must be zero-terminated";
        return {ok, std::string(out.data(), length), length};
    }
    if (capacity) EXPECT_EQ(out[0], '\0') << "a refused read leaves an empty text";
    return {ok, {}, length};
}

TEST(DeviceIdText, SkipsTheTwoLengthBytesWhateverTheyHold) {
    struct Case {
        const char* name;
        std::vector<uint8_t> id;
        std::string expected;
    };
    std::vector<Case> cases = {
        {"short ID", WithLength("MFG:Telvix;MDL:QD-450;"), "MFG:Telvix;MDL:QD-450;"},
        {"length 0x0134 (first byte not zero)", {0x01, 0x34, 'M', 'F', 'G', ':', 'A', ';'}, "MFG:A;"},
        {"length bytes little-endian", {0x08, 0x00, 'M', 'D', 'L', ':', 'B', ';'}, "MDL:B;"},
        {"length bytes that look like text", {'M', 'F', 'G', ':', 'x', ';'}, "G:x;"},
        {"stops at the first zero", {0, 9, 'A', ';', 0, 'B', ';'}, "A;"},
        {"zero at once", {0, 2, 0, 'A'}, ""},
        {"only the length bytes", {0, 2}, ""},
        {"one byte", {7}, ""},
        {"nothing", {}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::DeviceIdText(c.id.data(), c.id.size()), c.expected) << c.name;
    }
    EXPECT_EQ(core::DeviceIdText(nullptr, 10), "");
}

TEST(DeviceIdText, ReadsAnIdOf256BytesAndMoreLikeAShortOne) {
    // The first length byte is not zero from 256 bytes on.
    std::string text = "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;DES:";
    text += std::string(300, 'd');
    text += ';';
    auto id = WithLength(text);
    ASSERT_GE(id[0], 1);
    EXPECT_EQ(core::DeviceIdText(id.data(), id.size()), text);
    MakeModel r = Parse(core::DeviceIdText(id.data(), id.size()));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.joined, "OrvaneVP-7730");
}

TEST(DeviceIdText, EndsAtTheBytesReturnedWhenNoZeroFollows) {
    // A device that fills the whole buffer: the text is bounded by what it
    // returned, never read past.
    std::vector<uint8_t> id(core::kDeviceIdBytes, 'A');
    EXPECT_EQ(core::DeviceIdText(id.data(), id.size()).size(), core::kDeviceIdBytes - 2);
    EXPECT_EQ(core::DeviceIdText(id.data(), 10).size(), 8u);
}

TEST(ExtractKeyValue, TakesTheTextBetweenTheNextColonAndSemicolon) {
    struct Case {
        std::string_view text;
        size_t pos;
        bool ok;
        std::string_view value;
    };
    const Case cases[] = {
        {"MFG:Telvix;MDL:QD-450;", 0, true, "Telvix"},
        {"MFG:Telvix;MDL:QD-450;", 11, true, "QD-450"},
        {"MFG:;", 0, true, ""},
        {"MFG:a:b;", 0, true, "a:b"},       // only the first ':' separates
        {"CLS:PRINTER;MFG:X;", 3, true, "PRINTER"},
        {"MFG:Telvix", 0, false, ""},       // last pair without ';'
        {"MFG Telvix;", 0, false, ""},      // no ':' at all
        {"MFG:Telvix;", 11, false, ""},     // starts at the end
        {"", 0, false, ""},
    };
    for (const auto& c : cases) {
        std::string_view value = "untouched";
        bool ok = core::ExtractKeyValue(c.text, c.pos, value);
        EXPECT_EQ(ok, c.ok) << c.text << " @" << c.pos;
        if (c.ok) EXPECT_EQ(value, c.value) << c.text;
    }
}

struct ParseCase {
    const char* name;
    std::string text;
    bool ok;
    std::string joined;
};

void RunParseCases(const std::vector<ParseCase>& cases) {
    for (const auto& c : cases) {
        auto id = WithLength(c.text);
        MakeModel r = Parse(core::DeviceIdText(id.data(), id.size()));
        EXPECT_EQ(r.ok, c.ok) << c.name;
        EXPECT_EQ(r.joined, c.joined) << c.name;
        EXPECT_EQ(r.length, c.joined.size()) << c.name;
    }
}

TEST(ReadMakeAndModel, KeyChoiceAndOrder) {
    RunParseCases({
        {"short keys", "MFG:Telvix;MDL:QD-450;", true, "TelvixQD-450"},
        {"long keys", "MANUFACTURER:Telvix;MODEL:QD-450;", true, "TelvixQD-450"},
        {"model before manufacturer", "MDL:QD-450;MFG:Telvix;", true, "TelvixQD-450"},
        {"MFG wins over an earlier MANUFACTURER", "MANUFACTURER:Long;MFG:Short;MDL:M;", true, "ShortM"},
        {"MANUFACTURER only when MFG is absent", "MANUFACTURER:Long;MDL:M;", true, "LongM"},
        {"MODEL wins over an earlier MDL", "MDL:short;MODEL:long;MFG:X;", true, "Xlong"},
        {"MDL only when MODEL is absent", "MFG:X;MDL:short;", true, "Xshort"},
        {"first occurrence wins", "MFG:One;MFG:Two;MDL:A;MDL:B;", true, "OneA"},
        {"keys are case-sensitive", "mfg:X;mdl:Y;", false, ""},
        {"key inside another key still counts", "XMFG:In;MDL:M;", true, "InM"},
        {"no manufacturer", "CMD:ESC/P;MDL:QD-450;", false, ""},
        {"manufacturer but no model key", "MFG:Telvix;CMD:ESC/P;CLS:PRINTER;", false, ""},
        {"last pair (model) without ';'", "MFG:Telvix;MDL:QD-450", false, ""},
        {"last pair (manufacturer) without ';'", "MDL:QD-450;MFG:Telvix", false, ""},
        {"empty values", "MFG:;MDL:;", true, ""},
        {"empty ID", "", false, ""},
    });
}

// Device IDs as printers of several makers send them.
TEST(ReadMakeAndModel, RealLookingDeviceIds) {
    RunParseCases({
        {"Epson dot matrix",
         "MFG:EPSON;CMD:ESCP9,BDC,D4;MDL:LQ-590;CLS:PRINTER;DES:EPSON LQ-590;", true, "EPSONLQ-590"},
        {"HP laser",
         "MFG:Hewlett-Packard;CMD:PJL,PML,PCLXL,POSTSCRIPT,PCL;MDL:HP LaserJet P2055d;CLS:PRINTER;"
         "DES:Hewlett-Packard LaserJet P2055d;MEM:MEM=55MB;COMMENT:RES=1200x1;",
         true, "Hewlett-PackardHP LaserJet P2055d"},
        {"Canon inkjet, long keys",
         "MANUFACTURER:Canon;COMMAND SET:BJL,BJRaster3,BSCCe,IVEC,IVECPLI;MODEL:iP2700 series;CLASS:PRINTER;"
         "DESCRIPTION:Canon iP2700 series;",
         true, "CanoniP2700 series"},
        {"Brother, trailing capabilities",
         "MFG:Brother;CMD:PJL,PCL,PCLXL,URF;MDL:HL-L2350DW series;CLS:PRINTER;CID:Brother Laser Type1;"
         "URF:W8,CP1,IS4-1,MT1-3-4-5-8,OB10,PQ4,RS300-600,V1.4,DM1;",
         true, "BrotherHL-L2350DW series"},
        {"OKI dot matrix", "MFG:OKI DATA CORP;CMD:PCL,IBMPPR,EPSONFX;MDL:ML320/1TURBO;CLS:PRINTER;", true,
         "OKI DATA CORPML320/1TURBO"},
        {"label printer with both model keys",
         "MANUFACTURER:Zebra Technologies;COMMAND SET:ZPL;MODEL:ZTC GK420d;MDL:GK420d;CLASS:PRINTER;", true,
         "Zebra TechnologiesZTC GK420d"},
        {"maker's own, 24-pin", "MFG:Telvix;CMD:ESC/P2;MDL:QD-450;CLS:PRINTER;DES:Telvix QD-450;", true,
         "TelvixQD-450"},
        {"maker's own, high speed", "MFG:Orvane;CMD:ESC/P;MDL:VP-7730;CLS:PRINTER;", true, "OrvaneVP-7730"},
        {"firmware that drops the final ';'", "MFG:Kesto;CMD:ESC/P;CLS:PRINTER;MDL:KP-120", false, ""},
    });
}

TEST(ReadMakeAndModel, At63BytesItFitsOver63ItIsRefusedNotCut) {
    struct Case {
        const char* name;
        size_t make, model;
        bool ok;
    };
    const Case cases[] = {
        {"63 joined", 30, 33, true},
        {"64 joined", 30, 34, false},
        {"manufacturer alone 63", 63, 0, true},
        {"manufacturer alone 64", 64, 0, false},
        {"model alone 64", 0, 64, false},
        {"far over", 200, 200, false},
    };
    for (const auto& c : cases) {
        std::string make(c.make, 'm'), model(c.model, 'd');
        MakeModel r = Parse("MFG:" + make + ";MDL:" + model + ";");
        EXPECT_EQ(r.ok, c.ok) << c.name;
        if (c.ok) EXPECT_EQ(r.joined, make + model) << c.name;
        else EXPECT_EQ(r.length, 0u) << c.name;
    }
}

// A cut joined text would name a different printer: "TelvixQD-4500" cut to
// fit would read as "TelvixQD-450", a model the user does not have.
TEST(ReadMakeAndModel, RegressionLongJoinedNameIsNotTruncatedIntoAnotherModel) {
    const std::string make = "Telvix";
    const std::string model = "QD-450" + std::string(64 - 6 - 6, '0');  // joined exactly 64 bytes
    MakeModel r = Parse("MFG:" + make + ";MDL:" + model + ";");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.joined, "");
}

TEST(ReadMakeAndModel, SmallerBufferLowersTheBound) {
    const std::string text = "MFG:Telvix;MDL:QD-450;";  // 12 bytes joined
    EXPECT_TRUE(Parse(text, 13).ok);
    EXPECT_FALSE(Parse(text, 12).ok);
    EXPECT_FALSE(Parse(text, 1).ok);
    EXPECT_FALSE(Parse(text, 0).ok);
    // A larger buffer does not lift the 63-byte bound.
    const std::string longer = "MFG:" + std::string(40, 'm') + ";MDL:" + std::string(40, 'd') + ";";
    EXPECT_FALSE(Parse(longer, 1024).ok);
}

TEST(MakersOwnPrinter, ComparesTheNamesCaseSensitivelyOverTheirLength) {
    struct Case {
        const wchar_t* text;
        bool own;
    };
    const Case cases[] = {
        {L"TelvixQD-450", true},   {L"Telvix CorpQD-450", true}, {L"TELVIXQD-450", true},
        {L"KestoKP-120", true},    {L"OrvaneVP-7730", true},     {L"Telvix", true},
        {L"telvixQD-450", false},  {L"TelviQD", false},          {L"Telvi", false},
        {L"kestoKP", false},       {L"ORVANEVP", false},         {L"EPSONLQ-590", false},
        {L" TelvixQD-450", false}, {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(core::IsMakersOwnPrinter(c.text), c.own) << c.text;
}

TEST(ModelAfterMdlKey, ReadsOnlyMdlUpToTheNextSemicolon) {
    struct Case {
        const wchar_t* text;
        const wchar_t* model;
    };
    const Case cases[] = {
        {L"MFG:Orvane;MDL:VP-7730;CLS:PRINTER;", L"VP-7730"},
        {L"MFG:Telvix;MODEL:QD-450;", L""},            // MODEL: is never read here
        {L"MODEL:Long;MDL:Short;", L"Short"},
        {L"MFG:Telvix;MDL:QD-450", L""},               // no ';' after it
        {L"MDL:;", L""},
        {L"mdl:QD-450;", L""},
        {L"MDL:打印机;", L"打印机"},
        {L"MDL:A;MDL:B;", L"A"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(core::ModelAfterMdlKey(c.text), c.model) << c.text;
}

}  // namespace
