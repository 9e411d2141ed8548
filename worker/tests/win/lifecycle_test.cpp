// The worker's start, message loop and stop: directories, status clearing,
// the safe removal on WM_CT_STOP and its message box.
#include <atomic>
#include <thread>

#include "device/win/scanner_device.h"
#include "testing/log_causes.h"
#include "worker/tests/win/worker_fixture.h"
#include "worker/win/worker.h"

namespace workertest {
namespace {

class Lifecycle : public WorkerTest {
 protected:
  void StartWithScanners(const std::vector<std::string>& scanners) {
    SetScanners(scanners);
    SetPage(StandardPage());
    StartWorker();
    ASSERT_TRUE(WaitForInitialRefresh(!scanners.empty()));
  }
};

TEST_F(Lifecycle, StartMakesTheTwoDirectoriesAndClearsTheStatusAfterEveryMessage) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  // Posted at once: they wait for the initial refresh.
  Post(WM_CT_START);
  Post(kWorkerFirstMessage + 7);   // in the range, but no request
  ASSERT_TRUE(WaitForRefreshes(1));
  ASSERT_TRUE(PumpUntil([&] { return StepTexts().size() >= 6; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(StepTexts(), Texts({L"Обнаружение сканера", L"Загрузка сведений о модулях",
                                L"Сравнение модулей в сканере и на сайте", L"", L"", L""}));
  // Both clearings come after the initial refresh's end.
  const auto& events = window_->events();
  std::size_t online = events.size();
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].kind == WindowEvent::Kind::Status && events[i].part == 0) online = i;
  }
  ASSERT_LT(online, events.size());
  std::size_t clearingsAfter = 0;
  for (std::size_t i = online + 1; i < events.size(); ++i) {
    clearingsAfter += events[i].kind == WindowEvent::Kind::Status && events[i].part == 1 ? 1 : 0;
  }
  EXPECT_EQ(clearingsAfter, 2u);

  EXPECT_TRUE(GetFileAttributesW(CacheDir().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(GetFileAttributesW(CacheDir().c_str()), INVALID_FILE_ATTRIBUTES);
  // The copy's own temporary folder goes with it.
  EXPECT_EQ(GetFileAttributesW(TempUnpackDir().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(root_.Child(L"temp\\ZorManager").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Files where the temporary unpack folder and the scanner's module folder
// belong: the worker still starts and refreshes, and the log names both.
TEST_F(Lifecycle, FoldersThatCannotBeMadeOrListedAreLogged) {
  ASSERT_TRUE(zortest::WriteWholeFile(root_.Child(L"temp\\ZorManager"), "a file"));
  SetScanners({ScannerLine(kSerialA, 'J')});
  ASSERT_TRUE(zortest::WriteWholeFile(DiskDir(L'J') + L"\\Program Files", "a file"));
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForRefreshes(1));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), zortest::Cause::kTempFolderNotCreated));
  EXPECT_TRUE(zortest::Logged(LogText(), zortest::Cause::kInventoryNotListed));
}

TEST_F(Lifecycle, StopWithRemovalEjectsTheSelectedScanner) {
  StartWithScanners({ScannerLine(kSerialA, 'J'), ScannerLine(kSerialB, 'K')});
  const std::size_t writesBefore = window_->events().size();
  ASSERT_TRUE(StopWorker(1));
  EXPECT_EQ(EjectLog(), "ejected 1234\n");
  EXPECT_EQ(window_->events().size(), writesBefore) << "the stop path clears no status";
  DWORD exitCode = 1;
  GetExitCodeThread(thread_, &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(Lifecycle, StopWithoutRemovalLeavesTheScannerAlone) {
  StartWithScanners({ScannerLine(kSerialA, 'J')});
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(EjectLog(), "");
}

TEST_F(Lifecycle, StopWithRemovalButNoScannerJustStops) {
  StartWithScanners({});
  ASSERT_TRUE(StopWorker(1));
  EXPECT_EQ(EjectLog(), "");
}

struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
};

BOOL CALLBACK CollectLongestStatic(HWND child, LPARAM lParam) {
  wchar_t className[32] = {};
  GetClassNameW(child, className, 32);
  if (lstrcmpiW(className, L"Static") != 0) return TRUE;
  wchar_t text[600] = {};
  GetWindowTextW(child, text, 600);
  auto* longest = reinterpret_cast<std::wstring*>(lParam);
  if (lstrlenW(text) > static_cast<int>(longest->size())) *longest = text;
  return TRUE;
}

struct FindBox {
  DWORD threadId;
  HWND box;
};

BOOL CALLBACK FindDialogOfThread(HWND hwnd, LPARAM lParam) {
  auto* find = reinterpret_cast<FindBox*>(lParam);
  wchar_t className[32] = {};
  GetClassNameW(hwnd, className, 32);
  if (lstrcmpW(className, L"#32770") == 0 && GetWindowThreadProcessId(hwnd, nullptr) == find->threadId &&
      IsWindowVisible(hwnd)) {
    find->box = hwnd;
    return FALSE;
  }
  return TRUE;
}

TEST_F(Lifecycle, RefusedRemovalIsReportedInAMessageBoxThatTheUserCloses) {
  StartWithScanners({ScannerLine(kSerialA, 'J', /*veto=*/true)});

  // Another thread plays the user: it waits for the worker's message box,
  // reads it and presses OK. Bounded, so a missing box cannot hang the test.
  std::atomic<bool> answered{false};
  MessageBoxSeen seen;
  const DWORD workerId = threadId_;
  std::thread user([&] {
    for (int i = 0; i < 300 && !answered; ++i) {
      FindBox find = {workerId, nullptr};
      EnumThreadWindows(workerId, FindDialogOfThread, reinterpret_cast<LPARAM>(&find));
      if (find.box != nullptr) {
        wchar_t caption[200] = {};
        GetWindowTextW(find.box, caption, 200);
        seen.caption = caption;
        EnumChildWindows(find.box, CollectLongestStatic, reinterpret_cast<LPARAM>(&seen.text));
        PostMessageW(find.box, WM_COMMAND, IDOK, 0);
        answered = true;
        break;
      }
      Sleep(50);
    }
  });
  const bool ended = StopWorker(1);
  user.join();
  ASSERT_TRUE(answered) << "no message box appeared";
  ASSERT_TRUE(ended);
  EXPECT_EQ(seen.caption, L"Ошибка отключения от порта USB");
  EXPECT_EQ(seen.text,
            L"Невозможно отключить тестер.\nСерийный номер: 1234\nДата производства: 15.03.2014\n"
            L"Подключенный диск J: используется другим приложением!");
  EXPECT_EQ(EjectLog(), "vetoed 1234\n");
}

}  // namespace
}  // namespace workertest
