// An installation medium read on Windows exactly as the installer reads it:
// the catalogue through the profile functions, files through CreateFileW,
// 8-bit text through the ANSI code page.
#pragma once
#include <string>

#include "core/medium_rules.h"

namespace medium_check {

class WinMedium {
public:
    // `folder` is a full path ending in a backslash.
    explicit WinMedium(std::wstring folder);
    WinMedium(const WinMedium&) = delete;
    WinMedium& operator=(const WinMedium&) = delete;

    const std::wstring& Folder() const { return folder_; }
    core::MediumAccess Access();

private:
    std::wstring folder_;
    std::wstring catalogue_;
};

// The full path of a folder, ending in a backslash; empty when it is no folder.
std::wstring FullFolderPath(const std::wstring& folder);

}  // namespace medium_check
