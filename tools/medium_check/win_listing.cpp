#include <windows.h>

#include <algorithm>

#include "medium_listing.h"
#include "win/unique.h"

namespace medium_check {

namespace {

struct FindTraits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::FindClose(h); }
};

void ListFolder(const std::wstring& root, const std::wstring& relative, std::vector<core::MediumEntry>& entries) {
    WIN32_FIND_DATAW fd;
    const win::Unique<FindTraits> search(::FindFirstFileExW((root + relative + L"*").c_str(), FindExInfoBasic, &fd,
                                                            FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        core::MediumEntry e;
        e.path = relative + name;
        e.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!e.folder) e.size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        entries.push_back(e);
        if (e.folder) ListFolder(root, e.path + L"\\", entries);
    } while (::FindNextFileW(search.get(), &fd));
}

}  // namespace

// `folder` is a full path ending in a backslash.
std::vector<core::MediumEntry> ListMedium(const std::wstring& folder) {
    std::vector<core::MediumEntry> entries;
    ListFolder(folder, L"", entries);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return entries;
}

}  // namespace medium_check
