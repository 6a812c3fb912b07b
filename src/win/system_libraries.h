// Where the program's libraries come from.  The program runs elevated from
// wherever its medium was copied to (a USB stick, a share, the Downloads
// folder), and Windows looks for a library in the program's own folder
// before the system folder.  So the executable imports only kernel32 and
// msvcrt; every other system library is delay-loaded (see
// cmake/delay_imports.cmake), and the hooks here load it from the system
// folder only.  Once RestrictLibrarySearch has run, whatever Windows loads
// on the program's behalf (uxtheme, dwmapi, version, ...) comes from there
// too.
#pragma once
#include <windows.h>

#include <string_view>

namespace win {

// The very first call of a program's entry: the default search for every
// library loaded from now on is the system folder, and the current folder
// is never searched; the libraries Windows loads by name for the window are
// loaded from the system folder now.  False when this Windows cannot
// restrict the search (Windows 7 without its update KB2533623); the
// delay-load hooks still load the program's own libraries from the system
// folder then.
bool RestrictLibrarySearch();

// Loads a system library by name from the system folder only: nullptr when
// it is not there.
HMODULE LoadSystemLibrary(const char* name);

// How a call into a system library that cannot be had fails, so that the
// job that made it fails with its own message instead of the program dying:
// the spooler, set-up and Plug and Play libraries answer as a failed call
// of theirs would.  Any other library is one the window itself needs.
enum class MissingImport {
    ReturnsZero,           // FALSE, NULL or 0: most calls
    ReturnsInvalidHandle,  // INVALID_HANDLE_VALUE: SetupAPI's handle-returning calls
    ReturnsConfigFailure,  // CR_FAILURE: the configuration manager's CM_ calls
    Fatal,                 // the window cannot work without it
};
MissingImport ClassifyMissingImport(std::string_view library, std::string_view entryPoint);

}  // namespace win
