// Every file and folder of a medium folder, for the rules of the medium's
// physical limits (core/medium_limits.h): paths relative to the folder with
// backslashes, sorted.  Natively the folder is UTF-8; a name that is not
// UTF-8 text is listed with U+FFFD in place of what cannot be read.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/medium_firmware.h"
#include "core/medium_limits.h"

namespace medium_check {

std::vector<core::MediumEntry> ListMedium(const std::wstring& folder);
// A file of the medium by its relative path, whole; false when it cannot be read.
bool ReadMediumFile(const std::wstring& folder, const std::wstring& path, std::string& bytes);

// The report with the findings of the physical limits and of the firmware
// files added.
inline void AddMediumLimits(core::CheckReport& report, const std::wstring& folder) {
    const std::vector<core::MediumEntry> entries = ListMedium(folder);
    for (core::Finding& f : core::CheckMediumLimits(entries)) report.findings.push_back(std::move(f));
    const auto read = [&](const std::wstring& path, std::string& bytes) { return ReadMediumFile(folder, path, bytes); };
    for (core::Finding& f : core::CheckFirmwareFiles(entries, read)) report.findings.push_back(std::move(f));
}

}  // namespace medium_check
