#include "win_medium.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "catalogue/driver_package.h"
#include "core/catalogue_rules.h"
#include "win/module_path.h"
#include "win/text_conversion.h"
#include "win/unique.h"

namespace medium_check {

namespace {

WinMedium& Self(void* context) { return *static_cast<WinMedium*>(context); }

// Buffers the profile functions get are counted in DWORDs.
DWORD Capacity(size_t capacity) { return static_cast<DWORD>(std::min<size_t>(capacity, MAXDWORD)); }

// As the profile functions read an ANSI file: every byte gives a character.
std::wstring DecodeAnsi(std::string_view bytes) { return win::ToWide(CP_ACP, bytes); }

}  // namespace

std::wstring FullFolderPath(const std::wstring& folder) {
    if (folder.empty()) return {};
    const DWORD need = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (need == 0) return {};
    std::vector<wchar_t> buffer(need + 1, L'\0');
    const DWORD got = ::GetFullPathNameW(folder.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (got == 0 || got >= buffer.size()) return {};
    std::wstring full(buffer.data(), got);
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    if (full.back() != L'\\' && full.back() != L'/') full += L'\\';
    return full;
}

WinMedium::WinMedium(std::wstring folder)
    : folder_(std::move(folder)), catalogue_(folder_ + std::wstring(core::kCatalogueFileName)) {}

core::MediumAccess WinMedium::Access() {
    core::MediumAccess access;
    access.context = this;
    access.readSection = [](void* context, const std::wstring& section, wchar_t* buffer, size_t capacity) {
        return static_cast<size_t>(
            ::GetPrivateProfileSectionW(section.c_str(), buffer, Capacity(capacity), Self(context).catalogue_.c_str()));
    };
    access.readString = [](void* context, const std::wstring& section, const std::wstring& key, wchar_t* buffer,
                           size_t capacity) {
        return static_cast<size_t>(::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer,
                                                              Capacity(capacity), Self(context).catalogue_.c_str()));
    };
    access.readFile = [](void* context, const std::wstring& relative, size_t maxBytes, std::string& bytes) {
        bytes.clear();
        const std::wstring path = Self(context).folder_ + relative;
        win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? core::FileRead::Missing
                                                                                  : core::FileRead::Unreadable;
        }
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return core::FileRead::Unreadable;
        if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) return core::FileRead::TooLarge;
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD got = 0;
            if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
                return core::FileRead::Unreadable;
            if (got == 0) break;
            done += got;
        }
        bytes.resize(done);
        return core::FileRead::Ok;
    };
    access.fileOpens = [](void* context, const std::wstring& relative) {
        return win::FileOpensForReading(Self(context).folder_ + relative);
    };
    // The profile functions decode an ANSI catalogue with the process's code
    // page; the installer converts INF text and printer names with the
    // thread's, strictly, by the functions below.
    access.decodeAnsi = &DecodeAnsi;
    access.ansiToWide = [](std::string_view bytes, std::wstring& text) {
        return FromThreadAnsi(std::string(bytes), text);
    };
    access.wideToAnsi = [](std::wstring_view text, std::string& bytes) {
        return ToThreadAnsi(std::wstring(text), bytes);
    };
    // The INF as the installer's parser reads it; SetupAPI gives no line
    // numbers, so they come from the INF reader's parse of the same bytes
    // wherever a section has the same lines there.
    access.openInf = [](void* context, const std::wstring& relative, const core::InfDocument& document,
                        core::InfParserView& view) {
        UINT errorLine = 0;
        auto inf = std::make_shared<UniqueInf>(::SetupOpenInfFileW((Self(context).folder_ + relative).c_str(), nullptr,
                                                                   INF_STYLE_WIN4, &errorLine));
        view.opens = static_cast<bool>(*inf);
        view.error = view.opens ? 0 : ::GetLastError();
        view.errorLine = view.opens ? 0 : errorLine;
        view.keep = inf;
        view.read = core::CachingReader([inf, &document](const std::wstring& section) {
            auto lines = ReadInfSection(inf->get(), section);
            const core::InfSection* parsed = document.FindSection(section);
            if (lines && parsed && parsed->lines.size() == lines->size())
                for (size_t i = 0; i < lines->size(); ++i) (*lines)[i].fileLine = parsed->lines[i].fileLine;
            return lines;
        });
        return true;
    };
    return access;
}

}  // namespace medium_check
