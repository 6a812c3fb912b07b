#include "core/medium_firmware.h"

#include "core/srecord.h"

namespace core {

namespace {

bool IsMotFile(const std::wstring& path) {
    if (path.size() < 4) return false;
    std::wstring ext = path.substr(path.size() - 4);
    for (wchar_t& c : ext)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return ext == L".mot";
}

const wchar_t* ProblemText(SRecordCheck::Problem problem) {
    switch (problem) {
    case SRecordCheck::None: return L"";
    case SRecordCheck::NotARecord: return L"a line that is no record (it does not start with S and a record type)";
    case SRecordCheck::BadType: return L"a record of no valid type (S4, or no digit)";
    case SRecordCheck::NotHex: return L"a character that is no hexadecimal digit, or an odd number of digits";
    case SRecordCheck::CountMismatch: return L"a byte count that does not match the record's length (a line cut short?)";
    case SRecordCheck::TooShort: return L"a record shorter than its address";
    case SRecordCheck::BadChecksum: return L"a wrong checksum";
    case SRecordCheck::BadRecordCount: return L"an S5/S6 record count that does not match the data records";
    case SRecordCheck::NoEndRecord: return L"no end record (S7, S8 or S9): the file is cut short";
    case SRecordCheck::AfterEnd: return L"a record after the end record";
    }
    return L"";
}

}  // namespace

std::vector<Finding> CheckFirmwareFiles(const std::vector<MediumEntry>& entries, const MediumFileReader& read) {
    std::vector<Finding> findings;
    for (const MediumEntry& e : entries) {
        if (e.folder || !IsMotFile(e.path)) continue;
        std::string bytes;
        std::wstring why;
        size_t line = 0;
        if (!read(e.path, bytes)) {
            why = L"it cannot be read";
        } else {
            const SRecordCheck check = CheckSRecordFile(bytes);
            if (check.ok()) continue;
            why = ProblemText(check.problem);
            line = check.line;
        }
        Finding f;
        f.severity = Severity::Error;
        f.rule = "firmware-not-srecord";
        f.file = e.path;
        f.line = line;
        f.message = L"the console program refuses to send this firmware file, and the window sends it to the "
                    L"printer as it is: it is no whole Motorola S-record file, " + why;
        findings.push_back(std::move(f));
    }
    return findings;
}

}  // namespace core
