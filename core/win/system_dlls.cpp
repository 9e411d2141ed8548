#include "core/win/system_dlls.h"

#include <string>

namespace sysdll {
namespace {

constexpr wchar_t kComctl32[] = L"comctl32.dll";
constexpr wchar_t kMsimg32[] = L"msimg32.dll";
constexpr wchar_t kWininet[] = L"wininet.dll";
constexpr wchar_t kSetupapi[] = L"setupapi.dll";
constexpr wchar_t kCfgmgr32[] = L"cfgmgr32.dll";

template <typename Fn>
Fn Find(const wchar_t* dll, const char* name) {
  HMODULE module = LoadFromSystemFolder(dll);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <typename Result>
Result Missing(Result failed) {
  SetLastError(ERROR_PROC_NOT_FOUND);
  return failed;
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDirectories = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDirectories && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without it, at least the current folder leaves the search order.
  SetDllDirectoryW(L"");
}

HMODULE LoadFromSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L'\\' + name;
  // The altered search path makes the DLL's own imports come from its folder,
  // the system folder, too, where the search order could not be restricted.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The function of that name, looked up once; the failure value it returns
// when it cannot be had.
#define SYSDLL_CALL(dll, function, failed, ...)                                  \
  static const auto found = Find<decltype(&::function)>(dll, #function);        \
  return found ? found(__VA_ARGS__) : Missing<decltype(found(__VA_ARGS__))>(failed)

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  SYSDLL_CALL(kComctl32, InitCommonControlsEx, FALSE, controls);
}

BOOL TransparentBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, UINT transparent) {
  SYSDLL_CALL(kMsimg32, TransparentBlt, FALSE, target, x, y, width, height, source, sourceX, sourceY, sourceWidth,
              sourceHeight, transparent);
}

HINTERNET InternetOpenW(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
  SYSDLL_CALL(kWininet, InternetOpenW, nullptr, agent, access, proxy, bypass, flags);
}

HINTERNET InternetOpenUrlA(HINTERNET root, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context) {
  SYSDLL_CALL(kWininet, InternetOpenUrlA, nullptr, root, url, headers, headersLength, flags, context);
}

BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD size, LPDWORD read) {
  SYSDLL_CALL(kWininet, InternetReadFile, FALSE, request, buffer, size, read);
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD size, LPDWORD index) {
  SYSDLL_CALL(kWininet, HttpQueryInfoW, FALSE, request, level, buffer, size, index);
}

BOOL InternetGetLastResponseInfoW(LPDWORD error, LPWSTR buffer, LPDWORD length) {
  SYSDLL_CALL(kWininet, InternetGetLastResponseInfoW, FALSE, error, buffer, length);
}

BOOL InternetCloseHandle(HINTERNET handle) {
  SYSDLL_CALL(kWininet, InternetCloseHandle, FALSE, handle);
}

HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, PCWSTR enumerator, HWND parent, DWORD flags) {
  SYSDLL_CALL(kSetupapi, SetupDiGetClassDevsW, INVALID_HANDLE_VALUE, interfaceClass, enumerator, parent, flags);
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID* interfaceClass, DWORD index,
                                 PSP_DEVICE_INTERFACE_DATA data) {
  SYSDLL_CALL(kSetupapi, SetupDiEnumDeviceInterfaces, FALSE, list, device, interfaceClass, index, data);
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                                      PSP_DEVINFO_DATA device) {
  SYSDLL_CALL(kSetupapi, SetupDiGetDeviceInterfaceDetailW, FALSE, list, data, detail, size, required, device);
}

BOOL SetupDiGetDeviceInstanceIdW(HDEVINFO list, PSP_DEVINFO_DATA device, PWSTR id, DWORD size, PDWORD required) {
  SYSDLL_CALL(kSetupapi, SetupDiGetDeviceInstanceIdW, FALSE, list, device, id, size, required);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list) {
  SYSDLL_CALL(kSetupapi, SetupDiDestroyDeviceInfoList, FALSE, list);
}

CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST node, ULONG flags) {
  SYSDLL_CALL(kCfgmgr32, CM_Get_Parent, CR_FAILURE, parent, node, flags);
}

CONFIGRET CM_Request_Device_EjectW(DEVINST node, PPNP_VETO_TYPE veto, LPWSTR vetoName, ULONG nameLength,
                                   ULONG flags) {
  SYSDLL_CALL(kCfgmgr32, CM_Request_Device_EjectW, CR_FAILURE, node, veto, vetoName, nameLength, flags);
}

CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, PULONG type, PVOID buffer, PULONG length,
                                            ULONG flags) {
  SYSDLL_CALL(kCfgmgr32, CM_Get_DevNode_Registry_PropertyW, CR_FAILURE, node, property, type, buffer, length, flags);
}

BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length) {
  SYSDLL_CALL(kWininet, InternetQueryOptionW, FALSE, handle, option, buffer, length);
}

#undef SYSDLL_CALL

}  // namespace sysdll
