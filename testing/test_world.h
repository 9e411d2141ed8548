// The world the program's threads run in during a Wine test: %APPDATA% and
// %TEMP% inside a fresh folder, the simulated scanners' file and eject log
// there, the scanners' disks on mapped drive letters, and an HTTP server on
// 127.0.0.1 as the catalogue server with its page and packages. The window
// and the worker suites derive their fixtures from it; their tests call it.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "testing/test_files.h"
#include "testing/test_http_server.h"

namespace zortest {

// Every wait of a test ends after this long at the latest.
constexpr DWORD kWaitMs = 30000;

class TestWorld {
 public:
  // The disks' drive letters are mapped once for the whole program (each
  // mapping starts Unix processes): from a suite's SetUpTestSuite.
  static void MapDrives(std::initializer_list<wchar_t> letters);
  static void UnmapDrives();

  // Sets the environment, empties the disks and starts the server.
  explicit TestWorld(const std::wstring& tag);
  // Stops the server and gives the environment back.
  ~TestWorld();
  TestWorld(const TestWorld&) = delete;
  TestWorld& operator=(const TestWorld&) = delete;
  // False when a disk could not be mapped or emptied.
  bool WorldReady() const { return ready_; }
  // Ends every hold of the page and the packages.
  void LetGoAll();

  // --- the folders ---
  // The folder behind a drive letter, and a file of its "Program Files".
  static std::wstring DiskDir(wchar_t letter);
  static std::wstring ScannerFile(wchar_t letter, const std::wstring& name);
  void PutOnScanner(wchar_t letter, const std::wstring& name, const std::string& bytes);
  std::wstring CacheDir() const { return root_.Child(L"appdata\\Zor70_Modules"); }
  // The program's log file (UTF-8).
  std::wstring LogPath() const { return CacheDir() + L"\\zormanager.log"; }
  // This copy's own folder inside %TEMP%\ZorManager.
  std::wstring TempUnpackDir() const {
    return root_.Child(L"temp\\ZorManager\\" + std::to_wstring(GetCurrentProcessId()));
  }

  // --- the scanners and the readers ---
  void SetScanners(const std::vector<std::string>& lines);
  std::string EjectLog() const { return FileText(root_.Child(L"eject.log"), ""); }
  // The log's text, "<missing>" when there is none.
  std::string LogText() const { return FileText(LogPath()); }

  // --- the server ---
  void SetPage(const std::string& page);
  void FailPage() { SetPage(""); }
  // Holds every catalogue page request (at most kWaitMs) until let go.
  void HoldPage(bool hold);
  int PageRequests();
  // Served at /files/modules/<archive>.zip; unserved archives give 404.
  // Serving an archive again ends a FailPackage for it.
  void ServePackage(const std::string& archive, const std::string& bytes);
  // Answered with this HTTP status and an HTML error page instead of the archive.
  void FailPackage(const std::string& archive, int status);
  // The next request for the archive gets its headers and the first half of
  // its bytes, then the connection drops, as when the server dies mid-body.
  void CutPackage(const std::string& archive);
  // A request for a held archive waits (at most kWaitMs) until it is let go.
  void HoldPackage(const std::string& archive);
  void LetGo(const std::string& archive);
  // Run by the server thread before it answers a package request.
  void OnPackageRequest(std::function<void()> hook);
  // Archives requested so far, in order; and how often one was.
  std::vector<std::string> PackageRequests();
  int PackageRequests(const std::string& archive);
  // The server goes down (connections refused) and comes back on its port.
  void StopServer() { http_.Stop(); }
  bool RestartServer() { return http_.Restart(); }

  TempDir root_;
  TestHttpServer http_;

 private:
  void AnswerPage(const httplib::Request& req, httplib::Response& res);
  void AnswerPackage(const httplib::Request& req, httplib::Response& res);
  // Waits, the lock let go meanwhile, while `held` says so (at most kWaitMs).
  void WaitWhile(std::unique_lock<std::mutex>& lock, const std::function<bool()>& held);

  bool ready_ = true;
  std::map<std::wstring, std::wstring> savedEnvironment_;
  std::wstring savedDirectory_;

  std::mutex mutex_;  // guards the server's data below
  std::string page_;
  bool holdPage_ = false;
  int pageRequests_ = 0;
  std::map<std::string, std::string> packages_;
  std::set<std::string> held_;
  std::set<std::string> cut_;
  std::map<std::string, int> failures_;
  std::vector<std::string> packageRequests_;
  std::function<void()> packageHook_;
};

}  // namespace zortest
