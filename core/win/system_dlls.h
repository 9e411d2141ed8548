// The DLLs that are not Known DLLs on every Windows (core/system_dll_names.h)
// are reached through this file alone, and only from the Windows system
// folder. Windows looks in the program's own folder first for any DLL it
// imports, so a file of one of these names left in the folder the program
// runs from (a Downloads folder) would otherwise be loaded into it before
// WinMain. The program imports none of them; it loads each by its full
// system-folder path as it starts, and again at a later use when that failed.
//
// Each function stands for the Windows function of the same name. When the
// DLL cannot be loaded, it fails with the loader's own error; when the DLL
// lacks the function, with ERROR_PROC_NOT_FOUND.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <commctrl.h>
#include <setupapi.h>
#include <wininet.h>

#include "core/system_dll_names.h"

namespace sysdll {

// Told of the first failed load of each DLL: the path tried and the
// loader's error. It may not change the last error.
using LoadFailureReport = void (*)(const wchar_t* path, DWORD error);

// What the start did, for the log.
struct DllSearch {
  bool systemFolderOnly = false;  // SetDefaultDllDirectories took effect
  int preloaded = 0;              // DLLs loaded from it by full path
};

// First thing in WinMain, on its thread, before the first window: every
// later load by name, the program's own and those of Windows' components
// inside it, then searches the system folder alone (a Windows 7 without
// KB2533623 lacks the call and only loses the current folder from the
// search), and the DLLs of core/system_dll_names.h are loaded from it by full
// path. The system folder is SysWOW64 for a 32-bit program on 64-bit Windows.
DllSearch RestrictDllSearchToSystemFolder(LoadFailureReport report);

// comctl32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// msimg32
BOOL TransparentBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, UINT transparent);

// wininet
HINTERNET InternetOpenW(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags);
HINTERNET InternetOpenUrlA(HINTERNET root, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context);
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD size, LPDWORD read);
BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD size, LPDWORD index);
BOOL InternetGetLastResponseInfoW(LPDWORD error, LPWSTR buffer, LPDWORD length);
BOOL InternetCloseHandle(HINTERNET handle);

// setupapi
HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, PCWSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID* interfaceClass, DWORD index,
                                 PSP_DEVICE_INTERFACE_DATA data);
BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                                      PSP_DEVINFO_DATA device);
BOOL SetupDiGetDeviceInstanceIdW(HDEVINFO list, PSP_DEVINFO_DATA device, PWSTR id, DWORD size, PDWORD required);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list);

// cfgmgr32
CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST node, ULONG flags);
CONFIGRET CM_Request_Device_EjectW(DEVINST node, PPNP_VETO_TYPE veto, LPWSTR vetoName, ULONG nameLength,
                                   ULONG flags);
CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, PULONG type, PVOID buffer, PULONG length,
                                            ULONG flags);

// wininet: what a handle is set to, such as the proxy its requests go through
BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length);

}  // namespace sysdll
