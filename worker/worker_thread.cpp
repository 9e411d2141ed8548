// The worker thread's start, message loop and stop.
#include <windows.h>

#include <cstring>

#include "device/win/scanner_device.h"
#include "log/log_win.h"
#include "worker/window_calls.h"
#include "worker/worker.h"
#include "worker/worker_rules.h"

// What the paths hold until the worker's start expands the real ones.
char gModuleCachePath[MAX_PATH] = "c:\\Modules\\";
char gTempUnpackPath[MAX_PATH] = "c:\\Modules\\temp";

namespace {

// Expands `pattern` into `path` and creates that directory. A failure keeps
// the path as it was and is not reported: it shows later as a failed
// download or unpack.
void SetUpDirectory(const char* pattern, char (&path)[MAX_PATH]) {
  // The ANSI expansion may ask for one byte more than it writes.
  char expanded[MAX_PATH + 1] = {};
  const DWORD needed = ExpandEnvironmentStringsA(pattern, expanded, sizeof expanded);
  if (needed != 0 && needed <= sizeof expanded && strnlen(expanded, sizeof expanded) < MAX_PATH) {
    std::memcpy(path, expanded, MAX_PATH);
  }
  CreateDirectoryA(path, nullptr);   // an existing directory fails harmlessly
}

void HandleRequest(HWND mainWindow, CatalogueSlot& slot, const MSG& message) {
  switch (message.message) {
    case WM_CT_REFRESH:
      gScannerTable.selected = SelectionForRefresh(gScannerTable.selected, message.wParam);
      RefreshAndReport(reinterpret_cast<HWND>(message.lParam), slot);
      break;
    case WM_CT_INSTALL:
      RunInstallJob(mainWindow, slot, message.wParam, message.lParam);
      break;
    default:   // WM_CT_START and the rest of the range: only the status clearing
      break;
  }
}

}  // namespace

DWORD WINAPI WorkerThread(LPVOID parameter) {
  const HWND mainWindow = *static_cast<const HWND*>(parameter);
  CatalogueSlot slot;

  // The thread's queue exists from here on, so the window's requests posted
  // during the initial refresh wait in it instead of being refused.
  MSG message;
  PeekMessageW(&message, nullptr, kWorkerFirstMessage, kWorkerFirstMessage, PM_NOREMOVE);

  SetUpDirectory("%APPDATA%\\Zor70_Modules\\", gModuleCachePath);
  SetUpDirectory("%TEMP%\\ZorManager\\", gTempUnpackPath);
  // Two copies may run at once: each tests its archives in a folder of its own.
  FileHandle tempLock;
  const bool ownTempFolder = ClaimTempUnpackFolder(gTempUnpackPath, &tempLock);

  LogEvent("refresh: at the worker's start");
  RefreshAndReport(mainWindow, slot);

  while (GetMessageW(&message, nullptr, kWorkerFirstMessage, kWorkerLastMessage) > 0) {
    if (message.message == WM_CT_STOP) {
      if (message.wParam != 0 && gScannerTable.count > 0) {
        // The result does not matter here: a refused ejection has told the user.
        if (const ScannerRecord* scanner = SelectedScanner(gScannerTable)) EjectScanner(*scanner);
      }
      break;
    }
    HandleRequest(mainWindow, slot, message);
    WriteStatus(mainWindow, kStatusPartStep, L"");
  }

  slot.reset();
  if (ownTempFolder) ReleaseTempUnpackFolder(gTempUnpackPath);
  return 0;
}
