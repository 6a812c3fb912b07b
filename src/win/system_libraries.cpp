#include "win/system_libraries.h"

#include <cfgmgr32.h>
#include <delayimp.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace win {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 of Windows 8 and of Windows 7 with KB2533623.
constexpr DWORD kSearchSystem32 = 0x00000800;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::wstring Widened(const char* name) {
    std::wstring wide;
    for (const char* c = name; *c; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

HMODULE LoadFromSystemFolder(const char* name) {
    const std::wstring wide = Widened(name);
    if (HMODULE module = ::LoadLibraryExW(wide.c_str(), nullptr, kSearchSystem32)) return module;
    if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    // A Windows that does not know the flag.  The common controls are asked
    // for by name: the manifest's version 6 is found through the program's
    // activation context before any folder is searched.  Every other library
    // is loaded by the full path of the system folder's file.
    if (SameName(name, "comctl32.dll")) return ::LoadLibraryW(wide.c_str());
    wchar_t system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return ::LoadLibraryW((std::wstring(system, n) + L"\\" + wide).c_str());
}

// Stand-ins for the entry points of a library that cannot be had.  Windows
// x64 calls leave the arguments to the caller, so one body serves every
// signature.
extern "C" uintptr_t WINAPI MissingReturnsZero() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return 0;
}
extern "C" uintptr_t WINAPI MissingReturnsInvalidHandle() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE);
}
extern "C" uintptr_t WINAPI MissingReturnsConfigFailure() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return CR_FAILURE;
}

// Without one of its own libraries the window cannot go on; it says so in
// the words Windows uses, and ends instead of crashing.
[[noreturn]] void EndForMissingLibrary() {
    if (HMODULE user = LoadSystemLibrary("user32.dll")) {
        using MessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
        if (auto box = reinterpret_cast<MessageBoxFn>(reinterpret_cast<void*>(::GetProcAddress(user, "MessageBoxW"))))
            box(nullptr, L"One of the library files necessary to run the application can't be found.", L"ERROR",
                MB_OK | MB_ICONERROR);
    }
    ::ExitProcess(ERROR_DLL_NOT_FOUND);
}

FARPROC StandInFor(const DelayLoadInfo& info) {
    const std::string_view entry = info.dlp.fImportByName ? info.dlp.szProcName : std::string_view();
    switch (ClassifyMissingImport(info.szDll, entry)) {
        case MissingImport::ReturnsZero:
            return reinterpret_cast<FARPROC>(&MissingReturnsZero);
        case MissingImport::ReturnsInvalidHandle:
            return reinterpret_cast<FARPROC>(&MissingReturnsInvalidHandle);
        case MissingImport::ReturnsConfigFailure:
            return reinterpret_cast<FARPROC>(&MissingReturnsConfigFailure);
        case MissingImport::Fatal:
            break;
    }
    EndForMissingLibrary();
}

FARPROC WINAPI DelayLoadNotify(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    if (HMODULE module = LoadSystemLibrary(info->szDll)) return reinterpret_cast<FARPROC>(module);
    // Never left to the loader's own search, which would try the program's
    // folder: the program itself stands in for the library, and having none
    // of its entry points, each of them fails as DelayLoadFailure decides.
    return reinterpret_cast<FARPROC>(::GetModuleHandleW(nullptr));
}

FARPROC WINAPI DelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
    if (!info) EndForMissingLibrary();
    if (notification == dliFailGetProc || notification == dliFailLoadLib) return StandInFor(*info);
    return nullptr;
}

}  // namespace

// Libraries that Windows' own libraries load by name on the window's behalf,
// some through a search of their own: Wine's libraries resolve their delayed
// imports through the process's default search, which still starts at the
// program's folder, and so does every library on a Windows that cannot
// restrict the search.  Loaded from the system folder first, they are then
// found already loaded.  All of them the window loads anyway.
constexpr const char* kLoadedOnTheWindowsBehalf[] = {"ole32.dll", "msimg32.dll", "uxtheme.dll", "version.dll",
                                                     "dwmapi.dll"};

bool RestrictLibrarySearch() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                         ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    const bool restricted = setDefault && setDefault(kSearchSystem32);
    ::SetDllDirectoryW(L"");
    for (const char* name : kLoadedOnTheWindowsBehalf) LoadSystemLibrary(name);
    return restricted;
}

HMODULE LoadSystemLibrary(const char* name) { return name && *name ? LoadFromSystemFolder(name) : nullptr; }

MissingImport ClassifyMissingImport(std::string_view library, std::string_view entryPoint) {
    if (SameName(library, "winspool.drv") || SameName(library, "newdev.dll")) return MissingImport::ReturnsZero;
    if (SameName(library, "cfgmgr32.dll"))
        return StartsWith(entryPoint, "CM_") ? MissingImport::ReturnsConfigFailure : MissingImport::ReturnsZero;
    if (SameName(library, "setupapi.dll")) {
        for (std::string_view handleCall : {"SetupDiGetClassDevs", "SetupDiOpenClassRegKey", "SetupDiOpenDevRegKey",
                                            "SetupDiCreateDevRegKey", "SetupOpenInfFile", "SetupDiCreateDeviceInfoList"})
            if (StartsWith(entryPoint, handleCall)) return MissingImport::ReturnsInvalidHandle;
        if (StartsWith(entryPoint, "CM_")) return MissingImport::ReturnsConfigFailure;
        return MissingImport::ReturnsZero;
    }
    return MissingImport::Fatal;
}

}  // namespace win

// The delay-load helper's hooks.  Defined here, next to RestrictLibrarySearch
// which every program entry calls, so that the linker takes these and not the
// empty defaults of the runtime library.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = &win::DelayLoadNotify;
PfnDliHook __pfnDliFailureHook2 = &win::DelayLoadFailure;
}
