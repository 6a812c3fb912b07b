// Installation media for the medium checker's native tests: a small medium
// that checks clean, kept as editable lines and files, and an in-memory fake
// of the medium's access (the struct of function pointers the checker reads
// through).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/ini_reader.h"
#include "core/medium_rules.h"
#include "gbk_codec.h"

namespace mctest {

inline const std::wstring kInf24 = L"OrvaneDriver\\OrvaneDriver\\Orvane 24pin\\Orvane.INF";
inline const std::wstring kInf9 = L"OrvaneDriver\\OrvaneDriver\\Orvane 9pin\\Orvane.INF";
inline const std::wstring kCatalogue = L"PrinterInfor.Inf";

enum class Encoding { Utf16LE, Gbk, Utf8, Utf8Bom, Utf16BE, Utf16NoBom };

inline std::string Utf16Bytes(const std::wstring& text, bool bigEndian, bool mark) {
    std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (wchar_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

inline std::string Gbk(const std::wstring& text) {
    std::string bytes;
    EXPECT_TRUE(medium_check::EncodeGbkStrict(text, bytes)) << "text without a GBK form";
    return bytes;
}

inline std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const auto& l : lines) text += l + L"\r\n";
    return text;
}

inline std::string Encode(const std::wstring& text, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16LE: return Utf16Bytes(text, false, true);
        case Encoding::Utf16BE: return Utf16Bytes(text, true, true);
        case Encoding::Utf16NoBom: return Utf16Bytes(text, false, false);
        case Encoding::Gbk: return Gbk(text);
        case Encoding::Utf8: return core::ToUtf8(text);
        case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + core::ToUtf8(text);
    }
    return {};
}

// A medium: the catalogue as lines, every other file as bytes.
struct Medium {
    std::vector<std::wstring> catalogue;
    Encoding encoding = Encoding::Utf16LE;
    bool hasCatalogue = true;
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> unreadable;

    // Line numbers below are those of this catalogue.
    static Medium Good() {
        Medium m;
        m.catalogue = {
            L"[PRINTER_SERIES]",        // 1
            L"经典系列",                // 2
            L"高速系列",                // 3
            L"[经典系列]",              // 4
            L"OP-730K",                 // 5
            L"OP-9150",                 // 6
            L"[高速系列]",              // 7
            L"曜驰7730",                // 8
            L"[PRINTER_NAME]",          // 9
            L"OP-730K=Orvane OP-730K",  // 10
            L"OP-9150=Orvane OP-9150",  // 11
            L"曜驰7730=Orvane VP-7730", // 12
            L"[PRINTER_TYPE]",          // 13
            L"Orvane OP-730K=24",       // 14
            L"Orvane OP-9150=9",        // 15
            L"Orvane VP-7730=24",       // 16
            L"[PRINTER_MAN]",           // 17
            L"OP-730K=OP-730K.pdf",     // 18
            L"曜驰7730=VP-7730.pdf",    // 19
            L"[OTHER_SOFTWARE]",        // 20
            L"Quorin=Quorin\\Quorin.exe",  // 21
            L"Tessan=Tessan\\Tessan.exe",  // 22
        };
        m.files[kInf24] = "[Version]\r\n"                                                                 // 1
                          "Signature=\"$Windows NT$\"\r\n"                                                // 2
                          "[Orvane.NTamd64]\r\n"                                                         // 3
                          "\"Orvane OP-730K\" = OP730K.GPD,USBPRINT\\OrvaneOP-730K8C1E,LPTENUM\\OrvaneOP-730K8C1E\r\n"  // 4
                          "\"Orvane VP-7730\" = VP7730.GPD,USBPRINT\\OrvaneVP-77305E31,LPTENUM\\OrvaneVP-77305E31\r\n"  // 5
                          "[Strings]\r\n";                                                               // 6
        m.files[kInf9] = "[Version]\r\n"
                         "Signature=\"$Windows NT$\"\r\n"
                         "[Orvane.NTamd64]\r\n"
                         "\"Orvane OP-9150\" = OP9150.GPD,USBPRINT\\OrvaneOP-91502B6F,LPTENUM\\OrvaneOP-91502B6F\r\n"  // 4
                         "[Strings]\r\n";
        for (const wchar_t* f : {L"OrvaneManual\\OP-730K.pdf", L"OrvaneManual\\VP-7730.pdf", L"OrvaneManual\\Printer.PDF"})
            m.files[f] = "%PDF-1.4\n";
        m.files[L"Quorin\\Quorin.exe"] = "MZ";
        m.files[L"Tessan\\Tessan.exe"] = "MZ";
        return m;
    }

    // The 1-based catalogue line that starts with `prefix`.
    size_t Line(const std::wstring& prefix) const {
        for (size_t i = 0; i < catalogue.size(); ++i)
            if (catalogue[i].starts_with(prefix)) return i + 1;
        ADD_FAILURE() << "no catalogue line starts with the given text";
        return 0;
    }
    void Replace(const std::wstring& prefix, const std::wstring& line) { catalogue[Line(prefix) - 1] = line; }
    void Remove(const std::wstring& prefix) { catalogue.erase(catalogue.begin() + static_cast<long>(Line(prefix) - 1)); }
    void InsertAfter(const std::wstring& prefix, const std::vector<std::wstring>& lines) {
        catalogue.insert(catalogue.begin() + static_cast<long>(Line(prefix)), lines.begin(), lines.end());
    }
    // Replaces the INF line that starts with `prefix` (whole lines, CR LF).
    void ReplaceInfLine(const std::wstring& inf, const std::string& prefix, const std::string& line) {
        std::string& text = files[inf];
        const size_t at = text.find("\r\n" + prefix);
        ASSERT_NE(at, std::string::npos) << "no INF line starts with " << prefix;
        const size_t end = text.find("\r\n", at + 2);
        text.replace(at + 2, end - at - 2, line);
    }

    std::string CatalogueBytes() const { return Encode(Joined(catalogue), encoding); }
};

// The checker's view of a Medium, kept in memory.
class FakeMedium {
public:
    explicit FakeMedium(const Medium& medium) : medium_(medium) {
        if (medium.hasCatalogue) files_[kCatalogue] = medium.CatalogueBytes();
        for (const auto& [path, bytes] : medium.files) files_[path] = bytes;
        const auto catalogue = files_.find(kCatalogue);
        catalogue_ = core::ProfileDocument(core::DecodeProfileBytes(
            catalogue == files_.end() ? std::string() : catalogue->second, &medium_check::DecodeGbk));
    }

    core::MediumAccess Access() {
        core::MediumAccess a;
        a.context = this;
        a.readSection = [](void* c, const std::wstring& section, wchar_t* buffer, size_t capacity) {
            auto& self = *static_cast<FakeMedium*>(c);
            ++self.sectionReads;
            return self.catalogue_.ReadSection(section, buffer, capacity);
        };
        a.readString = [](void* c, const std::wstring& section, const std::wstring& key, wchar_t* buffer,
                          size_t capacity) {
            auto& self = *static_cast<FakeMedium*>(c);
            ++self.stringReads;
            return self.catalogue_.ReadString(section, key, buffer, capacity);
        };
        a.readFile = [](void* c, const std::wstring& path, size_t maxBytes, std::string& bytes) {
            auto& self = *static_cast<FakeMedium*>(c);
            bytes.clear();
            if (self.medium_.unreadable.contains(path)) return core::FileRead::Unreadable;
            const auto it = self.files_.find(path);
            if (it == self.files_.end()) return core::FileRead::Missing;
            if (it->second.size() > maxBytes) return core::FileRead::TooLarge;
            bytes = it->second;
            return core::FileRead::Ok;
        };
        a.fileOpens = [](void* c, const std::wstring& path) {
            auto& self = *static_cast<FakeMedium*>(c);
            ++self.existenceTests;
            return !self.medium_.unreadable.contains(path) && self.files_.contains(path);
        };
        a.decodeAnsi = &medium_check::DecodeGbk;
        a.ansiToWide = &medium_check::DecodeGbkStrict;
        a.wideToAnsi = &medium_check::EncodeGbkStrict;
        return a;
    }

    int sectionReads = 0;
    int stringReads = 0;
    int existenceTests = 0;

private:
    const Medium& medium_;
    std::map<std::wstring, std::string> files_;
    core::ProfileDocument catalogue_;
};

inline core::CheckReport Check(const Medium& medium, const core::CheckOptions& options = {}) {
    FakeMedium fake(medium);
    return core::CheckMedium(fake.Access(), options);
}

// A finding reduced to what a case pins: "error rule file:line".
inline std::string Brief(const core::Finding& f) {
    return std::string(f.severity == core::Severity::Error ? "error " : "warning ") + f.rule + " " +
           core::ToUtf8(f.file) + ":" + std::to_string(f.line);
}

inline std::vector<std::string> Briefs(const core::CheckReport& report) {
    std::vector<std::string> out;
    for (const auto& f : report.findings) out.push_back(Brief(f));
    std::sort(out.begin(), out.end());
    return out;
}

inline std::string Listed(const core::CheckReport& report) {
    std::string out;
    for (const auto& f : report.findings) out += "  " + core::FindingText(f) + "\n";
    return out;
}

}  // namespace mctest
