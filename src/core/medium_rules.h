// The medium checker's rules: everything on an installation medium that
// would make the installer fail, found by asking the medium the same
// questions the installer asks, with the same buffers and limits, and
// judging the answers with the installer's own rules (catalogue_rules.h).
//
// The medium is reached through MediumAccess: on Windows the real profile
// functions and files, natively the INI reader (ini_reader.h) and the files
// looked up the way Windows looks them up; in tests a fake.
//
// Every finding says what the installer would do with the medium as it is.
// Nothing is reported that does not change what the installer does.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "core/inf_models.h"
#include "core/inf_reader.h"
#include "core/ini_reader.h"

namespace core {

// ---- Findings ------------------------------------------------------------------

enum class Severity { Error, Warning };

struct Finding {
    Severity severity = Severity::Error;
    std::string rule;      // stable short name, e.g. "section-too-long"
    std::wstring file;     // relative to the medium, e.g. L"PrinterInfor.Inf"
    size_t line = 0;       // 1-based; 0 when no single line is meant
    std::wstring section;  // catalogue or INF section, when one is meant
    std::wstring key;      // key or entry, when one is meant
    std::wstring message;  // what the installer would do
};

struct CheckReport {
    std::vector<Finding> findings;
    size_t series = 0;  // series in the series list
    size_t models = 0;  // different models in the model lists
    size_t Count(Severity severity) const;
};

// ---- The medium -------------------------------------------------------------------

enum class FileRead { Ok, Missing, Unreadable, TooLarge };

// What the installer's INF parser answers for one INF file: whether it
// opens (SetupOpenInfFileW with INF_STYLE_WIN4, and its error and line when
// not), and the lines of any section, %strkey% resolved.
struct InfParserView {
    bool opens = false;
    unsigned error = 0;
    size_t errorLine = 0;
    InfSectionReader read;
    std::shared_ptr<void> keep;  // what `read` needs while it is used
};

// How the checker reaches a medium.  Paths are relative to the medium's
// folder (the installer's program directory), with backslashes.  Wide text
// is UTF-16 code units on every platform.
struct MediumAccess {
    void* context = nullptr;
    // GetPrivateProfileSectionW / GetPrivateProfileStringW (empty default)
    // on the medium's PrinterInfor.Inf.
    size_t (*readSection)(void* context, const std::wstring& section, wchar_t* buffer, size_t capacity) = nullptr;
    size_t (*readString)(void* context, const std::wstring& section, const std::wstring& key, wchar_t* buffer,
                         size_t capacity) = nullptr;
    // The whole file, up to maxBytes (a larger one gives TooLarge).
    FileRead (*readFile)(void* context, const std::wstring& path, size_t maxBytes, std::string& bytes) = nullptr;
    // The installer's existence test: the file opens for reading.
    bool (*fileOpens)(void* context, const std::wstring& path) = nullptr;
    // The ANSI code page (936 on the customers' PCs): text as the profile
    // functions decode it (never failing), and the installer's strict
    // conversions of INF text and printer names (false when a byte sequence
    // or a character has no counterpart).
    AnsiDecoder decodeAnsi = nullptr;
    bool (*ansiToWide)(std::string_view bytes, std::wstring& text) = nullptr;
    bool (*wideToAnsi)(std::wstring_view text, std::string& bytes) = nullptr;
    // The installer's INF parser on the INF at `path` (Windows: SetupAPI);
    // `document` is the INF reader's parse of the same bytes, for line
    // numbers.  Null, or false: the document answers for the parser.
    bool (*openInf)(void* context, const std::wstring& path, const InfDocument& document,
                    InfParserView& view) = nullptr;
};

struct CheckOptions {
    // Where the installer is assumed to run from (a backslash is added when
    // missing): every path it builds must stay within 259 characters.
    std::wstring programDirectory = L"D:\\";
    // The port name the set-up command is assumed to get.
    std::wstring port = L"USB001";
    // The Windows the models section is chosen for (on Windows: the PC's own).
    WindowsVersion windows;
};

CheckReport CheckMedium(const MediumAccess& medium, const CheckOptions& options);

// ---- Output ---------------------------------------------------------------------

// "error: PrinterInfor.Inf:12 [section] key: message [rule]", UTF-8, no line end.
std::string FindingText(const Finding& finding);
// The whole report as one JSON object, UTF-8, ending in a line end.
std::string ReportJson(const CheckReport& report, std::wstring_view medium);

}  // namespace core
