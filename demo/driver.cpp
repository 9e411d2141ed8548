// zordemo_driver: works the running zormanager-sim.exe from outside, as a
// user would, for the unattended demo. Runs in the same Wine prefix; finds
// the main window by its class and talks to it with window messages only.
//
//   zordemo_driver wait-ready SECONDS   wait for the first refresh to end;
//                                       prints "rect L T R B" of the window
//   zordemo_driver rect                 repaints the window, then prints
//                                       "rect L T R B"
//   zordemo_driver dialogs              lists the program's open dialogs
//   zordemo_driver install SECONDS      presses "Загрузить в сканер" and
//                                       answers the final message box;
//                                       success only for the success message
//   zordemo_driver close SECONDS yes|no asks the window to close and answers
//                                       the safe-removal question
//   zordemo_driver open-folder SECONDS  chooses "Открыть папку с модулями",
//                                       waits for Explorer's window, prints
//                                       its title and closes it
//   zordemo_driver connecting SECONDS   waits for the connection dialog
//                                       (no scanner attached), prints its
//                                       stage text and cancels it; success
//                                       once the program has ended
//
// Exit code 0 on success, 1 on failure or time-out, 2 on bad arguments.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/win/text.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr int kMessageBoxTextId = 0xFFFF;   // the static that holds a message box's text

void Print(const std::wstring& text) {
  const std::string bytes = Utf8FromWide(text + L"\n");
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Window texts of another process: WM_GETTEXT is marshalled by the system.
std::wstring TextOf(HWND window) {
  if (!window) return L"";
  wchar_t text[512] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, &ignored);
  return text;
}

HWND MainWindow() { return FindWindowW(L"ZORMANAGER", nullptr); }

// The rows of the program's list view, -1 while its window does not answer:
// the driver never hangs on a program that does.
LRESULT RowsOf(HWND list) {
  DWORD_PTR rows = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &rows)) return -1;
  return static_cast<LRESULT>(rows);
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

struct DialogSearch {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && IsWindowVisible(window) && ProcessOf(window) == search->process)
    search->found.push_back(window);
  return TRUE;
}

// The visible dialogs of the program: its own dialog 107 in either role,
// or message boxes.
std::vector<HWND> Dialogs(DWORD process) {
  DialogSearch search{process, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsWaitDialog(HWND dialog) { return GetDlgItem(dialog, IDC_WAIT_LABEL) != nullptr; }

HWND FindMessageBox(DWORD process) {
  for (HWND dialog : Dialogs(process))
    if (!IsWaitDialog(dialog) && GetDlgItem(dialog, kMessageBoxTextId)) return dialog;
  return nullptr;
}

// Presses a button of a dialog and waits for the dialog to go away.
bool PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  for (int i = 0; i < 200; ++i) {
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return true;
    Sleep(kPollMs);
  }
  Print(L"error: the dialog stayed open");
  return false;
}

bool PrintRect(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  Print(L"rect " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) +
        L" " + std::to_wstring(r.bottom));
  return true;
}

// The time-outs count from the command's start.
class Deadline {
 public:
  explicit Deadline(DWORD seconds) : end_(GetTickCount64() + seconds * 1000ull) {}
  bool Passed() const { return GetTickCount64() > end_; }

 private:
  ULONGLONG end_;
};

int WaitReady(DWORD seconds) {
  const Deadline deadline(seconds);
  for (; !deadline.Passed(); Sleep(kPollMs)) {
    HWND main = MainWindow();
    // Shown only once the connection dialog has ended with the refresh.
    if (!main) continue;
    // A message box at start-up ("Ошибка подключения к интернету.") means
    // the refresh failed: report it rather than wait for rows that never come.
    if (HWND box = FindMessageBox(ProcessOf(main))) {
      Print(L"error: message at start-up: " + TextOf(GetDlgItem(box, kMessageBoxTextId)));
      return 1;
    }
    if (!IsWindowVisible(main)) continue;
    HWND list = GetDlgItem(main, IDC_MODULE_LIST);
    if (!list || RowsOf(list) <= 0) continue;
    bool connecting = false;
    DWORD_PTR ignored = 0;
    Print(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) ? L"main window answers"
                                                                                    : L"main window does not answer");
    for (HWND dialog : Dialogs(ProcessOf(main))) connecting |= IsWaitDialog(dialog);
    if (connecting) continue;
    Sleep(1000);   // let the rows paint
    Print(L"rows " + std::to_wstring(RowsOf(list)));
    Print(L"status " + TextOf(GetDlgItem(main, IDC_STATUS_BAR)));
    Print(std::wstring(L"download button ") +
          (IsWindowEnabled(GetDlgItem(main, IDC_DOWNLOAD_BUTTON)) ? L"enabled" : L"disabled"));
    return PrintRect(main) ? 0 : 1;
  }
  Print(L"error: the main window did not finish its first refresh in time");
  return 1;
}

int Install(DWORD seconds) {
  HWND main = MainWindow();
  if (!main) {
    Print(L"error: zormanager is not running");
    return 1;
  }
  HWND button = GetDlgItem(main, IDC_DOWNLOAD_BUTTON);
  if (!IsWindowEnabled(button)) {
    Print(L"error: nothing to install (the download button is disabled)");
    return 1;
  }
  const DWORD process = ProcessOf(main);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_DOWNLOAD_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(button));

  const Deadline deadline(seconds);
  std::wstring lastModule;
  for (; !deadline.Passed(); Sleep(kPollMs)) {
    for (HWND dialog : Dialogs(process)) {
      if (!IsWaitDialog(dialog)) continue;
      const std::wstring module = TextOf(GetDlgItem(dialog, IDC_WAIT_MODULE_NAME));
      if (!module.empty() && module != lastModule) Print(L"installing " + module);
      if (!module.empty()) lastModule = module;
    }
    HWND box = FindMessageBox(process);
    if (!box) continue;
    const std::wstring text = TextOf(GetDlgItem(box, kMessageBoxTextId));
    Print(L"message: " + text);
    if (!PressButton(box, IDOK)) return 1;
    Sleep(1000);
    Print(std::wstring(L"download button ") + (IsWindowEnabled(button) ? L"enabled" : L"disabled"));
    return text == L"Загрузка произведена успешно." ? 0 : 1;
  }
  Print(L"error: no final message in time");
  return 1;
}

int Close(DWORD seconds, bool eject) {
  HWND main = MainWindow();
  if (!main) {
    Print(L"error: zormanager is not running");
    return 1;
  }
  const DWORD process = ProcessOf(main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  const Deadline deadline(seconds);
  bool asked = false;
  for (; !deadline.Passed(); Sleep(kPollMs)) {
    HWND box = FindMessageBox(process);
    if (box) {
      const std::wstring text = TextOf(GetDlgItem(box, kMessageBoxTextId));
      if (!asked && GetDlgItem(box, IDYES)) {
        asked = true;
        Print(L"question: " + text);
        Print(eject ? L"answer: Да" : L"answer: Нет");
        if (!PressButton(box, eject ? IDYES : IDNO)) return 1;
      } else {
        Print(L"message: " + text);
        if (!PressButton(box, IDOK)) return 1;
      }
      continue;
    }
    if (!IsWindow(main)) return 0;
  }
  Print(L"error: the program did not close in time");
  return 1;
}

// Explorer's folder window: its class on Wine, then on Windows.
HWND ExplorerWindow() {
  HWND found = FindWindowW(L"ExplorerWClass", nullptr);
  return found ? found : FindWindowW(L"CabinetWClass", nullptr);
}

int OpenFolder(DWORD seconds) {
  HWND main = MainWindow();
  if (!main) {
    Print(L"error: zormanager is not running");
    return 1;
  }
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_OPEN_MODULE_FOLDER, 0), 0);
  const Deadline deadline(seconds);
  for (; !deadline.Passed(); Sleep(kPollMs)) {
    HWND explorer = ExplorerWindow();
    if (!explorer) continue;
    Sleep(1000);   // the title follows the folder's opening
    Print(L"explorer: " + TextOf(explorer));
    PostMessageW(explorer, WM_CLOSE, 0, 0);
    return 0;
  }
  Print(L"error: no Explorer window in time");
  return 1;
}

// With no scanner attached the program waits in its connection dialog,
// the main window still hidden; Cancel ends it.
int Connecting(DWORD seconds) {
  const Deadline deadline(seconds);
  for (; !deadline.Passed(); Sleep(kPollMs)) {
    HWND main = MainWindow();
    if (!main) continue;
    for (HWND dialog : Dialogs(ProcessOf(main))) {
      if (!IsWaitDialog(dialog)) continue;
      // "Подождите..." is the dialog's own opening text; the stage text comes
      // with the worker's first report, a moment later.
      const std::wstring stage = TextOf(GetDlgItem(dialog, IDC_WAIT_LABEL));
      if (stage.empty() || stage == L"Подождите...") continue;
      Print(L"connecting: " + TextOf(dialog) + L": " + stage);
      Print(std::wstring(L"main window ") + (IsWindowVisible(main) ? L"visible" : L"hidden"));
      if (!PressButton(dialog, IDCANCEL)) return 1;
      for (; !deadline.Passed(); Sleep(kPollMs))
        if (!IsWindow(main)) return 0;
      Print(L"error: the program did not end after Cancel");
      return 1;
    }
  }
  Print(L"error: no connection dialog in time");
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const DWORD seconds = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 60;
  if (command == L"wait-ready" && argc == 3) return WaitReady(seconds);
  if (command == L"rect" && argc == 2) {
    HWND main = MainWindow();
    if (!main) return 1;
    // Under Xvfb, with no window manager, the place a closed message box
    // leaves is not repainted by itself: repaint all before a screenshot.
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    Sleep(1000);
    return PrintRect(main) ? 0 : 1;
  }
  if (command == L"install" && argc == 3) return Install(seconds);
  if (command == L"connecting" && argc == 3) return Connecting(seconds);
  if (command == L"open-folder" && argc == 3) return OpenFolder(seconds);
  if (command == L"dialogs" && argc == 2) {
    HWND main = MainWindow();
    if (!main) return 1;
    DWORD_PTR ignored = 0;
    Print(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) ? L"main window answers"
                                                                                    : L"main window does not answer");
    for (HWND dialog : Dialogs(ProcessOf(main)))
      Print(L"dialog \"" + TextOf(dialog) + L"\" " + TextOf(GetDlgItem(dialog, kMessageBoxTextId)));
    return 0;
  }
  if (command == L"close" && argc == 4) {
    const std::wstring answer = argv[3];
    if (answer == L"yes" || answer == L"no") return Close(seconds, answer == L"yes");
  }
  Print(L"usage: zordemo_driver wait-ready SECONDS | rect | install SECONDS | close SECONDS yes|no | connecting SECONDS"
        L" | open-folder SECONDS");
  return 2;
}
