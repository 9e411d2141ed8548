// The real main window in the test world (simulated scanners on drives R:
// and S:), on a thread of its own (the "UI thread"), driven from the test's
// thread by messages.
// Message boxes (of the UI thread and of the worker) are found, recorded and
// answered by every wait, so no wait can hang on one.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "testing/catalogue_builders.h"
#include "testing/test_world.h"

namespace apptest {

// Serial parts of the simulated scanners' instance ids: DDMMYY, then the serial number.
constexpr char kSerialA[] = "150314001234";  // serial 1234, made 15.03.2014
constexpr char kSerialB[] = "050312000077";  // serial 77, made 5.03.2012
using zortest::CataloguePage;
using zortest::kWaitMs;
using zortest::ModuleLine;
using zortest::ScannerLine;
using zortest::StoredZip;

// The module line of NAME.z70 in the archive NAME.zip, dated 12.05.2014.
std::string PageLine(const std::string& name, const std::string& version = "1.0.0.1");


struct BoxRecord {
  std::wstring text;
  std::wstring caption;
  UINT icon = 0;  // MB_ICONINFORMATION, MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING or 0
  bool yesNo = false;
  int answer = 0;
};

// What the progress bar IDC_WAIT_PROGRESS was sent, in order.
struct BarMessage {
  UINT message;  // PBM_SETRANGE or PBM_SETPOS
  WPARAM wParam;
  LPARAM lParam;
};

class AppTest : public ::testing::Test, protected zortest::TestWorld {
 protected:
  AppTest() : TestWorld(L"app") {}
  static void SetUpTestSuite() { MapDrives({L'R', L'S'}); }
  static void TearDownTestSuite() { UnmapDrives(); }
  void SetUp() override;
  void TearDown() override;

  bool WaitForPackageRequests(std::size_t count);

  // Runs `action` once, on the UI thread, when the worker writes `text` as
  // its step in the status bar. The worker waits in that send, so the action
  // lands exactly between two steps of a job; it must take well under the
  // worker's 500 ms send time-out.
  void AtStep(const std::wstring& text, std::function<void()> action);
  // The same when the progress bar is set to `position`.
  void AtBarPosition(WPARAM position, std::function<void()> action);

  // --- the application ---
  // Starts the UI thread, which runs the program's start-up; returns at once.
  void StartApp();
  // Starts and waits until the main window is shown after its first refresh.
  bool StartAppAndWait();
  bool WaitForAppEnd(DWORD ms = kWaitMs);
  bool AppRunning() const;
  int exitCode() const { return exitCode_; }

  // Polls `done` until it holds or `ms` pass, answering message boxes meanwhile.
  bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs);
  // Lets the UI thread handle what was posted to it (a send behind the posts).
  bool Settle();

  HWND Main();  // the main window, null when there is none
  HWND Child(int id) { return GetDlgItem(Main(), id); }
  LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { PostMessageW(Main(), message, wParam, lParam); }
  void Command(int id) { Post(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void DoubleClick(int row);
  // The broadcast Windows sends when a volume arrives or goes. Sent, as the
  // system does (its lParam is a pointer, so it cannot be posted); the
  // handler may stay in a modal dialog, so the send does not wait for it.
  void DeviceChange(WPARAM event);

  int Rows();
  std::string Cell(int row, int column);  // ANSI, as the window reads it
  std::uint32_t ItemData(int row);
  std::wstring Text(HWND window);
  std::wstring StatusText(int part);
  bool DownloadEnabled() { return IsWindowEnabled(Child(IDC_DOWNLOAD_BUTTON)) != FALSE; }
  int MarkedScanner();  // index of the marked panel button, -1 when none
  int ScannerButtons();
  // Waits for the refresh to end: status part 0 written and no step shown.
  bool WaitForIdle();
  // Holds the archive's download and presses the download button: the
  // progress dialog, once the held request has arrived (null if it did not),
  // stays open until LetGo.
  HWND DownloadHeld(const std::string& archive);
  // Presses the progress dialog's Cancel and waits until the button is
  // disabled and the window has dropped the queue (its log line tells).
  bool CancelDownload(HWND dialog);

  // Top-level dialogs of the UI thread made from template IDD_WAIT.
  HWND ConnectionDialog();
  HWND ProgressDialog();

  // --- message boxes ---
  // Answers for the next boxes, in order; later boxes get No, or OK.
  void AnswerBoxes(std::initializer_list<int> answers);
  std::vector<BoxRecord> Boxes();
  bool WaitForBoxes(std::size_t count, DWORD ms = kWaitMs);
  std::vector<BarMessage> BarMessages();
  // The texts the kilobyte line IDC_WAIT_KILOBYTES was given, in order.
  std::vector<std::wstring> KilobyteTexts();

  DWORD uiThreadId_ = 0;

 private:
  static DWORD WINAPI UiThread(LPVOID self);
  void ServiceBoxes();
  void RecordBox(HWND box);
  HWND FindTemplateDialog(bool progress);

  HANDLE uiThread_ = nullptr;
  int exitCode_ = -1;

  std::deque<int> answers_;
  std::set<HWND> answeredBoxes_;
  std::vector<BoxRecord> boxes_;
};

}  // namespace apptest
