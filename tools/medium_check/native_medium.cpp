#include "native_medium.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

#include "core/catalogue_rules.h"
#include "core/inf_reader.h"
#include "gbk_codec.h"
#include "core/utf8.h"

namespace medium_check {

namespace fs = std::filesystem;

namespace {

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = core::FoldWindowsNameChar(c);
    return folded;
}

// Windows drops trailing dots and blanks of every name in a path.
std::wstring WindowsComponent(std::wstring component) {
    while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) component.pop_back();
    return component;
}

NativeMedium& Self(void* context) { return *static_cast<NativeMedium*>(context); }

}  // namespace

NativeMedium::NativeMedium(fs::path folder) : folder_(std::move(folder)) {}

bool NativeMedium::IsFolder() const {
    std::error_code ec;
    return fs::is_directory(folder_, ec);
}

std::optional<fs::path> NativeMedium::Resolve(const std::wstring& relative) {
    std::vector<std::string> parts;  // names on disk, from the medium folder down
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = relative.size();
        const std::wstring raw = relative.substr(start, end - start);
        start = end + 1;
        if (raw.empty() || raw == L".") continue;
        if (raw == L"..") {
            if (parts.empty()) return std::nullopt;  // above the medium: not on it
            parts.pop_back();
            continue;
        }
        const std::wstring name = WindowsComponent(raw);
        if (name.empty()) return std::nullopt;

        fs::path dir = folder_;
        for (const auto& p : parts) dir /= p;
        auto [listing, added] = listings_.try_emplace(dir.string());
        if (added) {
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(dir, ec)) {
                std::wstring wide;
                const std::string onDisk = entry.path().filename().string();
                if (!core::Utf8ToWide(onDisk, wide)) continue;  // no name a Windows path can spell
                auto& slot = listing->second[FoldedName(wide)];
                // On a case-sensitive disk two names may differ in case only;
                // the one spelt exactly as asked wins (decided below).
                if (slot.empty()) slot = onDisk;
            }
        }
        const std::string exact = core::ToUtf8(name);
        std::error_code ec;
        if (fs::exists(dir / exact, ec)) {
            parts.push_back(exact);
            continue;
        }
        const auto found = listing->second.find(FoldedName(name));
        if (found == listing->second.end()) return std::nullopt;
        parts.push_back(found->second);
    }
    fs::path path = folder_;
    for (const auto& p : parts) path /= p;
    return path;
}

const core::ProfileDocument& NativeMedium::Catalogue() {
    if (!catalogue_) {
        std::string bytes;
        const auto path = Resolve(std::wstring(core::kCatalogueFileName));
        std::error_code ec;
        if (path && fs::is_regular_file(*path, ec)) {
            std::ifstream in(*path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        catalogue_.emplace(core::DecodeProfileBytes(bytes, &DecodeGbk));
    }
    return *catalogue_;
}

core::MediumAccess NativeMedium::Access() {
    core::MediumAccess access;
    access.context = this;
    access.readSection = [](void* context, const std::wstring& section, wchar_t* buffer, size_t capacity) {
        return Self(context).Catalogue().ReadSection(section, buffer, capacity);
    };
    access.readString = [](void* context, const std::wstring& section, const std::wstring& key, wchar_t* buffer,
                           size_t capacity) {
        return Self(context).Catalogue().ReadString(section, key, buffer, capacity);
    };
    access.readFile = [](void* context, const std::wstring& relative, size_t maxBytes, std::string& bytes) {
        bytes.clear();
        const auto path = Self(context).Resolve(relative);
        std::error_code ec;
        if (!path || !fs::exists(*path, ec)) return core::FileRead::Missing;
        if (!fs::is_regular_file(*path, ec)) return core::FileRead::Unreadable;
        const auto size = fs::file_size(*path, ec);
        if (ec) return core::FileRead::Unreadable;
        if (size > maxBytes) return core::FileRead::TooLarge;
        std::ifstream in(*path, std::ios::binary);
        if (!in) return core::FileRead::Unreadable;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return in.bad() ? core::FileRead::Unreadable : core::FileRead::Ok;
    };
    access.fileOpens = [](void* context, const std::wstring& relative) {
        // Opening a folder for reading fails on Windows; so it does here.
        const auto path = Self(context).Resolve(relative);
        std::error_code ec;
        if (!path || !fs::is_regular_file(*path, ec)) return false;
        const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        ::close(fd);
        return true;
    };
    access.decodeAnsi = &DecodeGbk;
    access.ansiToWide = &DecodeGbkStrict;
    access.wideToAnsi = &EncodeGbkStrict;
    return access;
}

}  // namespace medium_check
