#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "medium_listing.h"
#include "core/utf8.h"

namespace medium_check {

namespace {

std::wstring Wide(const std::string& utf8) {
    std::wstring wide;
    if (core::Utf8ToWide(utf8, wide)) return wide;
    wide.clear();
    for (unsigned char c : utf8) wide += c < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD';
    return wide;
}

}  // namespace

std::vector<core::MediumEntry> ListMedium(const std::wstring& folder) {
    namespace fs = std::filesystem;
    const fs::path root(core::ToUtf8(folder));
    std::vector<core::MediumEntry> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        core::MediumEntry e;
        std::wstring relative;
        for (const fs::path& part : fs::relative(it->path(), root, ec))
            relative += (relative.empty() ? L"" : L"\\") + Wide(part.string());
        e.path = relative;
        e.folder = it->is_directory(ec);
        if (!e.folder) e.size = it->file_size(ec);
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return entries;
}

bool ReadMediumFile(const std::wstring& folder, const std::wstring& path, std::string& bytes) {
    std::wstring relative = path;
    for (wchar_t& c : relative)
        if (c == L'\\') c = L'/';
    std::ifstream in(std::filesystem::path(core::ToUtf8(folder)) / core::ToUtf8(relative), std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace medium_check
