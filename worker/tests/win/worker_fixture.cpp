#include "worker/tests/win/worker_fixture.h"

#include <cstring>

#include "device/win/scanner_device.h"
#include "files/win/program_folders.h"
#include "log/win/log.h"
#include "worker/win/worker.h"

namespace workertest {

std::string StandardPage() {
  return CataloguePage({ModuleLine("2014-05-12", "1.2.3.4", "DIAG01.z70", "DIAG01_1234"),
                        ModuleLine("2014-04-01", "2.0.5.1", "MEAS02.z70", "MEAS02_0501")});
}

std::string BuiltFile(const std::string& name) {
  std::string bytes;
  const bool read = zortest::ReadWholeFile(zortest::Widen(std::string(ZOR_WORKER_PACKAGES) + "/" + name), &bytes);
  EXPECT_TRUE(read) << "missing test package " << name;
  return bytes;
}

void WorkerTest::SetUp() {
  ASSERT_TRUE(WorldReady()) << "drives J: and K: not mapped";
  window_ = std::make_unique<TestWindow>();
  ASSERT_TRUE(window_->ok());
  mainWindow_ = window_->hwnd();
}

void WorkerTest::TearDown() {
  if (thread_ != nullptr) {
    if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
      PostThreadMessageW(threadId_, WM_CT_STOP, 0, 0);
      if (!WaitForThreadEnd(kWaitMs)) {
        ADD_FAILURE() << "the worker did not end";
        TerminateThread(thread_, 1);
      }
    }
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  window_.reset();
}

void WorkerTest::StartWorker() {
  ASSERT_EQ(thread_, nullptr);
  start_.mainWindow = mainWindow_;
  start_.catalogueHost = http_.host();
  start_.folders = WorkOutProgramFolders();   // as the program's start does
  SetLogFolder(start_.folders.log);
  thread_ = CreateThread(nullptr, 0, WorkerThread, &start_, 0, &threadId_);
  ASSERT_NE(thread_, nullptr);
}

void WorkerTest::Post(UINT message, WPARAM wParam, LPARAM lParam) {
  // The thread's queue exists only once the thread has begun to run: retry
  // as the main window does.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (PostThreadMessageW(threadId_, message, wParam, lParam)) return;
    Sleep(10);
  }
  ADD_FAILURE() << "could not post message " << message << " to the worker";
}

void WorkerTest::PostInstall(const char* name, WPARAM selector, std::uint32_t scanner) {
  std::memset(&request_, 0, sizeof request_);
  std::strncpy(request_.name, name, sizeof request_.name - 1);
  request_.releaseSelector = static_cast<std::int32_t>(selector);
  request_.scannerSerial = scanner;
  Post(WM_CT_INSTALL, selector, reinterpret_cast<LPARAM>(&request_));
}

bool WorkerTest::WaitForThreadEnd(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    const DWORD result = MsgWaitForMultipleObjects(1, &thread_, FALSE, wait, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) break;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Whatever the worker posted before it ended is in the queue by now.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

bool WorkerTest::StopWorker(WPARAM eject) {
  Post(WM_CT_STOP, eject, 0);
  return WaitForThreadEnd(kWaitMs);
}

bool WorkerTest::WaitForMessages(UINT message, std::size_t count) {
  return PumpUntil([&] { return window_->Messages(message).size() >= count; }, kWaitMs);
}

bool WorkerTest::WaitForRefreshes(std::size_t count) {
  return PumpUntil([&] { return window_->StatusWrites(kStatusPartConnection).size() >= count; }, kWaitMs);
}

bool WorkerTest::WaitForInitialRefresh(bool scannerAttached) {
  return PumpUntil(
      [&] {
        return !window_->StatusWrites(kStatusPartConnection).empty() &&
               (!scannerAttached || CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 1);
      },
      kWaitMs);
}

std::size_t WorkerTest::CountMessages(UINT message, LPARAM lParam) const {
  std::size_t n = 0;
  for (const WindowEvent& e : window_->Messages(message)) n += e.lParam == lParam ? 1 : 0;
  return n;
}

}  // namespace workertest
