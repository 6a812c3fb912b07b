// The physical limits of an installation medium: what a CD or DVD image
// (ISO 9660 with Joliet names, as the release writes it) and Windows reading
// it from a drive of its own can hold.  Judged from the list of the medium's
// files and folders alone, so the same on every platform.
//
// The image is written with long Joliet names (up to 103 UTF-16 characters a
// name, paths of any length) in UTF-16; a name the image cannot hold is given
// another one there (cut, or with "_" in place of a character), so the
// installer or the user would not find the file under its own name.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/medium_rules.h"

namespace core {

// One file or folder of the medium.  `path` is relative to the medium's
// folder, with backslashes ("OrvaneManual\\OP-730K.pdf").
struct MediumEntry {
    std::wstring path;
    uint64_t size = 0;  // bytes; 0 for a folder
    bool folder = false;
};

// Joliet names written with long names.
inline constexpr size_t kJolietNameLimit = 103;
// The longest path Windows opens: MAX_PATH less the terminating zero.
inline constexpr size_t kWindowsPathLimit = 259;
// An 80-minute CD-R: 360,000 sectors of 2048 bytes; a single-layer DVD±R:
// 2,295,104 sectors.
inline constexpr uint64_t kCdBytes = 360000ull * 2048;
inline constexpr uint64_t kDvdBytes = 2295104ull * 2048;
// ISO 9660 holds a file in one extent of less than 4 GiB.
inline constexpr uint64_t kIsoFileLimit = (1ull << 32) - 1;

// What the image of these entries takes: each file's data in whole sectors,
// the directory records of the ISO and Joliet trees and the volume's own
// sectors.  An estimate within a few sectors per folder.
uint64_t EstimatedImageBytes(const std::vector<MediumEntry>& entries);

// The case-folded form Windows compares names in ("A" and "a", "Ä" and "ä"
// are one name there).  Letters of the Latin, Greek and Cyrillic alphabets
// and the full-width Latin ones.
std::wstring FoldedName(std::wstring_view name);

// Findings of the rules
//   name-too-long, name-character, name-reserved, medium-path-too-long,
//   name-case-clash, file-too-big, too-big-for-cd, too-big-for-dvd.
std::vector<Finding> CheckMediumLimits(const std::vector<MediumEntry>& entries);

}  // namespace core
