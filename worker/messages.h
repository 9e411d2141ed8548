// The messages between the main window and the worker thread, and the
// result codes they carry. Plain numbers, so portable code may include it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/fixed_buffer.h"

constexpr unsigned int kWmUser = 0x0400;  // WM_USER

// Window -> worker (PostThreadMessageW). The worker fetches only
// WM_USER .. WM_USER + 9.
constexpr unsigned int WM_CT_START = kWmUser + 0;
constexpr unsigned int WM_CT_STOP = kWmUser + 1;       // wParam 1: eject the selected scanner first
constexpr unsigned int WM_CT_REFRESH = kWmUser + 2;    // wParam scanner index or kKeepSelection, lParam HWND
constexpr unsigned int WM_CT_INSTALL = kWmUser + 4;    // wParam release selector (1), lParam InstallRequest*

// Worker -> window.
constexpr unsigned int WM_CT_REFRESH_DONE = kWmUser + 3;  // (0, 1) started; (code, 2) finished
constexpr unsigned int WM_CT_INSTALL_DONE = kWmUser + 5;  // (install code, refresh code when install code is 0)
constexpr unsigned int WM_CT_PROGRESS = kWmUser + 9;      // (kilobytes, 0) downloading; (0, 1) taken from the cache

// Install progress dialog -> window; never reaches the worker.
constexpr unsigned int WM_CT_CANCEL = kWmUser + 6;

constexpr unsigned int kWorkerFirstMessage = kWmUser;
constexpr unsigned int kWorkerLastMessage = kWmUser + 9;

constexpr unsigned long kKeepSelection = 0xFFFFFFFFul;  // WM_CT_REFRESH wParam

constexpr long kRefreshStarted = 1;   // lParam of WM_CT_REFRESH_DONE
constexpr long kRefreshFinished = 2;

constexpr unsigned int kReleaseSelectorNewest = 1;  // WM_CT_INSTALL wParam

// Time-out of every status text, panel change and start notice the worker
// sends to the window.
constexpr unsigned int kWorkerSendTimeoutMs = 500;

enum RefreshResult : int {
  kRefreshOk = 0,
  kRefreshWindowBusy = 1,      // a status text or the start notice was not taken in time
  kRefreshNoCatalogue = 2,     // the catalogue could not be downloaded or parsed
  kRefreshNoScanner = 3,
  kRefreshNoMemory = 4,        // the catalogue object could not be created
};

enum InstallResult : int {
  kInstallOk = 0,
  kInstallDownloadFailed = 1,
  kInstallNoScanner = 2,
  kInstallUnpackFailed = 3,
  kInstallNotFound = 4,
};

// A serial number that names no scanner: no scanner was marked.
constexpr std::uint32_t kNoScannerSerial = 0xFFFFFFFFu;

// The request behind WM_CT_INSTALL's lParam. The window owns it and fills it
// anew only after the previous WM_CT_INSTALL_DONE; the worker reads the name
// and the scanner, and copies both as soon as the job starts.
constexpr unsigned int kInstallNameSize = 50;  // at most 49 ANSI bytes and the terminator
struct InstallRequest {
  FixedBuffer<char, kInstallNameSize> name;  // NUL-terminated, ANSI code page, never converted
  std::int32_t releaseSelector;              // always kReleaseSelectorNewest
  // The scanner marked when the user asked. The job installs onto it alone:
  // a queue must never go on onto another scanner that became selected
  // because the marked one left.
  std::uint32_t scannerSerial;
};
#ifndef ZOR_HEAP_BUFFERS
// The worker reads the name straight from the address WM_CT_INSTALL carries.
static_assert(offsetof(InstallRequest, name) == 0 && sizeof(InstallRequest::name) == kInstallNameSize,
              "the request starts with its name's bytes");
#endif

// The two parts of the status bar the worker writes to.
constexpr unsigned int kStatusPartConnection = 0;  // "Онлайн" / "Оффлайн"
constexpr unsigned int kStatusPartStep = 1;        // what the worker is busy with
