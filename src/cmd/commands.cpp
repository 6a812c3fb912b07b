#include "cmd/commands.h"

#include <array>
#include <cwchar>
#include <vector>

#include "catalogue/driver_package.h"
#include "catalogue/install_catalogue.h"
#include "cmd/cmd_texts.h"
#include "core/device_id.h"
#include "core/json.h"
#include "core/lpt_transfer.h"
#include "core/print_ui_rules.h"
#include "core/srecord.h"
#include "firmware/download_job.h"
#include "firmware/firmware_file.h"
#include "firmware/lpt_port.h"
#include "install/driver_install.h"
#include "install/install_job.h"
#include "install/installation.h"
#include "install/port_list.h"
#include "ports/usb_port.h"
#include "texts/texts.h"
#include "win/elevation.h"
#include "win/module_path.h"
#include "win/text_conversion.h"

namespace cmd {

namespace {

using core::JsonArray;
using core::JsonBool;
using core::JsonNumber;
using core::JsonObject;
using core::JsonString;

std::wstring Formatted(const wchar_t* format, const std::wstring& text) {
    std::vector<wchar_t> buffer(std::wcslen(format) + text.size() + 16);
    std::swprintf(buffer.data(), buffer.size(), format, text.c_str());
    return buffer.data();
}

std::wstring PinTypeText(PinType pin) {
    return pin == PinType::Pin24 ? cmdtexts::kPin24 : pin == PinType::Pin9 ? cmdtexts::kPin9 : cmdtexts::kPinOther;
}

std::string PinTypeJson(PinType pin) {
    return pin == PinType::Pin24 ? "\"24\"" : pin == PinType::Pin9 ? "\"9\"" : core::JsonNull();
}

std::string OptionalJson(bool present, const std::wstring& text) {
    return present ? JsonString(text) : core::JsonNull();
}

// The catalogue next to the program; false (told) when there is none.
bool CatalogueThere(const InstallCatalogue& catalogue, Context& context) {
    if (!catalogue.CataloguePath().empty() && win::FileOpensForReading(catalogue.CataloguePath())) return true;
    context.console.Error(cmdtexts::kNoCatalogue + catalogue.CataloguePath());
    return false;
}

// A model the catalogue lists, with its printer name; false (told) otherwise.
bool KnownModel(const InstallCatalogue& catalogue, const std::wstring& model, std::wstring& printerName,
                Context& context) {
    std::wstring series;
    if (!catalogue.FindSeriesOfModel(model, series)) {
        context.console.Error(cmdtexts::kUnknownModel + model);
        return false;
    }
    if (!catalogue.GetPrinterName(model, printerName) || printerName.empty()) printerName.clear();
    return true;
}

bool Elevated(Context& context) {
    if (win::RunsElevated()) return true;
    context.console.Error(cmdtexts::kNeedsAdministrator);
    return false;
}

// ---- detect ------------------------------------------------------------------

struct Detected {
    bool attached = false;
    std::wstring port, vid, pid, deviceId, model, series, printerName, identification;
    bool inCatalogue = false;
    // What `install --usb` would do for the printer's own model.
    std::string path = "none";  // "plug-and-play", "set-up-command", "none"
    std::wstring reason;
};

Detected DetectPrinter(const InstallCatalogue& catalogue, const InstallApi& api) {
    Detected d;
    CUSBPort finder(*api.usb);
    if (!finder.OpenPrinterDevice(d.vid, d.pid)) return d;
    d.attached = true;
    finder.CloseDevice();
    if (!finder.GetUsbPortName(d.port)) d.port.clear();
    if (finder.IsOpen()) {
        std::array<BYTE, core::kDeviceIdBytes> id{};
        DWORD returned = 0;
        if (finder.GetDeviceId(id.data(), static_cast<DWORD>(id.size()), returned))
            d.deviceId = win::ToWide(CP_THREAD_ACP, core::DeviceIdText(id.data(), returned));
        d.model = MapDeviceModelName(finder.ReadDeviceIdModel());
        if (!finder.GetMakeAndModel(d.identification)) d.identification.clear();
    }
    finder.CloseDevice();
    d.inCatalogue = !d.model.empty() && catalogue.FindSeriesOfModel(d.model, d.series);
    if (d.inCatalogue && (!catalogue.GetPrinterName(d.model, d.printerName))) d.printerName.clear();

    if (d.port.empty()) {
        d.reason = cmdtexts::kWhyNoPort;
    } else if (!d.inCatalogue) {
        d.reason = cmdtexts::kWhyUnknownModel;
    } else if (core::TakesPlugAndPlayPath(d.port, d.identification, d.printerName)) {
        d.path = "plug-and-play";
        std::wstring hardwareId;
        const Installation installation = DescribeInstallation(catalogue, d.model, d.port, false, false);
        d.reason = UsbHardwareIdFor(installation, hardwareId) ? cmdtexts::kWhyPlugAndPlay + hardwareId
                                                              : std::wstring(cmdtexts::kWhyNoHardwareId);
    } else {
        d.path = "set-up-command";
        d.reason = Formatted(d.identification.empty() ? cmdtexts::kWhyNotMakers : cmdtexts::kWhyNameBegins, d.port);
    }
    return d;
}

// ---- install -----------------------------------------------------------------

const char* StepName(InstallStep step) {
    switch (step) {
    case InstallStep::WaitingForAnotherInstallation: return "waiting";
    case InstallStep::AnotherInstallationRunning: return "another-installation-running";
    case InstallStep::RemovingEarlierPrinter: return "removing-earlier-printer";
    case InstallStep::Installing: return "installing";
    case InstallStep::InstallingWithPlugAndPlay: return "plug-and-play";
    case InstallStep::InstallingWithSetUpCommand: return "set-up-command";
    case InstallStep::SetUpCommandNotStarted: return "set-up-command-not-started";
    case InstallStep::InstallSucceeded: return "installed";
    case InstallStep::InstallFailed: return "failed";
    case InstallStep::RestartNeeded: return "restart-needed";
    case InstallStep::SettingDefault: return "setting-default";
    case InstallStep::Renaming: return "renaming";
    case InstallStep::PrintingTestPage: return "printing-test-page";
    case InstallStep::Finished: return "finished";
    }
    return "unknown";
}

std::wstring StepText(const InstallEvent& e) {
    switch (e.step) {
    case InstallStep::WaitingForAnotherInstallation:
    case InstallStep::AnotherInstallationRunning: return cmdtexts::kBusy;
    case InstallStep::RemovingEarlierPrinter: return cmdtexts::kRemoving + e.detail;
    case InstallStep::Installing: return texts::kStatusInstalling;
    case InstallStep::InstallingWithPlugAndPlay:
        return e.detail.empty() ? std::wstring(cmdtexts::kNoHardwareId) : cmdtexts::kByPlugAndPlay + e.detail;
    case InstallStep::InstallingWithSetUpCommand: return cmdtexts::kBySetUpCommand + e.detail;
    case InstallStep::SetUpCommandNotStarted: return std::wstring(core::StartFailureText(e.code));
    case InstallStep::InstallSucceeded: return texts::kStatusInstallSucceeded;
    case InstallStep::InstallFailed: return texts::kStatusInstallFailed;
    case InstallStep::RestartNeeded: return cmdtexts::kRestartNeeded;
    case InstallStep::SettingDefault: return texts::kStatusSettingDefault;
    case InstallStep::Renaming: return cmdtexts::kRenaming + e.detail;
    case InstallStep::PrintingTestPage: return texts::kStatusPrintingTestPage;
    case InstallStep::Finished: return texts::kStatusInstallFinished;
    }
    return {};
}

// One progress line per step; in JSON mode the steps for the report.
class LineObserver : public InstallObserver {
public:
    LineObserver(Console& console, bool json) : m_console(console), m_json(json) {}
    void OnInstallEvent(const InstallEvent& e) override {
        if (e.step == InstallStep::RestartNeeded) restartNeeded = true;
        if (!m_json) m_console.Line(StepText(e));
        std::vector<std::pair<std::string, std::string>> step = {{"step", std::string("\"") + StepName(e.step) + "\""}};
        if (!e.detail.empty()) step.emplace_back("detail", JsonString(e.detail));
        if (e.code) step.emplace_back("error", JsonNumber(e.code));
        steps.push_back(JsonObject(step));
    }
    void OnInstallEnd(int value) override { outcome = value; }
    std::vector<std::string> steps;
    int outcome = 0;
    bool restartNeeded = false;

private:
    Console& m_console;
    bool m_json;
};

// ---- firmware ----------------------------------------------------------------

std::wstring SRecordProblemText(const core::SRecordCheck& check) {
    const wchar_t* what = L"";
    switch (check.problem) {
    case core::SRecordCheck::None: return {};
    case core::SRecordCheck::NotARecord: what = L"不是以S和记录类型开头的行"; break;
    case core::SRecordCheck::BadType: what = L"记录类型无效"; break;
    case core::SRecordCheck::NotHex: what = L"不是十六进制数字"; break;
    case core::SRecordCheck::CountMismatch: what = L"字节数与记录长度不符"; break;
    case core::SRecordCheck::TooShort: what = L"记录太短"; break;
    case core::SRecordCheck::BadChecksum: what = L"校验和错误"; break;
    case core::SRecordCheck::BadRecordCount: what = L"记录计数（S5/S6）与数据记录数不符"; break;
    case core::SRecordCheck::NoEndRecord: what = L"文件没有结束记录（S7/S8/S9），可能不完整"; break;
    case core::SRecordCheck::AfterEnd: what = L"结束记录之后还有记录"; break;
    }
    if (check.line == 0) return what;
    wchar_t line[32];
    std::swprintf(line, std::size(line), cmdtexts::kLine, static_cast<unsigned>(check.line));
    return line + std::wstring(what);
}

bool IsMotFile(const std::wstring& path) {
    if (path.size() < 4) return false;
    std::wstring ext = path.substr(path.size() - 4);
    for (wchar_t& c : ext) c = static_cast<wchar_t>(::towlower(c));
    return ext == L".mot";
}

std::wstring FirmwareOutcomeText(int outcome) {
    switch (outcome) {
    case firmware::kSent: return texts::kDownloadSucceeded;
    case firmware::kOpenFailed: return texts::kOpenVersionFileFailed;
    case firmware::kReadFailed: return texts::kReadVersionFileFailed;
    case firmware::kTransferFailed: return texts::kDownloadFailed;
    default: return texts::kOtherError;
    }
}

const char* FirmwareOutcomeName(int outcome) {
    switch (outcome) {
    case firmware::kSent: return "sent";
    case firmware::kOpenFailed: return "file-not-opened";
    case firmware::kReadFailed: return "file-not-read";
    case firmware::kTransferFailed: return "transfer-failed";
    default: return "other-failure";
    }
}

std::wstring ProgressText(uint8_t percent, bool bar) {
    std::wstring text = texts::kProgressPrefix + std::to_wstring(percent) + L"%";
    if (!bar) return text;
    constexpr int kWidth = 20;
    const int filled = percent * kWidth / 100;
    return text + L" [" + std::wstring(filled, L'#') + std::wstring(kWidth - filled, L'.') + L"]";
}

}  // namespace

std::wstring CommandLineErrorText(const core::CommandLineError& error) {
    using E = core::CommandLineError;
    std::wstring text;
    switch (error.kind) {
    case E::UnknownCommand: text = cmdtexts::kUnknownCommand + error.argument; break;
    case E::UnknownOption: text = cmdtexts::kUnknownOption + error.argument; break;
    case E::NotForCommand: text = cmdtexts::kNotForCommand + error.argument; break;
    case E::MissingValue: text = cmdtexts::kMissingValue + error.argument; break;
    case E::Repeated: text = cmdtexts::kRepeated + error.argument; break;
    case E::MissingOption: text = cmdtexts::kMissingOption + error.argument; break;
    case E::PortAndUsb: text = cmdtexts::kPortAndUsb; break;
    case E::Unexpected: text = cmdtexts::kUnexpected + error.argument; break;
    }
    return text + cmdtexts::kSeeHelp;
}

int RunList(const core::ConsoleCommand& command, Context& context) {
    const InstallCatalogue catalogue(context.medium);
    if (!CatalogueThere(catalogue, context)) return core::kExitFailed;
    std::vector<std::wstring> series;
    if (!catalogue.GetSeriesList(series) || series.empty()) {
        context.console.Error(cmdtexts::kNoSeries);
        return core::kExitFailed;
    }
    std::vector<std::string> seriesJson;
    for (const auto& name : series) {
        if (!command.json) context.console.Line(name);
        std::vector<std::wstring> models;
        catalogue.GetSeriesModels(name, models);
        std::vector<std::string> modelsJson;
        for (const auto& model : models) {
            std::wstring printerName;
            const bool named = catalogue.GetPrinterName(model, printerName) && !printerName.empty();
            const PinType pin = named ? catalogue.GetPinType(printerName) : PinType::PinOther;
            const std::wstring manual = catalogue.GetManualPath(model);
            const bool manualThere = !manual.empty() && win::FileOpensForReading(manual);
            if (command.json) {
                modelsJson.push_back(JsonObject({{"model", JsonString(model)},
                                                 {"printerName", OptionalJson(named, printerName)},
                                                 {"pinType", PinTypeJson(pin)},
                                                 {"manual", OptionalJson(!manual.empty(), manual)},
                                                 {"manualPresent", JsonBool(manualThere)}}));
            } else {
                context.console.Line(L"  " + model + L"  " + cmdtexts::kPrinterName + printerName + L"  " +
                                     PinTypeText(pin) + L"  " + cmdtexts::kManual + manual +
                                     (manualThere ? L"" : cmdtexts::kManualAbsent));
            }
        }
        seriesJson.push_back(JsonObject({{"name", JsonString(name)}, {"models", JsonArray(modelsJson)}}));
    }
    if (command.json)
        context.console.Document(
            JsonObject({{"medium", JsonString(context.medium)}, {"series", JsonArray(seriesJson)}}) + "\n");
    return core::kExitSuccess;
}

int RunDetect(const core::ConsoleCommand& command, Context& context) {
    const InstallCatalogue catalogue(context.medium);
    const Detected d = DetectPrinter(catalogue, context.api);
    if (command.json) {
        context.console.Document(
            JsonObject({{"attached", JsonBool(d.attached)},
                        {"port", OptionalJson(!d.port.empty(), d.port)},
                        {"vid", OptionalJson(d.attached, d.vid)},
                        {"pid", OptionalJson(d.attached, d.pid)},
                        {"deviceId", OptionalJson(d.attached, d.deviceId)},
                        {"model", OptionalJson(d.attached, d.model)},
                        {"series", OptionalJson(d.inCatalogue, d.series)},
                        {"printerName", OptionalJson(d.inCatalogue && !d.printerName.empty(), d.printerName)},
                        {"installPath", d.path == "none" ? core::JsonNull() : "\"" + d.path + "\""},
                        {"reason", OptionalJson(d.attached, d.reason)}}) +
            "\n");
    } else if (!d.attached) {
        context.console.Line(cmdtexts::kNoUsbPrinter);
    } else {
        Console& out = context.console;
        out.Line(cmdtexts::kUsbPort + (d.port.empty() ? std::wstring(cmdtexts::kNoUsbPort) : d.port));
        out.Line(cmdtexts::kVidPid + d.vid + L"/" + d.pid);
        out.Line(cmdtexts::kDeviceId + d.deviceId);
        out.Line(cmdtexts::kModel + d.model);
        out.Line(cmdtexts::kSeries + (d.inCatalogue ? d.series : std::wstring(cmdtexts::kNoSeriesForModel)));
        out.Line(cmdtexts::kInstallUsb + d.reason);
    }
    return d.attached ? core::kExitSuccess : core::kExitNo;
}

int RunInstall(const core::ConsoleCommand& command, Context& context) {
    const InstallCatalogue catalogue(context.medium);
    if (!CatalogueThere(catalogue, context)) return core::kExitFailed;
    std::wstring printerName;
    if (!KnownModel(catalogue, command.model, printerName, context)) return core::kExitBadCommandLine;
    if (!Elevated(context)) return core::kExitFailed;
    std::wstring port = command.port;
    if (command.usb) {
        CUSBPort finder(*context.api.usb);
        if (!finder.GetUsbPortName(port)) port.clear();
        finder.CloseDevice();
        if (port.empty()) {
            context.console.Error(cmdtexts::kNoUsbForInstall);
            return core::kExitFailed;
        }
    } else {
        // The window offers the spooler's ports; a port it does not list is
        // a mistake on the command line.  A spooler that lists nothing is
        // no reason to refuse.
        std::vector<std::wstring> ports;
        if (GetPortList(ports)) {
            bool listed = false;
            for (const auto& p : ports) listed = listed || _wcsicmp(p.c_str(), port.c_str()) == 0;
            if (!listed) {
                context.console.Error(cmdtexts::kUnknownPort + port);
                return core::kExitBadCommandLine;
            }
        }
    }
    if (!command.logFile.empty() && !context.console.KeepLog(command.logFile))
        context.console.Error(cmdtexts::kNoLog + command.logFile);

    Installation installation =
        DescribeInstallation(catalogue, command.model, port, command.makeDefault, command.testPage);
    installation.reportRestart = true;
    LineObserver observer(context.console, command.json);
    int outcome = -1;
    {
        InstallJob job(context.api, observer, WhenBusy::GiveUp);
        if (job.Start(installation)) {
            job.Wait();
            outcome = observer.outcome;
        }
    }
    int exitCode = core::kExitFailed;
    std::string outcomeName = "failed";
    if (outcome == 1) {
        exitCode = observer.restartNeeded ? core::kExitRestartNeeded : core::kExitSuccess;
        outcomeName = "succeeded";
    } else if (outcome == kInstallNotRun) {
        exitCode = core::kExitBusy;
        outcomeName = "another-installation-running";
    }
    if (command.json) {
        context.console.Document(JsonObject({{"model", JsonString(command.model)},
                                             {"printerName", JsonString(installation.printerName)},
                                             {"port", JsonString(port)},
                                             {"inf", JsonString(installation.infPath)},
                                             {"steps", JsonArray(observer.steps)},
                                             {"outcome", "\"" + outcomeName + "\""},
                                             {"restartNeeded", JsonBool(observer.restartNeeded)},
                                             {"exitCode", JsonNumber(exitCode)}}) +
                                 "\n");
    } else if (outcome == 1) {
        context.console.Line(texts::kInstallSucceeded);
    } else if (outcome != kInstallNotRun) {
        context.console.Error(texts::kInstallFailed);
    }
    return exitCode;
}

int RunInstalled(const core::ConsoleCommand& command, Context& context) {
    const InstallCatalogue catalogue(context.medium);
    if (!CatalogueThere(catalogue, context)) return core::kExitFailed;
    std::wstring printerName;
    if (!KnownModel(catalogue, command.model, printerName, context)) return core::kExitBadCommandLine;
    if (printerName.empty()) {
        context.console.Error(cmdtexts::kNoPrinterName + command.model);
        return core::kExitBadCommandLine;
    }
    std::vector<std::wstring> found;
    const bool installed = FindInstalledPrinters(printerName, found, context.api) > 0;
    const std::wstring displayName = GetDisplayPrinterName(printerName);
    if (command.json)
        context.console.Document(JsonObject({{"model", JsonString(command.model)},
                                             {"printerName", JsonString(displayName)},
                                             {"installed", JsonBool(installed)}}) +
                                 "\n");
    else
        context.console.Line((installed ? cmdtexts::kInstalled : cmdtexts::kNotInstalled) + displayName);
    return installed ? core::kExitSuccess : core::kExitNo;
}

int RunFirmware(const core::ConsoleCommand& command, Context& context) {
    if (!Elevated(context)) return core::kExitFailed;
    Console& out = context.console;
    std::string checked = "not-checked";
    if (IsMotFile(command.file)) {
        firmware::FirmwareImage image;
        // A file that cannot be read is told by the download itself.
        if (firmware::ReadFirmwareFile(command.file, image) == 0) {
            const core::SRecordCheck check = core::CheckSRecordFile(
                std::string_view(reinterpret_cast<const char*>(image.bytes.get()), image.length));
            checked = check.ok() ? "valid" : "broken";
            if (!check.ok()) {
                out.Error((command.force ? cmdtexts::kBrokenSRecordForced : cmdtexts::kBrokenSRecord) +
                          SRecordProblemText(check));
                if (!command.force) {
                    if (command.json)
                        out.Document(JsonObject({{"file", JsonString(command.file)},
                                                 {"sRecord", "\"broken\""},
                                                 {"exitCode", JsonNumber(core::kExitBrokenFirmwareFile)}}) +
                                     "\n");
                    return core::kExitBrokenFirmwareFile;
                }
            }
        }
    }
    if (!command.yes) {
        if (!out.InputIsConsole()) {
            out.Error(cmdtexts::kNoConsoleToConfirm);
            return core::kExitNotConfirmed;
        }
        const auto answer = out.Ask(std::wstring(texts::kConfirmDownload) + cmdtexts::kConfirmSuffix);
        if (!answer || (*answer != L"y" && *answer != L"Y" && *answer != L"是")) {
            out.Error(cmdtexts::kNotConfirmed);
            return core::kExitNotConfirmed;
        }
    }
    const auto report = [&](const char* readiness, const char* outcome, int peak, int exitCode) {
        if (command.json)
            out.Document(JsonObject({{"file", JsonString(command.file)},
                                     {"sRecord", "\"" + checked + "\""},
                                     {"readiness", std::string("\"") + readiness + "\""},
                                     {"outcome", outcome ? std::string("\"") + outcome + "\"" : core::JsonNull()},
                                     {"peakPercent", JsonNumber(peak)},
                                     {"exitCode", JsonNumber(exitCode)}}) +
                         "\n");
        return exitCode;
    };

    CLPTPort port;
    firmware::DownloadJob job(port);
    switch (job.OpenAndCheck()) {
    case firmware::Readiness::NoPortAccess:
        out.Error(texts::kPortInvalid);
        return report("no-port-access", nullptr, 0, core::kExitNoPortAccess);
    case firmware::Readiness::PrinterNotReady:
        out.Error(texts::kPrinterNotReady);
        return report("printer-not-ready", nullptr, 0, core::kExitPrinterNotReady);
    case firmware::Readiness::Ready:
        break;
    }
    if (!job.Start(command.file)) {
        out.Error(texts::kOtherError);
        return report("ready", FirmwareOutcomeName(firmware::kOtherFailure), 0, core::kExitOtherFailure);
    }
    // The window's watch: a percentage that does not rise for 201 looks in a
    // row, 100 ms apart, gives the download up.
    uint8_t peak = 0;
    uint32_t stalled = 0;
    int shown = -1;
    int outcome = 0;
    for (;;) {
        ::Sleep(100);
        const bool givenUp = core::StallWatchTick(job.Progress(), peak, stalled);
        if (peak != shown && !command.json) {
            out.Progress(ProgressText(peak, out.OutputIsConsole()));
            shown = peak;
        }
        outcome = givenUp ? job.GiveUp() : job.Outcome();
        if (outcome != 0) break;
    }
    job.WaitUntilIdle(5000);
    if (outcome == firmware::kTransferFailed && stalled > core::kStallPollLimit) out.Error(cmdtexts::kStalled);
    if (outcome == firmware::kSent) out.Line(FirmwareOutcomeText(outcome));
    else out.Error(FirmwareOutcomeText(outcome));
    return report("ready", FirmwareOutcomeName(outcome), peak, core::FirmwareExitCode(outcome));
}

}  // namespace cmd
