// The firmware files on a medium.  A *.mot file is the printer's firmware as
// Motorola S-records; the console program refuses to send one that is not
// whole (a download cut short, a file edited by hand), so the medium checker
// finds it before the medium ships.  The window sends any file unchanged.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/medium_limits.h"
#include "core/medium_rules.h"

namespace core {

// Reads a file of the medium by its relative path; false when it cannot.
using MediumFileReader = std::function<bool(const std::wstring& path, std::string& bytes)>;

// Findings of the rule firmware-not-srecord for every *.mot file (letter
// case ignored) among the entries.
std::vector<Finding> CheckFirmwareFiles(const std::vector<MediumEntry>& entries, const MediumFileReader& read);

}  // namespace core
