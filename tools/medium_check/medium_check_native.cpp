// medium-check on Linux and other non-Windows systems.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli.h"
#include "native_medium.h"
#include "core/utf8.h"

namespace {

bool Write(bool toError, const std::string& text) {
    std::FILE* to = toError ? stderr : stdout;
    return std::fwrite(text.data(), 1, text.size(), to) == text.size() && std::fflush(to) == 0;
}

std::optional<core::CheckReport> Check(const medium_check::CommandLine& commandLine, std::wstring& folder,
                                       std::string& problem) {
    folder = commandLine.folder;
    medium_check::NativeMedium medium(core::ToUtf8(commandLine.folder));
    if (!medium.IsFolder()) {
        problem = core::ToUtf8(commandLine.folder) + " is no folder";
        return std::nullopt;
    }
    // Where a medium runs from on a customer's PC: a drive of its own.
    return core::CheckMedium(medium.Access(), medium_check::OptionsFor(commandLine, L"D:\\"));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::vector<std::wstring> args;
        for (int i = 1; i < argc; ++i) {
            std::wstring arg;
            if (!core::Utf8ToWide(argv[i], arg)) {
                Write(true, "medium-check: an argument is not UTF-8 text\n");
                return medium_check::kExitCannotRun;
            }
            args.push_back(arg);
        }
        return medium_check::RunCommand(args, {&Write, &Check});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "medium-check: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "medium-check: unexpected failure\n");
    }
    return medium_check::kExitCannotRun;
}
