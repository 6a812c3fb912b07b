#include "core/srecord.h"

#include <cstdint>

namespace core {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Bytes of the address field per record type; 0 for a type that is none.
size_t AddressBytes(char type) {
    switch (type) {
    case '0': case '1': case '5': case '9': return 2;
    case '2': case '6': case '8': return 3;
    case '3': case '7': return 4;
    default: return 0;
    }
}

}  // namespace

SRecordCheck CheckSRecordFile(std::string_view bytes) {
    SRecordCheck check;
    size_t dataRecords = 0;
    bool ended = false;
    size_t lineNumber = 0;
    size_t start = 0;
    const auto fail = [&](SRecordCheck::Problem problem) {
        check.problem = problem;
        check.line = lineNumber;
        return check;
    };
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
        ++lineNumber;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line.empty()) continue;
        if (ended) return fail(SRecordCheck::AfterEnd);
        if (line.size() < 2 || line[0] != 'S') return fail(SRecordCheck::NotARecord);
        const char type = line[1];
        const size_t addressBytes = AddressBytes(type);
        if (addressBytes == 0) return fail(SRecordCheck::BadType);
        const std::string_view hex = line.substr(2);
        if (hex.size() % 2 != 0) return fail(SRecordCheck::NotHex);
        uint32_t sum = 0;
        size_t count = 0;
        uint32_t lastByte = 0;
        uint32_t address = 0;
        for (size_t i = 0; i < hex.size(); i += 2) {
            const int high = HexValue(hex[i]), low = HexValue(hex[i + 1]);
            if (high < 0 || low < 0) return fail(SRecordCheck::NotHex);
            const uint32_t value = static_cast<uint32_t>(high * 16 + low);
            if (i == 0) count = value;
            else if (i / 2 <= addressBytes) address = (address << 8) | value;
            if (i + 2 < hex.size()) sum += value;
            lastByte = value;
        }
        const size_t following = hex.size() / 2 - 1;  // the bytes after the count
        if (hex.empty() || count != following) return fail(SRecordCheck::CountMismatch);
        if (count < addressBytes + 1) return fail(SRecordCheck::TooShort);
        if (((~sum) & 0xFF) != lastByte) return fail(SRecordCheck::BadChecksum);
        ++check.records;
        if (type == '1' || type == '2' || type == '3') ++dataRecords;
        if ((type == '5' || type == '6') && address != (dataRecords & (type == '5' ? 0xFFFFu : 0xFFFFFFu)))
            return fail(SRecordCheck::BadRecordCount);
        if (type == '7' || type == '8' || type == '9') ended = true;
    }
    if (!ended) {
        check.problem = SRecordCheck::NoEndRecord;
        check.line = 0;
    }
    return check;
}

}  // namespace core
