// The worker thread: every scanner, network and file job of the program runs
// here, one at a time, in the order the main window asks for them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "core/folders.h"
#include "core/win/handles.h"
#include "device/scanner_table.h"
#include "worker/messages.h"

// The catalogue of the last refresh; empty until a refresh creates one.
// Owned by the worker thread and destroyed when it ends.
using CatalogueSlot = std::unique_ptr<ModuleCatalogue>;

// What the main window starts the worker with; read once, at its start.
struct WorkerStart {
  HWND mainWindow = nullptr;
  std::string catalogueHost;  // "name" or "name:port", taken at start-up
  ProgramFolders folders;     // as worked out at the program's start
};

// What the worker alone keeps from one job to the next.
struct WorkerState {
  HWND mainWindow = nullptr;
  std::string catalogueHost;
  // The prefix of every package URL, set by the page download whenever it
  // reaches the page's directory line; empty at start.
  std::string packageBaseUrl;
  // The module cache and the folder all copies share for their test
  // unpacks (folders.moduleCache, folders.tempUnpackParent), from the start.
  ProgramFolders folders;
  // This copy's own temporary unpack folder inside the shared one, ANSI,
  // ending with a backslash; empty while it could not be made, so that no
  // test unpack ever empties a folder that others use.
  char tempUnpackPath[MAX_PATH] = "";
  FileHandle tempLock;  // held while the copy runs; see ClaimTempUnpackFolder
  ScannerTable scanners;  // as the last discovery found them
  CatalogueSlot catalogue;
};

// Thread start routine. `parameter` points at a WorkerStart, read once at
// start. Returns 0 when the thread ends (after WM_CT_STOP, WM_QUIT or a
// failing GetMessageW).
DWORD WINAPI WorkerThread(LPVOID parameter);

// One refresh against `window` (its status bar 301, list view 300 and
// scanner panel 302): a refresh result code, kRefreshOk .. kRefreshNoMemory.
int RunRefresh(HWND window, WorkerState& state);

// RunRefresh, then "Онлайн"/"Оффлайн" in status part 0, then, while a
// scanner is attached, WM_CT_REFRESH_DONE (code, kRefreshFinished).
int RefreshAndReport(HWND window, WorkerState& state);

// Replaces the scanner panel's buttons with one per attached scanner, keeping
// the marked scanner (by serial number) marked, and sets the table's selected
// index to it. Hides the window when no scanner is attached.
void RebuildScannerPanel(HWND window, ScannerTable& table);

// The serial number the marked button of the scanner panel carries: the
// scanner the user clicked, which the window marks before asking for the
// refresh. kNoMarkedSerial when no button is marked or the panel did not
// answer in time.
std::uint32_t MarkedPanelSerial(HWND window);

// The download-and-install job for the module named by the request behind
// `request` (an InstallRequest, or anything whose first field is the name).
// Ends with exactly one WM_CT_INSTALL_DONE to the main window.
void RunInstallJob(WorkerState& state, WPARAM releaseSelector, LPARAM request);

// Makes a directory off the scanner the process's current directory: the
// module cache, else the temporary unpack directory, else the Windows
// directory. An unpack leaves the process in its target, and a current
// directory on the scanner's volume would veto its ejection.
void LeaveUnpackTarget(const char* moduleCachePath, const char* tempUnpackPath);

// Makes this running copy's own folder inside `parent`, the shared
// temporary directory (ending with a backslash): "<process id>\", or
// "<process id>_<n>\" when something else stands under that name. Its path
// goes to `path` and its lock is held in `lock` for as long as the copy
// runs. Folders of copies that no longer run are removed first. False,
// with `path` empty and the cause logged, when no folder can be made.
bool ClaimTempUnpackFolder(const char* parent, char (&path)[MAX_PATH], FileHandle* lock);
// Before a test unpack: the copy's own folder as it must be, claimed anew
// when it could not be made so far, made again when something (an older
// copy of the program, a cleaner) removed it. False, with the cause
// logged, when there is none to test in.
bool PrepareTempUnpackFolder(const char* parent, char (&path)[MAX_PATH], FileHandle* lock);
// Removes this copy's folder with whatever is left in it.
void ReleaseTempUnpackFolder(const char* path);

// Empties the temporary unpack directory completely, subdirectories
// included. A junction or symbolic link inside it is removed as a link:
// what it points at is never entered.
void ClearTempDirectory(const char* tempUnpackPath);
