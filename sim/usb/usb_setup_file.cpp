// SIMULATOR: reads the description of the simulated USB printer from an INI
// file (format in sim/usb/README.md).
#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "usb_simulator.h"

namespace usbsim {

namespace {

constexpr DWORD kValueChars = 4096;
constexpr int kMaxSections = 1000;

std::wstring Read(const std::wstring& file, const std::wstring& section, const wchar_t* key,
                  const wchar_t* fallback = L"") {
    std::wstring value(kValueChars, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key, fallback, value.data(), kValueChars, file.c_str());
    value.resize(n);
    return value;
}

bool Has(const std::wstring& file, const std::wstring& section, const wchar_t* key) {
    // Two different fallbacks tell a missing key from one that is present.
    return Read(file, section, key, L"\x1") != L"\x1" || Read(file, section, key, L"\x2") != L"\x2";
}

bool ParseUnsigned(const std::wstring& text, DWORD& value) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<unsigned>(c - L'0');
    }
    if (v > 0xFFFFFFFFull) return false;
    value = static_cast<DWORD>(v);
    return true;
}

bool ParseFlag(const std::wstring& text, bool& flag) {
    if (text == L"1") flag = true;
    else if (text == L"0") flag = false;
    else return false;
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "\xNN" is one byte, "\\" a backslash; other characters below 0x80 are
// themselves, others are converted with the system ANSI code page, as a
// printer sold for that market would send them.
bool ParseIdText(const std::wstring& text, std::string& bytes) {
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\') {
            if (i + 1 < text.size() && text[i + 1] == L'\\') {
                bytes.push_back('\\');
                ++i;
                continue;
            }
            if (i + 3 < text.size() && text[i + 1] == L'x' && HexDigit(text[i + 2]) >= 0 &&
                HexDigit(text[i + 3]) >= 0) {
                bytes.push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
                i += 3;
                continue;
            }
            return false;
        }
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
            continue;
        }
        char converted[8];
        int n = ::WideCharToMultiByte(CP_ACP, 0, &c, 1, converted, sizeof converted, nullptr, nullptr);
        if (n <= 0) return false;
        bytes.append(converted, static_cast<size_t>(n));
    }
    return true;
}

// A registry value: a decimal number is a REG_DWORD, "sz:text" a REG_SZ.
bool ParseRegValue(const std::wstring& text, RegValue& value) {
    if (text.rfind(L"sz:", 0) == 0) {
        value = RegValue::Text(text.substr(3));
        return true;
    }
    DWORD number = 0;
    if (!ParseUnsigned(text, number)) return false;
    value = RegValue::Dword(number);
    return true;
}

// Reads typed values of one INI file; a malformed value leaves its reason
// in `error` and makes the read false.
class Ini {
public:
    Ini(const std::wstring& file, std::wstring& error) : file_(file), error_(error) {}

    std::wstring Text(const std::wstring& section, const wchar_t* key, const wchar_t* fallback = L"") const {
        return Read(file_, section, key, fallback);
    }
    bool Present(const std::wstring& section, const wchar_t* key) const { return Has(file_, section, key); }
    // Absent keys keep `out` and count as read.
    bool Flag(const std::wstring& section, const wchar_t* key, bool& out) const {
        const std::wstring v = Text(section, key);
        return v.empty() || ParseFlag(v, out) || Bad(section, key, v);
    }
    bool Number(const std::wstring& section, const wchar_t* key, DWORD& out) const {
        const std::wstring v = Text(section, key);
        return v.empty() || ParseUnsigned(v, out) || Bad(section, key, v);
    }
    bool Bad(const std::wstring& section, const wchar_t* key, const std::wstring& value) const {
        error_ = L"[" + section + L"] " + key + L"=" + value + L": not understood";
        return false;
    }

private:
    const std::wstring& file_;
    std::wstring& error_;
};

bool ParseLengthBytes(const std::wstring& v, const std::string& text, std::vector<uint8_t>& id) {
    if (v == L"auto") {
        id = IdWithLength(text);
        return true;
    }
    if (v.size() != 4 || !std::all_of(v.begin(), v.end(), [](wchar_t c) { return HexDigit(c) >= 0; }))
        return false;
    id = {static_cast<uint8_t>(HexDigit(v[0]) * 16 + HexDigit(v[1])),
          static_cast<uint8_t>(HexDigit(v[2]) * 16 + HexDigit(v[3]))};
    id.insert(id.end(), text.begin(), text.end());
    return true;
}

bool ParseAnswer(const std::wstring& v, Answer& answer) {
    static const std::pair<const wchar_t*, Answer> kAnswers[] = {
        {L"immediate", Answer::Immediate}, {L"delayed", Answer::Delayed},
        {L"never", Answer::Never},         {L"fails", Answer::Fails}};
    for (const auto& [name, value] : kAnswers) {
        if (v == name) {
            answer = value;
            return true;
        }
    }
    return false;
}

bool ReadDevice(const Ini& ini, const std::wstring& section, Device& d) {
    d.path = ini.Text(section, L"Path");
    std::string text;
    std::wstring v;
    if (!ini.Flag(section, L"DetailReadable", d.detailReadable) || !ini.Flag(section, L"Opens", d.opens))
        return false;
    if (ini.Present(section, L"OpenCount")) {
        DWORD count = 0;
        if (!ParseUnsigned(v = ini.Text(section, L"OpenCount"), count) || count > 1000)
            return ini.Bad(section, L"OpenCount", v);
        d.opensLeft = static_cast<int>(count);
    }
    if (!ParseIdText(v = ini.Text(section, L"Id"), text)) return ini.Bad(section, L"Id", v);
    if (!ParseLengthBytes(v = ini.Text(section, L"IdLength", L"auto"), text, d.id))
        return ini.Bad(section, L"IdLength", v);
    if (!ParseAnswer(v = ini.Text(section, L"Answer", L"delayed"), d.answer)) return ini.Bad(section, L"Answer", v);
    return ini.Number(section, L"AnswerDelayMs", d.answerDelayMs) &&
           ini.Flag(section, L"HonoursCancel", d.honoursCancel);
}

bool ReadEntry(const Ini& ini, const std::wstring& section, Entry& e) {
    e.name = ini.Text(section, L"Name");
    if (e.name.empty() || e.name.find(L'\\') != std::wstring::npos) return ini.Bad(section, L"Name", e.name);
    struct Field {
        const wchar_t* key;
        std::optional<RegValue>* value;
    };
    const Field fields[] = {
        {L"DeviceInstance", &e.deviceInstance}, {L"Linked", &e.linked}, {L"PortNumber", &e.portNumber}};
    for (const Field& f : fields) {
        if (!ini.Present(section, f.key)) continue;
        std::wstring v = ini.Text(section, f.key);
        // The instance ID is text even without "sz:".
        if (f.value == &e.deviceInstance && v.rfind(L"sz:", 0) != 0) v = L"sz:" + v;
        RegValue value;
        if (!ParseRegValue(v, value)) return ini.Bad(section, f.key, v);
        *f.value = std::move(value);
    }
    return true;
}

// Sections <prefix>1, <prefix>2, ... up to the first without `requiredKey`.
template <class T>
bool ReadNumbered(const Ini& ini, const wchar_t* prefix, const wchar_t* requiredKey,
                  bool (*read)(const Ini&, const std::wstring&, T&), std::vector<T>& out) {
    for (int i = 1; i <= kMaxSections; ++i) {
        const std::wstring section = prefix + std::to_wstring(i);
        if (!ini.Present(section, requiredKey)) break;
        T item;
        if (!read(ini, section, item)) return false;
        out.push_back(std::move(item));
    }
    return true;
}

}  // namespace

bool LoadSetupFile(const std::wstring& path, Setup& setup, std::wstring& error) {
    setup = Setup{};
    error.clear();
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    const Ini ini(path, error);

    const std::wstring v = ini.Text(L"Windows", L"Version");
    if (!v.empty()) {
        const size_t dot = v.find(L'.');
        DWORD major = 0, minor = 0;
        if (dot == std::wstring::npos || !ParseUnsigned(v.substr(0, dot), major) ||
            !ParseUnsigned(v.substr(dot + 1), minor))
            return ini.Bad(L"Windows", L"Version", v);
        setup.version = std::make_pair(major, minor);
    }
    if (!ini.Flag(L"Devices", L"ListFails", setup.listFails)) return false;
    if (!ReadNumbered(ini, L"Device", L"Path", ReadDevice, setup.devices)) return false;
    if (!ini.Flag(L"Registry", L"ClassKeyOpens", setup.classKeyOpens)) return false;
    if (!ReadNumbered(ini, L"Entry", L"Name", ReadEntry, setup.entries)) return false;
    return ini.Flag(L"PlugAndPlay", L"LocateFails", setup.locateFails) &&
           ini.Flag(L"PlugAndPlay", L"ReenumerateFails", setup.reenumerateFails);
}

}  // namespace usbsim
