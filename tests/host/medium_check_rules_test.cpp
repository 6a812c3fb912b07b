// The medium checker, natively: every rule against a medium that breaks it
// (laid out in a scratch folder and read through the native medium, as the
// native program reads it), code page 936 as Windows converts it, file names
// looked up as Windows looks them up, and the built program itself with its
// output and exit status.  A rule case's findings must be exactly the
// expected ones, no more, so that a rule that stops firing and a rule that
// fires where the installer would not fail are both caught.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/medium_rules.h"
#include "gbk_codec.h"
#include "native_medium.h"
#include "core/utf8.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kInf24 = L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";
const std::wstring kInf9 = L"OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF";
const std::string kP9 = "\"Orvane OP-9150\"";  // as the 9-pin INF names the 9-pin printer
// Lines 1-5 of a driver INF: the models lines start on line 6.
const std::wstring kInf9Folder = L"OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\";
// An install section for the 9-pin printer's line (lines 7-13 after it):
// the data file OP9150.GPD from disk 1 in the INF's own folder.
const std::string kInstall =
    "\r\n[SourceDisksNames]\r\n1=\"Disk\",,,\r\n[SourceDisksFiles]\r\nOP9150.GPD=1\r\n"
    "[OP9150]\r\nCopyFiles=@OP9150.GPD\r\nDataFile=OP9150.GPD";
const std::string kInfHead =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n\"Orvane\"=Orvane,NTamd64\r\n[Orvane.NTamd64]\r\n";

std::string Utf16Bytes(const std::wstring& text, bool bigEndian = false, bool mark = true) {
    std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (wchar_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

std::wstring Ascii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Gbk(const std::wstring& text) {
    std::string bytes;
    EXPECT_TRUE(medium_check::EncodeGbkStrict(text, bytes)) << "text without a GBK form";
    return bytes;
}

// Catalogue text as Notepad saves it as "Unicode", and in forms the profile functions misread.
std::string Utf16LE(const std::wstring& text) { return Utf16Bytes(text); }
std::string Utf16BE(const std::wstring& text) { return Utf16Bytes(text, true); }
std::string Utf16NoMark(const std::wstring& text) { return Utf16Bytes(text, false, false); }
std::string Utf8(const std::wstring& text) { return core::ToUtf8(text); }
std::string Utf8Mark(const std::wstring& text) { return "\xEF\xBB\xBF" + core::ToUtf8(text); }

// A scratch folder of its own, removed again afterwards.
struct ScratchDir {
    static inline int counter = 0;
    const fs::path path = fs::temp_directory_path() / ("pi-medium-check-" + std::to_string(::getpid()) + "-" +
                                                       std::to_string(++counter));
    ScratchDir() { fs::create_directories(path); }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path Native(const std::wstring& relative) const {
        std::string p = core::ToUtf8(relative);
        std::replace(p.begin(), p.end(), '\\', '/');
        return path / p;
    }
    // Writes `bytes` to a Windows path relative to the folder.
    void Write(const std::wstring& relative, const std::string& bytes) const {
        fs::create_directories(Native(relative).parent_path());
        std::ofstream(Native(relative), std::ios::binary) << bytes;
    }
};

// File bytes that lay out a folder of the file's name, which does not open as a file.
const std::string kUnreadable = "(a folder)";

// A medium: the catalogue as lines, every other file as bytes.
struct Medium {
    std::vector<std::wstring> catalogue;
    std::string (*encode)(const std::wstring&) = &Utf16LE;  // none: no catalogue
    std::map<std::wstring, std::string> files;

    // Line numbers below are those of this catalogue.
    static Medium Good() {
        Medium m;
        m.catalogue = {
            L"[PRINTER_SERIES]", L"经典系列", L"高速系列",             // 1-3
            L"[经典系列]", L"OP-730K", L"OP-9150",                     // 4-6
            L"[高速系列]", L"曜驰7730",                                // 7-8
            L"[PRINTER_NAME]", L"OP-730K=Orvane OP-730K",              // 9-10
            L"OP-9150=Orvane OP-9150", L"曜驰7730=Orvane VP-7730",     // 11-12
            L"[PRINTER_TYPE]", L"Orvane OP-730K=24",                   // 13-14
            L"Orvane OP-9150=9", L"Orvane VP-7730=24",                 // 15-16
            L"[PRINTER_MAN]", L"OP-730K=OP-730K.pdf",                  // 17-18
            L"曜驰7730=VP-7730.pdf", L"[OTHER_SOFTWARE]",              // 19-20
            L"Quorin=Quorin\\Quorin.exe", L"Tessan=Tessan\\Tessan.exe",  // 21-22
        };
        m.files[kInf24] = kInfHead +
                          "\"Orvane OP-730K\" = OP730K.GPD,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\OrvaneOP-730K8C1E\r\n"
                          "\"Orvane VP-7730\" = VP7730.GPD,USBPRINT\\OrvaneVP-77305E31,LPTENUM\\OrvaneVP-77305E31\r\n";
        m.files[kInf9] = kInfHead + "\"Orvane OP-9150\" = OP9150.GPD,USBPRINT\\Orvane9150,LPTENUM\\X\r\n";
        for (const wchar_t* f : {L"OP-730K.pdf", L"VP-7730.pdf", L"Printer.PDF"})
            m.files[L"OrvaneManual\\" + std::wstring(f)] = "%PDF-1.4\n";
        m.files[L"Quorin\\Quorin.exe"] = m.files[L"Tessan\\Tessan.exe"] = "MZ";
        return m;
    }

    // The 1-based catalogue line that starts with `prefix`.
    size_t Line(const std::wstring& prefix) const {
        const auto at = std::ranges::find_if(catalogue, [&](const std::wstring& l) { return l.starts_with(prefix); });
        EXPECT_NE(at, catalogue.end()) << "no catalogue line starts with the given text";
        return static_cast<size_t>(at - catalogue.begin()) + 1;
    }
    void InsertAfter(const std::wstring& prefix, const std::vector<std::wstring>& lines) {
        catalogue.insert(catalogue.begin() + static_cast<long>(Line(prefix)), lines.begin(), lines.end());
    }
    // A model that installs cleanly: models line, printer name, pin type, INF line.
    void AddModel(const std::wstring& series, const std::wstring& model, const std::wstring& printer) {
        InsertAfter(L"[" + series + L"]", {model});
        InsertAfter(L"[PRINTER_NAME]", {model + L"=" + printer});
        InsertAfter(L"[PRINTER_TYPE]", {printer + L"=24"});
        files[kInf24] += "\"" + core::ToUtf8(printer) + "\" = X.GPD,USBPRINT\\X,LPTENUM\\X\r\n";
    }

    void WriteTo(const ScratchDir& dir) const {
        std::wstring text;
        for (const auto& l : catalogue) text += l + L"\r\n";
        if (encode) dir.Write(L"PrinterInfor.Inf", encode(text));
        for (const auto& [path, bytes] : files)
            if (bytes == kUnreadable) fs::create_directories(dir.Native(path));
            else dir.Write(path, bytes);
    }
};

// A finding reduced to what a case pins: "error rule file:line".
std::string Brief(const char* severity, const std::string& rule, const std::wstring& file, size_t line) {
    return std::string(severity) + " " + rule + " " + core::ToUtf8(file) + ":" + std::to_string(line);
}
std::vector<std::string> Briefs(const core::CheckReport& report) {
    std::vector<std::string> out;
    for (const auto& f : report.findings)
        out.push_back(Brief(f.severity == core::Severity::Error ? "error" : "warning", f.rule, f.file, f.line));
    std::sort(out.begin(), out.end());
    return out;
}

// ---- The rules ------------------------------------------------------------------

using Change = std::function<void(Medium&)>;

struct RuleCase {
    const char* name;
    Change change;
    std::vector<std::string> expected;  // Briefs, any order
    core::CheckOptions options = {};
};

// An expected error or warning.
std::string E(const char* rule, size_t line, const std::wstring& file = L"PrinterInfor.Inf") {
    return Brief("error", rule, file, line);
}
std::string W(const char* rule, size_t line, const std::wstring& file = L"PrinterInfor.Inf") {
    return Brief("warning", rule, file, line);
}

Change Then(Change a, Change b) {
    return [=](Medium& m) {
        a(m);
        b(m);
    };
}
// Changes the catalogue line starting with `prefix` (removes it when `line` is absent).
Change Line(const std::wstring& prefix, std::optional<std::wstring> line = std::nullopt) {
    return [=](Medium& m) {
        const auto at = m.catalogue.begin() + static_cast<long>(m.Line(prefix) - 1);
        if (line) *at = *line;
        else m.catalogue.erase(at);
    };
}
// Inserts lines after the one starting with `prefix`, or at the end.
Change After(const std::wstring& prefix, const std::vector<std::wstring>& lines) {
    return [=](Medium& m) {
        if (prefix.empty()) m.catalogue.insert(m.catalogue.end(), lines.begin(), lines.end());
        else m.InsertAfter(prefix, lines);
    };
}
// Sets a file's bytes (removes it when `bytes` is absent).
Change File(const std::wstring& path, std::optional<std::string> bytes = std::nullopt) {
    return [=](Medium& m) {
        if (bytes) m.files[path] = *bytes;
        else m.files.erase(path);
    };
}
Change Encoded(std::string (*encode)(const std::wstring&)) {
    return [=](Medium& m) { m.encode = encode; };
}
// Changes the whole INF line of a printer (by default OP-9150 in the 9-pin INF).
Change InfLine(const std::string& line, const std::string& name = kP9, const std::wstring& inf = kInf9) {
    return [=](Medium& m) {
        std::string& text = m.files[inf];
        const size_t at = text.find(name);
        text.replace(at, text.find("\r\n", at) - at, line);
    };
}
Change Add(const std::wstring& model, const std::wstring& printer) {
    return [=](Medium& m) { m.AddModel(L"高速系列", model, printer); };
}
// Models added to the first series until its list, zeros included, needs `total` characters.
Change FillSeries(size_t total) {
    return [=](Medium& m) {
        for (size_t used = 16, n = 0; used < total; ++n) {  // the two models there take 8 + 8
            std::wstring model = L"M" + std::to_wstring(n) + L"-";
            model.resize(total - used - 1 >= 42 ? 20 : total - used - 1, L'x');
            m.AddModel(L"经典系列", model, L"Orvane " + model);
            used += model.size() + 1;
        }
    };
}
std::wstring Long(size_t n, wchar_t c) { return std::wstring(n, c); }

TEST(MediumCheckRules, EveryRuleOnAMediumThatBreaksIt) {
    const Change none = [](Medium&) {};
    const std::wstring t9 = L"Orvane OP-9150=", manual = L"OP-730K=OP";
    const std::vector<std::string> utf16Misread = {E("catalogue-encoding", 0), E("series-list-empty", 0),
                                                   E("companion-missing", 0), E("companion-missing", 0)};
    const std::vector<RuleCase> cases = {
        {"the good medium", none, {}},
        // Catalogue file and encoding.
        {"catalogue missing", Encoded(nullptr), {E("catalogue-missing", 0)}},
        {"GBK catalogue reads like UTF-16", Encoded(&Gbk), {}},
        {"UTF-8 with its mark: read as GBK, the first header is lost", Encoded(&Utf8Mark),
         {E("catalogue-encoding", 1), E("series-list-empty", 0)}},
        // Read as GBK, the UTF-8 bytes of "高速系列" end in a lead byte that swallows the "]" of its header.
        {"UTF-8 without a mark", Encoded(&Utf8),
         {E("catalogue-encoding", 2), E("series-without-models", 3), E("no-printer-name", 0)}},
        {"UTF-16 big-endian", Encoded(&Utf16BE), utf16Misread},
        {"UTF-16 without a mark", Encoded(&Utf16NoMark), utf16Misread},
        {"bytes that are no GBK text on a comment line (0x81 needs a trail byte of 0x40 or more)",
         Encoded([](const std::wstring& text) { return ";\x81\x20\r\n" + Gbk(text); }), {W("catalogue-encoding", 1)}},
        // Sections read twice, keys given twice.
        {"second PRINTER_TYPE section", After(L"", {L"[PRINTER_TYPE]", L"Orvane X=24"}), {W("duplicate-section", 23)}},
        {"sections and keys nobody reads, twice",
         Then(After(L"", {L"[Notes]", L"a=1", L"[Notes]", L"b=2"}), After(L"OP-9150=", {L"Gone=1", L"Gone=2"})), {}},
        {"key again with another value", After(L"OP-9150=", {L"OP-9150=Orvane Other"}), {W("duplicate-key", 12)}},
        {"key again with the same value", After(L"OP-9150=", {L"OP-9150 = Orvane OP-9150"}), {}},
        // Lists.
        {"no PRINTER_SERIES header", Line(L"[PRINTER_SERIES]"), {E("series-list-empty", 0)}},
        {"PRINTER_SERIES holds only comments", Then(Line(L"经典系列", L"; 经典系列"), Line(L"高速系列", L";高速系列")),
         {E("series-list-empty", 1)}},
        {"series listed without a section", After(L"高速系列", {L"无型号系列"}), {E("series-without-models", 4)}},
        {"series section without lines", Then(After(L"高速系列", {L"空系列"}), After(L"", {L"[空系列]"})),
         {E("series-without-models", 24)}},
        {"series line with '=' names a section of the whole line", Line(L"高速系列", L"高速系列=VP"),
         {E("series-without-models", 3)}},
        {"the same series listed twice is checked once", After(L"高速系列", {L"高速系列"}), {}},
        {"model listed in two series", After(L"[高速系列]", {L"OP-730K"}), {W("model-in-two-series", 8)}},
        // The 2048-character buffer of a list: 2045 characters fit, 2046 is
        // what a filled buffer reports, and the installer drops the list.
        {"model list of 2045 characters", FillSeries(2045), {}},
        {"model list of 2046 characters", FillSeries(2046), {E("section-too-long", 4)}},
        {"series list over the buffer", After(L"高速系列", std::vector<std::wstring>(120, L"Series of twenty chars")),
         {E("section-too-long", 1)}},
        {"model name of 255 characters is listed", Add(Long(255, L'L'), L"Orvane Long"), {}},
        {"model name of 256 characters is left out", Add(Long(256, L'L'), L"Orvane Long"), {E("entry-too-long", 8)}},
        // Printer names.
        {"no PRINTER_NAME entry", Line(L"OP-9150="), {E("no-printer-name", 0)}},
        {"empty printer name", Line(L"OP-9150=", L"OP-9150="), {E("no-printer-name", 11)}},
        {"printer name line without '='", Line(L"OP-9150=", L"OP-9150"), {E("no-printer-name", 11)}},
        {"model list line holding '='", Line(L"OP-9150", L"OP-9150=Orvane OP-9150"), {E("no-printer-name", 0)}},
        {"printer name of 259 characters does not fit 260", Line(L"OP-9150=", L"OP-9150=" + Long(259, L'P')),
         {E("no-printer-name", 11)}},
        {"printer name of 258 characters", Add(L"Long", L"Orvane " + Long(251, L'N')), {}},
        {"printer name only in a second PRINTER_NAME section",
         Then(Line(L"OP-9150="), After(L"", {L"[PRINTER_NAME]", L"OP-9150=Orvane OP-9150"})),
         {E("no-printer-name", 23), W("duplicate-section", 22)}},
        {"comma in the printer name", Add(L"Comma", L"Orvane A,B"), {E("printer-name-character", 11)}},
        {"backslash in the printer name", Add(L"Slash", L"Orvane A\\B"), {E("printer-name-character", 11)}},
        {"quotation mark in the printer name", Add(L"Quote", L"Orvane A\"B"), {E("printer-name-character", 11)}},
        {"printer name outside code page 936, found in a UTF-16 INF that lists only it",
         Then(Add(L"Thai", L"Orvane \x0E01"),
              [](Medium& m) { m.files[kInf24] = Utf16Bytes(Ascii(kInfHead) + L"\"Orvane \x0E01\"=T,USBPRINT\\T\r\n"); }),
         {E("inf-no-model", 0, kInf24), E("inf-no-model", 0, kInf24)}},
        // Pin types.
        {"type missing", Line(t9), {E("no-printer-type", 0)}},
        {"type keyed by the model name", Line(t9, L"OP-9150=9"), {E("no-printer-type", 0)}},
        {"type with a leading zero", Line(t9, t9 + L"09"), {E("bad-printer-type", 15)}},
        {"type of other text", Line(t9, t9 + L"9pin"), {E("bad-printer-type", 15)}},
        {"blanks and quotation marks around the type", Line(t9, L"Orvane OP-9150 =  \"9\" "), {}},
        {"type of 19 characters does not fit 20", Line(t9, t9 + Long(19, L'9')), {E("no-printer-type", 15)}},
        // Driver INF files.
        {"INF missing", File(kInf9), {E("inf-missing", 0, kInf9)}},
        {"INF unreadable", File(kInf9, kUnreadable), {E("inf-missing", 0, kInf9)}},
        // The INF as Windows' parser reads it; the line rule first where it
        // gives a usable ID.
        {"INF in UTF-16 (the line rule finds nothing)",
         File(kInf9, Utf16Bytes(Ascii(kInfHead + kP9 + " = A,USBPRINT\\A,B\r\n"))), {}},
        {"INF in UTF-16 big-endian", File(kInf9, Utf16Bytes(Ascii(kInfHead + kP9 + " = A,USBPRINT\\A\r\n"), true)),
         {E("inf-encoding", 0, kInf9)}},
        {"INF in UTF-8 with its mark", File(kInf9, "\xEF\xBB\xBF" + kInfHead + kP9 + "=A,USBPRINT\\A\r\n"),
         {W("inf-encoding", 1, kInf9)}},
        {"INF without a signature", File(kInf9, "[Manufacturer]\r\nO=Orvane,NTamd64\r\n[Orvane.NTamd64]\r\n" + kP9 + "=A,USBPRINT\\A\r\n"),
         {E("inf-not-inf", 0, kInf9)}},
        {"INF with an unfinished section name", InfLine("[Orvane.NTamd64"), {E("inf-not-inf", 6, kInf9)}},
        {"no line for the printer", InfLine("; gone"), {E("inf-no-model", 0, kInf9)}},
        {"model only in an undecorated section, which x64 does not read",
         File(kInf9, "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n\"Orvane\"=Orvane\r\n[Orvane]\r\n" + kP9 +
                         "=A,USBPRINT\\A\r\n"),
         {E("inf-no-model", 6, kInf9)}},
        {"model only in a section for a newer Windows",
         File(kInf9, "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nO=Orvane,NTamd64.11.0\r\n"
                     "[Orvane.NTamd64.11.0]\r\n" + kP9 + "=A,USBPRINT\\A\r\n"),
         {E("inf-no-model", 6, kInf9)}},
        {"the section of the highest version not above this Windows",
         File(kInf9, "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nO=Orvane,NTamd64,NTamd64.6.0,NTamd64.11.0\r\n"
                     "[Orvane.NTamd64]\r\n" + kP9 + "=A,LPTENUM\\A\r\n[Orvane.NTamd64.6.0]\r\n" + kP9 +
                     "=A,USBPRINT\\A6\r\n[Orvane.NTamd64.11.0]\r\n" + kP9 + "=A,USBPRINT\\A11\r\n"),
         {}},
        {"line starts with a blank", InfLine("  " + kP9 + " = A,USBPRINT\\A,B"), {}},
        {"line starts with a tab", InfLine("\t" + kP9 + " = A,USBPRINT\\A,B"), {}},
        {"name in other letter case", InfLine("\"ORVANE OP-9150\" = A,USBPRINT\\A,B"), {E("inf-no-model", 6, kInf9)}},
        {"name as a %token% of [Strings]",
         Then(InfLine("%M% = A,USBPRINT\\A,B"), [](Medium& m) { m.files[kInf9] += "[Strings]\r\nM=" + kP9 + "\r\n"; }),
         {}},
        {"name as an undefined %token%", InfLine("%M% = A,USBPRINT\\A,B"),
         {E("inf-no-model", 0, kInf9), W("inf-undefined-string", 6, kInf9)}},
        {"several IDs, USB first", InfLine(kP9 + "\t= OP.dat,USBPRINT\\Orvane9150,LPTENUM\\Orvane9150,OP"), {}},
        {"LPTENUM before USBPRINT", InfLine(kP9 + "=sec,LPTENUM\\X,USBPRINT\\X"), {}},
        {"USB only on the printer's second line", InfLine(kP9 + "=sec,LPTENUM\\X\r\n" + kP9 + "=sec,USBPRINT\\X,L"), {}},
        {"no USB on any line of the printer", InfLine(kP9 + "=sec,LPTENUM\\X"), {W("inf-no-usb-id", 6, kInf9)}},
        {"'usb' in small letters", InfLine(kP9 + "=sec,usbprint\\X,lpt"), {}},
        {"only one comma", InfLine(kP9 + "=sec,USBPRINT\\X"), {}},
        {"nothing between the commas", InfLine(kP9 + "=sec,,USBPRINT\\X"), {}},
        {"blank after the first comma", InfLine(kP9 + "=sec, USBPRINT\\X,L"), {}},
        {"the line rule's ID is not the one Windows lists",
         Then(InfLine(kP9 + "=sec,USBPRINT\\Old"),
              [](Medium& m) {
                  std::string& inf = m.files[kInf9];
                  inf.insert(inf.find("[Manufacturer]"), kP9 + "=sec,USBPRINT\\First,x\r\n");
              }),
         {W("hardware-id-differs", 3, kInf9)}},
        {"ID of 510 characters", InfLine(kP9 + "=sec,USBPRINT\\" + std::string(501, 'I') + ",L"), {}},
        {"ID of 511 characters, which the parser may have cut",
         InfLine(kP9 + "=sec, USBPRINT\\" + std::string(502, 'I') + ",L"), {E("hardware-id-unusable", 6, kInf9)}},
        {"ID of 1023 characters through the line rule", InfLine(kP9 + "=sec,USBPRINT\\" + std::string(1014, 'I') + ",L"),
         {}},
        {"ID with bytes that are no GBK text", InfLine(kP9 + "=sec,USBPRINT\\\x81\x20,L"),
         {W("inf-encoding", 6, kInf9)}},
        {"Chinese printer name in a GBK INF",
         Then(Then(Line(L"曜驰7730=", L"曜驰7730=Orvane 曜驰7730"), Line(L"Orvane VP-7730=", L"Orvane 曜驰7730=24")),
              InfLine(Gbk(L"\"Orvane 曜驰7730\"=s,USBPRINT\\曜驰,L"), "\"Orvane VP-7730\"", kInf24)),
         {W("inf-encoding", 7, kInf24)}},
        {"LF line ends and a last line without one",
         File(kInf9, "[Version]\nSignature=\"$Windows NT$\"\n[Manufacturer]\nO=Orvane,NTamd64\n[Orvane.NTamd64]\n" + kP9 +
                         "=sec,USBPRINT\\X,L"),
         {}},
        // Files the model's install section copies or names.
        {"every file of the install section on the medium",
         Then(InfLine(kP9 + "=OP9150,USBPRINT\\X" + kInstall), File(kInf9Folder + L"OP9150.GPD", "GPD")), {}},
        {"a data file missing from the medium", InfLine(kP9 + "=OP9150,USBPRINT\\X" + kInstall),
         {E("inf-file-missing", 12, kInf9)}},
        {"a copied file that [SourceDisksFiles] does not list",
         Then(InfLine(kP9 + "=OP9150,USBPRINT\\X" + kInstall + "\r\n[OP9150.NTamd64]\r\nCopyFiles=Files\r\n[Files]\r\nX.DLL"),
              File(kInf9Folder + L"OP9150.GPD", "GPD")),
         {E("inf-file-missing", 17, kInf9)}},
        {"an unlisted file of an included INF", 
         Then(InfLine(kP9 + "=OP9150,USBPRINT\\X" + kInstall + "\r\n[OP9150.NTamd64]\r\nInclude=ntprint.inf\r\nDriverFile=UNIDRV.DLL"),
              File(kInf9Folder + L"OP9150.GPD", "GPD")),
         {}},
        // The set-up command: 53 characters of template, twice the 14 of each
        // printer name, 52 of the 24-pin INF path (51 of the 9-pin one) and the port.
        {"set-up command of 1023 characters", none, {}, {L"D:\\", Long(890, L'P'), {}}},
        {"set-up command over 1023 characters", none,
         {E("command-too-long", 10), E("command-too-long", 12)}, {L"D:\\", Long(891, L'P'), {}}},
        // Paths: 234 + 49 > 259 for the INF paths; the manuals and companions fit.
        {"INF paths over 259 characters", none,
         {E("path-too-long", 10), E("path-too-long", 11), E("path-too-long", 12)},
         {L"C:\\" + Long(230, L'd') + L"\\", L"USB001", {}}},
        {"catalogue path over 259 characters", none, {E("path-too-long", 0)}, {L"C:\\" + Long(250, L'd'), L"USB001", {}}},
        // 200 + 49 for the INF paths fit; 200 + 13 + 50 for the manual and 200 + 60 for the companion do not.
        {"manual and companion paths over 259 characters",
         Then(Line(manual, L"OP-730K=" + Long(46, L'm') + L".pdf"),
              Line(L"Quorin=", L"Quorin=" + Long(50, L'q') + L"\\Quorin.exe")),
         {E("path-too-long", 18), E("path-too-long", 21)}, {L"C:\\" + Long(196, L'd') + L"\\", L"USB001", {}}},
        // Manuals and companion programs.
        {"named manual missing", File(L"OrvaneManual\\VP-7730.pdf"), {E("manual-missing", 19)}},
        {"no Printer.PDF", File(L"OrvaneManual\\Printer.PDF"), {E("manual-missing", 0, L"OrvaneManual\\Printer.PDF")}},
        {"fallback not needed when every model names its manual",
         Then(File(L"OrvaneManual\\Printer.PDF"), After(L"[PRINTER_MAN]", {L"OP-9150=OP-730K.pdf"})), {}},
        {"manual name of 99 characters: Printer.PDF opens", Line(manual, L"OP-730K=" + Long(95, L'm') + L".pdf"),
         {W("manual-name-too-long", 18)}},
        {"manual name of 98 characters is read",
         Then(Line(manual, L"OP-730K=" + Long(94, L'm') + L".pdf"),
              File(L"OrvaneManual\\" + Long(94, L'm') + L".pdf", "%")), {}},
        {"companion key missing", Line(L"Tessan="), {E("companion-missing", 0)}},
        {"companion file missing", File(L"Quorin\\Quorin.exe"), {E("companion-missing", 21)}},
        {"companion file unreadable", File(L"Quorin\\Quorin.exe", kUnreadable), {E("companion-missing", 21)}},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Medium medium = Medium::Good();
        c.change(medium);
        ScratchDir dir;
        medium.WriteTo(dir);
        medium_check::NativeMedium native(dir.path);
        const core::CheckReport report = core::CheckMedium(native.Access(), c.options);
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Briefs(report), expected);
    }
}

TEST(MediumCheckRules, IncompleteAccessIsReportedNotPassed) {
    ScratchDir dir;
    Medium::Good().WriteTo(dir);
    medium_check::NativeMedium medium(dir.path);
    core::MediumAccess access = medium.Access();
    access.fileOpens = nullptr;
    EXPECT_EQ(Briefs(core::CheckMedium(access, {})), std::vector<std::string>{"error cannot-check :0"});
}

// ---- Code page 936 and file names -----------------------------------------------

// Expected values are Wine's MultiByteToWideChar / WideCharToMultiByte with
// code page 936, which follow Windows' table.
TEST(MediumCheckGbk, ConvertsAsWindowsDoes) {
    const struct {
        std::string bytes;
        std::wstring text;
        bool strictOk;
    } decoded[] = {
        {"Orvane OP-730K", L"Orvane OP-730K", true},
        {"\xEA\xD7\xB3\xDB" "7730\x80", L"曜驰7730\x20AC", true},
        {"a\xA1\xA4\xA1\xAA", L"a\x00B7\x2014", true},          // middle dot and em dash
        {"\xAA\xA1\xA1\x40\xFE\xFE", L"\xE000\xE4C6\xE4C5", true},  // user-defined areas
        {"\xA2\xAB\xFE\xA0", L"\xE766\xE864", true},            // gaps after them
        {"x\x81", L"x?", false},                                // lead byte at the end
        {"\x81\x30z", L"?z", false},                            // lead byte before no trail: both go
        {"\x81\x7F", L"?", false},
        {std::string("\x81\0z", 3), std::wstring(L"?\0z", 3), false},  // the zero stays
        {"\xFF\xFF", L"\xF8F5\xF8F5", false},
    };
    for (const auto& c : decoded) {
        SCOPED_TRACE(core::ToUtf8(c.text));
        EXPECT_EQ(medium_check::DecodeGbk(c.bytes), c.text);
        std::wstring strict;
        EXPECT_EQ(medium_check::DecodeGbkStrict(c.bytes, strict), c.strictOk);
        if (c.strictOk) EXPECT_EQ(strict, c.text);
    }
    std::string bytes;
    EXPECT_TRUE(medium_check::EncodeGbkStrict(L"曜驰7730\x20AC\xE000\xF8F5", bytes));
    EXPECT_EQ(bytes, "\xEA\xD7\xB3\xDB" "7730\x80\xAA\xA1\xFF");
    // Thai, a character without a best fit to '?', the replacement character.
    for (const wchar_t* t : {L"\x0E01", L"\x30FB", L"\xFFFD"}) EXPECT_FALSE(medium_check::EncodeGbkStrict(t, bytes));
}

TEST(MediumCheckNative, ResolvesPathsAsWindows) {
    ScratchDir dir;
    for (const auto& [file, bytes] : {std::pair{L"OrvaneManual\\OP-730K.pdf", "%PDF"}, {L"Manuel\\École.pdf", "%PDF"},
                                      {L"OrvaneManual\\Both.pdf", "upper"}, {L"OrvaneManual\\both.PDF", "lower"},
                                      {L"Tools\\Quorin.exe", "MZ"}})
        dir.Write(file, bytes);
    medium_check::NativeMedium medium(dir.path);
    ASSERT_TRUE(medium.IsFolder());
    const struct {
        std::wstring asked;
        const char* found;  // relative, or nullptr when none
    } cases[] = {
        {L"orvanemanual\\op-730k.PDF", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual/OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual\\\\OP-730K.pdf. ", "OrvaneManual/OP-730K.pdf"},
        {L"Tools\\..\\OrvaneManual\\.\\OP-730K.pdf", "OrvaneManual/OP-730K.pdf"},
        {L"OrvaneManual\\both.PDF", "OrvaneManual/both.PDF"},
        {L"OrvaneManual\\Both.pdf", "OrvaneManual/Both.pdf"},
        {L"MANUEL\\école.PDF", "Manuel/École.pdf"},
        {L"..\\OrvaneManual\\OP-730K.pdf", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.asked));
        const auto found = medium.Resolve(c.asked);
        EXPECT_EQ(found.value_or(""), c.found ? dir.path / c.found : "");
    }
    // (A folder does not open as a file, as on Windows: the rules' unreadable files are folders.)
    const core::MediumAccess access = medium.Access();
    std::string bytes;
    EXPECT_EQ(access.readFile(access.context, L"OrvaneManual\\Both.pdf", 4, bytes), core::FileRead::TooLarge);
    EXPECT_EQ(access.readFile(access.context, L"OrvaneManual\\Both.pdf", 5, bytes), core::FileRead::Ok);
    EXPECT_EQ(bytes, "upper");
}

// ---- The program ------------------------------------------------------------------

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

ProgramRun RunProgram(const std::string& arguments) {
    ScratchDir logs;
    const std::string out = (logs.path / "out").string(), err = (logs.path / "err").string();
    const int raw = std::system(("'" PI_MEDIUM_CHECK_EXE "' " + arguments + " >'" + out + "' 2>'" + err + "'").c_str());
    std::stringstream o, e;
    o << std::ifstream(out).rdbuf();
    e << std::ifstream(err).rdbuf();
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, o.str(), e.str()};
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// (The time a check of 500 models takes, bench/medium_check_bench prints.)
TEST(MediumCheckProgram, ExitStatusAndOutput) {
    const std::string demo = Quoted(PI_NATIVE_DEMO_MEDIUM);
    Medium m = Medium::Good();  // and 25 series of 20 models
    for (int s = 0; s < 25; ++s) {
        const std::wstring series = L"系列 " + std::to_wstring(s);
        m.InsertAfter(L"[PRINTER_SERIES]", {series});
        m.catalogue.push_back(L"[" + series + L"]");
        for (int i = 0; i < 20; ++i) {
            const std::wstring model = L"OP-" + std::to_wstring(s * 20 + i) + L"K";
            m.AddModel(series, model, L"Orvane " + model);
        }
    }
    ScratchDir large;
    m.WriteTo(large);
    ScratchDir broken, warned;  // the demo medium without a manual, and with a warning only
    for (const ScratchDir* d : {&broken, &warned}) fs::copy(PI_NATIVE_DEMO_MEDIUM, d->path, fs::copy_options::recursive);
    fs::remove(broken.path / "OrvaneManual" / "VP-7330.pdf");
    warned.Write(kInf9, "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nO=M,NTamd64\r\n[M.NTamd64]\r\n"
                        "\"Orvane OP-9150\" = A,LPTENUM\\A\r\n\"Orvane OP-9120\" = B,USBPRINT\\B,C\r\n");
    const struct {
        const char* name;
        std::string arguments;
        int status;
        const char* inOut;  // text the standard output must hold ("" for none)
        const char* inErr;  // text the standard error must hold (nullptr for none)
    } cases[] = {
        {"demo medium", demo, 0, "", "0 errors, 0 warnings (3 series, 9 models)"},
        {"demo medium as JSON", "--json " + demo, 0, "\"errors\": 0, \"warnings\": 0, \"findings\": []",
         "0 errors, 0 warnings (3 series, 9 models)"},
        {"missing manual", Quoted(broken.path), 1,
         "error: PrinterInfor.Inf:51 [PRINTER_MAN] 曜驰7330: the manual page answers \"该机型pdf文件不存在\" for 2 "
         "models: '曜驰7330', '曜驰7330+': OrvaneManual\\VP-7330.pdf is missing or cannot be read [manual-missing]\n",
         "1 errors, 0 warnings (3 series, 9 models)"},
        {"missing manual as JSON", "--json " + Quoted(broken.path), 1,
         "\"rule\": \"manual-missing\", \"file\": \"PrinterInfor.Inf\", \"line\": 51",
         "1 errors, 0 warnings (3 series, 9 models)"},
        {"warnings only", Quoted(warned.path), 0, "warning: OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF:6 [M.NTamd64] Orvane OP-9150: ",
         "0 errors, 1 warnings (3 series, 9 models)"},
        {"port option", "--port " + std::string(900, 'P') + " " + demo, 1, "[command-too-long]",
         "9 errors, 0 warnings (3 series, 9 models)"},
        {"program folder", "--program-dir 'C:\\" + std::string(240, 'd') + "' " + demo, 1, "[path-too-long]",
         "1 errors, 0 warnings (0 series, 0 models)"},
        {"no such folder", Quoted(broken.path / "PrinterInfor.Inf"), 2, "", "is no folder"},
        {"no folder given", "--json", 2, "", "no medium folder given"},
        {"unknown option", "--fast " + demo, 2, "", "unknown option --fast"},
        {"option without its value", demo + " --port", 2, "", "--port needs a value"},
        {"port with a quotation mark", "--port 'LPT\"1' " + demo, 2, "", "a port name holds no"},
        {"help", "--help", 0, "usage: medium-check", nullptr},
        {"503 models", Quoted(large.path), 0, "", "0 errors, 0 warnings (27 series, 503 models)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        if (*c.inOut) EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
        else EXPECT_EQ(run.out, "");
        if (c.inErr) EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        else EXPECT_EQ(run.err, "");
    }
}

}  // namespace
