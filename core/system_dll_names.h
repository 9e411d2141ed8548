// The DLLs the program loads from the Windows system folder by full path as
// it starts, before its first window (core/win/system_dlls.h). A DLL already
// in memory is found by its name, so a file of that name beside the program
// is never loaded in its place. Portable, so that the tables are checked
// natively: every name must be a DLL that Windows 7 SP1 ships.
#pragma once

namespace sysdll {

// The DLLs whose functions the program calls through the wrappers, each by
// its index below. None is a Known DLL on every Windows.
enum ServedDll { kComctl32, kMsimg32, kWininet, kSetupapi, kCfgmgr32, kServedDllCount };
inline constexpr const wchar_t* kServedDlls[kServedDllCount] = {
    L"comctl32.dll", L"msimg32.dll", L"wininet.dll", L"setupapi.dll", L"cfgmgr32.dll",
};

// Loaded as well, before those: the DLLs that system DLLs ask for by name
// later (uxtheme asks for dwmapi at the first window). Where
// SetDefaultDllDirectories is missing (Windows 7 without KB2533623) the
// program's folder stays first for each of them, and a full-path load covers
// only a DLL's static imports; Wine's loader, which has the call, still
// searches the program's folder for its DLLs' delayed imports. These are the
// names installers preload for the same reason, less those Windows 7 lacks
// and setupapi, which is served above. The DLLs that others ask for come
// first, so that none is asked for by name while the list is being loaded.
inline constexpr const wchar_t* kOldLoaderDlls[] = {
    L"cryptbase.dll", L"sspicli.dll", L"ntmarta.dll", L"version.dll", L"dwmapi.dll", L"userenv.dll",
    L"apphelp.dll",   L"clbcatq.dll", L"secur32.dll", L"oleacc.dll",  L"propsys.dll", L"uxtheme.dll",
};

}  // namespace sysdll
