#include "catalogue/driver_package.h"

#include <windows.h>

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

// The printer name as the INF's 8-bit text spells it; nothing when a
// character has no form in the code page (it could then match no line).
bool ToThreadAnsi(const std::wstring& text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(text.size());
    const int need = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                           nullptr, &usedDefault);
    if (need <= 0 || usedDefault) return false;
    bytes.resize(static_cast<size_t>(need));
    const int made = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(),
                                           need, nullptr, &usedDefault);
    return made == need && !usedDefault;
}

bool FromThreadAnsi(const std::string& bytes, std::wstring& text) {
    text.clear();
    if (bytes.empty()) return true;
    const int length = static_cast<int>(bytes.size());
    const int need = ::MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (need <= 0) return false;
    text.resize(static_cast<size_t>(need));
    return ::MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, text.data(), need) == need;
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
