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

bool FindUsbHardwareId(const std::wstring& infPath, const std::wstring& printerName, std::wstring& hardwareId) {
    hardwareId.clear();
    std::string name;
    if (printerName.empty() || !ToThreadAnsi(printerName, name)) return false;
    std::string text;
    if (!ReadWholeFile(infPath, text)) return false;
    const core::HardwareIdSearch search = core::FindHardwareIdInText(text, name);
    if (search.status != core::HardwareIdSearch::Found) return false;
    std::wstring id;
    if (!FromThreadAnsi(search.id, id) || id.size() > core::kMaxHardwareIdChars) return false;
    hardwareId = std::move(id);
    return true;
}
