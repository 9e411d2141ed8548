#include "testing/test_world.h"

#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace zortest {
namespace {

using Lock = std::lock_guard<std::mutex>;

// The disks' folders and their drive letters, kept for the whole program.
TempDir* disks = nullptr;
std::map<wchar_t, std::unique_ptr<MappedDrive>> drives;

// The program's only inputs from the environment, and the simulation's.
constexpr const wchar_t* kEnvironment[] = {L"APPDATA", L"TEMP", L"ZOR70_SIM_SCANNERS", L"ZOR70_SIM_EJECT_LOG"};

std::wstring Environment(const wchar_t* name) {
  wchar_t value[4096] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, 4096);
  return n > 0 && n < 4096 ? std::wstring(value) : std::wstring();
}

}  // namespace

void TestWorld::MapDrives(std::initializer_list<wchar_t> letters) {
  if (disks == nullptr) disks = new TempDir(L"disks");
  for (wchar_t letter : letters) {
    if (drives.count(letter) != 0) continue;
    CreateDirectoryW(DiskDir(letter).c_str(), nullptr);
    drives[letter] = std::make_unique<MappedDrive>(letter, DiskDir(letter));
  }
}

void TestWorld::UnmapDrives() {
  drives.clear();
  delete disks;
  disks = nullptr;
}

TestWorld::TestWorld(const std::wstring& tag) : root_(tag) {
  wchar_t directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, directory);
  savedDirectory_ = directory;
  for (const wchar_t* name : kEnvironment) savedEnvironment_[name] = Environment(name);
  ready_ = disks != nullptr && !drives.empty();
  for (const auto& drive : drives) {
    const std::wstring dir = DiskDir(drive.first);
    ready_ = ready_ && drive.second->ok() && RemoveTree(dir) && CreateDirectoryW(dir.c_str(), nullptr);
  }
  ready_ = ready_ && CreateDirectoryW(root_.Child(L"appdata").c_str(), nullptr) &&
           CreateDirectoryW(root_.Child(L"temp").c_str(), nullptr);
  SetEnvironmentVariableW(L"APPDATA", root_.Child(L"appdata").c_str());
  SetEnvironmentVariableW(L"TEMP", root_.Child(L"temp").c_str());
  SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", root_.Child(L"scanners.txt").c_str());
  SetEnvironmentVariableW(L"ZOR70_SIM_EJECT_LOG", root_.Child(L"eject.log").c_str());

  http_.server().Get("/index.php", [this](const httplib::Request& req, httplib::Response& res) { AnswerPage(req, res); });
  http_.server().Get(R"(/files/modules/(.+)\.zip)",
                     [this](const httplib::Request& req, httplib::Response& res) { AnswerPackage(req, res); });
  http_.Start();
}

TestWorld::~TestWorld() {
  LetGoAll();
  http_.Stop();
  SetCurrentDirectoryW(savedDirectory_.c_str());
  for (const auto& saved : savedEnvironment_)
    SetEnvironmentVariableW(saved.first.c_str(), saved.second.empty() ? nullptr : saved.second.c_str());
}

// ---- the folders and the scanners ------------------------------------------------

std::wstring TestWorld::DiskDir(wchar_t letter) { return disks->Child(std::wstring(1, letter)); }

std::wstring TestWorld::ScannerFile(wchar_t letter, const std::wstring& name) {
  return DiskDir(letter) + L"\\Program Files\\" + name;
}

void TestWorld::PutOnScanner(wchar_t letter, const std::wstring& name, const std::string& bytes) {
  ASSERT_TRUE(WriteWholeFile(ScannerFile(letter, name), bytes));
}

void TestWorld::SetScanners(const std::vector<std::string>& lines) {
  std::string text = "# simulated scanners\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  ASSERT_TRUE(WriteWholeFile(root_.Child(L"scanners.txt"), text));
}

// ---- the server ------------------------------------------------------------------

void TestWorld::WaitWhile(std::unique_lock<std::mutex>& lock, const std::function<bool()>& held) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (held() && std::chrono::steady_clock::now() < until) {
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lock.lock();
  }
}

void TestWorld::AnswerPage(const httplib::Request& req, httplib::Response& res) {
  std::unique_lock<std::mutex> lock(mutex_);
  ++pageRequests_;
  if (req.get_param_value("mod") != "dirtst") {
    res.status = 404;
    return;
  }
  WaitWhile(lock, [&] { return holdPage_; });
  res.set_content(page_, "text/html");
}

void TestWorld::AnswerPackage(const httplib::Request& req, httplib::Response& res) {
  const std::string archive = req.matches[1];
  std::unique_lock<std::mutex> lock(mutex_);
  packageRequests_.push_back(archive);
  const std::function<void()> hook = packageHook_;
  lock.unlock();
  if (hook) hook();
  lock.lock();
  WaitWhile(lock, [&] { return held_.count(archive) != 0; });
  const auto failure = failures_.find(archive);
  const auto found = packages_.find(archive);
  if (failure != failures_.end() || found == packages_.end()) {
    res.status = failure != failures_.end() ? failure->second : 404;
    res.set_content("<html><body><h1>" + std::to_string(res.status) + "</h1></body></html>", "text/html");
    return;
  }
  if (cut_.erase(archive) != 0) {
    auto bytes = std::make_shared<const std::string>(found->second);
    res.set_content_provider(bytes->size(), "application/zip", [bytes](std::size_t, std::size_t, httplib::DataSink& sink) {
      sink.write(bytes->data(), bytes->size() / 2);
      return false;  // drops the connection
    });
    return;
  }
  res.set_content(found->second, "application/zip");
}

void TestWorld::SetPage(const std::string& page) { Lock lock(mutex_); page_ = page; }
void TestWorld::HoldPage(bool hold) { Lock lock(mutex_); holdPage_ = hold; }
int TestWorld::PageRequests() { Lock lock(mutex_); return pageRequests_; }

void TestWorld::ServePackage(const std::string& archive, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.erase(archive);
  packages_[archive] = bytes;
}

void TestWorld::FailPackage(const std::string& archive, int status) { Lock lock(mutex_); failures_[archive] = status; }
void TestWorld::CutPackage(const std::string& archive) { Lock lock(mutex_); cut_.insert(archive); }
void TestWorld::HoldPackage(const std::string& archive) { Lock lock(mutex_); held_.insert(archive); }
void TestWorld::LetGo(const std::string& archive) { Lock lock(mutex_); held_.erase(archive); }

void TestWorld::LetGoAll() {
  Lock lock(mutex_);
  held_.clear();
  holdPage_ = false;
}

void TestWorld::OnPackageRequest(std::function<void()> hook) { Lock lock(mutex_); packageHook_ = std::move(hook); }
std::vector<std::string> TestWorld::PackageRequests() { Lock lock(mutex_); return packageRequests_; }

int TestWorld::PackageRequests(const std::string& archive) {
  Lock lock(mutex_);
  int n = 0;
  for (const std::string& requested : packageRequests_) n += requested == archive ? 1 : 0;
  return n;
}

}  // namespace zortest
