// The real worker thread in the test world (simulated scanners on drives J:
// and K:), reporting to a window of the test's own.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/catalogue_builders.h"
#include "testing/test_world.h"
#include "worker/messages.h"
#include "worker/tests/win/test_window.h"
#include "worker/win/worker.h"

namespace workertest {

// Serial parts of the simulated scanners' instance ids: DDMMYY, then the serial number.
constexpr char kSerialA[] = "150314001234";   // serial 1234, made 15.03.2014
constexpr char kSerialB[] = "010115000007";   // serial 7, made 1.01.2015
constexpr std::uint32_t kSerialNumberA = 1234;
constexpr std::uint32_t kSerialNumberB = 7;

using zortest::CataloguePage;
using zortest::kWaitMs;
using zortest::ModuleLine;
using zortest::ScannerLine;

// Status bar texts, in the order written.
using Texts = std::vector<std::wstring>;

// DIAG01 (DIAG01_1234) and MEAS02 (MEAS02_0501).
std::string StandardPage();

// Bytes of a file made at build time: NAME.zip or NAME.payload.
std::string BuiltFile(const std::string& name);

class WorkerTest : public ::testing::Test, protected zortest::TestWorld {
 protected:
  WorkerTest() : TestWorld(L"worker") {}
  static void SetUpTestSuite() { MapDrives({L'J', L'K'}); }
  static void TearDownTestSuite() { UnmapDrives(); }
  void SetUp() override;
  void TearDown() override;

  static std::vector<std::wstring> FilesIn(const std::wstring& dir) { return zortest::FilesIn(dir); }

  // --- the worker ---
  void StartWorker();
  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // For the scanner of serial `scanner` (kSerialA's by default).
  void PostInstall(const char* name, WPARAM selector = kReleaseSelectorNewest, std::uint32_t scanner = kSerialNumberA);
  // Posts WM_CT_STOP and waits, pumping, for the thread to end; then handles
  // what it left in the window's queue.
  bool StopWorker(WPARAM eject);
  bool WaitForThreadEnd(DWORD timeoutMs);

  // Waits until `count` messages `message` have arrived in all.
  bool WaitForMessages(UINT message, std::size_t count);
  // Waits until `count` refreshes have reported (each writes status part 0 once).
  bool WaitForRefreshes(std::size_t count);
  // Waits for the initial refresh's last act: its end report when a scanner
  // is attached, else its connection text. Nothing follows it until the
  // next request, so the events recorded then are complete.
  bool WaitForInitialRefresh(bool scannerAttached);
  std::size_t CountMessages(UINT message, LPARAM lParam) const;

  // Status part 1 texts written since the last ClearEvents(). A request's
  // trailing clearing may still be on its way after its result has arrived:
  // compare whole sequences only once the worker has ended.
  std::vector<std::wstring> StepTexts() const { return window_->StatusWrites(kStatusPartStep); }

  std::unique_ptr<TestWindow> window_;
  HWND mainWindow_ = nullptr;
  WorkerStart start_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  InstallRequest request_ = {};
};

}  // namespace workertest
