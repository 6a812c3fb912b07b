// The USB printer simulator's description file, and the separation of the
// simulated-USB build from the shipped program.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "usb_simulator.h"
#include "win/module_path.h"

namespace {

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH + 1];
    DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
    return std::wstring(dir, n) + name;
}

// Writes `text` as UTF-16LE with a byte-order mark, as the INI reader of
// Windows understands non-ASCII text.
void WriteUtf16(const std::wstring& path, const std::wstring& text) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.put('\xFF').put('\xFE');
    for (wchar_t c : text) out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
}

TEST(UsbSimulatorSetupFile, ReadsPrintersEntriesAndAnswers) {
    const std::wstring path = TempFile(L"usb-setup-test.ini");
    WriteUtf16(path,
               L"[Windows]\r\nVersion=6.1\r\n"
               L"[Device1]\r\nPath=\\\\?\\usb#vid_1a86&pid_7584#1\r\n"
               L"Id=MFG:Orvane;MDL:VP-7730;\r\nAnswer=never\r\nHonoursCancel=0\r\n"
               L"[Device2]\r\nPath=p\r\nOpens=0\r\nDetailReadable=0\r\n"
               L"Id=A\\x00B\\\\\r\nIdLength=0134\r\nAnswer=delayed\r\nAnswerDelayMs=250\r\n"
               L"[Entry1]\r\nName=##?#USB#VID_1A86&PID_7584#1\r\nDeviceInstance=USB\\VID_1A86&PID_7584\\1\r\n"
               L"Linked=1\r\nPortNumber=12\r\n"
               L"[Entry2]\r\nName=second\r\nPortNumber=sz:abc\r\n"
               L"[Registry]\r\nClassKeyOpens=0\r\n"
               L"[PlugAndPlay]\r\nLocateFails=1\r\nReenumerateFails=0\r\n");
    usbsim::Setup s;
    std::wstring error;
    ASSERT_TRUE(usbsim::LoadSetupFile(path, s, error)) << std::string(error.begin(), error.end());
    ::DeleteFileW(path.c_str());
    EXPECT_EQ(s.version, std::make_pair(DWORD{6}, DWORD{1}));
    ASSERT_EQ(s.devices.size(), 2u);
    EXPECT_EQ(s.devices[0].path, L"\\\\?\\usb#vid_1a86&pid_7584#1");
    EXPECT_EQ(s.devices[0].id, usbsim::IdWithLength("MFG:Orvane;MDL:VP-7730;"));
    EXPECT_EQ(s.devices[0].answer, usbsim::Answer::Never);
    EXPECT_FALSE(s.devices[0].honoursCancel);
    EXPECT_FALSE(s.devices[1].opens || s.devices[1].detailReadable);
    EXPECT_EQ(s.devices[1].id, (std::vector<uint8_t>{0x01, 0x34, 'A', 0x00, 'B', '\\'}));
    EXPECT_EQ(s.devices[1].answer, usbsim::Answer::Delayed);
    EXPECT_EQ(s.devices[1].answerDelayMs, 250u);
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.entries[0].name, L"##?#USB#VID_1A86&PID_7584#1");
    ASSERT_TRUE(s.entries[0].deviceInstance && s.entries[0].portNumber && s.entries[0].linked);
    EXPECT_EQ(s.entries[0].portNumber->data, usbsim::RegValue::Dword(12).data);
    EXPECT_FALSE(s.entries[1].deviceInstance || s.entries[1].linked);
    ASSERT_TRUE(s.entries[1].portNumber);
    EXPECT_EQ(s.entries[1].portNumber->type, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(s.classKeyOpens || s.reenumerateFails);
    EXPECT_TRUE(s.locateFails);
}

TEST(UsbSimulatorSetupFile, MissingFileIsNoPrinterMalformedFileSaysWhy) {
    usbsim::Setup s;
    std::wstring error;
    EXPECT_TRUE(usbsim::LoadSetupFile(TempFile(L"no-such-usb-setup.ini"), s, error));
    EXPECT_TRUE(s.devices.empty() && s.entries.empty());

    const struct {
        const wchar_t* text;
        const wchar_t* names;  // what the reason must point at
    } cases[] = {
        {L"[Device1]\r\nPath=x\r\nAnswer=sometimes\r\n", L"[Device1] Answer=sometimes"},
        {L"[Device1]\r\nPath=x\r\nId=bad\\q\r\n", L"[Device1] Id=bad\\q"},
        {L"[Entry1]\r\nName=a\r\nPortNumber=-3\r\n", L"[Entry1] PortNumber=-3"},
    };
    const std::wstring path = TempFile(L"usb-setup-bad.ini");
    for (const auto& c : cases) {
        WriteUtf16(path, c.text);
        EXPECT_FALSE(usbsim::LoadSetupFile(path, s, error)) << std::string(c.names, c.names + wcslen(c.names));
        EXPECT_NE(error.find(c.names), std::wstring::npos);
    }
    ::DeleteFileW(path.c_str());
}

// A file of the build, as bytes; empty when it is not there.
std::string ReadBuildFile(const std::wstring& relative) {
    std::ifstream in((win::ModuleDirectory() + relative).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasAscii(const std::string& bytes, const std::string& text) { return bytes.find(text) != std::string::npos; }

bool HasUtf16(const std::string& bytes, const std::string& text) {
    std::string wide;
    for (char c : text) wide += std::string{c, '\0'};
    return HasAscii(bytes, wide);
}

// The shipped program finds real printers only; the simulated-USB build has
// the simulator and none of the real device calls.
TEST(UsbSimulatorSeparation, ShippedProgramHoldsNoSimulatorAndTheSimulatedOneNoRealDevice) {
    const std::string shipped = ReadBuildFile(L"..\\..\\src\\Printer Install.exe");
    const std::string simulated = ReadBuildFile(L"..\\..\\sim\\usb\\Printer Install (simulated USB).exe");
    if (shipped.empty() || simulated.empty()) GTEST_SKIP() << "both programs must be built first";

    EXPECT_TRUE(HasAscii(shipped, "SetupDiGetClassDevsW"));
    EXPECT_TRUE(HasAscii(shipped, "CM_Reenumerate_DevNode"));
    EXPECT_FALSE(HasAscii(shipped, "usbsim"));
    EXPECT_FALSE(HasUtf16(shipped, "Printer Install Simulator"));
    EXPECT_FALSE(HasUtf16(shipped, "simulated-usb-printer"));

    EXPECT_TRUE(HasUtf16(simulated, "simulated-usb-printer.ini"));
    EXPECT_TRUE(HasUtf16(simulated, "Printer Install Simulator"));
    EXPECT_FALSE(HasAscii(simulated, "SetupDiGetClassDevsW"));
    EXPECT_FALSE(HasAscii(simulated, "CM_Reenumerate_DevNode"));
}

}  // namespace
