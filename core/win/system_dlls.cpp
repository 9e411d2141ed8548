#include "core/win/system_dlls.h"

#include <atomic>

namespace sysdll {
namespace {

LoadFailureReport gReport = nullptr;  // set before the worker thread exists

// The full path of a system DLL; false with the last error set when the
// system folder's path does not fit.
bool SystemPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0) return false;
  if (length + 1 + lstrlenW(name) >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  path[length] = L'\\';
  lstrcpyW(path + length + 1, name);
  return true;
}

HMODULE Load(const wchar_t* name, std::atomic<bool>& reported) {
  wchar_t path[MAX_PATH];
  const bool placed = SystemPath(name, path);
  // The altered search path makes the DLL's own imports come from its folder,
  // the system folder, too, where the search order could not be restricted.
  HMODULE module = placed ? LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) : nullptr;
  if (module || reported.exchange(true)) return module;
  const DWORD error = GetLastError();
  if (gReport) gReport(placed ? path : name, error);
  SetLastError(error);
  return nullptr;
}

// The served DLLs, loaded once and kept by both threads; a null is tried
// again at the next use.
std::atomic<HMODULE> gServed[kServedDllCount];
std::atomic<bool> gServedReported[kServedDllCount];

HMODULE Served(ServedDll dll) {
  HMODULE module = gServed[dll].load(std::memory_order_acquire);
  if (module) return module;
  module = Load(kServedDlls[dll], gServedReported[dll]);
  if (module) gServed[dll].store(module, std::memory_order_release);
  return module;
}

// The function of that name; null with the loader's error when the DLL
// cannot be had, with ERROR_PROC_NOT_FOUND when it lacks the function.
template <typename Fn>
Fn Find(ServedDll dll, const char* name) {
  HMODULE module = Served(dll);
  if (!module) return nullptr;
  const auto found = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!found) SetLastError(ERROR_PROC_NOT_FOUND);
  return found;
}

}  // namespace

DllSearch RestrictDllSearchToSystemFolder(LoadFailureReport report) {
  gReport = report;
  DllSearch search;
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDirectories = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  search.systemFolderOnly = setDirectories && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Without it, at least the current folder leaves the search order.
  if (!search.systemFolderOnly) SetDllDirectoryW(L"");
  // The others first: comctl32 asks for uxtheme by name as it loads. They
  // are loaded on every loader, since one that takes the restriction may
  // still search the program's folder for a system DLL's own delayed imports
  // (Wine's does).
  // One that a Windows lacks (Wine has no cryptbase) is asked for by none
  // of its DLLs, and goes unreported.
  for (const wchar_t* name : kOldLoaderDlls) {
    std::atomic<bool> reportedAlready{true};
    search.preloaded += Load(name, reportedAlready) != nullptr;  // kept for the process's life
  }
  for (int dll = 0; dll < kServedDllCount; ++dll) search.preloaded += Served(static_cast<ServedDll>(dll)) != nullptr;
  return search;
}

// The function of that name, found at the first call that can have it; the
// failure value it returns, with the last error, when it cannot be had.
#define SYSDLL_CALL(dll, function, failed, ...)                                        \
  using Fn = decltype(&::function);                                                   \
  static std::atomic<Fn> cached{nullptr};                                              \
  Fn found = cached.load(std::memory_order_acquire);                                   \
  if (!found) {                                                                        \
    found = Find<Fn>(dll, #function);                                                  \
    if (!found) return failed;                                                         \
    cached.store(found, std::memory_order_release);                                    \
  }                                                                                    \
  return found(__VA_ARGS__)

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
