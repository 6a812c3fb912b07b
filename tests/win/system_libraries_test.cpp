// How a call into a system library that cannot be had fails: the job
// libraries answer as a failed call of theirs would, so the job reports its
// own failure; any other library is one the window cannot work without.
#include <gtest/gtest.h>

#include "win/lpt_simulator.h"
#include "win/system_libraries.h"

namespace {

using win::MissingImport;

TEST(MissingImport, JobLibrariesFailTheirCallsEveryOtherLibraryEndsTheProgram) {
    const struct {
        const char* library;
        const char* entry;
        MissingImport expected;
    } cases[] = {
        {"WINSPOOL.DRV", "EnumPrintersW", MissingImport::ReturnsZero},
        {"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW", MissingImport::ReturnsZero},
        {"SETUPAPI.dll", "SetupDiGetClassDevsW", MissingImport::ReturnsInvalidHandle},
        {"setupapi.dll", "SetupDiOpenClassRegKeyExW", MissingImport::ReturnsInvalidHandle},
        {"setupapi.dll", "SetupOpenInfFileW", MissingImport::ReturnsInvalidHandle},
        {"setupapi.dll", "SetupDiEnumDeviceInterfaces", MissingImport::ReturnsZero},
        {"setupapi.dll", "CM_Locate_DevNodeW", MissingImport::ReturnsConfigFailure},
        {"cfgmgr32.dll", "CM_Reenumerate_DevNode", MissingImport::ReturnsConfigFailure},
        {"user32.dll", "MessageBoxW", MissingImport::Fatal},
        {"comctl32.dll", "InitCommonControlsEx", MissingImport::Fatal},
        {"newdev.dll.evil", "UpdateDriverForPlugAndPlayDevicesW", MissingImport::Fatal},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win::ClassifyMissingImport(c.library, c.entry), c.expected) << c.library << " " << c.entry;
}

// A spooler call the system's spooler does not have (declared by a test
// delay-import library of winspool.drv, see CMakeLists.txt): it fails as a
// failed spooler call does, instead of ending the program.
extern "C" __declspec(dllimport) BOOL WINAPI PiNoSuchSpoolerCall(DWORD);

TEST(MissingImport, AnAbsentEntryPointOfTheSpoolerFailsLikeTheSpooler) {
    ::SetLastError(0);
    EXPECT_FALSE(PiNoSuchSpoolerCall(1));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_FALSE(PiNoSuchSpoolerCall(2)) << "and again, from the stand-in now in its place";
}

// A library next to the program is never taken for a system library.
TEST(SystemLibrary, IsLoadedFromTheSystemFolderOnly) {
    EXPECT_NE(win::LoadSystemLibrary("winspool.drv"), nullptr);
    const std::wstring planted = lpttest::ExeDir() + L"pi-planted-test.dll";
    ASSERT_TRUE(::CopyFileW(lpttest::SimulatorDll().c_str(), planted.c_str(), FALSE));
    EXPECT_EQ(win::LoadSystemLibrary("pi-planted-test.dll"), nullptr);
    HMODULE searched = ::LoadLibraryW(L"pi-planted-test.dll");
    EXPECT_NE(searched, nullptr) << "the plain search would have found it";
    if (searched) ::FreeLibrary(searched);
    ::DeleteFileW(planted.c_str());
}

}  // namespace
