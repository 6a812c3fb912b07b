#include "core/usb_names.h"

#include <climits>
#include <cwchar>

namespace core {

namespace {

// Up to four characters after `prefix` in `upper`, or false when absent.
bool TakeAfter(const std::wstring& upper, std::wstring_view prefix, std::wstring& out) {
    size_t pos = upper.find(prefix);
    if (pos == std::wstring::npos) return false;
    out = upper.substr(pos + prefix.size(), 4);
    return true;
}

}  // namespace

bool ParseVidPid(std::wstring_view text, std::wstring& vid, std::wstring& pid) {
    std::wstring upper(text);
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    std::wstring v, p;
    if (!TakeAfter(upper, L"VID_", v) || !TakeAfter(upper, L"PID_", p)) return false;
    vid = std::move(v);
    pid = std::move(p);
    return true;
}

bool ParsePortNumber(std::wstring_view text, int& number) {
    if (text.empty()) return false;
    long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
        if (value > INT_MAX) return false;
    }
    number = static_cast<int>(value);
    return true;
}

std::wstring UsbPortName(int number) {
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"USB%03d", number);
    return name;
}

bool IsWindows8OrLater(unsigned major, unsigned minor) { return major > 6 || (major == 6 && minor >= 2); }

}  // namespace core
