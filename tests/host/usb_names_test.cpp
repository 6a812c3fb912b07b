#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/usb_names.h"

namespace {

TEST(ParseVidPid, FindsBothTextsInPathsAndInstanceIds) {
    const struct {
        const wchar_t* text;
        bool ok;
        const wchar_t* vid;
        const wchar_t* pid;
    } cases[] = {
        // Device path (lower case) and instance ID (upper case) of one device give the same texts.
        {L"\\\\?\\usb#vid_04b8&pid_0005#5&2c0b3a9&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", true, L"04B8",
         L"0005"},
        {L"USB\\VID_04B8&PID_0005\\5&2C0B3A9&0&1", true, L"04B8", L"0005"},
        {L"usb#pid_0001&vid_0002#x", true, L"0002", L"0001"},  // each searched from the start
        {L"USB\\VID_12&PID_3", true, L"12&P", L"3"},           // up to four characters, whatever they are
        // Only ASCII letters are upper-cased: no locale may change the others.
        {L"vid_\u00e9\u0131ab&pid_\u00ff", true, L"\u00e9\u0131AB", L"\u00ff"},
        {L"USB\\VID_04B8", false, L"", L""},
        {L"USB\\VID04B8&PID0005", false, L"", L""},
    };
    for (const auto& c : cases) {
        std::wstring vid = L"old", pid = L"old";
        EXPECT_EQ(core::ParseVidPid(c.text, vid, pid), c.ok) << c.text;
        EXPECT_EQ(vid, c.ok ? c.vid : L"old") << c.text;  // a failed parse leaves the outputs
        EXPECT_EQ(pid, c.ok ? c.pid : L"old") << c.text;
    }
}

TEST(UsbPortName, FormatsAtLeastThreeDigits) {
    const struct {
        int number;
        const wchar_t* name;
    } cases[] = {{1, L"USB001"},    {7, L"USB007"},   {12, L"USB012"},  {999, L"USB999"},
                 {1000, L"USB1000"}, {0, L"USB000"}, {INT_MAX, L"USB2147483647"}};
    for (const auto& c : cases) EXPECT_EQ(core::UsbPortName(c.number), c.name) << c.number;
}

TEST(ParsePortNumber, AcceptsPlainDecimalNumbersOnly) {
    const struct {
        const wchar_t* text;
        bool ok;
        int number;
    } cases[] = {
        {L"7", true, 7},  {L"1000", true, 1000}, {L"007", true, 7}, {L"0", true, 0}, {L"2147483647", true, INT_MAX},
        // "%d" of a DWORD above INT_MAX, text that is no number, overflow.
        {L"-1", false, -42}, {L"", false, -42},  {L"abc", false, -42}, {L"12a", false, -42}, {L" 12", false, -42},
        {L"2147483648", false, -42}, {L"99999999999999999999", false, -42},
    };
    for (const auto& c : cases) {
        int number = -42;
        EXPECT_EQ(core::ParsePortNumber(c.text, number), c.ok) << c.text;
        EXPECT_EQ(number, c.number) << c.text;
    }
}

// Regression: a plain "major 6, minor 2 or more" test would call Windows 10
// (reported as 10.0 once the manifest names it) older than Windows 8.
TEST(IsWindows8OrLater, RegressionVersionTenCountsAsLater) {
    const struct {
        unsigned major, minor;
        bool later;
    } cases[] = {{5, 2, false}, {6, 0, false}, {6, 1, false}, {6, 2, true},
                 {6, 3, true},  {10, 0, true}, {11, 0, true}, {0, 0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(core::IsWindows8OrLater(c.major, c.minor), c.later) << c.major << "." << c.minor;
}

}  // namespace
