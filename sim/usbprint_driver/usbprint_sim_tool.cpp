// SIMULATOR: usbprint_sim.exe, the control program of the simulated USB
// printer bus.  Run under Wine in the test prefix:
//
//   usbprint_sim install <usbprint_sim.inf>
//   usbprint_sim plug <serial> [vid=1A86] [pid=7584] [port=N|none] [answer=id|never|fail]
//                [delay=MS] [cancel-delay=MS] [vanish-after-opens=N] [id=TEXT] [print=USBPRINT\HWID]
//   usbprint_sim unplug <serial>|all
//   usbprint_sim status <serial>
//
// id=TEXT is the device ID text; the two length bytes are put in front of it.
// Exit status 0 on success, 1 on failure (the reason on stderr), 2 for a
// malformed command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "usbprint_sim_control.h"

namespace {

int Usage() {
    std::fwprintf(stderr,
                  L"usage: usbprint_sim install INF | plug SERIAL [vid=HEX] [pid=HEX] [port=N|none]\n"
                  L"       [answer=id|never|fail] [delay=MS] [cancel-delay=MS] [vanish-after-opens=N]\n"
                  L"       [id=TEXT] [print=HWID]\n"
                  L"       | unplug SERIAL|all | status SERIAL\n");
    return 2;
}

int Fail(const std::wstring& error) {
    std::fwprintf(stderr, L"usbprint_sim: %ls\n", error.c_str());
    return 1;
}

bool ParseUnsigned(const std::wstring& text, int base, unsigned long& value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    value = std::wcstoul(text.c_str(), &end, base);
    return end && *end == L'\0';
}

std::string Narrow(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool ParsePrinter(const std::vector<std::wstring>& args, usbprintsim::Printer& printer) {
    printer.serial = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const size_t eq = args[i].find(L'=');
        if (eq == std::wstring::npos) return false;
        const std::wstring key = args[i].substr(0, eq), value = args[i].substr(eq + 1);
        unsigned long n = 0;
        if (key == L"vid" && ParseUnsigned(value, 16, n) && n <= 0xFFFF) printer.vid = static_cast<uint16_t>(n);
        else if (key == L"pid" && ParseUnsigned(value, 16, n) && n <= 0xFFFF) printer.pid = static_cast<uint16_t>(n);
        else if (key == L"port" && value == L"none") printer.portNumber = -1;
        else if (key == L"port" && ParseUnsigned(value, 10, n) && n <= 0x7FFFFFFF) printer.portNumber = static_cast<int>(n);
        else if (key == L"answer" && value == L"id") printer.answer = usbprintsim::Answer::Id;
        else if (key == L"answer" && value == L"never") printer.answer = usbprintsim::Answer::Never;
        else if (key == L"answer" && value == L"fail") printer.answer = usbprintsim::Answer::Fail;
        else if (key == L"delay" && ParseUnsigned(value, 10, n)) printer.answerDelayMs = n;
        else if (key == L"cancel-delay" && ParseUnsigned(value, 10, n)) printer.cancelDelayMs = n;
        else if (key == L"vanish-after-opens" && ParseUnsigned(value, 10, n)) printer.vanishAfterOpens = n;
        else if (key == L"id") printer.id = usbprintsim::IdWithLength(Narrow(value));
        else if (key == L"print") printer.printHardwareId = value;
        else return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const std::wstring command = argv[1];
    const std::vector<std::wstring> args(argv + 2, argv + argc);
    std::wstring error;
    if (command == L"install") {
        if (args.size() != 1) return Usage();
        if (!usbprintsim::InstallBus(args[0], error)) return Fail(error);
        usbprintsim::Bus bus;
        if (!bus.Open(error)) return Fail(error);
        std::wprintf(L"simulated USB printer bus installed and running\n");
        return 0;
    }
    usbprintsim::Bus bus;
    if (command == L"plug") {
        usbprintsim::Printer printer;
        if (!ParsePrinter(args, printer)) return Usage();
        if (!bus.Open(error) || !bus.Plug(printer, error)) return Fail(error);
        std::wprintf(L"plugged in: %ls\n", usbprintsim::UsbInstanceId(printer).c_str());
        return 0;
    }
    if (command == L"unplug") {
        if (args.size() != 1) return Usage();
        if (!bus.Open(error)) return Fail(error);
        if (!(args[0] == L"all" ? bus.UnplugAll(error) : bus.Unplug(args[0], error))) return Fail(error);
        return 0;
    }
    if (command == L"status") {
        if (args.size() != 1) return Usage();
        usbprint_sim_status s{};
        if (!bus.Open(error) || !bus.Query(args[0], s, error)) return Fail(error);
        std::wprintf(L"plugged %u started %u print_started %u removed %u vanished %u\n"
                     L"opens %u closes %u open_now %u open_max %u\n"
                     L"id_requests %u answered %u failed %u pending %u cancelled %u closed_before_completion %u\n"
                     L"other_requests %u\n",
                     s.plugged, s.started, s.print_started, s.removed, s.vanished, s.opens, s.closes, s.open_now,
                     s.open_max,
                     s.id_requests, s.id_answered, s.id_failed, s.id_pending, s.id_cancelled,
                     s.closed_before_completion, s.other_requests);
        return 0;
    }
    return Usage();
}
