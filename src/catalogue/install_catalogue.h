// Reader of the install catalogue PrinterInfor.Inf next to the program, and
// holder of the names and paths of the driver installation in progress.
//
// Every list and lookup reads the file again through the Windows profile
// functions: nothing is cached, so a catalogue edited while the program runs
// is seen at once.  The rules applied to what the profile functions return
// live in core/catalogue_rules.h.
#pragma once
#include <string>
#include <vector>

#include "core/catalogue_rules.h"

using core::PinType;

class InstallCatalogue {
public:
    // For the running program: its own directory.
    InstallCatalogue();
    // For a catalogue in another directory (a backslash is added when
    // missing).  A directory that is empty or too long for a path buffer
    // leaves both paths empty: every list is then empty and every key missing.
    explicit InstallCatalogue(const std::wstring& programDirectory);

    InstallCatalogue(const InstallCatalogue&) = delete;
    InstallCatalogue& operator=(const InstallCatalogue&) = delete;

    // Set at construction, never changed.
    const std::wstring& ProgramDirectory() const { return m_programDirectory; }
    const std::wstring& CataloguePath() const { return m_cataloguePath; }

    // The installation in progress: empty at first, then the last
    // installation's values, as its starter describes it (the installation
    // job itself works from its own copy).  A setter refuses a text over
    // core::kMaxPathChars: the field is then emptied and false returned.
    const std::wstring& InstallPrinterName() const { return m_installPrinterName; }
    bool SetInstallPrinterName(const std::wstring& printerName);
    const std::wstring& InstallPort() const { return m_installPort; }
    bool SetInstallPort(const std::wstring& port);
    const std::wstring& InstallInfPath() const { return m_installInfPath; }
    bool SetInstallInfPath(const std::wstring& infPath);

    // All entries of a section in file order; false (and an empty list) when
    // the file or section is missing or the section does not fit 2048
    // characters.
    bool ReadSectionList(const std::wstring& section, std::vector<std::wstring>& entries) const;
    // A key's value read into `capacity` characters; false (and an empty
    // value) when the key is absent, empty, or its value does not fit.
    bool ReadKey(const std::wstring& section, const std::wstring& key, size_t capacity, std::wstring& value) const;

    bool GetSeriesList(std::vector<std::wstring>& series) const;
    bool GetSeriesModels(const std::wstring& series, std::vector<std::wstring>& models) const;
    // The first series, in PRINTER_SERIES order, that lists the model
    // (exact, with letter case).
    bool FindSeriesOfModel(const std::wstring& model, std::wstring& series) const;
    // PRINTER_NAME of the model.
    bool GetPrinterName(const std::wstring& model, std::wstring& printerName) const;
    // PRINTER_TYPE of the printer name (not of the model name).
    PinType GetPinType(const std::wstring& printerName) const;
    // Program directory, "OrvaneManual\", then the model's PRINTER_MAN file or
    // "Printer.PDF".  Empty when that path would exceed core::kMaxPathChars.
    std::wstring GetManualPath(const std::wstring& model) const;
    // Program directory followed by the OTHER_SOFTWARE file of "Quorin" or
    // "Tessan".  When the key is missing (or the path would be too long) the
    // result is false and `path` is the program directory alone.
    bool GetOtherSoftwarePath(const std::wstring& program, std::wstring& path) const;

    // Sets the installation's INF path from the program directory and the
    // pin type of the installation's printer name, looked up anew: both
    // "OrvaneDriver\" levels, then "Orvane 24pin\Orvane.INF" or
    // "Orvane 9pin\Orvane.INF", or nothing more for any other pin type.
    // False, with the INF path emptied, when the path would be too long.
    bool BuildDriverInfPath();

private:
    static bool StoreField(std::wstring& field, const std::wstring& value);

    std::wstring m_programDirectory;
    std::wstring m_cataloguePath;

    std::wstring m_installPrinterName;
    std::wstring m_installPort;
    std::wstring m_installInfPath;
};
