// The simulated USB printer bus of the end-to-end tests (sim/usbprint_driver):
// a fixture that starts every test with no printer attached or remembered,
// and the helpers the tests of both programs share.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "program_under_test.h"
#include "usbprint_sim_control.h"
#include "win/unique.h"

namespace usbe2e {

using usbprintsim::Answer;

inline std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

inline usbprintsim::Printer MakePrinter(const wchar_t* serial, int port, const std::string& idText,
                                 Answer answer = Answer::Id) {
    usbprintsim::Printer p;
    p.serial = serial;
    p.portNumber = port;
    p.id = usbprintsim::IdWithLength(idText);
    p.answer = answer;
    return p;
}

// The Windows version Wine reports to programs started while this lives
// ("win7", "win10"); the prefix's own setting comes back afterwards.
class ReportedWindows {
public:
    explicit ReportedWindows(const wchar_t* version) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          key_.put(), nullptr);
        wchar_t old[64] = {};
        DWORD size = sizeof old - sizeof(wchar_t);
        if (::RegQueryValueExW(key_.get(), L"Version", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
            ERROR_SUCCESS)
            old_ = old;
        Set(version);
    }
    ~ReportedWindows() {
        if (old_) Set(old_->c_str());
        else ::RegDeleteValueW(key_.get(), L"Version");
    }
    ReportedWindows(const ReportedWindows&) = delete;
    ReportedWindows& operator=(const ReportedWindows&) = delete;

private:
    void Set(const wchar_t* version) {
        ::RegSetValueExW(key_.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    win::UniqueKey key_;
    std::optional<std::wstring> old_;
};

class UsbPrinterE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring error;
        ASSERT_TRUE(bus_.Open(error)) << Narrow(error)
                                      << " (the test prefix gets the simulated USB printer bus from pi_wine_prefix "
                                         "after the build)";
        Reset();
    }
    void TearDown() override { Reset(); }

    // No printer attached and none remembered: unplugged, their registry
    // traces gone, and the driver INF that an installation copied into the
    // system's INF folder removed (Wine would install it by itself on the
    // next printer of that hardware ID).
    void Reset() {
        std::wstring error;
        EXPECT_TRUE(bus_.UnplugAll(error)) << Narrow(error);
        usbprintsim::ForgetAllPrinters();
        wchar_t windows[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        for (const wchar_t* name : {L"\\inf\\Orvane.INF", L"\\inf\\Orvane.pnf"})
            ::DeleteFileW((std::wstring(windows) + name).c_str());
    }
    void Attach(const usbprintsim::Printer& printer) {
        std::wstring error;
        ASSERT_TRUE(bus_.Plug(printer, error)) << Narrow(error);
    }
    void Detach(const usbprintsim::Printer& printer) {
        std::wstring error;
        ASSERT_TRUE(bus_.Unplug(printer.serial, error)) << Narrow(error);
    }
    usbprint_sim_status Seen(const usbprintsim::Printer& printer) const {
        usbprint_sim_status status{};
        std::wstring error;
        EXPECT_TRUE(bus_.Query(printer.serial, status, error)) << Narrow(error);
        return status;
    }
    // What every start with a printer must leave: the device let go of, no
    // request left with the printer and none given up before it ended.
    // Wine tells the driver of a closed handle only once the handle's last
    // request has been wound up, so the close may come a little later.
    void ExpectLetGo(const usbprintsim::Printer& printer) const {
        EXPECT_TRUE(e2e::WaitUntil([&] { return Seen(printer).open_now == 0; }, 3000)) << "the device stays open";
        const usbprint_sim_status s = Seen(printer);
        EXPECT_EQ(s.id_pending, 0u);
        EXPECT_EQ(s.closed_before_completion, 0u);
    }

    usbprintsim::Bus bus_;
    e2e::Medium medium_;
};

}  // namespace usbe2e
