// Faults from outside while the program runs: a server that fails, sends
// garbage or goes down, a scanner disk that goes away or turns read-only as
// a module is unpacked, a close while the worker writes to the scanner, and
// the selected one of two scanners pulled out during a queue, a log file
// that cannot be written. Whatever happens, the modules on the scanner stay
// whole and the program goes on; the log tells support what happened.
#include <windows.h>

#include <dbt.h>

#include <memory>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "app/tests/win/app_fixture.h"
#include "testing/log_causes.h"

namespace apptest {
namespace {

using zortest::Cause;

using Strings = std::vector<std::string>;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::mt19937 random(seed);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

constexpr wchar_t kUnpacking[] = L"Распаковка и загрузка в сканер модуля";
constexpr wchar_t kInstalled[] = L"Загрузка произведена успешно.";
constexpr wchar_t kNoServer[] = L"Ошибка подключения к серверу загрузки.";
constexpr wchar_t kBadModule[] = L"Ошибка загрузки модуля.";

class FaultTest : public AppTest {
 protected:
  // DIAG_A's package brings DIAG_A.z70 and a new shared.z70; the scanner
  // holds a good older shared.z70. Big enough that writing it takes a while.
  void SetUp() override {
    AppTest::SetUp();
    module_ = RandomBytes(1 << 20, 7);
    SetPage(CataloguePage({PageLine("DIAG_A")}));
    ServeGoodPackage();
    PutOnScanner(L'R', L"shared.z70", kOldShared);
  }

  void ServeGoodPackage() { ServePackage("DIAG_A", StoredZip({{"DIAG_A.z70", module_}, {"shared.z70", kNewShared}})); }

  std::string ScannerBytes(wchar_t letter, const std::wstring& name) {
    return zortest::FileText(ScannerFile(letter, name));
  }

  // Every name in the scanner's module directory: a leftover temporary file
  // or a half-written module would show here.
  std::set<std::wstring> ScannerListing(wchar_t letter) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW(ScannerFile(letter, L"*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    do {
      if (std::wstring(entry.cFileName) != L"." && std::wstring(entry.cFileName) != L"..") names.insert(entry.cFileName);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return names;
  }

  // The scanner's modules as they were before any install.
  void ExpectUntouched() {
    EXPECT_EQ(ScannerListing(L'R'), (std::set<std::wstring>{L"shared.z70"}));
    EXPECT_EQ(ScannerBytes(L'R', L"shared.z70"), kOldShared);
  }

  void ExpectInstalled() {
    EXPECT_EQ(ScannerListing(L'R'), (std::set<std::wstring>{L"DIAG_A.z70", L"shared.z70"}));
    EXPECT_TRUE(ScannerBytes(L'R', L"DIAG_A.z70") == module_);
    EXPECT_EQ(ScannerBytes(L'R', L"shared.z70"), kNewShared);
  }

  // One try from the download button, once the last one is over: the
  // message it ended with, empty when none came.
  std::wstring Try() {
    const std::size_t before = Boxes().size();
    if (!WaitFor([&] { return ProgressDialog() == nullptr; })) return L"";
    Command(IDC_DOWNLOAD_BUTTON);
    return WaitForBoxes(before + 1) ? Boxes().back().text : L"";
  }

  // DIAG_A and PRG_B new, scanners on R: and S:, the one on S: selected.
  void StartOnTheSecondOfTwoScanners() {
  SetPage(CataloguePage({PageLine("DIAG_A"), PageLine("PRG_B")}));
  ServePackage("PRG_B", StoredZip({{"PRG_B.z70", "module PRG_B"}}));
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  ASSERT_TRUE(StartAppAndWait());
  Command(IDC_SCANNER_BUTTON_FIRST + 1);
  ASSERT_TRUE(WaitFor([&] { return MarkedScanner() == 1 && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  }

  bool CacheHolds(const std::wstring& file) {
    return zortest::FileExists(CacheDir() + L"\\" + file);
  }

  static constexpr char kOldShared[] = "shared, as it was";
  static constexpr char kNewShared[] = "shared, the new one";
  std::string module_;
};

TEST_F(FaultTest, CatalogueServerDownAtStartUpThenBack) {
  StopServer();
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Ошибка подключения к интернету.");
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kServerUnreachable));
  EXPECT_TRUE(WaitFor([&] { return Rows() == 0 && StatusText(0) == L"Оффлайн"; }));
  EXPECT_FALSE(DownloadEnabled());

  ASSERT_TRUE(RestartServer());
  Command(IDC_SCANNER_BUTTON_FIRST);  // the scanner button asks for a refresh
  ASSERT_TRUE(WaitFor([&] { return Rows() == 1 && DownloadEnabled() && StatusText(0) == L"Онлайн"; }));
  EXPECT_EQ(Try(), kInstalled);
  ExpectInstalled();
}

class PackageStatusTest : public FaultTest, public ::testing::WithParamInterface<int> {};

TEST_P(PackageStatusTest, ErrorStatusStopsTheQueueAndTheNextTryWorks) {
  FailPackage("DIAG_A", GetParam());
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kNoServer);
  EXPECT_FALSE(CacheHolds(L"DIAG_A.zip"));
  ExpectUntouched();
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kPackageStatus));

  ServeGoodPackage();
  EXPECT_EQ(Try(), kInstalled);
  ExpectInstalled();
}

INSTANTIATE_TEST_SUITE_P(Statuses, PackageStatusTest, ::testing::Values(404, 500, 503));

TEST_F(FaultTest, ServerDyingMidDownloadLosesNothing) {
  CutPackage("DIAG_A");
  ASSERT_TRUE(StartAppAndWait());
  // Fewer bytes than the server announced: a failed download, and nothing
  // of it in the cache.
  EXPECT_EQ(Try(), kNoServer);
  EXPECT_FALSE(CacheHolds(L"DIAG_A.zip"));
  ExpectUntouched();
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kPackageShort));

  // While the server is down the download fails...
  StopServer();
  EXPECT_EQ(Try(), kNoServer);
  ExpectUntouched();
  // ...and once it is back the package is fetched whole.
  ASSERT_TRUE(RestartServer());
  EXPECT_EQ(Try(), kInstalled);
  ExpectInstalled();
}

// The server goes away while the first of two modules is written: the
// refresh after it finds no catalogue and says so, and the queue ends there,
// with no "module not found" stacked on top.
TEST_F(FaultTest, ServerGoneMidQueueGivesOneMessage) {
  SetPage(CataloguePage({PageLine("DIAG_A"), PageLine("DIAG_B")}));
  ServePackage("DIAG_B", StoredZip({{"DIAG_B.z70", "module B"}}));
  ASSERT_TRUE(StartAppAndWait());
  AtStep(kUnpacking, [this] { StopServer(); });
  EXPECT_EQ(Try(), L"Ошибка подключения к интернету.");
  ASSERT_TRUE(WaitFor([&] { return ProgressDialog() == nullptr; }));
  ASSERT_TRUE(Settle());  // a message the window opens next is up by now
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(ScannerBytes(L'R', L"DIAG_A.z70") == module_);
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
}

// A scanner with 224 KiB left takes four 200 KiB modules over four of the
// same size: each replaces its old file before the next is written, so only
// one temporary file at a time needs room. A package that names one of them
// twice (in two letter cases, one file to Windows) credits its old file
// once: it needs more room than the scanner has and is refused before
// anything is written. The disk is a 1 MiB tmpfs mounted over the scanner's
// directory (the tests run as root).
TEST_F(FaultTest, NearlyFullScannerTakesModulesThatReplaceTheirOldFiles) {
  zortest::SmallDisk disk(DiskDir(L'R'), 1024);
  if (!disk.ok()) GTEST_SKIP() << "no tmpfs could be mounted as the scanner's disk";
  ASSERT_TRUE(CreateDirectoryW(ScannerFile(L'R', L"").c_str(), nullptr));
  std::vector<std::pair<std::string, std::string>> entries = {{"DIAG_A.z70", "module A"}};
  for (const char* name : {"M1.z70", "M2.z70", "M3.z70", "M4.z70"}) {
    PutOnScanner(L'R', zortest::Widen(name), std::string(200 * 1024, 'o'));
    entries.emplace_back(name, RandomBytes(200 * 1024, name[1]));
  }
  ASSERT_LT(disk.FreeBytes(), 300u * 1024);
  ServePackage("DIAG_A", StoredZip(entries));
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kInstalled);
  for (const auto& [name, bytes] : entries) EXPECT_TRUE(ScannerBytes(L'R', zortest::Widen(name)) == bytes) << name;

  // M1 replaced twice frees 100 KiB, not 200: the new module does not fit.
  const std::size_t big = static_cast<std::size_t>(disk.FreeBytes() / 4096 * 4096 + 152 * 1024);
  SetPage(CataloguePage({PageLine("DIAG_A"), PageLine("DIAG_B")}));
  ServePackage("DIAG_B", StoredZip({{"M1.z70", std::string(100 * 1024, 'x')},
                                    {"m1.z70", std::string(100 * 1024, 'y')},
                                    {"DIAG_B.z70", std::string(big, 'b')}}));
  Command(IDC_SCANNER_BUTTON_FIRST);  // a refresh
  ASSERT_TRUE(WaitFor([&] { return Rows() == 2 && DownloadEnabled() && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(Try(), kBadModule);
  EXPECT_TRUE(ScannerBytes(L'R', L"M1.z70") == entries[1].second);
  EXPECT_EQ(ScannerBytes(L'R', L"DIAG_B.z70"), "<missing>");
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoRoom));
}

// A disk that takes every write and keeps other bytes: the module never
// counts as installed, and the old one stays.
TEST_F(FaultTest, ScannerDiskThatKeepsOtherBytesLeavesTheOldModule) {
  zortest::FlippingDisk disk(DiskDir(L'R'));
  if (!disk.ok()) GTEST_SKIP() << "no FUSE file system could be mounted as the scanner's disk";
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kBadModule);
  ExpectUntouched();
  const std::string log = LogText();
  EXPECT_TRUE(zortest::Logged(log, Cause::kReadBackDiffers));
  EXPECT_NE(log.find("R:\\Program Files\\DIAG_A.z70 not replaced"), std::string::npos) << log;
  EXPECT_NE(log.find("read back from drive R:\\"), std::string::npos) << log;
}

// Garbage, then a zip without a module file (which would install nothing):
// each fails its test, and the next try fetches the package again.
TEST_F(FaultTest, GarbageForAPackageIsRefusedAndFetchedAgainNextTime) {
  ServePackage("DIAG_A", RandomBytes(64 * 1024, 11));
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kBadModule);
  ExpectUntouched();
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoZip));

  ServePackage("DIAG_A", StoredZip({{"readme.txt", "not a module"}}));
  EXPECT_EQ(Try(), kBadModule);
  ExpectUntouched();
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoModuleFile));

  ServeGoodPackage();
  EXPECT_EQ(Try(), kInstalled);
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A", "DIAG_A", "DIAG_A"}));
  ExpectInstalled();
}

TEST_F(FaultTest, ScannerDiskGoneAsTheUnpackStartsFailsWithoutHarm) {
  ASSERT_TRUE(StartAppAndWait());
  const std::wstring disk = DiskDir(L'R');
  const std::wstring away = disk + L"-away";
  AtStep(kUnpacking, [&] { MoveFileW(disk.c_str(), away.c_str()); });
  EXPECT_EQ(Try(), kBadModule);
  EXPECT_TRUE(AppRunning());
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kScannerPulled));

  ASSERT_TRUE(MoveFileW(away.c_str(), disk.c_str()));
  ExpectUntouched();
  EXPECT_TRUE(CacheHolds(L"DIAG_A.zip"));  // the tested archive is kept for the next try
  EXPECT_EQ(Try(), kInstalled);
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
  ExpectInstalled();
}

// The first entry lands; the second cannot replace a module that another
// program holds open without sharing it (the scanner's disk refuses the
// write): the job fails and the old module stays exactly as it was. (A
// read-only attribute cannot stand in for this under Wine, which replaces
// read-only files.)
TEST_F(FaultTest, ModuleThatCannotBeReplacedDuringTheUnpackIsLeftAsItWas) {
  ASSERT_TRUE(StartAppAndWait());
  const std::wstring shared = ScannerFile(L'R', L"shared.z70");
  // The other program's handle, closed however the test ends.
  std::unique_ptr<void, decltype(&CloseHandle)> holder(nullptr, &CloseHandle);
  AtStep(kUnpacking, [&] {
    HANDLE file = CreateFileW(shared.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) holder.reset(file);
  });
  const std::wstring message = Try();
  ASSERT_NE(holder.get(), nullptr);
  EXPECT_EQ(message, kBadModule);
  EXPECT_EQ(ScannerListing(L'R'), (std::set<std::wstring>{L"DIAG_A.z70", L"shared.z70"}));
  EXPECT_TRUE(ScannerBytes(L'R', L"DIAG_A.z70") == module_);
  EXPECT_EQ(ScannerBytes(L'R', L"shared.z70"), kOldShared);
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kScannerFileNotReplaced));

  holder.reset();
  EXPECT_EQ(Try(), kInstalled);
  ExpectInstalled();
}

TEST_F(FaultTest, CloseWhileTheWorkerWritesToTheScannerWaitsForIt) {
  ASSERT_TRUE(StartAppAndWait());
  AtStep(kUnpacking, [&] { PostMessageW(Main(), WM_CLOSE, 0, 0); });
  AnswerBoxes({IDOK, IDNO});
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForAppEnd());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].text, kInstalled);
  EXPECT_TRUE(Boxes()[1].yesNo);  // the eject question, only after the job
  ExpectInstalled();
}

TEST_F(FaultTest, SelectedOfTwoScannersPulledOutDuringTheQueue) {
  ASSERT_NO_FATAL_FAILURE(StartOnTheSecondOfTwoScanners());

  ASSERT_NE(DownloadHeld("DIAG_A"), nullptr);
  // The second scanner goes away while its first module downloads, and
  // Windows says so.
  SetScanners({ScannerLine(kSerialA, 'R')});
  ASSERT_TRUE(MoveFileW(DiskDir(L'S').c_str(), (DiskDir(L'S') + L"-away").c_str()));
  DeviceChange(DBT_DEVICEREMOVECOMPLETE);
  LetGo("DIAG_A");

  // The job still aims at the drive it was started for, finds it gone and
  // stops the queue: nothing meant for it lands on the other scanner.
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, kBadModule);
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
  ExpectUntouched();
  // The removal's refresh falls back to the scanner that is left.
  EXPECT_TRUE(WaitFor([&] { return ScannerButtons() == 1 && MarkedScanner() == 0 && ConnectionDialog() == nullptr; }));
  EXPECT_TRUE(WaitForIdle());
  EXPECT_TRUE(AppRunning());
}

// The marked scanner leaves during the refresh after its first module: the
// refresh falls back to the other scanner, and the queue stops there.
TEST_F(FaultTest, QueueForAScannerThatLeftNeverGoesOnToAnother) {
  ASSERT_NO_FATAL_FAILURE(StartOnTheSecondOfTwoScanners());
  AtStep(L"Обнаружение сканера", [this] { SetScanners({ScannerLine(kSerialA, 'R')}); });
  EXPECT_EQ(Try(), L"Сканер был отключен от порта USB.");
  EXPECT_TRUE(ScannerBytes(L'S', L"DIAG_A.z70") == module_);
  ExpectUntouched();
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoScanner));
  EXPECT_NE(LogText().find("install queue: stopped at PRG_B: it failed with code 2; untried: none"), std::string::npos);
}

// WinINet goes through the system's proxy, as the user's Internet settings
// name it (WinINet reads them at each open): one that refuses connections,
// and one that asks for a password. The log names the proxy, and not the
// catalogue server, which is never asked.
class ProxyTest : public FaultTest, public ::testing::WithParamInterface<Cause> {
 protected:
  void TearDown() override {
    SetSystemProxy(L"");
    FaultTest::TearDown();
  }
  static void SetSystemProxy(const std::wstring& server) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                              nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const DWORD enable = server.empty() ? 0 : 1;
    RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof enable);
    if (server.empty()) {
      RegDeleteValueW(key, L"ProxyServer");
    } else {
      RegSetValueExW(key, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                     static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }
  zortest::TestHttpServer proxy_;
};

TEST_P(ProxyTest, TheLogTellsTheProxyFromTheServer) {
  int port = zortest::RefusedPort();
  if (GetParam() == Cause::kProxyPassword) {
    proxy_.server().Get(".*", [](const httplib::Request&, httplib::Response& res) {
      res.status = 407;
      res.set_header("Proxy-Authenticate", "Basic realm=\"office\"");
      res.set_content("<html>407</html>", "text/html");
    });
    proxy_.Start();
    port = proxy_.port();
  }
  const std::string proxy = "127.0.0.1:" + std::to_string(port);
  SetSystemProxy(zortest::Widen(proxy));
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_TRUE(WaitForBoxes(1)) << LogText();
  EXPECT_EQ(Boxes()[0].text, L"Ошибка подключения к интернету.");
  EXPECT_EQ(PageRequests(), 0);
  EXPECT_NE(LogText().find(", proxy: " + proxy + "\r\n"), std::string::npos) << LogText();
  EXPECT_TRUE(zortest::Logged(LogText(), GetParam()));
  EXPECT_FALSE(zortest::Logged(LogText(), Cause::kServerUnreachable));
  EXPECT_EQ(LogText().find("last response: \r\n"), std::string::npos) << "a failure line that says nothing";
}

INSTANTIATE_TEST_SUITE_P(Proxies, ProxyTest, ::testing::Values(Cause::kProxyUnreachable, Cause::kProxyPassword));

// ---- the log -------------------------------------------------------------------

// What a test's log and the sample in log/README.md have in common: the
// times, the test server's port, the build, its revision and the Windows it
// ran on vary.
std::string Comparable(std::string log) {
  for (const auto& [pattern, stand_in] : std::vector<std::pair<std::regex, const char*>>{
           {std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d )"), "TIME "},
           {std::regex(R"(127\.0\.0\.1:\d+)"), "127.0.0.1:PORT"},
           {std::regex(R"(\d\d-bit build on x(64|86) Windows [\d.]+)"), "BUILD"},
           {std::regex(R"(version ([\d.]+) \([^)]+\))"), "version $1 (REVISION)"},
           {std::regex("\r"), ""}}) {
    log = std::regex_replace(log, pattern, stand_in);
  }
  return log;
}

// The sample log in log/README.md: the fenced block after its marker line.
std::string ReadmeSample() {
  std::wstring path = L"Z:" + zortest::Widen(ZOR_SOURCE_DIR "/log/README.md");
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  const std::string readme = zortest::FileText(path);
  const std::size_t marker = readme.find("<!-- sample log -->");
  const std::size_t begin = readme.find("```\n", marker);
  const std::size_t end = readme.find("```\n", begin + 4);
  if (marker == std::string::npos || begin == std::string::npos || end == std::string::npos) return "<no sample>";
  return readme.substr(begin + 4, end - begin - 4);
}

// One install that works and one that fails: the log, read alone, tells
// both, every line dated, the user's own folders only as %APPDATA% and
// %TEMP%. It is the sample the log's README shows (so the two cannot drift:
// on a change, this test prints the new sample).
TEST_F(FaultTest, LogTellsAnInstallAndAFailedInstallAsTheReadmeShows) {
  SetPage(CataloguePage({PageLine("DIAG_A"), PageLine("PRG_B", "2.1.3")}));
  FailPackage("PRG_B", 404);
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kNoServer);
  ExpectInstalled();
  AnswerBoxes({IDYES});   // remove the scanner safely
  Post(WM_CLOSE);
  ASSERT_TRUE(WaitForAppEnd());

  const std::string log = LogText();
  EXPECT_EQ(Comparable(log), Comparable(ReadmeSample())) << "the sample for log/README.md:\n" << log;
  EXPECT_EQ(log.find(zortest::Narrow(root_.path())), std::string::npos) << log;
}

// A log that cannot be written changes nothing the user sees.
enum class LogFault { kLockedByAnotherProgram, kWritersLockHeld, kFolderInItsPlace, kDiskFull };

class LogFaultTest : public FaultTest, public ::testing::WithParamInterface<LogFault> {};

TEST_P(LogFaultTest, InstallGoesAsEver) {
  const std::wstring folder = CacheDir();
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::string before = "kept\r\n";
  std::unique_ptr<void, decltype(&CloseHandle)> holder(nullptr, &CloseHandle);
  switch (GetParam()) {
    case LogFault::kLockedByAnotherProgram:
      ASSERT_TRUE(zortest::WriteWholeFile(LogPath(), before));
      holder.reset(CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
      break;
    case LogFault::kWritersLockHeld: {
      // Any program may take the byte the writers lock, and keep it.
      ASSERT_TRUE(zortest::WriteWholeFile(LogPath(), before));
      holder.reset(CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
      ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
      OVERLAPPED beyond{};
      beyond.OffsetHigh = 0x40000000;
      ASSERT_TRUE(LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &beyond));
      break;
    }
    case LogFault::kFolderInItsPlace:
      ASSERT_TRUE(CreateDirectoryW(LogPath().c_str(), nullptr));
      break;
    case LogFault::kDiskFull:
      // Every write to Linux's /dev/full fails with "no space left".
      ASSERT_TRUE(zortest::RunUnix(L"/bin/ln", L"/bin/ln -s /dev/full \"" +
                                                   zortest::Widen(zortest::UnixPathOf(folder)) + L"/zormanager.log\""));
      ASSERT_TRUE(WaitFor([&] {
        WIN32_FIND_DATAW entry;
        HANDLE found = FindFirstFileW(LogPath().c_str(), &entry);
        if (found != INVALID_HANDLE_VALUE) FindClose(found);
        return found != INVALID_HANDLE_VALUE;
      }));
      break;
  }

  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Try(), kInstalled);
  EXPECT_EQ(Boxes().size(), 1u);
  ExpectInstalled();
  AnswerBoxes({IDNO});
  Post(WM_CLOSE);
  ASSERT_TRUE(WaitForAppEnd());
  EXPECT_EQ(exitCode(), 0);

  holder.reset();
  if (GetParam() == LogFault::kFolderInItsPlace) {
    EXPECT_NE(GetFileAttributesW(LogPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  } else if (GetParam() != LogFault::kDiskFull) {
    EXPECT_EQ(LogText(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, LogFaultTest,
                         ::testing::Values(LogFault::kLockedByAnotherProgram, LogFault::kWritersLockHeld,
                                           LogFault::kFolderInItsPlace, LogFault::kDiskFull));

}  // namespace
}  // namespace apptest
