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

bool ReadMediumFile(const std::wstring& folder, const std::wstring& path, std::string& bytes) {
    win::UniqueFile file(::CreateFileW((folder + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return false;
    bytes.resize(got);
    return true;
}

}  // namespace medium_check
