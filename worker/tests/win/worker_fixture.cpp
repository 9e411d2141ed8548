#include "worker/tests/win/worker_fixture.h"

#include <cstring>

#include "device/win/scanner_device.h"
#include "files/win/program_folders.h"
#include "log/win/log.h"
#include "worker/win/worker.h"

namespace workertest {

namespace {

// The scanners' disks: one folder per drive letter, mapped once for the
// whole program (each mapping starts Unix processes) and emptied per test.
zortest::TempDir* disks = nullptr;
zortest::MappedDrive* driveJ = nullptr;
zortest::MappedDrive* driveK = nullptr;
wchar_t startDirectory[MAX_PATH] = {};

std::wstring Environment(const wchar_t* name) {
  wchar_t value[4096] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, 4096);
  return n > 0 && n < 4096 ? std::wstring(value) : std::wstring();
}

}  // namespace

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

void WorkerTest::SetUpTestSuite() {
  GetCurrentDirectoryW(MAX_PATH, startDirectory);
  disks = new zortest::TempDir(L"disks");
  CreateDirectoryW(disks->Child(L"J").c_str(), nullptr);
  CreateDirectoryW(disks->Child(L"K").c_str(), nullptr);
  driveJ = new zortest::MappedDrive(L'J', disks->Child(L"J"));
  driveK = new zortest::MappedDrive(L'K', disks->Child(L"K"));
}

void WorkerTest::TearDownTestSuite() {
  SetCurrentDirectoryW(startDirectory);
  delete driveK;
  delete driveJ;
  delete disks;
  driveK = driveJ = nullptr;
  disks = nullptr;
}

void WorkerTest::SetUp() {
  ASSERT_TRUE(driveJ != nullptr && driveJ->ok() && driveK->ok()) << "drives J: and K: not mapped";
  for (const wchar_t* letter : {L"J", L"K"}) {
    const std::wstring dir = disks->Child(letter);
    ASSERT_TRUE(zortest::RemoveTree(dir));
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  }

  // The program's only inputs from the environment, and the simulation's.
  savedAppData_ = Environment(L"APPDATA");
  savedTemp_ = Environment(L"TEMP");
  ASSERT_TRUE(CreateDirectoryW(root_.Child(L"appdata").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(root_.Child(L"temp").c_str(), nullptr));
  SetEnvironmentVariableW(L"APPDATA", root_.Child(L"appdata").c_str());
  SetEnvironmentVariableW(L"TEMP", root_.Child(L"temp").c_str());
  SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", root_.Child(L"scanners.txt").c_str());
  SetEnvironmentVariableW(L"ZOR70_SIM_EJECT_LOG", root_.Child(L"eject.log").c_str());

  auto& server = http_.server();
  server.Get("/index.php", [this](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++pageRequests_;
    if (req.get_param_value("mod") != "dirtst") {
      res.status = 404;
      return;
    }
    res.set_content(page_, "text/html");
  });
  server.Get(R"(/files/modules/([^/]+)\.zip)", [this](const httplib::Request& req, httplib::Response& res) {
    std::function<void()> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++packageRequests_[req.matches[1]];
      hook = packageHook_;
    }
    if (hook) hook();
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = packages_.find(req.matches[1]);
    if (found == packages_.end()) {
      res.status = 404;
      res.set_content("<html>no such package</html>", "text/html");
      return;
    }
    res.set_content(found->second, "application/zip");
  });
  http_.Start();

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
  http_.Stop();
  SetCurrentDirectoryW(startDirectory);
  SetEnvironmentVariableW(L"APPDATA", savedAppData_.empty() ? nullptr : savedAppData_.c_str());
  SetEnvironmentVariableW(L"TEMP", savedTemp_.empty() ? nullptr : savedTemp_.c_str());
  SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", nullptr);
  SetEnvironmentVariableW(L"ZOR70_SIM_EJECT_LOG", nullptr);
}

void WorkerTest::SetScanners(const std::vector<std::string>& lines) {
  std::string text = "# simulated scanners\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  ASSERT_TRUE(zortest::WriteWholeFile(root_.Child(L"scanners.txt"), text));
}

void WorkerTest::SetPage(const std::string& page) {
  std::lock_guard<std::mutex> lock(mutex_);
  page_ = page;
}

void WorkerTest::ServePackage(const std::string& archive, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  packages_[archive] = bytes;
}

void WorkerTest::OnPackageRequest(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  packageHook_ = std::move(hook);
}

int WorkerTest::PackageRequests(const std::string& archive) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = packageRequests_.find(archive);
  return found == packageRequests_.end() ? 0 : found->second;
}

int WorkerTest::PageRequests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return pageRequests_;
}

std::wstring WorkerTest::DiskDir(wchar_t letter) const { return disks->Child(std::wstring(1, letter)); }

std::wstring WorkerTest::ScannerFile(wchar_t letter, const std::wstring& name) const {
  return DiskDir(letter) + L"\\Program Files\\" + name;
}

std::string WorkerTest::EjectLog() const { return zortest::FileText(root_.Child(L"eject.log"), ""); }

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
