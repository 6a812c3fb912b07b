// An installation medium in a folder of this (non-Windows) machine, read the
// way the installer reads it on Windows: the catalogue through the INI
// reader in place of the profile functions, file names without regard to
// letter case and with "\" or "/" between folders, trailing dots and blanks
// of a name ignored, and 8-bit text in code page 936.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/ini_reader.h"
#include "core/medium_rules.h"

namespace medium_check {

class NativeMedium {
public:
    explicit NativeMedium(std::filesystem::path folder);
    NativeMedium(const NativeMedium&) = delete;
    NativeMedium& operator=(const NativeMedium&) = delete;

    // False when the folder is missing or no folder.
    bool IsFolder() const;

    // The medium as the checker reaches it; valid while this object lives.
    core::MediumAccess Access();

    // The file a Windows path relative to the medium names, if it exists.
    std::optional<std::filesystem::path> Resolve(const std::wstring& relative);

private:
    const core::ProfileDocument& Catalogue();

    std::filesystem::path folder_;
    std::optional<core::ProfileDocument> catalogue_;
    // Per folder: folded name -> the name on disk (an exact match wins).
    std::unordered_map<std::string, std::unordered_map<std::wstring, std::string>> listings_;
};

}  // namespace medium_check
