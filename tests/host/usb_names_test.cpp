#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/usb_names.h"

namespace {

TEST(ParseVidPid, FindsBothTextsInPathsAndInstanceIds) {
    struct Case {
        const wchar_t* text;
        bool ok;
        const wchar_t* vid;
        const wchar_t* pid;
    };
    const Case cases[] = {
        // Device path (lower case) and instance ID (upper case) of one device.
        {L"\\\\?\\usb#vid_04b8&pid_0005#5&2c0b3a9&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", true, L"04B8",
         L"0005"},
        {L"USB\\VID_04B8&PID_0005\\5&2C0B3A9&0&1", true, L"04B8", L"0005"},
        {L"USB\\Vid_1a86&Pid_7584\\X", true, L"1A86", L"7584"},
        // PID before VID: each is searched from the start.
        {L"usb#pid_0001&vid_0002#x", true, L"0002", L"0001"},
        // Up to four characters, whatever they are.
        {L"USB\\VID_12&PID_3", true, L"12&P", L"3"},
        {L"USB\\VID_&PID_", true, L"&PID", L""},
        {L"USB\\VID_04B8", false, L"", L""},
        {L"USB\\PID_0005", false, L"", L""},
        {L"USB\\VID04B8&PID0005", false, L"", L""},
        {L"", false, L"", L""},
    };
    for (const auto& c : cases) {
        std::wstring vid = L"old", pid = L"old";
        EXPECT_EQ(core::ParseVidPid(c.text, vid, pid), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(vid, c.vid) << c.text;
            EXPECT_EQ(pid, c.pid) << c.text;
        } else {
            EXPECT_EQ(vid, L"old") << "a failed parse leaves the outputs";
            EXPECT_EQ(pid, L"old");
        }
    }
}

TEST(ParseVidPid, LowerCasePathMatchesUpperCaseInstanceId) {
    std::wstring pathVid, pathPid, idVid, idPid;
    ASSERT_TRUE(core::ParseVidPid(L"\\\\?\\usb#vid_0a5f&pid_00d1#zq&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}",
                                  pathVid, pathPid));
    ASSERT_TRUE(core::ParseVidPid(L"USB\\VID_0A5F&PID_00D1\\ZQ&1", idVid, idPid));
    EXPECT_EQ(pathVid, idVid);
    EXPECT_EQ(pathPid, idPid);
}

TEST(ParseVidPid, UpperCasesOnlyAsciiLetters) {
    // A locale-dependent upper-casing could turn these into other letters;
    // both sides of the comparison must see the same texts.
    std::wstring vid, pid;
    ASSERT_TRUE(core::ParseVidPid(L"vid_\u00e9\u0131ab&pid_\u00ff", vid, pid));
    EXPECT_EQ(vid, L"\u00e9\u0131AB");
    EXPECT_EQ(pid, L"\u00ff");
}

TEST(UsbPortName, FormatsAtLeastThreeDigits) {
    struct Case {
        int number;
        const wchar_t* name;
    };
    const Case cases[] = {{1, L"USB001"},    {7, L"USB007"},       {12, L"USB012"},
                          {999, L"USB999"},  {1000, L"USB1000"},   {0, L"USB000"},
                          {123456, L"USB123456"}, {INT_MAX, L"USB2147483647"}};
    for (const auto& c : cases) EXPECT_EQ(core::UsbPortName(c.number), c.name) << c.number;
}

TEST(ParsePortNumber, AcceptsPlainDecimalNumbersOnly) {
    struct Case {
        const wchar_t* text;
        bool ok;
        int number;
    };
    const Case cases[] = {
        {L"1", true, 1},       {L"7", true, 7},       {L"12", true, 12},       {L"1000", true, 1000},
        {L"007", true, 7},     {L"0", true, 0},       {L"2147483647", true, INT_MAX},
        // "%d" of a DWORD above INT_MAX, text that is no number, overflow.
        {L"-1", false, 0},     {L"", false, 0},       {L"abc", false, 0},      {L"12a", false, 0},
        {L" 12", false, 0},    {L"2147483648", false, 0}, {L"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        int number = -42;
        EXPECT_EQ(core::ParsePortNumber(c.text, number), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(number, c.number) << c.text;
        else EXPECT_EQ(number, -42) << c.text;
    }
}

// Regression: a plain "major 6, minor 2 or more" test would call Windows 10
// (reported as 10.0 once the manifest names it) older than Windows 8.
TEST(IsWindows8OrLater, RegressionVersionTenCountsAsLater) {
    struct Case {
        unsigned major, minor;
        bool later;
    };
    const Case cases[] = {{5, 1, false}, {5, 2, false}, {6, 0, false}, {6, 1, false}, {6, 2, true},
                          {6, 3, true},  {10, 0, true}, {11, 0, true}, {0, 0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(core::IsWindows8OrLater(c.major, c.minor), c.later) << c.major << "." << c.minor;
}

}  // namespace
