// Prints how long the medium checker takes on a large medium: a catalogue of
// 25 series of 20 models (500 models, each with its printer name, pin type
// and driver INF line) is laid out in a scratch folder and checked several
// times, in process through the native medium and by the medium-check
// program as a whole; then the same medium without its [PRINTER_NAME]
// section, where every model is a finding.  Not a test: it prints its
// figures and checks only that the clean medium is clean and the broken one
// has a finding per model, so that the times are those of full checks.
//   build/host/bench/medium_check_bench [models] [runs]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/medium_rules.h"
#include "native_medium.h"
#include "core/utf8.h"

#if defined(__SANITIZE_ADDRESS__)
#define PI_BENCH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PI_BENCH_ASAN 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// UTF-16 little-endian with its mark, as the demo catalogue is saved.
std::string Utf16LE(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

// A medium of `models` models in series of 20 that installs cleanly, or,
// `broken`, one without printer names.
void LayOut(const fs::path& folder, int models, bool broken) {
    std::wstring series = L"[PRINTER_SERIES]\r\n", lists, names = L"[PRINTER_NAME]\r\n",
                 types = L"[PRINTER_TYPE]\r\n";
    std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n\"Orvane\"=Orvane,NTamd64\r\n"
                      "[Orvane.NTamd64]\r\n";
    for (int i = 0; i < models; ++i) {
        if (i % 20 == 0) {
            series += L"系列 " + std::to_wstring(i / 20) + L"\r\n";
            lists += L"[系列 " + std::to_wstring(i / 20) + L"]\r\n";
        }
        const std::wstring model = L"OP-" + std::to_wstring(i) + L"K", printer = L"Orvane " + model;
        lists += model + L"\r\n";
        names += model + L"=" + printer + L"\r\n";
        types += printer + L"=24\r\n";
        const std::string id = "Orvane" + std::to_string(i);
        inf += "\"" + core::ToUtf8(printer) + "\" = X.GPD,USBPRINT\\" + id + ",LPTENUM\\" + id + "\r\n";
    }
    Write(folder / "PrinterInfor.Inf",
          Utf16LE(series + lists + (broken ? L"" : names) + types +
                  L"[OTHER_SOFTWARE]\r\nQuorin=Quorin\\Quorin.exe\r\nTessan=Tessan\\Tessan.exe\r\n"));
    Write(folder / "OrvaneDriver/OrvaneDriver/Orvane 24pin/Orvane.INF", inf + "[Strings]\r\n");
    Write(folder / "OrvaneManual/Printer.PDF", "%PDF-1.4\n");
    Write(folder / "Quorin/Quorin.exe", "MZ");
    Write(folder / "Tessan/Tessan.exe", "MZ");
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

struct Timing {
    core::CheckReport report;
    double inProcess = 0, program = 0;
    int status = 0;
};

Timing Time(const fs::path& folder, int runs) {
    Timing t;
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < runs; ++r) {
        medium_check::NativeMedium medium(folder);  // each run reads the medium afresh
        t.report = core::CheckMedium(medium.Access(), {});
    }
    t.inProcess = Milliseconds(start) / runs;
    const std::string command = "'" PI_MEDIUM_CHECK_EXE "' '" + folder.string() + "' >/dev/null 2>&1";
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < runs; ++r) t.status = std::system(command.c_str());
    t.program = Milliseconds(start) / runs;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int models = argc > 1 ? std::atoi(argv[1]) : 500;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (models < 1 || runs < 1) {
        std::fprintf(stderr, "usage: medium_check_bench [models] [runs]\n");
        return 2;
    }
    const fs::path base = fs::temp_directory_path() / ("pi-medium-check-bench-" + std::to_string(::getpid()));
    LayOut(base / "clean", models, false);
    LayOut(base / "broken", models, true);
    const Timing clean = Time(base / "clean", runs);
    const Timing broken = Time(base / "broken", runs);
    std::error_code ec;
    fs::remove_all(base, ec);

    std::printf("medium of %zu series, %zu models: %zu findings; without [PRINTER_NAME]: %zu findings\n",
                clean.report.series, clean.report.models, clean.report.findings.size(), broken.report.findings.size());
    if (!clean.report.findings.empty() || clean.report.models != static_cast<size_t>(models) || clean.status != 0 ||
        broken.report.findings.size() < static_cast<size_t>(models)) {
        std::fprintf(stderr, "the generated media do not check as laid out (program status %d)\n", clean.status);
        return 1;
    }
    std::printf("clean medium,  checker in process:   %8.2f ms per run (%d runs)\n", clean.inProcess, runs);
    std::printf("clean medium,  medium-check program: %8.2f ms per run (%d runs, process start included)\n",
                clean.program, runs);
    std::printf("broken medium, checker in process:   %8.2f ms per run (%d runs)\n", broken.inProcess, runs);
    std::printf("broken medium, medium-check program: %8.2f ms per run (%d runs, process start included)\n",
                broken.program, runs);
#ifdef PI_BENCH_ASAN
    std::printf("(built with AddressSanitizer: an unsanitized build runs faster)\n");
#endif
    return 0;
}
