#include "app/win/main_window.h"

#include <commctrl.h>
#include <dbt.h>

#include <memory>
#include <string>

#include "app/drawing_rules.h"
#include "app/install_flow.h"
#include "app/ui_texts.h"
#include "app/win/dialogs.h"
#include "app/win/drawing.h"
#include "app/win/module_list_rows.h"
#include "app/window_layout.h"
#include "core/win/handles.h"
#include "core/win/system_dlls.h"
#include "core/win/text.h"
#include "log/win/log.h"
#include "resources/resource_ids.h"
#include "worker/win/worker.h"

namespace {

constexpr int kStartPostAttempts = 100;
constexpr DWORD kStartPostRetryMs = 10;
constexpr DWORD kWorkerStopWaitMs = 60000;
constexpr DWORD kFinishedDialogPauseMs = 500;
constexpr UINT_PTR kFinishedDialogTimer = 1;
constexpr int kFillerColumn = 2;

// Everything the window keeps from WM_CREATE to its destruction. Main
// thread only; the worker gets nothing but workerStart's address and the
// current install request (inside `install`).
struct MainWindowState {
  WorkerStart workerStart;  // the worker reads it once, at its start
  ThreadHandle worker;
  DWORD workerId = 0;
  InstallFlow install;
  bool destroying = false;  // WM_DESTROY has begun: its eject question pumps messages
  bool finishPending = false;  // the full bar is shown for a moment before the success message
  HWND progressDialog = nullptr;
  HWND connectionDialog = nullptr;  // the slot: the open connection dialog, if any
  FontHandle normalFont;
  FontHandle boldFont;
  BitmapHandle newReleaseArrow;
  BitmapHandle typeIcons;

  DrawingResources Drawing() const {
    return {normalFont.Get(), boldFont.Get(), typeIcons.Get(), newReleaseArrow.Get()};
  }
};

// Null before WM_CREATE and after WM_NCDESTROY. Fetched anew after every
// modal loop, since the window may be gone when it returns.
MainWindowState* StateOf(HWND window) {
  return reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

FontHandle CreateTahoma(LONG height, LONG weight) {
  LOGFONTW font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = FF_ROMAN | DEFAULT_PITCH;
  lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
  return FontHandle(CreateFontIndirectW(&font));
}

bool PostToWorker(const MainWindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  return state.workerId != 0 && PostThreadMessageW(state.workerId, message, wParam, lParam) != 0;
}

void SetWaitCursor(bool waiting) { SetCursor(LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW)); }

void LogQueued(std::size_t count, const char* how, std::uint32_t scannerSerial) {
  LogEvent("install queue: %zu %s queued by %s for scanner %lu", count, count == 1 ? "module" : "modules", how,
           static_cast<unsigned long>(scannerSerial));
}

// ---- install queue -------------------------------------------------------

void HandCurrentJobToWorker(MainWindowState& state) {
  InstallRequest& request = state.install.current();
  if (state.progressDialog != nullptr) SetDlgItemTextA(state.progressDialog, IDC_WAIT_MODULE_NAME, request.name);
  if (!PostToWorker(state, WM_CT_INSTALL, static_cast<WPARAM>(request.releaseSelector),
                    reinterpret_cast<LPARAM>(&request))) {
    // No worker to report: give the job up as an unknown result would.
    LogFailure("install: the worker thread is not running, so the queue is given up");
    state.install.AbandonJob();
    if (state.progressDialog != nullptr) DestroyWindow(state.progressDialog);
    state.progressDialog = nullptr;
    return;
  }
  SetWaitCursor(true);
}

void StartInstall(HWND window, MainWindowState& state) {
  state.progressDialog =
      CreateDialogParamW(gInstance, MAKEINTRESOURCEW(IDD_WAIT), window, ProgressDialogProc, 0);
  HWND bar = GetDlgItem(state.progressDialog, IDC_WAIT_PROGRESS);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, state.install.queue().Count()));
  ShowWindow(bar, SW_SHOW);
  state.install.TakeNextJob();
  HandCurrentJobToWorker(state);
}

void OnDownloadCommand(HWND window, MainWindowState& state) {
  if (state.finishPending) return;  // the last queue's dialog is still up
  const ListViewRows rows(GetDlgItem(window, IDC_MODULE_LIST));
  const std::uint32_t scanner = MarkedScannerSerial(window);
  const std::size_t queued = state.install.QueueDownload(rows, scanner);
  if (queued == 0) return;
  LogQueued(queued, "the download button", scanner);
  StartInstall(window, state);
}

void OnModuleDoubleClick(HWND window, MainWindowState& state, const NMITEMACTIVATE& click) {
  if (state.finishPending) return;
  const ListViewRows rows(GetDlgItem(window, IDC_MODULE_LIST));
  const std::uint32_t scanner = MarkedScannerSerial(window);
  const std::size_t queued = state.install.QueueDoubleClick(rows, click.iItem, scanner);
  if (queued == 0) return;
  LogQueued(queued, "a double-click", scanner);
  StartInstall(window, state);
}

void AdvanceProgress(const MainWindowState& state) {
  HWND bar = GetDlgItem(state.progressDialog, IDC_WAIT_PROGRESS);
  const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
  SendMessageW(bar, PBM_SETPOS, position + 1, 0);
}

void CloseFinishedInstall(HWND window, MainWindowState& state, bool cancelled) {
  if (state.progressDialog != nullptr) DestroyWindow(state.progressDialog);
  state.progressDialog = nullptr;
  std::wstring line = L"install queue: finished, \u00AB" + std::wstring(AsWide(InstallFinishedText(cancelled))) + L"\u00BB";
  if (cancelled) line += L"; cancelled by the user, untried: " + WideFromAnsi(state.install.untried());
  LogWideEvent(line);
  MessageBoxW(window, AsWide(InstallFinishedText(cancelled)), L"", MB_ICONINFORMATION);
}

void FinishInstall(HWND window, MainWindowState& state) {
  const bool cancelled =
      state.progressDialog != nullptr && GetWindowLongPtrW(state.progressDialog, DWLP_USER) != 0;
  // Lets the user see the full bar before it goes. A timer, not a sleep:
  // the worker's sends to the window must still be answered meanwhile.
  if (!cancelled && state.progressDialog != nullptr &&
      SetTimer(window, kFinishedDialogTimer, kFinishedDialogPauseMs, nullptr) != 0) {
    state.finishPending = true;
    return;
  }
  CloseFinishedInstall(window, state, cancelled);
}

// The pause is over (or a close cannot wait for it).
void OnFinishedDialogTimer(HWND window, MainWindowState& state) {
  KillTimer(window, kFinishedDialogTimer);
  if (!state.finishPending) return;
  state.finishPending = false;
  CloseFinishedInstall(window, state, false);
}

void StopInstall(HWND window, MainWindowState& state, int code, LPARAM refreshCode, const char16_t* text) {
  if (state.progressDialog != nullptr) DestroyWindow(state.progressDialog);
  state.progressDialog = nullptr;
  const std::string how = code == kInstallOk ? "its refresh found no catalogue (refresh code " + std::to_string(refreshCode) + ")"
                                             : "it failed with code " + std::to_string(code);
  LogEvent("install queue: stopped at %s: %s; untried: %s", static_cast<const char*>(state.install.current().name),
           how.c_str(), state.install.untried().c_str());
  if (text != nullptr) MessageBoxW(window, AsWide(text), nullptr, MB_ICONERROR);
}

// ---- message handlers ----------------------------------------------------

LRESULT OnCreate(HWND window, const CREATESTRUCTW& creation) {
  auto owned = std::make_unique<MainWindowState>();
  MainWindowState& state = *owned;
  const MainWindowStart& start = *static_cast<const MainWindowStart*>(creation.lpCreateParams);
  state.workerStart.catalogueHost = start.catalogueHost;
  state.workerStart.folders = start.folders;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;  // ICC_LISTVIEW_CLASSES .. ICC_ANIMATE_CLASS
  sysdll::InitCommonControlsEx(&controls);

  RECT client{};
  GetClientRect(window, &client);
  if (CreateStatusBar(window) == nullptr || CreateModuleListView(window, client) == nullptr ||
      CreatePanelControls(window) == nullptr) {
    LogFailure("start: the window's controls cannot be created: %s", ErrorText(GetLastError()).c_str());
    return -1;
  }

  state.newReleaseArrow = BitmapHandle(LoadBitmapW(gInstance, MAKEINTRESOURCEW(IDB_NEW_RELEASE_ARROW)));
  state.typeIcons = BitmapHandle(LoadBitmapW(gInstance, MAKEINTRESOURCEW(IDB_TYPE_ICONS)));
  state.normalFont = CreateTahoma(14, FW_NORMAL);
  state.boldFont = CreateTahoma(16, FW_BOLD);
  if (!state.newReleaseArrow || !state.typeIcons || !state.normalFont || !state.boldFont) {
    LogFailure("start: the window's bitmaps or fonts cannot be made: %s", ErrorText(GetLastError()).c_str());
    return -1;
  }
  SendDlgItemMessageW(window, IDC_DOWNLOAD_BUTTON, WM_SETFONT, reinterpret_cast<WPARAM>(state.boldFont.Get()), 0);

  state.workerStart.mainWindow = window;
  state.worker = ThreadHandle(CreateThread(nullptr, 0, WorkerThread, &state.workerStart, 0, &state.workerId));
  if (!state.worker) {
    LogFailure("start: the worker thread cannot be started: %s", ErrorText(GetLastError()).c_str());
    state.workerId = 0;
    return -1;
  }

  const INT_PTR answer = DialogBoxParamW(gInstance, MAKEINTRESOURCEW(IDD_WAIT), nullptr, ConnectionDialogProc,
                                         reinterpret_cast<LPARAM>(&state.connectionDialog));
  if (answer == kConnectionCancelled) {
    LogEvent("start: cancelled by the user in the connection dialog");
    return -1;
  }
  ShowWindow(window, SW_HIDE);
  SetForegroundWindow(window);

  for (int attempt = 1;; ++attempt) {
    if (PostToWorker(state, WM_CT_START, 0, 0)) break;
    Sleep(kStartPostRetryMs);
    if (attempt == kStartPostAttempts) {
      LogFailure("start: the worker thread took no start message, so no refresh follows a device change");
      break;
    }
  }
  return 0;
}

void OnSize(HWND window, int width, int height) {
  HWND status = GetDlgItem(window, IDC_STATUS_BAR);
  HWND list = GetDlgItem(window, IDC_MODULE_LIST);
  RECT statusBox{};
  GetWindowRect(status, &statusBox);
  const MainLayout layout = LayoutForClient(width, height, statusBox.bottom - statusBox.top);
  MoveWindow(status, layout.statusBar.x, layout.statusBar.y, layout.statusBar.width, layout.statusBar.height, TRUE);
  MoveWindow(list, layout.moduleList.x, layout.moduleList.y, layout.moduleList.width, layout.moduleList.height,
             FALSE);

  int widths[kFillerColumn] = {};
  for (int i = 0; i < kFillerColumn; ++i) widths[i] = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
  RECT listClient{};
  GetClientRect(list, &listClient);
  const int filler = FillerColumnWidth(listClient.right, widths, kFillerColumn);
  SendMessageW(list, LVM_SETCOLUMNWIDTH, kFillerColumn, MAKELPARAM(filler, 0));

  SetWindowPos(GetDlgItem(window, IDC_SCANNER_PANEL), nullptr, layout.scannerPanel.x, layout.scannerPanel.y,
               layout.scannerPanel.width, layout.scannerPanel.height, SWP_NOZORDER);
}

LRESULT OnSizing(WPARAM edge, RECT* proposed) {
  Box box{proposed->left, proposed->top, proposed->right, proposed->bottom};
  if (!EnforceMinimumSize(static_cast<int>(edge), box)) return 0;
  proposed->right = box.right;
  proposed->bottom = box.bottom;
  return TRUE;
}

// Explorer by its full path: a command line without one makes CreateProcessW
// look in the program's folder and the current folder first, where a
// planted explorer.exe would run.
void OnOpenModuleFolder(const std::wstring& target) {
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    LogFailure("open module folder: the Windows folder cannot be found: %s", ErrorText(GetLastError()).c_str());
    return;
  }
  const std::wstring explorer = std::wstring(windows, length) + L"\\explorer.exe";
  // Room for Explorer's path beside a folder path of MAX_PATH characters.
  wchar_t commandLine[2 * MAX_PATH] = {};
  const std::wstring line = L"\"" + explorer + L"\" \"" + target + L"\"";
  if (target.empty() || line.size() >= 2 * MAX_PATH) {
    LogFailure("open module folder: the command line does not fit in %d characters", 2 * MAX_PATH);
    return;
  }
  line.copy(commandLine, line.size());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(explorer.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    const ThreadHandle thread(process.hThread);    // Explorer goes its own way
    const ProcessHandle owned(process.hProcess);
  } else {
    LogFailure("open module folder: %s cannot be started: %s", AnsiFromWide(explorer).c_str(), ErrorText(GetLastError()).c_str());
  }
}

void OnSelectScanner(HWND window, MainWindowState& state, int index) {
  if (state.finishPending || !state.install.AcceptsScannerSelection()) return;
  const int selected = MarkScannerButton(window, index);
  LogEvent("refresh asked: scanner button %d", selected);
  PostToWorker(state, WM_CT_REFRESH, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(window));
  if (!HoldsDialog(state.connectionDialog))
    state.connectionDialog = CreateDialogParamW(gInstance, MAKEINTRESOURCEW(IDD_WAIT), window, ConnectionDialogProc, 0);
}

LRESULT OnCommand(HWND window, MainWindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  switch (id) {
    case IDM_EXIT:
      PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case IDM_INSTALL_ALL:
    case IDC_DOWNLOAD_BUTTON:
      OnDownloadCommand(window, state);
      return 0;
    case IDM_OPEN_MODULE_FOLDER:
      OnOpenModuleFolder(state.workerStart.folders.explorerTarget);
      return 0;
    default:
      if (id >= IDC_SCANNER_BUTTON_FIRST && id <= IDC_SCANNER_BUTTON_LAST) {
        OnSelectScanner(window, state, id - IDC_SCANNER_BUTTON_FIRST);
        return 0;
      }
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT OnNotify(HWND window, MainWindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
  if (header.code == NM_CUSTOMDRAW && header.idFrom == IDC_SCANNER_PANEL)
    return PaintScannerButton(*reinterpret_cast<NMTBCUSTOMDRAW*>(lParam), state.Drawing());
  if (header.code == NM_DBLCLK && header.idFrom == IDC_MODULE_LIST) {
    OnModuleDoubleClick(window, state, *reinterpret_cast<NMITEMACTIVATE*>(lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void OnDeviceChange(HWND window, MainWindowState& state, WPARAM event) {
  // Once the window is going, a refresh would go to a worker that is ending
  // and its dialog would hold the process open.
  if (state.destroying) return;
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  LogEvent("refresh asked: a device %s", event == DBT_DEVICEARRIVAL ? "arrived" : "was removed");
  // The selection stays on the marked scanner even when this refresh stops
  // before its panel rebuild; the rebuild moves it if that scanner went.
  PostToWorker(state, WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(window));
  if (HoldsDialog(state.connectionDialog)) return;
  const INT_PTR answer = DialogBoxParamW(gInstance, MAKEINTRESOURCEW(IDD_WAIT), nullptr, ConnectionDialogProc,
                                         reinterpret_cast<LPARAM>(&state.connectionDialog));
  if (answer == kConnectionCancelled) PostMessageW(window, WM_CLOSE, 0, 0);
  ShowWindow(window, SW_HIDE);
  SetForegroundWindow(window);
  ShowWindow(window, SW_SHOW);
}

void OnRefreshDone(HWND window, MainWindowState& state, WPARAM code, LPARAM stage) {
  if (HoldsDialog(state.connectionDialog)) PostMessageW(state.connectionDialog, WM_CT_REFRESH_DONE, code, stage);
  if (stage != kRefreshFinished) return;
  state.connectionDialog = nullptr;
  if (code == kRefreshNoCatalogue) {
    MessageBoxW(window, AsWide(kNoInternetText), gAppTitle, MB_ICONINFORMATION);
    if (StateOf(window) == nullptr) return;
  }
  InstallQueue anyNew;
  const ListViewRows rows(GetDlgItem(window, IDC_MODULE_LIST));
  EnableWindow(GetDlgItem(window, IDC_DOWNLOAD_BUTTON), ApplyDownloadRule(anyNew, rows) != 0);
}

void OnInstallDone(HWND window, MainWindowState& state, WPARAM code, LPARAM refreshCode) {
  SetWaitCursor(false);
  const InstallReport report = state.install.OnInstallDone(static_cast<int>(code), static_cast<int>(refreshCode));
  switch (report.step) {
    case InstallStep::kNextJob:
      UpdateWindow(window);
      AdvanceProgress(state);
      HandCurrentJobToWorker(state);
      break;
    case InstallStep::kFinished:
      // Nothing is left to cancel: a Cancel in the pause would only say so.
      if (state.progressDialog != nullptr) EnableWindow(GetDlgItem(state.progressDialog, IDCANCEL), FALSE);
      UpdateWindow(window);
      AdvanceProgress(state);
      FinishInstall(window, state);
      break;
    case InstallStep::kStopped:
      StopInstall(window, state, static_cast<int>(code), refreshCode, report.failureText);
      break;
    case InstallStep::kNothing:
      break;
  }
  // The close request that came during this job, now that the worker is idle.
  if (report.closeNow) PostMessageW(window, WM_CLOSE, 0, 0);
}

void OnProgress(const MainWindowState& state, WPARAM kilobytes, LPARAM fromCache) {
  if (state.progressDialog == nullptr) return;
  const std::u16string text = ProgressText(static_cast<unsigned long>(kilobytes), fromCache != 0);
  SetDlgItemTextW(state.progressDialog, IDC_WAIT_KILOBYTES, AsWide(text.c_str()));
}

void OnClose(HWND window, MainWindowState& state) {
  if (state.destroying) return;
  if (state.finishPending) {
    OnFinishedDialogTimer(window, state);  // the success message first
    if (StateOf(window) == nullptr) return;
  }
  if (state.install.OnCloseRequest() == CloseDecision::kClose) DestroyWindow(window);
}

// Waits for the worker to end, handling the messages it sends to the
// window's controls meanwhile (a refresh fills the list view with plain
// sends), so that a refresh running at close does not stall the wait.
void WaitForWorker(HANDLE worker) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kWorkerStopWaitMs) return;
    const DWORD result = MsgWaitForMultipleObjects(1, &worker, FALSE, kWorkerStopWaitMs - elapsed, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return;  // ended, timed out or failed
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers the sent messages
  }
}

void OnDestroy(HWND window, MainWindowState& state) {
  state.destroying = true;
  if (state.workerId != 0) {
    bool eject = false;
    if (SendDlgItemMessageW(window, IDC_SCANNER_PANEL, TB_BUTTONCOUNT, 0, 0) != 0)
      eject = MessageBoxW(nullptr, AsWide(kEjectQuestion), gAppTitle, MB_YESNO | MB_SETFOREGROUND) == IDYES;
    LogEvent("exit: safe removal %s", eject ? "asked for" : "not asked for");
    PostToWorker(state, WM_CT_STOP, eject ? 1 : 0, 0);
    WaitForWorker(state.worker.Get());
    state.worker.Reset();
  }
  state.typeIcons.Reset();
  state.newReleaseArrow.Reset();
  state.normalFont.Reset();
  state.boldFont.Reset();
  state.install.queue().Clear();
  PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
  MainWindowState* state = StateOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);

  switch (message) {
    case WM_SIZE:
      OnSize(window, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SIZING:
      if (wParam == WMSZ_RIGHT || wParam == WMSZ_TOPRIGHT || wParam == WMSZ_BOTTOM || wParam == WMSZ_BOTTOMRIGHT)
        return OnSizing(wParam, reinterpret_cast<RECT*>(lParam));
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_MODULE_LIST) DrawModuleRow(item, state->Drawing());
      if (item.CtlID == IDC_PANEL_CAPTION) DrawPanelCaption(item, state->Drawing());
      return 0;
    }
    case WM_MEASUREITEM: {
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_MODULE_LIST) item.itemHeight = kRowHeight;
      return 0;
    }
    case WM_NOTIFY:
      return OnNotify(window, *state, message, wParam, lParam);
    case WM_COMMAND:
      return OnCommand(window, *state, message, wParam, lParam);
    case WM_DEVICECHANGE:
      OnDeviceChange(window, *state, wParam);
      return 0;
    case WM_CT_REFRESH_DONE:
      OnRefreshDone(window, *state, wParam, lParam);
      return 0;
    case WM_CT_INSTALL_DONE:
      OnInstallDone(window, *state, wParam, lParam);
      return 0;
    case WM_CT_CANCEL:
      LogEvent("install: cancelled by the user");
      state->install.OnCancel();
      return 0;
    case WM_CT_PROGRESS:
      OnProgress(*state, wParam, lParam);
      return 0;
    case WM_CLOSE:
      OnClose(window, *state);
      return 0;
    case WM_TIMER:
      if (wParam == kFinishedDialogTimer) {
        OnFinishedDialogTimer(window, *state);
        return 0;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_DESTROY:
      OnDestroy(window, *state);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete state;
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
