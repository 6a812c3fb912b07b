// The real printer data of tests/data/realworld (see its README), read for
// table-driven tests natively and under Wine: device IDs as printers send
// them, real INF lines, and whole real INF files.  PI_REALWORLD_DIR names
// the folder (a Windows path under Wine).
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef PI_REALWORLD_DIR
#error "PI_REALWORLD_DIR must name tests/data/realworld"
#endif

namespace realworld {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Rows after the header line, split at tabs.
inline std::vector<std::vector<std::string>> Rows(const char* file) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(ReadFile(std::filesystem::path(PI_REALWORLD_DIR) / file));
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        rows.push_back(std::move(cells));
    }
    return rows;
}

// "\t" is a tab; with `bytes`, "\xNN" is that byte.
inline std::string Unescape(const std::string& s, bool bytes) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 't') {
            out += '\t';
            ++i;
        } else if (bytes && s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct DeviceIdRow {
    size_t number = 0;  // 1-based data row
    std::string printer;
    bool raw = false;   // the whole reply, length bytes included
    std::string id;     // the bytes
};

inline std::vector<DeviceIdRow> DeviceIds() {
    std::vector<DeviceIdRow> out;
    for (const auto& cells : Rows("device-ids.tsv")) {
        if (cells.size() < 3) continue;
        DeviceIdRow row;
        row.number = out.size() + 1;
        row.printer = cells[1];
        row.raw = cells[1].find("raw") != std::string::npos;
        row.id = Unescape(cells[2], true);
        out.push_back(std::move(row));
    }
    return out;
}

// Strict UTF-8 (the rows are UTF-8 text) to UTF-16 code units.
inline std::wstring Wide(const std::string& utf8) {
    std::wstring out;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        i += n;
    }
    return out;
}

struct InfLineRow {
    size_t number = 0;  // 1-based data row
    std::string file, encoding;
    std::wstring section, line;
};

inline std::vector<InfLineRow> InfLines() {
    std::vector<InfLineRow> out;
    for (const auto& cells : Rows("inf-lines.tsv")) {
        if (cells.size() < 5) continue;
        InfLineRow row;
        row.number = out.size() + 1;
        row.file = cells[1];
        row.encoding = cells[2];
        row.section = Wide(cells[3]);
        row.line = Wide(Unescape(cells[4], false));
        out.push_back(std::move(row));
    }
    return out;
}

// The whole INF files of inf-ms-samples/, by name, in name order.
inline std::vector<std::pair<std::string, std::string>> MsSampleInfs() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(PI_REALWORLD_DIR) / "inf-ms-samples"))
        out.emplace_back(entry.path().filename().string(), ReadFile(entry.path()));
    std::sort(out.begin(), out.end());
    return out;
}

// A line's quoted model name (at its start, after blanks) replaced by
// `name`: "\"" + name + "\"" or a %token% given as is.
inline std::wstring WithModelName(const std::wstring& line, const std::wstring& name) {
    const size_t open = line.find_first_not_of(L" \t");
    if (open == std::wstring::npos || line[open] != L'"') return line;
    const size_t close = line.find(L'"', open + 1);
    if (close == std::wstring::npos) return line;
    return line.substr(0, open) + name + line.substr(close + 1);
}

// An INF for the medium, CRLF, with `line` as the only models line of the
// x64 models section, and [Strings] defining `strings` ("KEY=value" lines).
inline std::wstring MediumInfAround(const std::wstring& line, const std::wstring& strings = L"") {
    return L"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nProvider=%ORVANE%\r\n\r\n"
           L"[Manufacturer]\r\n%ORVANE%=Orvane,NTamd64\r\n\r\n[Orvane.NTamd64]\r\n" +
           line + L"\r\n\r\n[Strings]\r\nORVANE=\"Orvane\"\r\n" + strings;
}

// The USB hardware ID of a real models line, found the plain way: the
// fields after "=" split at commas with blanks around them dropped, the
// first from the second field on that starts with "USBPRINT\" or "USB\"
// (letter case ignored); empty when there is none.
inline std::wstring ExpectedUsbId(const std::wstring& line) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return L"";
    std::vector<std::wstring> fields;
    for (size_t start = equals + 1;;) {
        const size_t comma = line.find(L',', start);
        std::wstring f = line.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        f.erase(0, f.find_first_not_of(L" \t"));
        f.erase(f.find_last_not_of(L" \t") + 1);
        fields.push_back(f);
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    for (size_t i = 1; i < fields.size(); ++i) {
        std::wstring upper = fields[i];
        for (wchar_t& c : upper) c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
        if (upper.rfind(L"USBPRINT\\", 0) == 0 || upper.rfind(L"USB\\", 0) == 0) return fields[i];
    }
    return L"";
}

// The rows that are models lines of a named model.
inline bool IsModelsLine(const InfLineRow& row) {
    return row.section != L"Manufacturer" && row.line.find_first_not_of(L" \t") != std::wstring::npos &&
           row.line[row.line.find_first_not_of(L" \t")] == L'"';
}

struct MediumVariant {
    std::string name;
    std::wstring inf;       // the INF's text
    std::wstring expected;  // the ID the installer must find, empty for none
};

// A medium INF around a real models line for the printer `printerName`:
// the line with that name written literally and as a %token%, with an
// LPTENUM\ ID put first, and after a first line of the printer that has no
// USB hardware ID.
inline std::vector<MediumVariant> MediumVariants(const InfLineRow& row, const std::wstring& printerName) {
    const std::wstring literal = WithModelName(row.line, L"\"" + printerName + L"\"");
    const std::wstring expected = ExpectedUsbId(row.line);
    const std::wstring strings = L"PRINTER=\"" + printerName + L"\"\r\n";
    std::vector<MediumVariant> out = {
        {"literal name", MediumInfAround(literal), expected},
        {"%token% name", MediumInfAround(WithModelName(row.line, L"%PRINTER%"), strings), expected},
    };
    const size_t comma = literal.find(L',', literal.find(L'='));
    if (comma != std::wstring::npos)
        out.push_back({"LPTENUM first", MediumInfAround(literal.substr(0, comma + 1) + L"LPTENUM\\Orvane_RW," +
                                                        literal.substr(comma + 1)),
                       expected});
    out.push_back({"a first line without USB ID",
                   MediumInfAround(L"\"" + printerName + L"\" = FIRST.GPD,LPTENUM\\Orvane_RW\r\n" + literal), expected});
    return out;
}

}  // namespace realworld
