#include "win/text_conversion.h"

namespace win {

bool ToWide(UINT codePage, std::string_view bytes, std::wstring& text, bool strict) {
    text.clear();
    if (bytes.empty()) return true;
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int length = static_cast<int>(bytes.size());
    const int need = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (need <= 0) return false;
    text.resize(static_cast<size_t>(need));
    const int made = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, text.data(), need);
    if (made != need) {
        text.clear();
        return false;
    }
    return true;
}

std::wstring ToWide(UINT codePage, std::string_view bytes) {
    std::wstring text;
    ToWide(codePage, bytes, text, false);
    return text;
}

bool ToCodePage(UINT codePage, std::wstring_view text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(text.size());
    const int need =
        ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (need <= 0 || usedDefault) return false;
    bytes.resize(static_cast<size_t>(need));
    const int made = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(), need,
                                           nullptr, &usedDefault);
    if (made != need || usedDefault) {
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace win
