// The console program's command line, its exit codes for the firmware
// outcomes, and the S-record check of firmware files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/console_command.h"
#include "core/medium_firmware.h"
#include "core/srecord.h"

namespace {

using core::CommandLineError;
using core::ConsoleCommand;
using Args = std::vector<std::wstring>;

TEST(ConsoleCommandLine, ReadsEachCommandWithItsOptions) {
    const auto parse = [](const Args& args) {
        const auto parsed = core::ParseConsoleCommand(args);
        EXPECT_TRUE(parsed.command) << parsed.error.kind;
        return parsed.command.value_or(ConsoleCommand{});
    };
    EXPECT_EQ(parse({}).kind, ConsoleCommand::Help);
    EXPECT_EQ(parse({L"/?"}).kind, ConsoleCommand::Help);
    const ConsoleCommand install = parse({L"install", L"--model=曜驰7730", L"--usb", L"--default", L"--test-page",
                                          L"--log", L"C:\\log.txt", L"--json"});
    EXPECT_EQ(install.kind, ConsoleCommand::Install);
    EXPECT_EQ(install.model, L"曜驰7730");
    EXPECT_TRUE(install.usb && install.makeDefault && install.testPage && install.json);
    EXPECT_TRUE(install.port.empty());
    EXPECT_EQ(install.logFile, L"C:\\log.txt");
    const ConsoleCommand onPort = parse({L"install", L"--port", L"LPT1:", L"--model", L"OP-730K"});
    EXPECT_EQ(onPort.port, L"LPT1:");
    EXPECT_FALSE(onPort.usb || onPort.makeDefault || onPort.testPage || onPort.json);
    const ConsoleCommand firmware = parse({L"firmware", L"--file", L"D:\\fw.mot", L"--yes", L"--force"});
    EXPECT_EQ(firmware.file, L"D:\\fw.mot");
    EXPECT_TRUE(firmware.yes && firmware.force);
    EXPECT_EQ(parse({L"installed", L"--model", L"OP-730K"}).model, L"OP-730K");
}

TEST(ConsoleCommandLine, RefusesWhatIsWrongAndNamesIt) {
    const struct {
        Args args;
        CommandLineError::Kind kind;
        std::wstring argument;
    } cases[] = {
        {{L"remove"}, CommandLineError::UnknownCommand, L"remove"},
        {{L"List"}, CommandLineError::UnknownCommand, L"List"},
        {{L"list", L"--verbose"}, CommandLineError::UnknownOption, L"--verbose"},
        {{L"detect", L"--usb"}, CommandLineError::NotForCommand, L"--usb"},
        {{L"list", L"--json=yes"}, CommandLineError::Unexpected, L"--json=yes"},
        {{L"install", L"--model"}, CommandLineError::MissingValue, L"--model"},
        {{L"install", L"--model="}, CommandLineError::MissingValue, L"--model"},
        {{L"install", L"--model", L"--port", L"LPT1:"}, CommandLineError::MissingValue, L"--model"},
        {{L"install", L"--model", L"A", L"--model", L"B", L"--usb"}, CommandLineError::Repeated, L"--model"},
        {{L"install", L"--usb"}, CommandLineError::MissingOption, L"--model"},
        {{L"install", L"--model", L"A"}, CommandLineError::MissingOption, L"--port"},
        {{L"install", L"--model", L"A", L"--usb", L"--port", L"COM1:"}, CommandLineError::PortAndUsb, L"--port"},
        {{L"installed"}, CommandLineError::MissingOption, L"--model"},
        {{L"firmware"}, CommandLineError::MissingOption, L"--file"},
        {{L"firmware", L"fw.mot"}, CommandLineError::Unexpected, L"fw.mot"},
    };
    for (const auto& c : cases) {
        const auto parsed = core::ParseConsoleCommand(c.args);
        EXPECT_FALSE(parsed.command) << c.args.size();
        EXPECT_EQ(parsed.error.kind, c.kind) << c.argument.size();
        EXPECT_EQ(parsed.error.argument, c.argument);
    }
}

TEST(ConsoleExitCodes, EachFirmwareOutcomeHasItsOwn) {
    EXPECT_EQ(core::FirmwareExitCode(1), 0);
    EXPECT_EQ(core::FirmwareExitCode(-1), core::kExitFileNotOpened);
    EXPECT_EQ(core::FirmwareExitCode(-2), core::kExitFileNotRead);
    EXPECT_EQ(core::FirmwareExitCode(-3), core::kExitTransferFailed);
    EXPECT_EQ(core::FirmwareExitCode(-4), core::kExitOtherFailure);
    EXPECT_EQ(core::FirmwareExitCode(0), core::kExitOtherFailure) << "no outcome is no success";
}

// A record of `type` over `bytes` (address and data), with its count and
// checksum computed.
std::string Record(char type, const std::string& bytes, int checksumOffset = 0) {
    static const char* hex = "0123456789ABCDEF";
    std::string body(1, static_cast<char>(bytes.size() + 1));
    body += bytes;
    unsigned sum = 0;
    for (unsigned char c : body) sum += c;
    body += static_cast<char>((~sum + checksumOffset) & 0xFF);
    std::string line = std::string("S") + type;
    for (unsigned char c : body) line += {hex[c >> 4], hex[c & 0xF]};
    return line;
}

TEST(SRecordFile, AWholeFileIsAcceptedAndEachFlawFoundOnItsLine) {
    const std::string header = Record('0', std::string("\0\0HDR", 5));
    const std::string data1 = Record('1', std::string("\x10\x00\x01\x02\x03", 5));
    const std::string data3 = Record('3', std::string("\x00\x00\x10\x00\xAA", 5));
    const std::string count2 = Record('5', std::string("\x00\x02", 2));
    const std::string end9 = Record('9', std::string("\x00\x00", 2));
    const std::string end7 = Record('7', std::string(4, '\0'));
    using P = core::SRecordCheck;
    const struct {
        const char* name;
        std::string file;
        P::Problem problem;
        size_t line;
    } cases[] = {
        {"CR LF lines", header + "\r\n" + data1 + "\r\n" + data1 + "\r\n" + count2 + "\r\n" + end9 + "\r\n", P::None, 0},
        {"LF, lower case, blanks after, an empty line, no final line end",
         header + "  \n\n" + data3 + "\n" + [&] {
             std::string s = end7;
             for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
             s[0] = 'S';
             return s;
         }(),
         P::None, 0},
        {"cut between two lines", header + "\r\n" + data1 + "\r\n", P::NoEndRecord, 0},
        {"cut inside a line", header + "\r\n" + data1.substr(0, data1.size() - 4) + "\r\n" + end9, P::CountMismatch, 2},
        {"an empty file", "", P::NoEndRecord, 0},
        {"a checksum off by one", data1 + "\n" + Record('9', std::string(2, '\0'), 1) + "\n", P::BadChecksum, 2},
        {"not a record", "hello\n" + end9, P::NotARecord, 1},
        {"S4 is reserved", Record('4', std::string(2, '\0')) + "\n" + end9, P::BadType, 1},
        {"no hex digit", "S1GG\n", P::NotHex, 1},
        {"an odd number of digits", data1 + "0\n" + end9, P::NotHex, 1},
        {"shorter than its address", Record('3', std::string(2, '\0')) + "\n" + end9, P::TooShort, 1},
        {"a record count that is wrong", data1 + "\n" + Record('5', std::string("\x00\x05", 2)) + "\n" + end9,
         P::BadRecordCount, 2},
        {"a record after the end", end9 + "\n" + data1 + "\n", P::AfterEnd, 2},
    };
    for (const auto& c : cases) {
        const P check = core::CheckSRecordFile(c.file);
        EXPECT_EQ(check.problem, c.problem) << c.name;
        EXPECT_EQ(check.line, c.line) << c.name;
    }
}

// The demo medium's sample firmware is what it claims to be.
TEST(SRecordFile, TheDemoFirmwareIsWhole) {
    std::ifstream in(std::string(PI_SOURCE_DIR) + "/demo/medium/Firmware/OP-730K_V1.18_demo.mot", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);
    const core::SRecordCheck check = core::CheckSRecordFile(bytes);
    EXPECT_TRUE(check.ok()) << check.problem << " on line " << check.line;
    EXPECT_EQ(check.records, 1026u);
}

// The firmware files of a medium: every *.mot file that is no whole
// S-record file is found, with its line; other files are not judged.
TEST(MediumFirmware, EveryBrokenMotFileIsFoundWithItsLine) {
    const std::string whole = Record('0', std::string("\0\0HDR", 5)) + "\r\n" + Record('9', std::string(2, '\0'));
    const std::map<std::wstring, std::string> files = {
        {L"Firmware\\OP-730K.mot", whole},
        {L"Firmware\\CUT.MOT", whole.substr(0, whole.find('\n') + 1)},
        {L"Firmware\\bad.mot", "S1GG\r\n"},
        {L"Firmware\\fw.data", "anything"},
    };
    const std::vector<core::MediumEntry> entries = {
        {L"Firmware", 0, true},          {L"Firmware\\CUT.MOT", 1, false}, {L"Firmware\\OP-730K.mot", 1, false},
        {L"Firmware\\bad.mot", 1, false}, {L"Firmware\\fw.data", 1, false}, {L"Firmware\\gone.mot", 1, false},
        {L"old.mot", 0, true},
    };
    const auto findings = core::CheckFirmwareFiles(entries, [&](const std::wstring& path, std::string& bytes) {
        const auto it = files.find(path);
        if (it == files.end()) return false;
        bytes = it->second;
        return true;
    });
    std::vector<std::wstring> got;
    for (const auto& f : findings) {
        EXPECT_EQ(f.rule, "firmware-not-srecord");
        EXPECT_EQ(f.severity, core::Severity::Error);
        got.push_back(f.file + L":" + std::to_wstring(f.line));
    }
    EXPECT_EQ(got, (std::vector<std::wstring>{L"Firmware\\CUT.MOT:0", L"Firmware\\bad.mot:1",
                                              L"Firmware\\gone.mot:0"}));
}

}  // namespace
