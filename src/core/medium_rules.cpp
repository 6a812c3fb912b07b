#include "core/medium_rules.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "core/catalogue_rules.h"
#include "core/json.h"
#include "core/inf_models.h"
#include "core/print_ui_rules.h"
#include "core/utf8.h"

namespace core {

size_t CheckReport::Count(Severity severity) const {
    return static_cast<size_t>(
        std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.severity == severity; }));
}

namespace {

// ---- Small helpers -------------------------------------------------------------

// Catalogues are a few kilobytes; INF files rarely reach a megabyte.  Far
// larger files are not read into memory.
constexpr size_t kMaxCatalogueBytes = 16u * 1024 * 1024;
constexpr size_t kMaxInfReadBytes = 64u * 1024 * 1024;
// How many models a finding about several of them names.
constexpr size_t kModelsNamed = 5;

std::wstring Num(size_t n) { return std::to_wstring(n); }

// A name in a message: quoted, and shortened when it is very long.
std::wstring Q(std::wstring_view s) {
    constexpr size_t kShown = 80;
    if (s.size() <= kShown) return L"'" + std::wstring(s) + L"'";
    return L"'" + std::wstring(s.substr(0, kShown)) + L"...' (" + Num(s.size()) + L" characters)";
}

std::wstring ModelNames(const std::vector<std::wstring>& models) {
    std::wstring out;
    for (size_t i = 0; i < models.size() && i < kModelsNamed; ++i) {
        if (i) out += L", ";
        out += Q(models[i]);
    }
    if (models.size() > kModelsNamed) out += L" and " + Num(models.size() - kModelsNamed) + L" more";
    return out;
}

std::wstring Models(const std::vector<std::wstring>& models) {
    return (models.size() == 1 ? L"model " : Num(models.size()) + L" models: ") + ModelNames(models);
}

std::wstring Folded(std::wstring_view s) {
    std::wstring f(s);
    for (wchar_t& c : f) c = FoldProfileChar(c);
    return f;
}

// Lines of 8-bit text numbered as the profile parser numbers them: CR LF
// ends one line, so does a lone CR or LF.
std::vector<std::string_view> ProfileByteLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

bool HasHighBytes(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Text saved as UTF-16 without a mark is mostly zero bytes between ASCII.
bool LooksLikeUtf16(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, 4096);
    if (head.size() < 4) return false;
    const size_t zeros = static_cast<size_t>(std::count(head.begin(), head.end(), '\0'));
    return zeros * 4 >= head.size();
}

// ---- An INF file, read once however many printers it serves ------------------

struct InfFile {
    FileRead status = FileRead::Missing;
    std::string bytes;
    InfDocument document;  // the INF reader's parse: encoding, tokens, line numbers
    InfParserView parser;  // what the installer's parser answers
    // Where each line starts (lines as the installer's 8-bit rule splits
    // them, at LF), and the lines that start with a quoted text.
    std::vector<size_t> lineStart;
    std::unordered_map<std::string, std::vector<size_t>> keyLines;
    std::vector<std::wstring> models;  // models whose installation reads it
    std::set<std::wstring> printersChecked;
    std::set<std::wstring> installSectionsChecked;
};

void IndexLineRule(InfFile& inf) {
    const std::string_view text = inf.bytes;
    for (size_t start = 0; start < text.size();) {
        inf.lineStart.push_back(start);
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    for (size_t i = 0; i < inf.lineStart.size(); ++i) {
        const std::string_view line = text.substr(inf.lineStart[i]);
        if (line.empty() || line[0] != '"') continue;
        const size_t close = line.find_first_of("\"\n", 1);
        if (close == std::string_view::npos || line[close] != '"') continue;
        inf.keyLines[std::string(line.substr(1, close - 1))].push_back(i);
    }
}

struct ManualUse {
    std::vector<std::wstring> models;
    size_t line = 0;  // PRINTER_MAN line of the first model, 0 for the fallback
    std::wstring firstModel;
};

// ---- The checker -----------------------------------------------------------------

class Checker {
public:
    Checker(const MediumAccess& medium, const CheckOptions& options) : m_(medium), o_(options) {}

    CheckReport Run() {
        if (!m_.readSection || !m_.readString || !m_.readFile || !m_.fileOpens || !m_.decodeAnsi ||
            !m_.ansiToWide || !m_.wideToAnsi) {
            Add(Severity::Error, "cannot-check", L"", 0, L"", L"", L"the medium cannot be read");
            return std::move(report_);
        }
        const auto directory = NormalizeProgramDirectory(o_.programDirectory);
        if (!directory) {
            Add(Severity::Error, "path-too-long", L"", 0, L"", L"",
                L"the program directory " + Q(o_.programDirectory) +
                    L" leaves no room for a path of at most 259 characters: the installer reads no catalogue");
            return std::move(report_);
        }
        dir_ = *directory;
        if (!CheckCatalogueFile()) return std::move(report_);
        CheckLists();
        CheckDuplicateSections();
        ReportInfFiles();
        ReportManuals();
        CheckCompanions();
        CheckDuplicateKeys();
        return std::move(report_);
    }

private:
    void Add(Severity severity, const char* rule, std::wstring file, size_t line, std::wstring section,
             std::wstring key, std::wstring message) {
        Finding f;
        f.severity = severity;
        f.rule = rule;
        f.file = std::move(file);
        f.line = line;
        f.section = std::move(section);
        f.key = std::move(key);
        f.message = std::move(message);
        report_.findings.push_back(std::move(f));
    }
    void AddCatalogue(Severity severity, const char* rule, size_t line, std::wstring section, std::wstring key,
                      std::wstring message) {
        Add(severity, rule, std::wstring(kCatalogueFileName), line, std::move(section), std::move(key),
            std::move(message));
    }

    std::wstring Relative(const std::wstring& fullPath) const { return fullPath.substr(dir_.size()); }

    // ---- Profile reads, exactly as the installer makes them ----

    // The characters a whole-section read reported, and its result.
    // A zero-filled buffer of `capacity` characters, as the installer's are;
    // one reused for every read.
    wchar_t* Buffer(size_t capacity) const {
        if (buffer_.size() < capacity) buffer_.resize(capacity);
        std::fill_n(buffer_.begin(), capacity, L'\0');
        return buffer_.data();
    }

    size_t SectionRead(const std::wstring& section, size_t capacity, std::wstring& filled) const {
        wchar_t* buffer = Buffer(capacity);
        const size_t got = m_.readSection(m_.context, section, buffer, capacity);
        filled.assign(buffer, std::min(got, capacity));
        return got;
    }

    std::wstring StringRead(const std::wstring& section, const std::wstring& key, size_t capacity) const {
        wchar_t* buffer = Buffer(capacity);
        const size_t got = m_.readString(m_.context, section, key, buffer, capacity);
        return std::wstring(buffer, std::min(got, capacity));
    }

    std::optional<std::wstring> Key(std::wstring_view section, const std::wstring& key, size_t capacity) {
        lookedUp_[Folded(section)].insert(Folded(key));
        return TakeKeyValue(StringRead(std::wstring(section), key, capacity), capacity);
    }

    // Why a key read counted as missing, in words, with the line when the
    // catalogue has one.
    std::wstring WhyMissing(std::wstring_view section, const std::wstring& key, size_t capacity, size_t& line) const {
        line = 0;
        // The parsed catalogue knows the value's length: no read is needed to
        // measure it, however many keys are missing.
        const size_t measured = doc_.ValueLength(section, key);
        const ProfileKey* found = doc_.FindKey(section, key);
        if (found) line = found->line;
        if (measured >= capacity - 1)
            return L"its value has " + Num(measured) + L" characters; the installer reads at most " +
                   Num(capacity - 2);
        if (found) return found->value ? L"its value is empty" : L"its line has no '='";
        std::wstring why = L"[" + std::wstring(section) + L"] has no entry " + Q(key);
        // An entry the reads never reach: in a later section of the same name.
        for (const ProfileSection& s : doc_.Sections()) {
            if (&s == doc_.FindSection(section, true) || !ProfileNamesEqual(s.name, section)) continue;
            for (const ProfileKey& k : s.keys)
                if (!k.IsComment() && ProfileNamesEqual(k.name, key)) {
                    line = k.line;
                    return why + L" (the one on line " + Num(k.line) + L" is in a second [" + s.name +
                           L"] section, which the installer never reads)";
                }
        }
        if (key.find(L'=') != std::wstring::npos)
            why += L" (the list line holds '=', so the whole line is the model name, and no key can hold '=')";
        return why;
    }

    // The line of an entry of a list section (as its read gives it).
    size_t EntryLine(const std::wstring& section, const std::wstring& entry) {
        auto [it, added] = entryLines_.try_emplace(Folded(section));
        if (added) {
            if (const ProfileSection* s = doc_.FindSection(section))
                for (const ProfileKey& k : s->keys) it->second.try_emplace(k.Entry(), k.line);
        }
        const auto found = it->second.find(entry);
        return found == it->second.end() ? 0 : found->second;
    }

    // ---- The catalogue file ----

    bool CheckCatalogueFile() {
        const auto cataloguePath = CataloguePathFor(dir_);
        if (!cataloguePath) {
            AddCatalogue(Severity::Error, "path-too-long", 0, L"", L"",
                         L"the catalogue's path would exceed 259 characters with the program directory " +
                             Q(dir_) + L": the installer reads no catalogue and its lists stay empty");
            return false;
        }
        std::string bytes;
        const FileRead read = m_.readFile(m_.context, std::wstring(kCatalogueFileName), kMaxCatalogueBytes, bytes);
        if (read != FileRead::Ok) {
            AddCatalogue(Severity::Error, "catalogue-missing", 0, L"", L"",
                         std::wstring(read == FileRead::Missing ? L"missing" : L"cannot be read") +
                             L": the series and model lists stay empty, nothing can be installed, no manual "
                             L"opened and no companion program started");
            return false;
        }
        CheckCatalogueEncoding(bytes);
        doc_ = ProfileDocument(DecodeProfileBytes(bytes, m_.decodeAnsi));
        return true;
    }

    void CheckCatalogueEncoding(std::string_view bytes) {
        const ProfileEncodingSniff sniff = SniffProfileEncoding(bytes);
        if (sniff.encoding == ProfileEncoding::Utf16LE) return;
        if (sniff.ignoredMark == IgnoredByteOrderMark::Utf8) {
            AddCatalogue(Severity::Error, "catalogue-encoding", 1, L"", L"",
                         L"saved as UTF-8 with a byte-order mark, which Windows' profile functions do not "
                         L"recognise: the installer reads the file as code page 936 text, so a section header on "
                         L"line 1 is lost and every non-ASCII name is garbled; save it as UTF-16LE with a "
                         L"byte-order mark (\"Unicode\")");
            return;
        }
        if (sniff.ignoredMark == IgnoredByteOrderMark::Utf16BE || LooksLikeUtf16(bytes)) {
            AddCatalogue(Severity::Error, "catalogue-encoding", 0, L"", L"",
                         std::wstring(sniff.ignoredMark == IgnoredByteOrderMark::Utf16BE
                                          ? L"saved as UTF-16 big-endian"
                                          : L"saved as UTF-16 without a byte-order mark") +
                             L": the installer reads it as code page 936 text and finds no section; save it as "
                             L"UTF-16LE with a byte-order mark (\"Unicode\")");
            return;
        }
        if (!HasHighBytes(bytes)) return;
        const std::vector<std::string_view> lines = ProfileByteLines(bytes);
        std::wstring asUtf8;
        if (Utf8ToWide(bytes, asUtf8)) {
            for (size_t i = 0; i < lines.size(); ++i) {
                if (!HasHighBytes(lines[i])) continue;
                std::wstring intended;
                Utf8ToWide(lines[i], intended);
                AddCatalogue(Severity::Error, "catalogue-encoding", i + 1, L"", L"",
                             L"UTF-8 text without a byte-order mark: the installer reads it as code page 936, so "
                             L"line " + Num(i + 1) + L" " + Q(intended) + L" shows as " +
                                 Q(m_.decodeAnsi(lines[i])) +
                                 L" and file names in it are not found; save it as UTF-16LE with a byte-order mark");
                return;
            }
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            std::wstring text;
            if (!HasHighBytes(lines[i]) || m_.ansiToWide(lines[i], text)) continue;
            AddCatalogue(Severity::Warning, "catalogue-encoding", i + 1, L"", L"",
                         L"bytes that are no text of code page 936: the installer reads the line as " +
                             Q(m_.decodeAnsi(lines[i])) + L", substitutes included");
        }
    }

    // ---- Lists ----

    // A list read that failed: why, in the installer's terms.  `listedIn`
    // is the section that names the list (PRINTER_SERIES for a series), or
    // empty for the series list itself.
    void ReportListFailure(const std::wstring& section, size_t got, const std::wstring& consequence,
                           const std::wstring& listedIn) {
        const ProfileSection* s = doc_.FindSection(section);
        if (got == 0) {
            const char* rule = listedIn.empty() ? "series-list-empty" : "series-without-models";
            if (s) {
                AddCatalogue(Severity::Error, rule, s->line, section, L"",
                             consequence + L": its section [" + section + L"] has no lines");
            } else {
                std::wstring why = consequence + L": the catalogue has no section [" + section + L"]";
                if (section.find(L'=') != std::wstring::npos)
                    why += L" (the series line holds '=', so the whole line is the series name)";
                if (listedIn.empty())
                    AddCatalogue(Severity::Error, rule, 0, section, L"", why);
                else
                    AddCatalogue(Severity::Error, rule, EntryLine(listedIn, section), listedIn, section, why);
            }
            return;
        }
        AddCatalogue(Severity::Error, "section-too-long", s ? s->line : 0, section, L"",
                     consequence + L": the section needs " + Num(doc_.SectionLength(section)) +
                         L" characters (each line and a zero), the installer's buffer holds at most " +
                         Num(kSectionCapacity - 3) + L" and the whole list is dropped");
    }

    // Entries the list leaves out because they are over 255 characters.
    void ReportDroppedEntries(const std::wstring& section, const std::wstring& filled, const std::wstring& what) {
        size_t start = 0;
        for (size_t i = 0; i < filled.size(); ++i) {
            if (filled[i] != L'\0') continue;
            const std::wstring entry = filled.substr(start, i - start);
            if (entry.size() > kMaxEntryChars)
                AddCatalogue(Severity::Error, "entry-too-long", EntryLine(section, entry), section, entry,
                             L"the " + what + L" has " + Num(entry.size()) + L" characters, over the " +
                                 Num(kMaxEntryChars) + L" a list entry may have: the installer leaves it out of the "
                                 L"list");
            start = i + 1;
        }
    }

    void CheckLists() {
        const std::wstring seriesSection(kSeriesSection);
        std::wstring filled;
        size_t got = SectionRead(seriesSection, kSectionCapacity, filled);
        SectionList series = SplitProfileSection(filled, kSectionCapacity);
        if (!series.ok) {
            ReportListFailure(seriesSection, got,
                              L"the series list is empty on the driver and manual pages, so no model can be chosen",
                              L"");
            return;
        }
        ReportDroppedEntries(seriesSection, filled, L"series name");

        std::vector<std::wstring> order;  // models in order of first appearance
        std::unordered_map<std::wstring, std::vector<std::wstring>> seriesOf;
        std::set<std::wstring> seen;
        for (const std::wstring& name : series.entries) {
            if (!seen.insert(name).second) continue;  // the same series listed again shows the same models
            readSections_.insert(Folded(name));
            ++report_.series;
            got = SectionRead(name, kSectionCapacity, filled);
            const SectionList models = SplitProfileSection(filled, kSectionCapacity);
            if (!models.ok) {
                ReportListFailure(name, got,
                                  L"the model list of series " + Q(name) + L" is empty on the driver and manual pages",
                                  seriesSection);
                continue;
            }
            ReportDroppedEntries(name, filled, L"model name");
            for (const std::wstring& model : models.entries) {
                auto& list = seriesOf[model];
                if (list.empty()) order.push_back(model);
                if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
            }
        }
        report_.models = order.size();
        for (const std::wstring& model : order) {
            const auto& list = seriesOf[model];
            if (list.size() > 1)
                AddCatalogue(Severity::Warning, "model-in-two-series", EntryLine(list[1], model), list[1], model,
                             L"model " + Q(model) + L" is listed in series " + Q(list[0]) + L" and " + Q(list[1]) +
                                 (list.size() > 2 ? L" (and " + Num(list.size() - 2) + L" more)" : L"") +
                                 L": a connected printer of this model is always shown under " + Q(list[0]));
            CheckModel(model);
        }
    }

    // ---- One model ----

    void CheckModel(const std::wstring& model) {
        const std::wstring nameSection(kPrinterNameSection);
        const auto printerName = Key(nameSection, model, kPrinterNameCapacity);
        if (!printerName) {
            size_t line = 0;
            const std::wstring why = WhyMissing(nameSection, model, kPrinterNameCapacity, line);
            AddCatalogue(Severity::Error, "no-printer-name", line, nameSection, model,
                         L"installation of model " + Q(model) + L" fails: it has no printer name; " + why);
        } else {
            CheckPrinter(model, *printerName);
        }
        CheckManual(model);
    }

    void CheckPrinter(const std::wstring& model, const std::wstring& printerName) {
        const std::wstring nameSection(kPrinterNameSection);
        const ProfileKey* nameKey = doc_.FindKey(nameSection, model);
        const size_t nameLine = nameKey ? nameKey->line : 0;
        if (printerName.find_first_of(L",\\\"") != std::wstring::npos)
            AddCatalogue(Severity::Error, "printer-name-character", nameLine, nameSection, model,
                         L"installation of model " + Q(model) + L" fails: its printer name " + Q(printerName) +
                             L" holds " +
                             (printerName.find(L'"') != std::wstring::npos
                                  ? L"a quotation mark, which the set-up command's quoted arguments cannot carry"
                                  : L"',' or '\\', which Windows does not allow in a printer name"));

        const std::wstring typeSection(kPrinterTypeSection);
        const auto typeValue = Key(typeSection, printerName, kPrinterTypeCapacity);
        const PinType pin = PinTypeFromValue(typeValue.value_or(L""));
        if (pin == PinType::PinOther) {
            size_t line = 0;
            std::wstring why;
            if (typeValue) {
                const ProfileKey* k = doc_.FindKey(typeSection, printerName);
                line = k ? k->line : 0;
                AddCatalogue(Severity::Error, "bad-printer-type", line, typeSection, printerName,
                             L"installation of model " + Q(model) + L" fails: the PRINTER_TYPE of printer name " +
                                 Q(printerName) + L" is " + Q(*typeValue) +
                                 L", not exactly 24 or 9, so the set-up command gets the driver folder instead of "
                                 L"an INF file");
            } else {
                why = WhyMissing(typeSection, printerName, kPrinterTypeCapacity, line);
                if (!ProfileNamesEqual(model, printerName) && doc_.FindKey(typeSection, model))
                    why += L" (there is an entry for the model name " + Q(model) +
                           L"; the key must be the printer name)";
                AddCatalogue(Severity::Error, "no-printer-type", line, typeSection, printerName,
                             L"installation of model " + Q(model) + L" fails: no PRINTER_TYPE for printer name " +
                                 Q(printerName) + L", so the set-up command gets the driver folder instead of an "
                                 L"INF file; " + why);
            }
            return;
        }

        const auto infPath = DriverInfPathFor(dir_, pin);
        if (!infPath) {
            AddCatalogue(Severity::Error, "path-too-long", nameLine, nameSection, model,
                         L"installation of model " + Q(model) + L" fails: the driver INF path would exceed 259 "
                         L"characters with the program directory " + Q(dir_));
            return;
        }
        // The installer formats no command that does not fit its buffer.
        if (printerName.find(L'"') == std::wstring::npos && !InstallParameters(printerName, *infPath, o_.port))
            AddCatalogue(Severity::Error, "command-too-long", nameLine, nameSection, model,
                         L"installation of model " + Q(model) + L" through the set-up command fails: with the port " +
                             Q(o_.port) + L" its parameters would not fit the " + Num(kMaxPrintUiParamChars) +
                             L" characters of the installer's buffer");
        CheckInfForPrinter(model, printerName, Relative(*infPath));
    }

    InfFile& Inf(const std::wstring& path) {
        auto [it, added] = infs_.try_emplace(path);
        if (added) {
            infOrder_.push_back(path);
            InfFile& inf = it->second;
            inf.status = m_.readFile(m_.context, path, kMaxInfReadBytes, inf.bytes);
            if (inf.status == FileRead::Ok) {
                inf.document = InfDocument(inf.bytes, m_.decodeAnsi);
                if (!m_.openInf || !m_.openInf(m_.context, path, inf.document, inf.parser)) {
                    inf.parser = InfParserView{};
                    inf.parser.opens = inf.document.Opens();
                    inf.parser.error = static_cast<unsigned>(inf.document.Error());
                    inf.parser.errorLine = inf.document.ErrorLine();
                    inf.parser.read = SectionReaderOf(inf.document);
                }
                IndexLineRule(inf);
            }
        }
        return it->second;
    }

    // The installer's 8-bit rule (FindHardwareIdInText), started at the
    // first line that can match: the lines before it cannot, so the answer
    // is the same, without reading the whole file once per printer.
    HardwareIdSearch SearchLineRule(const InfFile& inf, const std::string& name) const {
        const auto lines = inf.keyLines.find(name);
        if (lines == inf.keyLines.end()) return HardwareIdSearch{};
        const size_t first = lines->second.front();
        HardwareIdSearch search =
            FindHardwareIdInText(std::string_view(inf.bytes).substr(inf.lineStart[first]), name);
        if (search.lineNumber) search.lineNumber += first;
        return search;
    }

    // The ID the line rule gives when Plug and Play can use it, and its line.
    std::optional<std::pair<std::wstring, size_t>> LineRuleId(const InfFile& inf, const std::wstring& printerName) {
        std::string name;
        if (!m_.wideToAnsi(printerName, name)) return std::nullopt;
        const HardwareIdSearch search = SearchLineRule(inf, name);
        std::wstring id;
        if (search.status != HardwareIdSearch::Found || !m_.ansiToWide(search.id, id)) return std::nullopt;
        if (id.size() > kMaxHardwareIdChars || !IsUsableHardwareId(id)) return std::nullopt;
        return std::pair{id, search.lineNumber};
    }

    void CheckInfForPrinter(const std::wstring& model, const std::wstring& printerName, const std::wstring& path) {
        InfFile& inf = Inf(path);
        inf.models.push_back(model);
        if (inf.status != FileRead::Ok || !inf.parser.opens || !inf.printersChecked.insert(printerName).second)
            return;
        // A quotation mark in the name is reported already, and no models
        // line can be written for it.
        if (printerName.find(L'"') != std::wstring::npos) return;

        const std::wstring modelText = L"installation of model " + Q(model);
        const std::wstring pnp = L"Plug and Play installation of model " + Q(model) + L" (a printer connected by USB)";
        const auto lineRule = LineRuleId(inf, printerName);
        const ModelLookup lookup = LookUpModel(inf.parser.read, printerName, o_.windows);
        switch (lookup.status) {
            case ModelLookup::NoManufacturer:
            case ModelLookup::NotListed:
            {
                size_t line = 0;
                const std::wstring why = WhyNotListed(inf, printerName, lookup, line);
                Add(Severity::Error, "inf-no-model", path, line, L"", printerName,
                    modelText + L" fails: " + why +
                        L", so neither the set-up command nor Plug and Play finds a driver for it");
                return;
            }
            case ModelLookup::NoUsbId:
                if (!lineRule)
                    Add(Severity::Warning, "inf-no-usb-id", path, lookup.modelLine, lookup.section, printerName,
                        pnp + L" fails: no line of " + Q(printerName) + L" in [" + lookup.section +
                            L"] carries a USBPRINT\\ or USB\\ hardware ID (the set-up command does not need one)");
                break;
            case ModelLookup::Unusable:
                if (!lineRule)
                    Add(Severity::Error, "hardware-id-unusable", path, lookup.idLine, lookup.section, printerName,
                        pnp + L" fails: the first USB hardware ID of " + Q(printerName) + L" has " +
                            Num(kMaxInfTokenChars) + L" characters or more, so Windows' INF parser may have cut it, "
                            L"and the installer passes no such ID on");
                break;
            case ModelLookup::Found:
                break;
        }
        // The line rule decides first; Windows then matches that ID against
        // the models section it reads.
        if (lineRule && lookup.status != ModelLookup::Unusable &&
            (lookup.status != ModelLookup::Found || lookup.id != lineRule->first))
            Add(Severity::Warning, "hardware-id-differs", path, lineRule->second, L"", printerName,
                pnp + L": the installer takes " + Q(lineRule->first) +
                    L" from the first line that starts with the quoted printer name, but Windows' models line of " +
                    Q(printerName) + L" in [" + lookup.section + L"] " +
                    (lookup.status == ModelLookup::Found ? L"gives " + Q(lookup.id)
                                                         : std::wstring(L"lists no USB hardware ID")) +
                    L", so no device may match");
        CheckInstallFiles(inf, path, model, printerName, lookup.section);
    }

    // Why the printer is in no models section Windows reads on x64: where
    // it does stand, if anywhere.
    std::wstring WhyNotListed(const InfFile& inf, const std::wstring& printerName, const ModelLookup& lookup,
                              size_t& where) const {
        where = 0;
        if (lookup.status == ModelLookup::NoManufacturer) return L"the INF has no [Manufacturer] section";
        std::wstring why = lookup.modelsSections.empty()
                               ? std::wstring(L"no [Manufacturer] line offers a models section decorated for x64 "
                                              L"(NTamd64), and 64-bit Windows reads no other")
                               : L"no line of the models sections Windows reads on x64 (" + Sections(lookup.modelsSections) +
                                     L") has the model name " + Q(printerName);
        for (const InfSection& section : inf.document.Sections()) {
            for (const InfLine& line : section.lines) {
                const auto key = inf.document.Field(line, 0);
                if (!key) continue;
                if (!ProfileNamesEqual(*key, printerName)) continue;
                where = line.fileLine;
                if (*key == printerName)
                    return why + L" (line " + Num(line.fileLine) + L" in [" + section.name +
                           L"] has it, a section 64-bit Windows does not read for this model list)";
                return why + L" (line " + Num(line.fileLine) + L" spells it " + Q(*key) +
                           L", and the model name must match letter case)";
            }
        }
        return why;
    }

    static std::wstring Sections(const std::vector<std::wstring>& names) {
        std::wstring out;
        for (const auto& n : names) out += (out.empty() ? L"[" : L", [") + n + L"]";
        return out;
    }

    // The lines of a section the installer's parser gives; none when absent.
    const std::vector<InfFields>& LinesOf(const InfFile& inf, const std::wstring& section) const {
        static const std::vector<InfFields> kNone;
        const std::vector<InfFields>* lines = inf.parser.read(section);
        return lines ? *lines : kNone;
    }

    // The first line of `section` whose key is `key`, letter case ignored.
    std::optional<InfFields> LineWithKey(const InfFile& inf, const std::wstring& section,
                                         const std::wstring& key) const {
        for (const InfFields& line : LinesOf(inf, section))
            if (line.key && ProfileNamesEqual(*line.key, key)) return line;
        return std::nullopt;
    }

    // The files the model's install section copies or names, each looked up
    // through [SourceDisksFiles] and [SourceDisksNames] on the medium: a file
    // missing there makes Windows stop to ask for the disk (and Wine's
    // SetupAPI retry the copy for ever).
    void CheckInstallFiles(InfFile& inf, const std::wstring& path, const std::wstring& model,
                           const std::wstring& printerName, const std::wstring& modelsSection) {
        std::optional<std::wstring> installName;
        for (const InfFields& line : LinesOf(inf, modelsSection))
            if (line.key && *line.key == printerName && !line.fields.empty()) {
                installName = line.fields.front();
                break;
            }
        if (!installName || installName->empty()) return;
        // As 64-bit Windows picks the install section: .NTamd64, then .NT, then plain.
        std::wstring section;
        for (const std::wstring& candidate : {*installName + L".NTamd64", *installName + L".NT", *installName})
            if (inf.parser.read(candidate)) {
                section = candidate;
                break;
            }
        // A printer INF may name its data file as the install section and
        // have none: there is nothing more to look up then.
        if (section.empty() || !inf.installSectionsChecked.insert(Folded(section)).second) return;

        std::vector<std::pair<std::wstring, size_t>> files;  // file, line naming it
        bool includes = false;
        const auto add = [&](const std::wstring& file, size_t line) {
            if (file.empty()) return;
            for (const auto& f : files)
                if (ProfileNamesEqual(f.first, file)) return;
            files.emplace_back(file, line);
        };
        for (const InfFields& line : LinesOf(inf, section)) {
            if (!line.key) continue;
            const std::wstring& key = *line.key;
            if (ProfileNamesEqual(key, L"Include") || ProfileNamesEqual(key, L"Needs")) includes = true;
            if (ProfileNamesEqual(key, L"CopyFiles")) {
                for (const std::wstring& entry : line.fields) {
                    if (entry.starts_with(L'@')) {
                        add(entry.substr(1), line.fileLine);
                        continue;
                    }
                    for (const InfFields& copy : LinesOf(inf, entry)) {
                        const std::wstring source = copy.fields.size() > 1 && !copy.fields[1].empty()
                                                        ? copy.fields[1]
                                                        : copy.fields.empty() ? copy.key.value_or(L"") : copy.fields[0];
                        add(source, copy.fileLine);
                    }
                }
            }
            for (const wchar_t* named : {L"DataFile", L"DriverFile", L"ConfigFile", L"HelpFile"})
                if (ProfileNamesEqual(key, named) && !line.fields.empty()) add(line.fields.front(), line.fileLine);
        }
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
        for (const auto& [file, line] : files) {
            const std::wstring installation = L"installation of model " + Q(model) + L" from [" + section + L"]";
            auto listed = LineWithKey(inf, L"SourceDisksFiles.amd64", file);
            if (!listed) listed = LineWithKey(inf, L"SourceDisksFiles", file);
            if (!listed) {
                // Files of an included system INF come from Windows itself.
                if (!includes)
                    Add(Severity::Error, "inf-file-missing", path, line, section, file,
                        installation + L" stops: [SourceDisksFiles] does not list " + Q(file) +
                            L", so Windows has no source for it on the medium");
                continue;
            }
            const std::wstring disk = listed->fields.empty() ? L"" : listed->fields[0];
            auto diskLine = LineWithKey(inf, L"SourceDisksNames.amd64", disk);
            if (!diskLine) diskLine = LineWithKey(inf, L"SourceDisksNames", disk);
            if (!diskLine) {
                Add(Severity::Error, "inf-file-missing", path, listed->fileLine, L"SourceDisksFiles", file,
                    installation + L" stops: " + Q(file) + L" is on disk " + Q(disk) +
                        L", which [SourceDisksNames] does not name");
                continue;
            }
            std::wstring where = folder;
            for (const std::wstring& part : {diskLine->fields.size() > 3 ? diskLine->fields[3] : std::wstring(),
                                             listed->fields.size() > 1 ? listed->fields[1] : std::wstring()}) {
                std::wstring_view p = part;
                while (!p.empty() && (p.front() == L'\\' || p.front() == L'/')) p.remove_prefix(1);
                if (p.empty() || p == L".") continue;
                where += std::wstring(p);
                if (where.back() != L'\\' && where.back() != L'/') where += L'\\';
            }
            where += file;
            if (!m_.fileOpens(m_.context, where))
                Add(Severity::Error, "inf-file-missing", path, line, section, file,
                    installation + L" stops: " + where + L" is missing from the medium, so Windows asks for the "
                    L"disk (and Wine's SetupAPI retries the copy for ever)");
        }
    }

    // ---- Manuals ----

    void CheckManual(const std::wstring& model) {
        const std::wstring section(kManualSection);
        const auto file = Key(section, model, kManualCapacity);
        const ProfileKey* key = doc_.FindKey(section, model);
        if (!file && key && key->value) {
            size_t line = 0;
            const std::wstring why = WhyMissing(section, model, kManualCapacity, line);
            if (!key->value->empty())
                AddCatalogue(Severity::Warning, "manual-name-too-long", line, section, model,
                             L"the manual page opens " + std::wstring(kDefaultManual) + L" for model " + Q(model) +
                                 L" instead of its own manual: " + why);
        }
        const auto path = ManualPathFor(dir_, file);
        if (!path) {
            AddCatalogue(Severity::Error, "path-too-long", key ? key->line : 0, section, model,
                         L"the manual page answers \"该机型pdf文件不存在\" for model " + Q(model) +
                             L": its manual's path would exceed 259 characters with the program directory " + Q(dir_));
            return;
        }
        auto [it, added] = manuals_.try_emplace(Relative(*path));
        if (added) {
            manualOrder_.push_back(it->first);
            it->second.line = file && key ? key->line : 0;
            it->second.firstModel = model;
        }
        it->second.models.push_back(model);
    }

    void ReportManuals() {
        for (const std::wstring& path : manualOrder_) {
            const ManualUse& use = manuals_[path];
            if (m_.fileOpens(m_.context, path)) continue;
            std::wstring message = L"the manual page answers \"该机型pdf文件不存在\" for " + Models(use.models) +
                                   L": " + path + L" is missing or cannot be read";
            if (use.line == 0) message += L" (the manual of every model without a usable PRINTER_MAN entry)";
            if (use.line)
                AddCatalogue(Severity::Error, "manual-missing", use.line, std::wstring(kManualSection), use.firstModel,
                             message);
            else
                Add(Severity::Error, "manual-missing", path, 0, L"", L"", message);
        }
    }

    // ---- Driver INF files, once each ----

    void ReportInfFiles() {
        for (const std::wstring& path : infOrder_) {
            const InfFile& inf = infs_[path];
            switch (inf.status) {
                case FileRead::Ok:
                    ReportInfEncoding(inf, path);
                    if (!inf.parser.opens) ReportInfNotOpening(inf, path);
                    else ReportUndefinedStrings(inf, path);
                    break;
                case FileRead::Missing:
                case FileRead::Unreadable:
                    Add(Severity::Error, "inf-missing", path, 0, L"", L"",
                        L"the driver INF is " +
                            std::wstring(inf.status == FileRead::Missing ? L"missing" : L"unreadable") +
                            L": installation fails for " + Models(inf.models));
                    break;
                case FileRead::TooLarge:
                    Add(Severity::Error, "inf-missing", path, 0, L"", L"",
                        L"the driver INF is over " + Num(kMaxInfReadBytes / (1024 * 1024)) +
                            L" MB, too large to be an INF file: installation fails for " + Models(inf.models));
                    break;
            }
        }
    }

    void ReportInfNotOpening(const InfFile& inf, const std::wstring& path) {
        std::wstring why;
        switch (static_cast<InfError>(inf.parser.error)) {
            case InfError::LineBeforeFirstSection:
                why = L"text stands before its first section and it has no [Strings] section";
                break;
            case InfError::UnfinishedSectionName: why = L"a '[' has no ']' on its line"; break;
            case InfError::SectionNameTooLong:
                why = L"a section name has over " + Num(kMaxInfSectionNameChars) + L" characters";
                break;
            case InfError::NoSignature:
                why = L"its [Version] section has no Signature of \"$Windows NT$\"";
                break;
            default: why = L"Windows' INF parser refuses it (error " + Num(inf.parser.error) + L")"; break;
        }
        Add(Severity::Error, "inf-not-inf", path, inf.parser.errorLine, L"", L"",
            L"the driver INF does not open as an INF file: " + why + L"; installation fails for " +
                Models(inf.models));
    }

    void ReportInfEncoding(const InfFile& inf, const std::wstring& path) {
        const std::wstring save = L"; save it as UTF-16LE with a byte-order mark (\"Unicode\"), as Windows asks";
        switch (inf.document.Encoding()) {
            case InfEncoding::Utf16LE: return;
            case InfEncoding::Utf16BE:
                Add(Severity::Error, "inf-encoding", path, 0, L"", L"",
                    L"saved as UTF-16 big-endian, which Windows documents no support for (Wine reads it as ANSI "
                    L"text and finds no section)" + save);
                return;
            case InfEncoding::Utf16LEWithoutMark:
                Add(Severity::Warning, "inf-encoding", path, 0, L"", L"",
                    L"saved as UTF-16 without a byte-order mark: Windows guesses the encoding from the bytes" + save);
                return;
            case InfEncoding::Utf8:
                Add(Severity::Warning, "inf-encoding", path, 1, L"", L"",
                    L"saved as UTF-8 with a byte-order mark: Windows documents only ANSI and UTF-16LE INF files, "
                    L"and one that reads it as ANSI text garbles every non-ASCII name" + save);
                return;
            case InfEncoding::Ansi: break;
        }
        if (!HasHighBytes(inf.bytes)) return;
        const std::vector<std::string_view> lines = ProfileByteLines(inf.bytes);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!HasHighBytes(lines[i])) continue;
            std::wstring text;
            const bool gbk = m_.ansiToWide(lines[i], text);
            Add(Severity::Warning, "inf-encoding", path, i + 1, L"", L"",
                std::wstring(gbk ? L"ANSI text with non-ASCII characters: Windows reads them in the PC's code "
                                   L"page, so names and files differ on a PC whose code page is not 936"
                                 : L"bytes that are no text of code page 936: Windows reads the line as " +
                                       Q(m_.decodeAnsi(lines[i]))) +
                    save);
            return;
        }
    }

    // A %strkey% token that [Strings] does not define stays in the text as
    // written: a model name, file name or section name then names nothing.
    void ReportUndefinedStrings(const InfFile& inf, const std::wstring& path) {
        std::set<std::wstring> seen;
        for (const InfSection& section : inf.document.Sections())
            for (const InfLine& line : section.lines) {
                std::vector<std::wstring> tokens = line.key ? inf.document.UndefinedTokens(*line.key)
                                                            : std::vector<std::wstring>{};
                for (const std::wstring& field : line.fields)
                    for (std::wstring& t : inf.document.UndefinedTokens(field)) tokens.push_back(std::move(t));
                for (const std::wstring& token : tokens) {
                    if (!seen.insert(Folded(token)).second) continue;
                    Add(Severity::Warning, "inf-undefined-string", path, line.fileLine, section.name,
                        L"%" + token + L"%",
                        L"[Strings] defines no " + Q(token) + L": Windows keeps '%" + token +
                            L"%' as it is written wherever it stands");
                }
            }
    }

    // ---- Companion programs ----

    void CheckCompanions() {
        const std::wstring section(kOtherSoftwareSection);
        for (std::wstring_view program : {kQuorin, kTessan}) {
            const std::wstring key(program);
            const std::wstring answer = L"the " + key + L" button answers \"该应用程序文件不存在\"";
            const auto file = Key(section, key, kOtherSoftwareCapacity);
            if (!file) {
                size_t line = 0;
                const std::wstring why = WhyMissing(section, key, kOtherSoftwareCapacity, line);
                AddCatalogue(Severity::Error, "companion-missing", line, section, key, answer + L": " + why);
                continue;
            }
            const ProfileKey* found = doc_.FindKey(section, key);
            const size_t line = found ? found->line : 0;
            const auto path = OtherSoftwarePathFor(dir_, *file);
            if (!path) {
                AddCatalogue(Severity::Error, "path-too-long", line, section, key,
                             answer + L": the program's path would exceed 259 characters with the program directory " +
                                 Q(dir_));
                continue;
            }
            if (!m_.fileOpens(m_.context, Relative(*path)))
                AddCatalogue(Severity::Error, "companion-missing", line, section, key,
                             answer + L": " + Relative(*path) + L" is missing or cannot be read");
        }
    }

    // ---- What the reads never reach ----

    // A later section of a name the installer reads: its lines are ignored.
    void CheckDuplicateSections() {
        for (std::wstring_view fixed : {kSeriesSection, kPrinterNameSection, kPrinterTypeSection, kManualSection,
                                        kOtherSoftwareSection})
            readSections_.insert(Folded(fixed));
        const auto& sections = doc_.Sections();
        for (size_t i = 1; i < sections.size(); ++i) {
            const ProfileSection& s = sections[i];
            const ProfileSection* first = doc_.FindSection(s.name);
            if (first == &s || !readSections_.contains(Folded(s.name))) continue;
            const bool hasLines =
                std::any_of(s.keys.begin(), s.keys.end(), [](const ProfileKey& k) { return !k.IsComment(); });
            if (!hasLines) continue;
            AddCatalogue(Severity::Warning, "duplicate-section", s.line, s.name, L"",
                         L"a second [" + s.name + L"] section: the installer reads only the first (line " +
                             Num(first->line) + L"), so its " + Num(s.keys.size()) +
                             (s.keys.size() == 1 ? L" line is ignored" : L" lines are ignored"));
        }
    }

    // A key looked up that appears again with another value: only the first counts.
    void CheckDuplicateKeys() {
        for (const auto& [folded, keys] : lookedUp_) {
            const ProfileSection* section = doc_.FindSection(folded, true);
            if (!section) continue;
            std::unordered_map<std::wstring, const ProfileKey*> first;
            for (const ProfileKey& k : section->keys) {
                if (k.IsComment()) continue;
                const std::wstring name = Folded(k.name);
                if (!keys.contains(name)) continue;
                auto [it, added] = first.try_emplace(name, &k);
                if (added || it->second->value == k.value) continue;
                AddCatalogue(Severity::Warning, "duplicate-key", k.line, section->name, k.name,
                             L"the installer uses the first entry for " + Q(k.name) + L" (line " +
                                 Num(it->second->line) + L", " + Q(it->second->value.value_or(L"")) + L"); this one (" +
                                 Q(k.value.value_or(L"")) + L") is ignored");
            }
        }
    }

    const MediumAccess& m_;
    const CheckOptions& o_;
    mutable std::vector<wchar_t> buffer_;
    CheckReport report_;
    std::wstring dir_;
    ProfileDocument doc_;
    std::unordered_map<std::wstring, std::unordered_map<std::wstring, size_t>> entryLines_;
    std::map<std::wstring, std::unordered_set<std::wstring>> lookedUp_;
    std::unordered_set<std::wstring> readSections_;
    std::unordered_map<std::wstring, InfFile> infs_;
    std::vector<std::wstring> infOrder_;
    std::unordered_map<std::wstring, ManualUse> manuals_;
    std::vector<std::wstring> manualOrder_;
};

// Control characters would break the one-line form of a finding.
std::string Printable(std::wstring_view text) {
    if (std::none_of(text.begin(), text.end(), [](wchar_t c) { return static_cast<unsigned>(c) < 0x20 || c == 0x7F; }))
        return ToUtf8(text);
    std::wstring shown;
    for (wchar_t c : text) {
        if (static_cast<unsigned>(c) < 0x20 || c == 0x7F) {
            static const wchar_t* hex = L"0123456789abcdef";
            shown += L"\\x";
            shown += hex[(c >> 4) & 0xF];
            shown += hex[c & 0xF];
        } else {
            shown += c;
        }
    }
    return ToUtf8(shown);
}


const char* SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

}  // namespace

CheckReport CheckMedium(const MediumAccess& medium, const CheckOptions& options) {
    return Checker(medium, options).Run();
}

std::string FindingText(const Finding& f) {
    std::string s = SeverityName(f.severity);
    s += ": ";
    s += Printable(f.file.empty() ? std::wstring_view(L".") : std::wstring_view(f.file));
    if (f.line) s += ":" + std::to_string(f.line);
    if (!f.section.empty()) s += " [" + Printable(f.section) + "]";
    if (!f.key.empty()) s += " " + Printable(f.key);
    s += ": " + Printable(f.message) + " [" + f.rule + "]";
    return s;
}

std::string ReportJson(const CheckReport& report, std::wstring_view medium) {
    std::string out = "{\"medium\": " + JsonString(medium);
    out += ", \"series\": " + std::to_string(report.series);
    out += ", \"models\": " + std::to_string(report.models);
    out += ", \"errors\": " + std::to_string(report.Count(Severity::Error));
    out += ", \"warnings\": " + std::to_string(report.Count(Severity::Warning));
    out += ", \"findings\": [";
    for (size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        out += i ? ",\n  {" : "\n  {";
        out += "\"severity\": \"" + std::string(SeverityName(f.severity)) + "\"";
        out += ", \"rule\": \"" + f.rule + "\"";
        out += ", \"file\": " + JsonString(f.file);
        out += ", \"line\": " + (f.line ? std::to_string(f.line) : std::string("null"));
        out += ", \"section\": " + JsonString(f.section);
        out += ", \"key\": " + JsonString(f.key);
        out += ", \"message\": " + JsonString(f.message) + "}";
    }
    out += report.findings.empty() ? "]}\n" : "\n]}\n";
    return out;
}

}  // namespace core
