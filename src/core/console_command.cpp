#include "core/console_command.h"

#include <algorithm>
#include <initializer_list>

namespace core {

int FirmwareExitCode(int outcome) {
    switch (outcome) {
    case 1:
        return kExitSuccess;
    case -1:
        return kExitFileNotOpened;
    case -2:
        return kExitFileNotRead;
    case -3:
        return kExitTransferFailed;
    default:
        return kExitOtherFailure;
    }
}

namespace {

struct Option {
    const wchar_t* name;
    bool takesValue;
    std::initializer_list<ConsoleCommand::Kind> commands;
};

using K = ConsoleCommand::Kind;
const Option kOptions[] = {
    {L"--json", false, {K::List, K::Detect, K::Install, K::Installed, K::Firmware}},
    {L"--model", true, {K::Install, K::Installed}},
    {L"--port", true, {K::Install}},
    {L"--usb", false, {K::Install}},
    {L"--default", false, {K::Install}},
    {L"--test-page", false, {K::Install}},
    {L"--log", true, {K::Install}},
    {L"--file", true, {K::Firmware}},
    {L"--yes", false, {K::Firmware}},
    {L"--force", false, {K::Firmware}},
};

ParsedCommand Fail(CommandLineError::Kind kind, std::wstring argument) {
    ParsedCommand parsed;
    parsed.error = {kind, std::move(argument)};
    return parsed;
}

bool IsHelp(const std::wstring& word) {
    return word == L"help" || word == L"--help" || word == L"-h" || word == L"/?";
}

}  // namespace

ParsedCommand ParseConsoleCommand(const std::vector<std::wstring>& args) {
    ConsoleCommand command;
    if (args.empty() || IsHelp(args[0])) {
        ParsedCommand parsed;
        parsed.command = command;
        return parsed;
    }
    const struct {
        const wchar_t* word;
        K kind;
    } kCommands[] = {{L"list", K::List},           {L"detect", K::Detect},     {L"install", K::Install},
                     {L"installed", K::Installed}, {L"firmware", K::Firmware}};
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const auto& c) { return args[0] == c.word; });
    if (known == std::end(kCommands)) return Fail(CommandLineError::UnknownCommand, args[0]);
    command.kind = known->kind;

    std::vector<std::wstring> seen;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg.rfind(L"--", 0) != 0) return Fail(CommandLineError::Unexpected, arg);
        const size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                         [&](const Option& o) { return name == o.name; });
        if (option == std::end(kOptions)) return Fail(CommandLineError::UnknownOption, name);
        if (std::find(option->commands.begin(), option->commands.end(), command.kind) == option->commands.end())
            return Fail(CommandLineError::NotForCommand, name);
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) return Fail(CommandLineError::Repeated, name);
        seen.push_back(name);
        std::wstring value;
        if (option->takesValue) {
            // A following option is no value: "--model --usb" lacks the model.
            if (equals != std::wstring::npos) value = arg.substr(equals + 1);
            else if (i + 1 < args.size() && args[i + 1].rfind(L"--", 0) != 0) value = args[++i];
            if (value.empty()) return Fail(CommandLineError::MissingValue, name);
        } else if (equals != std::wstring::npos) {
            return Fail(CommandLineError::Unexpected, arg);
        }
        if (name == L"--json") command.json = true;
        else if (name == L"--model") command.model = value;
        else if (name == L"--port") command.port = value;
        else if (name == L"--usb") command.usb = true;
        else if (name == L"--default") command.makeDefault = true;
        else if (name == L"--test-page") command.testPage = true;
        else if (name == L"--log") command.logFile = value;
        else if (name == L"--file") command.file = value;
        else if (name == L"--yes") command.yes = true;
        else if (name == L"--force") command.force = true;
    }
    if ((command.kind == K::Install || command.kind == K::Installed) && command.model.empty())
        return Fail(CommandLineError::MissingOption, L"--model");
    if (command.kind == K::Install) {
        if (command.usb && !command.port.empty()) return Fail(CommandLineError::PortAndUsb, L"--port");
        if (!command.usb && command.port.empty()) return Fail(CommandLineError::MissingOption, L"--port");
    }
    if (command.kind == K::Firmware && command.file.empty()) return Fail(CommandLineError::MissingOption, L"--file");
    ParsedCommand parsed;
    parsed.command = command;
    return parsed;
}

}  // namespace core
