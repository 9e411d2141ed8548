// The DLLs that are not Known DLLs on every Windows (comctl32, msimg32,
// wininet, setupapi, cfgmgr32) are reached through this file alone, and only from the
// Windows system folder. Windows looks in the program's own folder first for
// any DLL it imports, so a file of one of these names left in the folder the
// program runs from (a Downloads folder) would otherwise be loaded into it
// before WinMain. The program imports none of them; it loads each on first
// use by its full system-folder path.
//
// Each function stands for the Windows function of the same name. When the
// DLL or the function cannot be had, it fails as that function fails, with
// the last error set.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <commctrl.h>
#include <setupapi.h>
#include <wininet.h>

namespace sysdll {

// First thing in WinMain: every later load by name, the program's own and
// those of Windows' components inside it, then searches the system folder
// alone. A Windows 7 without KB2533623 lacks the call and only loses the
// current folder from the search; the loads below do not depend on it.
void RestrictDllSearchToSystemFolder();

// The DLL of that name from the system folder (SysWOW64 for a 32-bit
// program on 64-bit Windows), loaded once and kept.
HMODULE LoadFromSystemFolder(const wchar_t* name);

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
