// The worker thread's start, message loop and stop.
#include <windows.h>

#include <string>

#include "core/folders.h"
#include "device/win/scanner_device.h"
#include "log/win/log.h"
#include "worker/win/window_calls.h"
#include "worker/win/worker.h"
#include "worker/worker_rules.h"

namespace {

// Makes the folder at `path` (which may exist already). A failure, or a
// folder that could not be worked out, is logged; past its line in the log it
// shows as a failed download or unpack.
void SetUpDirectory(const char* place, const char* pattern, const std::string& path) {
  if (path.empty()) {
    LogFailure("%s %s cannot be created: it does not expand to a path under %d bytes", place, pattern, MAX_PATH);
  } else if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    LogFailure("%s %s cannot be created: %s", place, path.c_str(), ErrorText(GetLastError()).c_str());
  }
}

void HandleRequest(WorkerState& state, const MSG& message) {
  switch (message.message) {
    case WM_CT_REFRESH: {
      const HWND window = reinterpret_cast<HWND>(message.lParam);
      const std::uint32_t marked =
          static_cast<std::uint32_t>(message.wParam) == kKeepSelection ? kNoMarkedSerial : MarkedPanelSerial(window);
      state.scanners.selected = SelectionForRefresh(state.scanners, message.wParam, marked);
      RefreshAndReport(window, state);
      break;
    }
    case WM_CT_INSTALL:
      RunInstallJob(state, message.wParam, message.lParam);
      break;
    default:   // WM_CT_START and the rest of the range: only the status clearing
      break;
  }
}

}  // namespace

DWORD WINAPI WorkerThread(LPVOID parameter) {
  const WorkerStart& start = *static_cast<const WorkerStart*>(parameter);
  WorkerState state;
  state.mainWindow = start.mainWindow;
  state.catalogueHost = start.catalogueHost;
  state.folders = start.folders;

  // The thread's queue exists from here on, so the window's requests posted
  // during the initial refresh wait in it instead of being refused.
  MSG message;
  PeekMessageW(&message, nullptr, kWorkerFirstMessage, kWorkerFirstMessage, PM_NOREMOVE);

  SetUpDirectory("module cache", ("%APPDATA%\\" + std::string(kModuleCacheFolder) + "\\").c_str(),
                 state.folders.moduleCache);
  SetUpDirectory("temporary unpack folder", ("%TEMP%\\" + std::string(kTempUnpackFolder) + "\\").c_str(),
                 state.folders.tempUnpackParent);
  // Two copies may run at once: each tests its archives in a folder of its own.
  ClaimTempUnpackFolder(state.folders.tempUnpackParent.c_str(), state.tempUnpackPath, &state.tempLock);

  LogEvent("refresh: at the worker's start");
  RefreshAndReport(state.mainWindow, state);

  while (GetMessageW(&message, nullptr, kWorkerFirstMessage, kWorkerLastMessage) > 0) {
    if (message.message == WM_CT_STOP) {
      if (message.wParam != 0 && state.scanners.count > 0) {
        // The result does not matter here: a refused ejection has told the user.
        if (const ScannerRecord* scanner = SelectedScanner(state.scanners)) EjectScanner(*scanner);
      }
      break;
    }
    HandleRequest(state, message);
    WriteStatus(state.mainWindow, kStatusPartStep, L"");
  }

  state.catalogue.reset();
  ReleaseTempUnpackFolder(state.tempUnpackPath);
  return 0;
}
