// The installer's rules on real printer data: the device IDs of
// tests/data/realworld and the some 4,100 that Debian's foomatic-db holds
// (installed by scripts/install-deps.sh), and the real INF lines, through
// the portable rules.  Expected values come from plain reference readings
// written here, not from the rules under test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue_rules.h"
#include "core/device_id.h"
#include "core/inf_models.h"
#include "core/inf_reader.h"
#include "core/medium_rules.h"
#include "core/print_ui_rules.h"
#include "gbk_codec.h"
#include "support/realworld_data.h"
#include "core/utf8.h"

namespace {

namespace fs = std::filesystem;

// ---- Reference readings of a device ID ----------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trimmed(std::string v) {
    while (!v.empty() && IsBlank(v.front())) v.erase(v.begin());
    while (!v.empty() && IsBlank(v.back())) v.pop_back();
    return v;
}

// The value after the first `key`: up to the next ';' or the end; with
// `needSemicolon`, as the rules used to read it, nothing without a ';'.
std::optional<std::string> Value(const std::string& text, const std::string& key, bool needSemicolon = false) {
    const size_t at = text.find(key);
    if (at == std::string::npos) return std::nullopt;
    const size_t end = text.find(';', at + key.size());
    if (end == std::string::npos && needSemicolon) return std::nullopt;
    return text.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
}

std::optional<std::string> Either(const std::string& text, const char* a, const char* b, bool needSemicolon = false) {
    if (text.find(a) != std::string::npos) return Value(text, a, needSemicolon);
    return Value(text, b, needSemicolon);
}

struct Expected {
    std::string mdl;                      // preselection's model
    std::optional<std::string> joined;    // identification string, none when refused
};

Expected Reference(const std::string& text) {
    Expected e;
    e.mdl = Trimmed(Value(text, "MDL:").value_or(""));
    const auto make = Either(text, "MFG:", "MANUFACTURER:");
    const auto model = Either(text, "MODEL:", "MDL:");
    if (make && model && make->size() + Trimmed(*model).size() < core::kMakeAndModelBytes)
        e.joined = *make + Trimmed(*model);
    return e;
}

// How the rules read the identification string before: a value needed its
// ';', and the model kept its blanks.
std::optional<std::string> FormerJoined(const std::string& text) {
    const auto make = Either(text, "MFG:", "MANUFACTURER:", true);
    const auto model = Either(text, "MODEL:", "MDL:", true);
    if (!make || !model || make->size() + model->size() >= core::kMakeAndModelBytes) return std::nullopt;
    return *make + *model;
}

std::wstring Widen(const std::string& s) {
    std::wstring w;
    for (char c : s) w += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

// The ID text as the port hands it to the rules: two length bytes, then the text.
std::string IdText(const realworld::DeviceIdRow& row) {
    std::vector<uint8_t> bytes;
    if (!row.raw) bytes = {static_cast<uint8_t>((row.id.size() + 2) >> 8), static_cast<uint8_t>(row.id.size() + 2)};
    bytes.insert(bytes.end(), row.id.begin(), row.id.end());
    return std::string(core::DeviceIdText(bytes.data(), bytes.size()));
}

struct Tally {
    size_t ids = 0, preselected = 0, mdlMended = 0, mended = 0, decisionChanged = 0, decisionWouldChange = 0;
};

// Checks one ID against the reference, and whether the Plug and Play
// decision differs from what the former reading gave.
void CheckId(const std::string& text, const std::string& label, Tally& tally) {
    SCOPED_TRACE(label);
    const Expected e = Reference(text);
    EXPECT_EQ(core::ModelAfterMdlKey(Widen(text)), Widen(e.mdl));
    char out[core::kMakeAndModelBytes];
    size_t length = 0;
    const bool ok = core::ReadMakeAndModel(text, out, sizeof out, length);
    EXPECT_EQ(ok, e.joined.has_value());
    if (ok && e.joined) EXPECT_EQ(std::string(out, length), *e.joined);
    ++tally.ids;
    tally.preselected += !e.mdl.empty();
    tally.mdlMended += Value(text, "MDL:", true).value_or("") != e.mdl;
    const auto former = FormerJoined(text);
    tally.mended += former != e.joined;
    // The installer's decision for the printer named after the ID's model:
    // only the maker's own printers have an identification string at all.
    const std::wstring printer = L"Orvane " + Widen(e.mdl);
    const auto decide = [&](const std::optional<std::string>& joined) {
        const std::wstring wide = Widen(joined.value_or(""));
        return core::TakesPlugAndPlayPath(L"USB001", core::IsMakersOwnPrinter(wide) ? wide : L"", printer);
    };
    tally.decisionChanged += decide(former) != decide(e.joined);
    // The same ID as if the maker had sent it.
    const auto asOwn = [](std::optional<std::string> joined, const std::optional<std::string>& make) {
        if (joined && make) joined->replace(0, make->size(), "Orvane");
        return joined;
    };
    const auto make = Either(text, "MFG:", "MANUFACTURER:");
    tally.decisionWouldChange += decide(asOwn(former, make)) != decide(asOwn(e.joined, make));
}

TEST(RealDeviceIds, EveryRowOfTheCollection) {
    const auto rows = realworld::DeviceIds();
    ASSERT_GE(rows.size(), 50u);
    Tally tally;
    for (const auto& row : rows) CheckId(IdText(row), "device-ids row " + std::to_string(row.number), tally);
    EXPECT_EQ(tally.decisionChanged, 0u);
    std::printf("[ IDS      ] %zu real IDs: %zu preselect a model (%zu of them read differently now), %zu "
                "identification strings read differently, Plug and Play decision changed for %zu (%zu had the maker "
                "sent them)\n",
                tally.ids, tally.preselected, tally.mdlMended, tally.mended, tally.decisionChanged, tally.decisionWouldChange);

    // What some of them give, spelt out.
    const std::map<std::string, Expected> known = {
        {"Mitsubishi CP30DW", {"CP30D", "MITSUBISHICP30D"}},
        {"Lexmark C540", {"Lexmark C540", " LexmarkLexmark C540"}},
        {"Magicard Tango 2E", {"RioTango2D", "Magicard RioTango2D"}},
        {"Kodak 1400", {"1400 Printer", "Eastman Kodak Company1400 Printer"}},
        {"Kodak 605", {"", std::nullopt}},                      // "MCL:", no model key
        {"Kyocera Mita FS-1010", {"", std::nullopt}},           // "Model:" is not "MODEL:"
        {"Epson FX-890 raw GET_DEVICE_ID buffer", {"FX-890", "EPSONFX-890"}},
        {"HP LaserJet 3100", {"", "Hewlett-PackardHP LaserJet 3100"}},
    };
    size_t found = 0;
    for (const auto& row : rows) {
        const auto it = known.find(row.printer);
        if (it == known.end()) continue;
        ++found;
        const std::string text = IdText(row);
        EXPECT_EQ(core::ModelAfterMdlKey(Widen(text)), Widen(it->second.mdl)) << row.printer;
        char out[core::kMakeAndModelBytes];
        size_t length = 0;
        EXPECT_EQ(core::ReadMakeAndModel(text, out, sizeof out, length), it->second.joined.has_value()) << row.printer;
        if (it->second.joined) EXPECT_EQ(std::string(out, length), *it->second.joined) << row.printer;
    }
    EXPECT_EQ(found, known.size());
}

std::string XmlUnescaped(std::string s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const size_t semi = s.find(';', i);
        const std::string entity = s.substr(i + 1, semi - i - 1);
        if (entity == "amp") out += '&';
        else if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else if (entity.size() > 1 && entity[0] == '#')
            out += static_cast<char>(entity[1] == 'x' ? std::stoi(entity.substr(2), nullptr, 16) : std::stoi(entity.substr(1)));
        else out += "&" + entity + ";";
        i = semi;
    }
    return out;
}

TEST(RealDeviceIds, EveryIdOfFoomaticDb) {
    const fs::path folder = "/usr/share/foomatic/db/source/printer";
    ASSERT_TRUE(fs::is_directory(folder)) << folder << " is missing: scripts/install-deps.sh installs foomatic-db";
    Tally tally;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".xml") continue;
        const std::string xml = realworld::ReadFile(entry.path());
        for (size_t at = xml.find("<ieee1284>"); at != std::string::npos; at = xml.find("<ieee1284>", at + 1)) {
            const size_t end = xml.find("</ieee1284>", at);
            if (end == std::string::npos) break;
            std::string text = XmlUnescaped(xml.substr(at + 10, end - at - 10));
            text = text.substr(0, text.find('\0'));  // a zero byte ends the ID, as the port reads it
            CheckId(text, entry.path().filename().string(), tally);
        }
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GE(tally.ids, 4000u);
    EXPECT_EQ(tally.decisionChanged, 0u);
    std::printf("[ IDS      ] %zu foomatic-db IDs: %zu preselect a model (%zu of them read differently "
                "now), %zu identification strings read differently, Plug and Play decision changed for %zu (%zu had "
                "the maker sent them)\n",
                tally.ids, tally.preselected, tally.mdlMended, tally.mended, tally.decisionChanged, tally.decisionWouldChange);
}

// ---- INF lines: the line rule and Windows' rule are one rule in practice -------------

std::string Utf16(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
    return bytes;
}

std::string Gbk(const std::wstring& text) {
    std::string bytes;
    EXPECT_TRUE(medium_check::EncodeGbkStrict(text, bytes));
    return bytes;
}

// Wherever the rule the installer has always used gives a usable hardware
// ID, Windows' rule gives the same, on every real line and the demo medium;
// and Windows' rule gives every real line's own ID.
TEST(RealInfLines, LineRuleAndWindowsRuleAgreeWhereverTheLineRuleIsUsable) {
    const std::wstring printer = L"Orvane RW-24";
    std::string name;
    ASSERT_TRUE(medium_check::EncodeGbkStrict(printer, name));
    size_t compared = 0, usable = 0;
    const auto check = [&](const std::string& bytes, const std::string& nameBytes, const std::wstring& printerName,
                           const std::optional<std::wstring>& expected, const std::string& label) {
        SCOPED_TRACE(label);
        const core::InfDocument doc(bytes, &medium_check::DecodeGbk);
        const core::ModelLookup lookup = core::LookUpModel(core::SectionReaderOf(doc), printerName, {});
        if (expected) {
            EXPECT_EQ(lookup.status == core::ModelLookup::Found, !expected->empty());
            EXPECT_EQ(lookup.id, *expected);
        }
        const core::HardwareIdSearch line = core::FindHardwareIdInText(bytes, nameBytes);
        std::wstring id;
        ++compared;
        if (line.status != core::HardwareIdSearch::Found || !medium_check::DecodeGbkStrict(line.id, id) ||
            !core::IsUsableHardwareId(id))
            return;
        ++usable;
        EXPECT_EQ(lookup.status, core::ModelLookup::Found);
        EXPECT_EQ(lookup.id, id);
    };
    for (const realworld::InfLineRow& row : realworld::InfLines()) {
        if (!realworld::IsModelsLine(row)) continue;
        for (const realworld::MediumVariant& v : realworld::MediumVariants(row, printer)) {
            const std::string label = "inf-lines row " + std::to_string(row.number) + ", " + v.name;
            check(Utf16(v.inf), name, printer, v.expected, label + ", UTF-16LE");
            check("\xEF\xBB\xBF" + core::ToUtf8(v.inf), name, printer, v.expected, label + ", UTF-8");
            check(Gbk(v.inf), name, printer, v.expected, label + ", GBK");
        }
    }
    // The demo medium: every model's ID comes from the line rule, unchanged.
    size_t demoModels = 0;
    for (const char* inf : {"Orvane 24pin", "Orvane 9pin"}) {
        const std::string bytes =
            realworld::ReadFile(fs::path(PI_DEMO_MEDIUM_DIR) / "OrvaneDriver/OrvaneDriver" / inf / "Orvane.INF");
        const core::InfDocument doc(bytes, &medium_check::DecodeGbk);
        for (const auto& line : doc.FindSection(L"Orvane.NTamd64")->lines) {
            const std::string model = core::ToUtf8(*line.key);
            const size_t before = usable;
            check(bytes, model, *line.key, std::nullopt, std::string("demo ") + model);
            EXPECT_EQ(usable, before + 1) << model << ": the line rule gives no usable ID";
            ++demoModels;
        }
    }
    EXPECT_EQ(demoModels, 9u);
    std::printf("[ COMPARED ] %zu INFs: the line rule usable in %zu, Windows' rule the same ID in each\n", compared,
                usable);
}

}  // namespace
