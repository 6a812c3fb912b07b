// The spooler's port list through a stand-in for EnumPortsW.
#include <windows.h>

#include <gtest/gtest.h>
#include <winspool.h>

#include <cstring>

#include "install/port_list.h"

namespace {

enum class Spooler { Lists, NothingToList, FirstCallOtherError, SecondCallFails };
Spooler g_mode;

BOOL WINAPI FakeEnumPorts(LPWSTR, DWORD level, LPBYTE buf, DWORD size, LPDWORD needed, LPDWORD returned) {
    static const wchar_t* names[] = {L"COM1:", L"USB003", L"LPT1:"};
    const DWORD want = 3 * sizeof(PORT_INFO_2W);
    *returned = 0;
    if (level != 2) return FALSE;
    if (g_mode == Spooler::NothingToList) return TRUE;
    if (!buf || size < want) {
        *needed = want;
        ::SetLastError(g_mode == Spooler::FirstCallOtherError ? ERROR_ACCESS_DENIED : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (g_mode == Spooler::SecondCallFails) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto* info = reinterpret_cast<PORT_INFO_2W*>(buf);
    std::memset(info, 0, want);
    for (int i = 0; i < 3; ++i) info[i].pPortName = const_cast<LPWSTR>(names[i]);
    *returned = 3;
    return TRUE;
}

TEST(PortList, TakesTheSpoolersPortsInOrderAndFailsCleanly) {
    struct Case {
        Spooler mode;
        bool ok;
        std::vector<std::wstring> ports;
    } const cases[] = {
        {Spooler::Lists, true, {L"COM1:", L"USB003", L"LPT1:"}},
        {Spooler::NothingToList, false, {}},
        {Spooler::FirstCallOtherError, false, {}},
        {Spooler::SecondCallFails, false, {}},
    };
    for (const auto& c : cases) {
        g_mode = c.mode;
        std::vector<std::wstring> ports = {L"stale"};
        EXPECT_EQ(GetPortList(ports, &FakeEnumPorts), c.ok) << static_cast<int>(c.mode);
        EXPECT_EQ(ports, c.ports) << static_cast<int>(c.mode);
    }
}

TEST(PortList, WinesSpoolerListsItsPorts) {
    std::vector<std::wstring> ports;
    ASSERT_TRUE(GetPortList(ports));
    EXPECT_FALSE(ports.empty());
}

}  // namespace
