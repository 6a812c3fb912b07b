// Whether a firmware file is a whole Motorola S-record file: record syntax,
// byte counts, checksums, and the end record.  A download cut short on the
// way from a website fails one of these, and must not reach a printer in
// download mode.  Plain rules over bytes, no Windows.
#pragma once
#include <cstddef>
#include <string_view>

namespace core {

struct SRecordCheck {
    enum Problem {
        None,
        NotARecord,      // a line that does not start with S and a record type
        BadType,         // S4, or a type that is no digit
        NotHex,          // a character that is no hexadecimal digit, or an odd number of them
        CountMismatch,   // the count byte does not say how many bytes follow it
        TooShort,        // fewer bytes than the record type's address and the checksum
        BadChecksum,
        BadRecordCount,  // an S5/S6 record that does not count the data records before it
        NoEndRecord,     // no S7, S8 or S9 record at the end (a file cut between two lines)
        AfterEnd,        // a record after the end record
    } problem = None;
    size_t line = 0;     // 1-based line of the problem; 0 when none or at the end
    size_t records = 0;  // records read
    bool ok() const { return problem == None; }
};

// Lines end with LF, CR LF or CR; empty lines and trailing blanks are
// allowed, as tools that write S-record files leave them.
SRecordCheck CheckSRecordFile(std::string_view bytes);

}  // namespace core
