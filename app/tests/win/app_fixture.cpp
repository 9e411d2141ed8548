#include "app/tests/win/app_fixture.h"

#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <cstring>
#include <mutex>

#include "app/win/main_window.h"
#include "testing/list_view_rows.h"

namespace apptest {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kPollMs = 10;

// ---- the progress bar's messages, recorded on the UI thread -----------------
std::mutex barMutex;
std::vector<BarMessage> barMessages;
HHOOK barHook = nullptr;

// The action of AtStep or AtBarPosition, waiting for its moment.
std::mutex stepMutex;
std::wstring stepText;
WPARAM stepBarPosition = 0;
bool stepOnBar = false;
std::function<void()> stepAction;
std::vector<std::wstring> kilobyteTexts;  // under barMutex

void RunStepAction(const CWPSTRUCT& sent) {
  const bool stepWrite =
      sent.message == SB_SETTEXTW && GetDlgCtrlID(sent.hwnd) == IDC_STATUS_BAR && LOWORD(sent.wParam) == 1;
  const bool barMove = sent.message == PBM_SETPOS && GetDlgCtrlID(sent.hwnd) == IDC_WAIT_PROGRESS;
  if (!stepWrite && !barMove) return;
  std::function<void()> action;
  {
    std::lock_guard<std::mutex> lock(stepMutex);
    if (!stepAction || stepOnBar != barMove) return;
    if (stepWrite && stepText != reinterpret_cast<const wchar_t*>(sent.lParam)) return;
    if (barMove && sent.wParam != stepBarPosition) return;
    action.swap(stepAction);
  }
  action();
}

LRESULT CALLBACK RecordBarMessages(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    RunStepAction(sent);
    if (sent.message == WM_SETTEXT && GetDlgCtrlID(sent.hwnd) == IDC_WAIT_KILOBYTES) {
      std::lock_guard<std::mutex> lock(barMutex);
      kilobyteTexts.emplace_back(reinterpret_cast<const wchar_t*>(sent.lParam));
    }
    if ((sent.message == PBM_SETPOS || sent.message == PBM_SETRANGE) && GetDlgCtrlID(sent.hwnd) == IDC_WAIT_PROGRESS) {
      std::lock_guard<std::mutex> lock(barMutex);
      barMessages.push_back({sent.message, sent.wParam, sent.lParam});
    }
  }
  return CallNextHookEx(barHook, code, wParam, lParam);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD threadId) {
  std::vector<HWND> windows;
  EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Top-level windows of the program's threads: the UI thread and the worker
// (which shows the eject failure box), never the test's own.
BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM list) {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && thread != GetCurrentThreadId())
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ProgramWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

UINT IconKind(HWND box) {
  const struct {
    LPCWSTR id;
    UINT kind;
  } kinds[] = {{IDI_INFORMATION, MB_ICONINFORMATION},
               {IDI_ERROR, MB_ICONERROR},
               {IDI_QUESTION, MB_ICONQUESTION},
               {IDI_WARNING, MB_ICONWARNING}};
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, 2000, &icon);
    if (icon == 0) continue;
    for (const auto& k : kinds)
      if (reinterpret_cast<HICON>(icon) == LoadIconW(nullptr, k.id)) return k.kind;
  }
  return 0;
}

}  // namespace

std::string PageLine(const std::string& name, const std::string& version) {
  return ModuleLine("2014-05-12", version, name + ".z70", name);
}

// ---- set-up ---------------------------------------------------------------------

void AppTest::SetUp() {
  {
    std::lock_guard<std::mutex> lock(barMutex);
    barMessages.clear();
    kilobyteTexts.clear();
  }
  {
    std::lock_guard<std::mutex> lock(stepMutex);
    stepAction = nullptr;
  }
  ASSERT_TRUE(WorldReady());
  for (wchar_t disk : {L'R', L'S'}) ASSERT_TRUE(CreateDirectoryW(ScannerFile(disk, L"").c_str(), nullptr));
  SetScanners({ScannerLine(kSerialA, 'R')});
}

void AppTest::TearDown() {
  LetGoAll();
  if (uiThread_ != nullptr) {
    // Close whatever is still open: dialogs are cancelled, boxes answered.
    const DWORD start = GetTickCount();
    DWORD lastClose = 0;
    while (AppRunning() && GetTickCount() - start < 90000) {
      if (HWND dialog = ConnectionDialog()) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      if (GetTickCount() - lastClose > 5000) {
        if (HWND main = Main()) PostMessageW(main, WM_CLOSE, 0, 0);
        lastClose = GetTickCount();
      }
      ServiceBoxes();
      WaitForSingleObject(uiThread_, 50);
    }
    if (AppRunning()) {
      ADD_FAILURE() << "the application did not end";
      TerminateThread(uiThread_, 1);
    }
    CloseHandle(uiThread_);
    uiThread_ = nullptr;
  }
}

void AppTest::AtStep(const std::wstring& text, std::function<void()> action) {
  std::lock_guard<std::mutex> lock(stepMutex);
  stepOnBar = false;
  stepText = text;
  stepAction = std::move(action);
}

void AppTest::AtBarPosition(WPARAM position, std::function<void()> action) {
  std::lock_guard<std::mutex> lock(stepMutex);
  stepOnBar = true;
  stepBarPosition = position;
  stepAction = std::move(action);
}

bool AppTest::WaitForPackageRequests(std::size_t count) {
  return WaitFor([&] { return PackageRequests().size() >= count; });
}

// ---- the application -------------------------------------------------------------

DWORD WINAPI AppTest::UiThread(LPVOID self) {
  auto* test = static_cast<AppTest*>(self);
  barHook = SetWindowsHookExW(WH_CALLWNDPROC, RecordBarMessages, nullptr, GetCurrentThreadId());
  test->exitCode_ = RunMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL, test->http_.host());
  UnhookWindowsHookEx(barHook);
  return 0;
}

void AppTest::StartApp() {
  uiThread_ = CreateThread(nullptr, 0, UiThread, this, 0, &uiThreadId_);
  ASSERT_NE(uiThread_, nullptr);
}

bool AppTest::StartAppAndWait() {
  StartApp();
  return WaitFor([&] { return Main() != nullptr && IsWindowVisible(Main()) && ConnectionDialog() == nullptr; }) &&
         WaitForIdle();
}

bool AppTest::AppRunning() const {
  return uiThread_ != nullptr && WaitForSingleObject(uiThread_, 0) == WAIT_TIMEOUT;
}

bool AppTest::WaitForAppEnd(DWORD ms) {
  return WaitFor([&] { return !AppRunning(); }, ms);
}

bool AppTest::WaitFor(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    ServiceBoxes();
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(kPollMs);
  }
}

bool AppTest::Settle() {
  // A sent message is handled only when the thread asks for messages again,
  // that is after the posted ones before it were dispatched or a modal loop runs.
  DWORD_PTR ignored = 0;
  return Main() != nullptr && SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored) != 0;
}

HWND AppTest::Main() {
  if (uiThreadId_ == 0) return nullptr;
  for (HWND window : ThreadWindows(uiThreadId_))
    if (ClassOf(window) == L"ZORMANAGER") return window;
  return nullptr;
}

LRESULT AppTest::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kWaitMs, &result);
  return static_cast<LRESULT>(result);
}

void AppTest::DoubleClick(int row) {
  // The notification travels by pointer: the UI thread reads it while this
  // thread waits in the send (the handler opens nothing modal).
  NMITEMACTIVATE click{};
  click.hdr.hwndFrom = Child(IDC_MODULE_LIST);
  click.hdr.idFrom = IDC_MODULE_LIST;
  click.hdr.code = NM_DBLCLK;
  click.iItem = row;
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Main(), WM_NOTIFY, IDC_MODULE_LIST, reinterpret_cast<LPARAM>(&click), SMTO_NORMAL, kWaitMs, &result);
}

void AppTest::DeviceChange(WPARAM event) {
  // Read by the window whenever it gets to the message: static.
  static DEV_BROADCAST_VOLUME volume{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, 1u << ('R' - 'A'), 0};
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Main(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume), SMTO_NORMAL, 200, &result);
}

int AppTest::Rows() { return zortest::ListViewRows(Child(IDC_MODULE_LIST)); }

std::string AppTest::Cell(int row, int column) { return zortest::ListViewTextA(Child(IDC_MODULE_LIST), row, column); }

std::uint32_t AppTest::ItemData(int row) {
  return static_cast<std::uint32_t>(zortest::ListViewItemData(Child(IDC_MODULE_LIST), row));
}

std::wstring AppTest::Text(HWND window) {
  wchar_t text[512] = {};
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kWaitMs, &result);
  return text;
}

std::wstring AppTest::StatusText(int part) {
  wchar_t text[512] = {};
  Send(Child(IDC_STATUS_BAR), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  return text;
}

int AppTest::ScannerButtons() { return static_cast<int>(Send(Child(IDC_SCANNER_PANEL), TB_BUTTONCOUNT)); }

int AppTest::MarkedScanner() {
  const int count = ScannerButtons();
  int marked = -1;
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    Send(Child(IDC_SCANNER_PANEL), TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    if (button.fsState & TBSTATE_MARKED) {
      if (marked != -1) return -2;  // more than one
      marked = i;
    }
  }
  return marked;
}

bool AppTest::WaitForIdle() {
  return WaitFor([&] {
    const std::wstring online = StatusText(0);
    return (online == L"Онлайн" || online == L"Оффлайн") && StatusText(1).empty();
  });
}

HWND AppTest::DownloadHeld(const std::string& archive) {
  HoldPackage(archive);
  const std::size_t before = PackageRequests().size();
  Command(IDC_DOWNLOAD_BUTTON);
  return WaitForPackageRequests(before + 1) ? ProgressDialog() : nullptr;
}

bool AppTest::CancelDownload(HWND dialog) {
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  // The dialog posts its notice to the window; a message the test sends
  // next would overtake it, which no user's click can.
  return WaitFor([&] {
    return !IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) &&
           LogText().find("install: cancelled by the user") != std::string::npos;
  });
}

HWND AppTest::FindTemplateDialog(bool progress) {
  if (uiThreadId_ == 0) return nullptr;
  for (HWND window : ThreadWindows(uiThreadId_)) {
    if (ClassOf(window) != L"#32770" || GetDlgItem(window, IDC_WAIT_LABEL) == nullptr) continue;
    if (!IsWindowVisible(window)) continue;
    const bool isProgress = Text(window) == L"Подождите... ";
    if (isProgress == progress) return window;
  }
  return nullptr;
}

HWND AppTest::ConnectionDialog() { return FindTemplateDialog(false); }
HWND AppTest::ProgressDialog() { return FindTemplateDialog(true); }

// ---- message boxes ---------------------------------------------------------------

void AppTest::AnswerBoxes(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }

std::vector<BoxRecord> AppTest::Boxes() { return boxes_; }

bool AppTest::WaitForBoxes(std::size_t count, DWORD ms) {
  return WaitFor([&] { return boxes_.size() >= count; }, ms);
}

std::vector<BarMessage> AppTest::BarMessages() {
  std::lock_guard<std::mutex> lock(barMutex);
  return barMessages;
}

std::vector<std::wstring> AppTest::KilobyteTexts() {
  std::lock_guard<std::mutex> lock(barMutex);
  return kilobyteTexts;
}

void AppTest::ServiceBoxes() {
  if (uiThreadId_ == 0) return;
  for (auto it = answeredBoxes_.begin(); it != answeredBoxes_.end();)
    it = IsWindow(*it) ? std::next(it) : answeredBoxes_.erase(it);
  for (HWND window : ProgramWindows()) {
    if (ClassOf(window) != L"#32770" || GetDlgItem(window, kMessageBoxTextId) == nullptr) continue;
    if (GetDlgItem(window, IDC_WAIT_LABEL) != nullptr || !IsWindowVisible(window)) continue;
    if (answeredBoxes_.count(window) != 0) continue;
    RecordBox(window);
  }
}

void AppTest::RecordBox(HWND box) {
  BoxRecord record;
  record.text = Text(GetDlgItem(box, kMessageBoxTextId));
  record.caption = Text(box);
  record.icon = IconKind(box);
  record.yesNo = GetDlgItem(box, IDYES) != nullptr;
  if (!answers_.empty()) {
    record.answer = answers_.front();
    answers_.pop_front();
  } else {
    record.answer = record.yesNo ? IDNO : IDOK;
  }
  answeredBoxes_.insert(box);
  boxes_.push_back(record);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(record.answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, record.answer)));
}

}  // namespace apptest
