// The INF reader and the models rule on arbitrary bytes: no crash, every
// token within the parser's limits, lookups that find what the parse holds,
// and the same parse when the decoded text is saved again as UTF-16LE.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/inf_models.h"
#include "core/inf_reader.h"
#include "fuzz_catalogue_check.h"

namespace {

const std::vector<core::InfFields>& Lines(const std::vector<core::InfFields>* lines) {
    static const std::vector<core::InfFields> kNone;
    return lines ? *lines : kNone;
}

std::wstring Latin1(std::string_view bytes) {
    std::wstring text;
    for (char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

std::string Utf16WithMark(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

bool SameParse(const core::InfDocument& a, const core::InfDocument& b) {
    if (a.Error() != b.Error() || a.ErrorLine() != b.ErrorLine() || a.Sections().size() != b.Sections().size())
        return false;
    for (size_t s = 0; s < a.Sections().size(); ++s) {
        const auto& x = a.Sections()[s];
        const auto& y = b.Sections()[s];
        if (x.name != y.name || x.lines.size() != y.lines.size()) return false;
        for (size_t l = 0; l < x.lines.size(); ++l)
            if (x.lines[l].key != y.lines[l].key || x.lines[l].fields != y.lines[l].fields ||
                x.lines[l].fileLine != y.lines[l].fileLine)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::InfDocument doc(bytes, &Latin1);
    FUZZ_CHECK(doc.Opens() == (doc.Error() == core::InfError::None));
    if (doc.Opens()) FUZZ_CHECK(doc.ErrorLine() == 0);

    for (const core::InfSection& section : doc.Sections()) {
        FUZZ_CHECK(section.name.size() <= core::kMaxInfSectionNameChars);
        FUZZ_CHECK(doc.FindSection(section.name) == &section);
        size_t lastLine = 0;
        for (const core::InfLine& line : section.lines) {
            FUZZ_CHECK(line.fileLine >= 1 && line.fileLine >= lastLine);
            lastLine = line.fileLine;
            if (line.key) FUZZ_CHECK(line.key->size() <= core::kMaxInfTokenChars);
            // A line of one field and no "=" has it as its key too.
            FUZZ_CHECK(line.key || line.fields.size() != 1);
            for (const std::wstring& f : line.fields) {
                FUZZ_CHECK(f.size() <= core::kMaxInfTokenChars);
                const std::wstring resolved = doc.Resolve(f);
                FUZZ_CHECK(resolved.size() <= core::kMaxInfStringChars);
                if (f.find(L'%') == std::wstring::npos) FUZZ_CHECK(resolved == f);
            }
            FUZZ_CHECK(doc.Field(line, 0) == (line.key ? std::optional(doc.Resolve(*line.key)) : std::nullopt));
            FUZZ_CHECK(!doc.Field(line, line.fields.size() + 1));
        }
    }

    // The same text saved as UTF-16LE with its mark parses the same.
    const core::InfDocument again(Utf16WithMark(core::DecodeInfBytes(bytes, &Latin1)), &Latin1);
    FUZZ_CHECK(SameParse(doc, again));

    // Every models line's model (the first few), looked up, is found where
    // the parse has it.
    const auto read = core::SectionReaderOf(doc);
    size_t looked = 0;
    for (const core::InfFields& manufacturer : Lines(read(L"Manufacturer"))) {
        const auto section = core::ModelsSectionForX64(manufacturer, {});
        if (!section) continue;
        for (const core::InfFields& model : Lines(read(*section))) {
            if (!model.key || ++looked > 16) continue;
            const core::ModelLookup lookup = core::LookUpModel(read, *model.key, {});
            FUZZ_CHECK(lookup.status != core::ModelLookup::NotListed && lookup.status != core::ModelLookup::NoManufacturer);
            if (lookup.status == core::ModelLookup::Found)
                FUZZ_CHECK(core::IsUsbHardwareId(lookup.id) && lookup.id.size() < core::kMaxInfTokenChars);
        }
    }
    return 0;
}
