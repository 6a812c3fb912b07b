#include "cli.h"

#include "medium_listing.h"
#include "core/utf8.h"

namespace medium_check {

CommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
    CommandLine c;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        const auto value = [&](std::optional<std::wstring>& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                c.error = core::ToUtf8(a) + " needs a value";
                return;
            }
            into = args[++i];
        };
        if (a == L"--json") {
            c.json = true;
        } else if (a == L"--help" || a == L"-h" || a == L"/?") {
            c.help = true;
        } else if (a == L"--program-dir") {
            value(c.programDirectory);
        } else if (a == L"--port") {
            value(c.port);
            // The set-up command quotes the port; a port name cannot hold a
            // quotation mark.
            if (c.port && c.port->find(L'"') != std::wstring::npos) c.error = "a port name holds no '\"'";
        } else if (a.starts_with(L"--")) {
            c.error = "unknown option " + core::ToUtf8(a);
        } else if (c.folder.empty()) {
            c.folder = a;
        } else {
            c.error = "more than one medium folder given";
        }
        if (!c.error.empty()) return c;
    }
    if (!c.help && c.folder.empty()) c.error = "no medium folder given";
    return c;
}

std::string Usage() {
    return "usage: medium-check [--json] [--program-dir DIR] [--port NAME] <medium-folder>\n"
           "Checks an installation medium for what would make the installer fail.\n"
           "  --json             print the findings as one JSON object\n"
           "  --program-dir DIR  the Windows folder the installer will run from, for the\n"
           "                     259-character path limit (default: the medium's own\n"
           "                     folder on Windows, D:\\ elsewhere)\n"
           "  --port NAME        the port name the set-up command gets (default USB001)\n"
           "Exit status: 0 no errors, 1 errors found, 2 the check could not run.\n";
}

core::CheckOptions OptionsFor(const CommandLine& commandLine, const std::wstring& defaultProgramDirectory) {
    core::CheckOptions options;
    options.programDirectory = commandLine.programDirectory.value_or(defaultProgramDirectory);
    if (commandLine.port) options.port = *commandLine.port;
    return options;
}

std::string RenderReport(const core::CheckReport& report, std::wstring_view medium, bool json) {
    if (json) return core::ReportJson(report, medium);
    std::string out;
    for (const core::Finding& f : report.findings) out += core::FindingText(f) + "\n";
    return out;
}

std::string Summary(const core::CheckReport& report) {
    return "medium-check: " + std::to_string(report.Count(core::Severity::Error)) + " errors, " +
           std::to_string(report.Count(core::Severity::Warning)) + " warnings (" + std::to_string(report.series) +
           " series, " + std::to_string(report.models) + " models)\n";
}

int ExitStatus(const core::CheckReport& report) {
    return report.Count(core::Severity::Error) ? kExitErrors : kExitClean;
}

int RunCommand(const std::vector<std::wstring>& args, const Platform& platform) {
    const CommandLine commandLine = ParseCommandLine(args);
    if (commandLine.help) return platform.write(false, Usage()) ? kExitClean : kExitCannotRun;
    if (!commandLine.error.empty()) {
        platform.write(true, "medium-check: " + commandLine.error + "\n" + Usage());
        return kExitCannotRun;
    }
    std::wstring folder;
    std::string problem;
    std::optional<core::CheckReport> report = platform.check(commandLine, folder, problem);
    if (!report) {
        platform.write(true, "medium-check: " + problem + "\n");
        return kExitCannotRun;
    }
    // The physical limits of the CD image, the same on every platform.
    AddMediumLimits(*report, folder);
    if (!platform.write(false, RenderReport(*report, folder, commandLine.json))) return kExitCannotRun;
    platform.write(true, Summary(*report));
    return ExitStatus(*report);
}

}  // namespace medium_check
