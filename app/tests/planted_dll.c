/* Stands for a DLL of a system name that a web page dropped into the folder
   the program runs from: it exports nothing, and when it is loaded it leaves
   "<its own path>.loaded" beside itself. Built with PLANTED_PROGRAM, it is a
   program (explorer.exe) that leaves the same marker when it runs. */
#include <windows.h>

static void LeaveMarker(HMODULE self) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    lstrcatW(path, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
}

#ifdef PLANTED_PROGRAM
int WINAPI WinMain(HINSTANCE self, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous, (void)commandLine, (void)show;
  LeaveMarker(self);
  return 0;
}
#else
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}
#endif
