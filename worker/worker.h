// The worker thread: every scanner, network and file job of the program runs
// here, one at a time, in the order the main window asks for them.
#pragma once

#include <windows.h>

#include <memory>

#include "catalogue/catalogue.h"
#include "device/win/handles.h"
#include "worker/messages.h"

// The catalogue of the last refresh; empty until a refresh creates one.
// Owned by the worker thread and destroyed when it ends.
using CatalogueSlot = std::unique_ptr<ModuleCatalogue>;

// Module cache and temporary unpack directory, ANSI, each ending with a
// backslash (file names are appended directly). Written by the worker at its
// start, before its first job; read by the worker only.
extern char gModuleCachePath[MAX_PATH];
extern char gTempUnpackPath[MAX_PATH];

// Thread start routine. `parameter` points at the main window's HWND, read
// once at start. Returns 0 when the thread ends (after WM_CT_STOP, WM_QUIT or
// a failing GetMessageW).
DWORD WINAPI WorkerThread(LPVOID parameter);

// One refresh against `window` (its status bar 301, list view 300 and
// scanner panel 302): a refresh result code, kRefreshOk .. kRefreshNoMemory.
int RunRefresh(HWND window, CatalogueSlot& slot);

// RunRefresh, then "Онлайн"/"Оффлайн" in status part 0, then, while a
// scanner is attached, WM_CT_REFRESH_DONE (code, kRefreshFinished).
int RefreshAndReport(HWND window, CatalogueSlot& slot);

// Replaces the scanner panel's buttons with one per attached scanner, keeping
// the marked scanner (by serial number) marked, and sets the table's selected
// index to it. Hides the window when no scanner is attached.
void RebuildScannerPanel(HWND window);

// The download-and-install job for the module named by the request behind
// `request` (an InstallRequest, or anything whose first field is the name).
// Ends with exactly one WM_CT_INSTALL_DONE to `mainWindow`.
void RunInstallJob(HWND mainWindow, CatalogueSlot& slot, WPARAM releaseSelector, LPARAM request);

// Makes a directory off the scanner the process's current directory: the
// module cache, else the temporary unpack directory, else the Windows
// directory. An unpack leaves the process in its target, and a current
// directory on the scanner's volume would veto its ejection.
void LeaveUnpackTarget();

// Turns `path`, the shared temporary directory (ending with a backslash),
// into this running copy's own folder inside it, "<process id>\", and holds
// that folder's lock in `lock` for as long as the copy runs. Folders of
// copies that no longer run are removed first. False, leaving `path` as it
// was, when the folder cannot be made.
bool ClaimTempUnpackFolder(char (&path)[MAX_PATH], FileHandle* lock);
// Removes this copy's folder with whatever is left in it.
void ReleaseTempUnpackFolder(const char* path);

// Empties the temporary unpack directory completely, subdirectories
// included. A junction or symbolic link inside it is removed as a link:
// what it points at is never entered.
void ClearTempDirectory();
