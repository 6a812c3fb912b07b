#include "catalogue/driver_package.h"

#include <windows.h>

#include "win/text_conversion.h"
#include "win/unique.h"

namespace {

// Driver INF files are a few hundred kilobytes at most; anything far larger
// is not one, and is not read into memory.
constexpr LONGLONG kMaxInfBytes = 32LL * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxInfBytes) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return false;
        if (got == 0) break;  // the file shrank meanwhile: keep what is there
        done += got;
    }
    bytes.resize(done);
    return true;
}

}  // namespace

bool ToThreadAnsi(const std::wstring& text, std::string& bytes) { return win::ToCodePage(CP_THREAD_ACP, text, bytes); }

bool FromThreadAnsi(const std::string& bytes, std::wstring& text) {
    return win::ToWide(CP_THREAD_ACP, bytes, text, true);
}

namespace {

// One field of the line, %strkey% resolved; nothing where there is none.
std::optional<std::wstring> StringField(INFCONTEXT& context, DWORD index) {
    DWORD needed = 0;
    if (!::SetupGetStringFieldW(&context, index, nullptr, 0, &needed) || needed == 0) return std::nullopt;
    std::wstring text(needed, L'\0');
    if (!::SetupGetStringFieldW(&context, index, text.data(), needed, &needed)) return std::nullopt;
    text.resize(needed > 0 ? needed - 1 : 0);
    return text;
}

// The ID the 8-bit rule gives, when it is one Plug and Play can use.
std::optional<std::wstring> UsableIdOfTheLineRule(const std::wstring& infPath, const std::wstring& printerName) {
    std::string name, text;
    if (!ToThreadAnsi(printerName, name) || !ReadWholeFile(infPath, text)) return std::nullopt;
    const core::HardwareIdSearch search = core::FindHardwareIdInText(text, name);
    std::wstring id;
    if (search.status != core::HardwareIdSearch::Found || !FromThreadAnsi(search.id, id)) return std::nullopt;
    if (id.size() > core::kMaxHardwareIdChars || !core::IsUsableHardwareId(id)) return std::nullopt;
    return id;
}

}  // namespace

std::optional<std::vector<core::InfFields>> ReadInfSection(HINF inf, const std::wstring& section) {
    const LONG count = ::SetupGetLineCountW(inf, section.c_str());
    if (count < 0) return std::nullopt;
    std::vector<core::InfFields> lines;
    for (LONG i = 0; i < count; ++i) {
        INFCONTEXT context{};
        if (!::SetupGetLineByIndexW(inf, section.c_str(), static_cast<DWORD>(i), &context)) break;
        core::InfFields line;
        line.key = StringField(context, 0);
        const DWORD fields = ::SetupGetFieldCount(&context);
        for (DWORD f = 1; f <= fields; ++f) line.fields.push_back(StringField(context, f).value_or(L""));
        lines.push_back(std::move(line));
    }
    return lines;
}

core::WindowsVersion RunningWindowsVersion() {
    core::WindowsVersion version;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                 reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                           : nullptr;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (get && get(&info) == 0) {
        version.major = info.dwMajorVersion;
        version.minor = info.dwMinorVersion;
        version.build = info.dwBuildNumber;
        version.productType = info.wProductType;
        version.suiteMask = info.wSuiteMask;
    }
    return version;
}

bool FindUsbHardwareId(const std::wstring& infPath, const std::wstring& printerName, std::wstring& hardwareId) {
    hardwareId.clear();
    if (printerName.empty()) return false;
    // Where the rule the installer has always used gives an ID a device can
    // match, that ID stays the answer: no medium that worked stops working.
    if (auto id = UsableIdOfTheLineRule(infPath, printerName)) {
        hardwareId = std::move(*id);
        return true;
    }
    UniqueInf inf(::SetupOpenInfFileW(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return false;
    const core::ModelLookup lookup = core::LookUpModel(
        core::CachingReader([&](const std::wstring& section) { return ReadInfSection(inf.get(), section); }),
        printerName, RunningWindowsVersion());
    if (lookup.status != core::ModelLookup::Found) return false;
    hardwareId = lookup.id;
    return true;
}
