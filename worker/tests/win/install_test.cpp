// The download-and-install job as the window, the server, the module cache
// and the scanner's disk see it.
#include <algorithm>
#include <cstring>

#include "device/win/scanner_device.h"
#include "testing/log_causes.h"
#include "worker/tests/win/worker_fixture.h"
#include "worker/win/worker.h"

namespace workertest {
namespace {

using zortest::Cause;

const std::wstring kLookingUp = L"Поиск информации о новых модулях";
const std::wstring kLoadingModule = L"Загрузка модуля";
const std::wstring kTesting = L"Проверка модуля";
const std::wstring kUnpacking = L"Распаковка и загрузка в сканер модуля";

// The messages the worker posts, in the order it posted them (the window's
// queue keeps that order; only sent messages may overtake them).
std::vector<WindowEvent> Posted(const TestWindow& window) {
  std::vector<WindowEvent> out;
  for (const WindowEvent& e : window.events()) {
    if (e.kind != WindowEvent::Kind::Message) continue;
    if (e.message == WM_CT_REFRESH_DONE && e.lParam == kRefreshStarted) continue;   // sent
    out.push_back(e);
  }
  return out;
}

class Install : public WorkerTest {
 protected:
  // One scanner on J:, the standard catalogue, its packages served, and the
  // initial refresh over; events from here on are the job's.
  void StartWithScanner(std::vector<std::string> scanners = {ScannerLine(kSerialA, 'J')}) {
    SetScanners(scanners);
    SetPage(StandardPage());
    ServePackage("DIAG01_1234", BuiltFile("DIAG01_1234.zip"));
    ServePackage("MEAS02_0501", BuiltFile("MEAS02_0501.zip"));
    StartWorker();
    ASSERT_TRUE(WaitForInitialRefresh(!scanners.empty()));
    window_->ClearEvents();
  }

  // Installs one module and returns WM_CT_INSTALL_DONE's (wParam, lParam).
  std::pair<WPARAM, LPARAM> InstallAndWait(const char* name, WPARAM selector = kReleaseSelectorNewest,
                                           std::uint32_t scanner = kSerialNumberA) {
    const std::size_t before = window_->Messages(WM_CT_INSTALL_DONE).size();
    PostInstall(name, selector, scanner);
    if (!WaitForMessages(WM_CT_INSTALL_DONE, before + 1)) {
      ADD_FAILURE() << "no WM_CT_INSTALL_DONE for " << name;
      return {~WPARAM{0}, 0};
    }
    const WindowEvent done = window_->Messages(WM_CT_INSTALL_DONE)[before];
    return {done.wParam, done.lParam};
  }

  std::wstring CachedArchive(const std::wstring& archive) const { return CacheDir() + L"\\" + archive + L".zip"; }
  void PutInCache(const std::string& bytes) {
    CreateDirectoryW(CacheDir().c_str(), nullptr);
    ASSERT_TRUE(zortest::WriteWholeFile(CachedArchive(L"DIAG01_1234"), bytes));
  }

  std::vector<WindowEvent> KilobyteReports() const {
    std::vector<WindowEvent> out;
    for (const WindowEvent& e : window_->Messages(WM_CT_PROGRESS)) {
      if (e.lParam == 0) out.push_back(e);
    }
    return out;
  }

  void ExpectInstalledOnJ() {
    std::string onScanner;
    ASSERT_TRUE(zortest::ReadWholeFile(ScannerFile(L'J', L"DIAG01_1234.z70"), &onScanner));
    EXPECT_TRUE(onScanner == BuiltFile("DIAG01_1234.payload")) << "module file differs";
    EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"readme.txt")));
  }
};

const std::pair<WPARAM, LPARAM> Result(int install, int refresh) {
  return {static_cast<WPARAM>(install), static_cast<LPARAM>(refresh)};
}

TEST_F(Install, FromAnEmptyCacheDownloadsTestsUnpacksAndRefreshes) {
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(StepTexts(), Texts({L"Поиск информации о новых модулях", L"Загрузка модуля", L"Проверка модуля",
                                L"Распаковка и загрузка в сканер модуля", L"Обнаружение сканера",
                                L"Загрузка сведений о модулях", L"Сравнение модулей в сканере и на сайте", L"",
                                L""}));
  EXPECT_EQ(window_->StatusWrites(0), Texts({L"Онлайн"}));

  // Kilobytes while downloading, then the refresh's end, then the job's.
  const std::vector<WindowEvent> posted = Posted(*window_);
  ASSERT_GE(posted.size(), 3u);
  const std::size_t archiveSize = BuiltFile("DIAG01_1234.zip").size();
  const auto kilobytes = KilobyteReports();
  ASSERT_EQ(kilobytes.size(), posted.size() - 2);
  for (std::size_t i = 0; i < kilobytes.size(); ++i) {
    EXPECT_EQ(posted[i].message, WM_CT_PROGRESS);
    if (i > 0) {
      EXPECT_GE(kilobytes[i].wParam, kilobytes[i - 1].wParam);
    }
  }
  EXPECT_EQ(kilobytes.back().wParam, archiveSize / 1024);
  EXPECT_EQ(posted[posted.size() - 2].message, WM_CT_REFRESH_DONE);
  EXPECT_EQ(posted[posted.size() - 2].wParam, static_cast<WPARAM>(kRefreshOk));
  EXPECT_EQ(posted[posted.size() - 2].lParam, kRefreshFinished);
  EXPECT_EQ(posted.back().message, WM_CT_INSTALL_DONE);
  EXPECT_EQ(CountMessages(WM_CT_PROGRESS, 1), 0u);

  ExpectInstalledOnJ();
  std::string cached;
  ASSERT_TRUE(zortest::ReadWholeFile(CachedArchive(L"DIAG01_1234"), &cached));
  EXPECT_TRUE(cached == BuiltFile("DIAG01_1234.zip"));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 1);
  EXPECT_TRUE(FilesIn(TempUnpackDir()).empty());

  // The refresh after the job no longer offers the module.
  const auto rows = window_->Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "DIAG01");
  EXPECT_EQ(rows[0].cell, L"");
  EXPECT_NE(rows[1].cell, L"");

  // The unpacker's last target is not left as the current directory.
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(zortest::Widen(current), CacheDir());
}

TEST_F(Install, FromAGoodCachedArchiveWithoutDownloading) {
  ASSERT_TRUE(CreateDirectoryW(CacheDir().c_str(), nullptr));
  ASSERT_TRUE(zortest::WriteWholeFile(CachedArchive(L"DIAG01_1234"), BuiltFile("DIAG01_1234.zip")));
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
  const auto progress = window_->Messages(WM_CT_PROGRESS);
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].wParam, 0u);
  EXPECT_EQ(progress[0].lParam, 1);
  const auto steps = StepTexts();
  ASSERT_GE(steps.size(), 4u);
  EXPECT_EQ(std::vector<std::wstring>(steps.begin(), steps.begin() + 4),
            Texts({L"Поиск информации о новых модулях", L"Загрузка модуля", L"Проверка модуля",
                   L"Распаковка и загрузка в сканер модуля"}));
  ExpectInstalledOnJ();
  EXPECT_TRUE(FilesIn(TempUnpackDir()).empty());
}

TEST_F(Install, CorruptCachedArchiveIsReplacedByADownload) {
  ASSERT_TRUE(CreateDirectoryW(CacheDir().c_str(), nullptr));
  ASSERT_TRUE(zortest::WriteWholeFile(CachedArchive(L"DIAG01_1234"), std::string(3000, 'x')));
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(PackageRequests("DIAG01_1234"), 1);
  EXPECT_FALSE(KilobyteReports().empty());
  EXPECT_EQ(CountMessages(WM_CT_PROGRESS, 1), 0u);
  const auto steps = StepTexts();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), kTesting), 2) << "the cached copy and the download";
  std::string cached;
  ASSERT_TRUE(zortest::ReadWholeFile(CachedArchive(L"DIAG01_1234"), &cached));
  EXPECT_TRUE(cached == BuiltFile("DIAG01_1234.zip"));
  ExpectInstalledOnJ();
}

TEST_F(Install, FailedDownloadGivesOneAndLeavesNoArchive) {
  StartWithScanner();
  ServePackage("DIAG01_1234", "");   // the server answers with nothing
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallDownloadFailed, 0));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(PackageRequests("DIAG01_1234"), 1);
  EXPECT_FALSE(zortest::FileExists(CachedArchive(L"DIAG01_1234")));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")));
  EXPECT_EQ(StepTexts(), Texts({L"Поиск информации о новых модулях", L"Загрузка модуля", L""}));
  EXPECT_EQ(CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished), 0u) << "no refresh after a failure";
}

TEST_F(Install, DownloadThatFailsItsTestStaysCachedUntilTheNextTry) {
  StartWithScanner();
  const std::string broken = "<html>not a zip archive</html>";
  ServePackage("DIAG01_1234", broken);
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoZip));
  std::string cached;
  ASSERT_TRUE(zortest::ReadWholeFile(CachedArchive(L"DIAG01_1234"), &cached));
  EXPECT_EQ(cached, broken);
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")));

  // The next try tests the cached copy, throws it away and downloads afresh.
  ServePackage("DIAG01_1234", BuiltFile("DIAG01_1234.zip"));
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 2);
  ExpectInstalledOnJ();
  const auto steps = StepTexts();
  ASSERT_GE(steps.size(), 4u);
  EXPECT_EQ(std::vector<std::wstring>(steps.begin(), steps.begin() + 4),
            Texts({L"Поиск информации о новых модулях", L"Загрузка модуля", L"Проверка модуля", L""}))
      << "the failed test ends the first job";
  EXPECT_EQ(std::count(steps.begin(), steps.end(), kTesting), 3) << "the download, the cached copy, the new download";
}

TEST_F(Install, NoScannerGivesTwoAfterTheArchiveIsCached) {
  StartWithScanner();
  SetScanners({});
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForRefreshes(1));
  ASSERT_TRUE(window_->PanelButtons().empty());

  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallNoScanner, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoScanner));
  EXPECT_TRUE(zortest::FileExists(CachedArchive(L"DIAG01_1234")));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")));
  const auto steps = StepTexts();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), kUnpacking), 0);
}

TEST_F(Install, ScannerPulledOutDuringTheJobShowsInTheNextJob) {
  StartWithScanner();
  // The scanner leaves while its package downloads: the job still unpacks
  // (the table is the last refresh's), and its refresh finds no scanner.
  OnPackageRequest([this] { SetScanners({}); });
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshNoScanner));
  EXPECT_EQ(CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished), 0u);
  EXPECT_FALSE(IsWindowVisible(mainWindow_));
  ExpectInstalledOnJ();

  EXPECT_EQ(InstallAndWait("MEAS02"), Result(kInstallNoScanner, 0));
  ASSERT_TRUE(StopWorker(0));
}

// The queue was made for scanner 7, which left during the trailing refresh
// of its previous job: the rest goes nowhere, least of all onto scanner 1234.
TEST_F(Install, JobForAScannerThatLeftGivesTwoAndWritesNowhere) {
  StartWithScanner({ScannerLine(kSerialA, 'J'), ScannerLine(kSerialB, 'K')});
  SetScanners({ScannerLine(kSerialA, 'J')});
  Post(WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForRefreshes(1));
  EXPECT_EQ(InstallAndWait("DIAG01", kReleaseSelectorNewest, kSerialNumberB), Result(kInstallNoScanner, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoScanner));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'K', L"DIAG01_1234.z70")));
}

// A cached package without a module file fails its test; held open by
// another program, it cannot be deleted: it is never installed as if sound.
TEST_F(Install, CachedArchiveThatFailsItsTestAndStaysIsNotInstalled) {
  PutInCache(zortest::StoredZip({{"readme.txt", "no module"}}));
  const HANDLE holder = CreateFileW(CachedArchive(L"DIAG01_1234").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  ASSERT_TRUE(StopWorker(0));
  CloseHandle(holder);
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kCachedArchiveNotDeleted));
  EXPECT_EQ(LogText().find("passed"), std::string::npos) << LogText();
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"Program Files")));
}

// A test unpack that fails for this computer's sake says nothing of the
// package: a sound cached copy is kept, and the folder is made again when
// it is only gone (an older copy of the program emptied %TEMP%\ZorManager).
TEST_F(Install, TemporaryFolderFaultsKeepASoundCachedPackage) {
  for (const bool fileInItsPlace : {false, true}) {
    SCOPED_TRACE(fileInItsPlace ? "a file where the folder was" : "the folder removed");
    PutInCache(BuiltFile("DIAG01_1234.zip"));
    StartWithScanner();
    ASSERT_TRUE(RemoveDirectoryW(TempUnpackDir().c_str()));
    if (fileInItsPlace) {
      ASSERT_TRUE(zortest::WriteWholeFile(TempUnpackDir(), "in the way"));
    }
    EXPECT_EQ(InstallAndWait("DIAG01"), fileInItsPlace ? Result(kInstallUnpackFailed, 0) : Result(kInstallOk, kRefreshOk));
    ASSERT_TRUE(StopWorker(0));
    EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
    EXPECT_TRUE(zortest::FileText(CachedArchive(L"DIAG01_1234")) == BuiltFile("DIAG01_1234.zip"));
    EXPECT_EQ(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")), !fileInItsPlace);
    DeleteFileW(TempUnpackDir().c_str());
    DeleteFileW(ScannerFile(L'J', L"DIAG01_1234.z70").c_str());
    CloseHandle(thread_);
    thread_ = nullptr;
    window_->ClearEvents();
  }
}

// %TEMP% too long for any folder of this copy's own: the test unpack
// fails with its cause and never empties a folder that others use.
TEST_F(Install, CopyWithoutAFolderOfItsOwnEmptiesNoSharedOne) {
  const std::wstring shared = L"C:\\Modules\\temp";
  CreateDirectoryW(L"C:\\Modules", nullptr);
  CreateDirectoryW(shared.c_str(), nullptr);
  ASSERT_TRUE(zortest::WriteWholeFile(shared + L"\\keep.txt", "another's"));
  SetEnvironmentVariableW(L"TEMP", (root_.Child(L"temp\\") + std::wstring(300, L't')).c_str());
  PutInCache(BuiltFile("DIAG01_1234.zip"));
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoOwnTempFolder));
  EXPECT_EQ(zortest::FileText(shared + L"\\keep.txt"), "another's");
  EXPECT_TRUE(zortest::FileExists(CachedArchive(L"DIAG01_1234")));
  zortest::RemoveTree(L"C:\\Modules");
}

// A second copy puts the package in place and reads it while this one
// downloads it: this one's move finds it in use, and the sound package in
// place is used, not reported as the server's failure.
TEST_F(Install, PackageAnotherCopyPutInPlaceIsUsed) {
  StartWithScanner();
  HANDLE reader = INVALID_HANDLE_VALUE;
  OnPackageRequest([&] {
    if (reader != INVALID_HANDLE_VALUE) return;
    PutInCache(BuiltFile("DIAG01_1234.zip"));
    reader = CreateFileW(CachedArchive(L"DIAG01_1234").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         0, nullptr);
  });
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kCacheFileInUse));
  std::vector<std::wstring> cached = FilesIn(CacheDir());
  std::sort(cached.begin(), cached.end());
  EXPECT_EQ(cached, (std::vector<std::wstring>{L"DIAG01_1234.zip", L"zormanager.log"}));
  ExpectInstalledOnJ();
}

TEST_F(Install, UnknownModuleOrNothingNewGivesFourWithoutDownloading) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  CreateDirectoryW((DiskDir(L'J') + L"\\Program Files").c_str(), nullptr);
  ASSERT_TRUE(zortest::WriteWholeFile(ScannerFile(L'J', L"MEAS02_0501.z70"), "held"));
  SetPage(StandardPage());
  ServePackage("DIAG01_1234", BuiltFile("DIAG01_1234.zip"));
  ServePackage("MEAS02_0501", BuiltFile("MEAS02_0501.zip"));
  StartWorker();
  ASSERT_TRUE(WaitForInitialRefresh(true));
  window_->ClearEvents();

  EXPECT_EQ(InstallAndWait("NOPE99"), Result(kInstallNotFound, 0));
  EXPECT_EQ(InstallAndWait("MEAS02"), Result(kInstallNotFound, 0));
  // Names compare byte for byte.
  EXPECT_EQ(InstallAndWait("diag01"), Result(kInstallNotFound, 0));
  // Only selector 1 installs.
  EXPECT_EQ(InstallAndWait("DIAG01", 2), Result(kInstallNotFound, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoRelease));
  EXPECT_EQ(PackageRequests("DIAG01_1234") + PackageRequests("MEAS02_0501"), 0);
  EXPECT_TRUE(window_->Messages(WM_CT_PROGRESS).empty());
  EXPECT_EQ(StepTexts(), Texts({L"Поиск информации о новых модулях", L"",                      // not in the catalogue
                                L"Поиск информации о новых модулях", L"Загрузка модуля", L"",  // nothing new
                                L"Поиск информации о новых модулях", L"",
                                L"Поиск информации о новых модулях", L"Загрузка модуля", L""}));
}

TEST_F(Install, WithoutACatalogueGivesFour) {
  SetScanners({});   // the initial refresh stops before making a catalogue
  SetPage(StandardPage());
  ServePackage("DIAG01_1234", BuiltFile("DIAG01_1234.zip"));
  StartWorker();
  ASSERT_TRUE(WaitForInitialRefresh(false));
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallNotFound, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoCatalogue));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
}

TEST_F(Install, UnpackOntoAMissingDiskGivesThree) {
  StartWithScanner({ScannerLine(kSerialA, 'Q')});   // Q: is mapped nowhere
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kScannerPulled));
  EXPECT_TRUE(zortest::FileExists(CachedArchive(L"DIAG01_1234")));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(zortest::Widen(current), CacheDir());
}

TEST_F(Install, ScannerWithoutADriveNeverUnpacksOntoTheCurrentDrive) {
  // "\Program Files" would be a folder of the current drive: the computer's own disk.
  const std::wstring stray = L"C:\\Program Files\\DIAG01_1234.z70";
  DeleteFileW(stray.c_str());
  StartWithScanner({ScannerLine(kSerialA, 0)});
  SetCurrentDirectoryW(L"C:\\");
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_TRUE(zortest::Logged(LogText(), Cause::kNoDriveLetter));
  EXPECT_FALSE(zortest::FileExists(stray));
  DeleteFileW(stray.c_str());
}

// Two copies may run at once: each tests its archives in a folder of its
// own, so this one's test unpack leaves the other's files alone, while the
// folder of a copy that no longer runs (its lock gone) is removed at start.
TEST_F(Install, TestUnpackKeepsToThisCopysOwnFolder) {
  const std::wstring shared = root_.Child(L"temp\\ZorManager");
  ASSERT_TRUE(CreateDirectoryW(shared.c_str(), nullptr));
  for (const wchar_t* copy : {L"\\99999", L"\\88888"}) {
    ASSERT_TRUE(CreateDirectoryW((shared + copy).c_str(), nullptr));
    ASSERT_TRUE(zortest::WriteWholeFile(shared + copy + L"\\mid-test.z70", "another copy's"));
  }
  // The other running copies: 99999, and one in this very process, which
  // holds the lock of this process id's name.
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW((shared + L"\\" + pid).c_str(), nullptr));
  ASSERT_TRUE(zortest::WriteWholeFile(shared + L"\\" + pid + L"\\mid-test.z70", "another copy's"));
  std::vector<HANDLE> running;
  for (const std::wstring& copy : {std::wstring(L"99999"), pid}) {
    running.push_back(CreateFileW((shared + L"\\" + copy + L".lock").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_NE(running.back(), INVALID_HANDLE_VALUE);
  }
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  EXPECT_TRUE(zortest::FileExists(TempUnpackDir() + L"_1"));
  EXPECT_TRUE(FilesIn(TempUnpackDir() + L"_1").empty());
  ASSERT_TRUE(StopWorker(0));
  for (const HANDLE lock : running) CloseHandle(lock);
  EXPECT_EQ(LogText().find("lock is not taken"), std::string::npos);
  for (const std::wstring& copy : {std::wstring(L"99999"), pid})
    EXPECT_TRUE(zortest::FileExists(shared + L"\\" + copy + L"\\mid-test.z70"));
  EXPECT_FALSE(zortest::FileExists(shared + L"\\88888"));
  ExpectInstalledOnJ();
}

// A scanner arrives ahead of the selected one and the panel rebuild gives
// up: the install still goes to the scanner the panel marks.
TEST_F(Install, ScannerArrivingAheadOfTheSelectedOneLeavesTheInstallOnIt) {
  StartWithScanner();
  SetScanners({ScannerLine(kSerialB, 'K'), ScannerLine(kSerialA, 'J')});
  window_->StallNextPanelQuery(700);
  Post(WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 1; }, kWaitMs));
  ASSERT_EQ(window_->PanelButtons().size(), 1u) << "the rebuild was to give up";
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));
  ExpectInstalledOnJ();
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'K', L"DIAG01_1234.z70")));
}

TEST_F(Install, RequestsPostedDuringAJobWaitForIt) {
  StartWithScanner();
  PostInstall("DIAG01");
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 2; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));

  std::vector<UINT> order;
  for (const WindowEvent& e : Posted(*window_)) {
    if (e.message != WM_CT_PROGRESS) order.push_back(e.message);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_CT_REFRESH_DONE, WM_CT_INSTALL_DONE, WM_CT_REFRESH_DONE}));
}

// Paths are never cut: an archive path one byte too long ends the job
// before anything is fetched, one that just fits works.
class InstallPathLimit : public Install {
 protected:
  // An %APPDATA% that makes the cached DIAG01_1234.zip `length` bytes long.
  void UseAppDataFor(std::size_t length) {
    const std::wstring tail = L"\\Zor70_Modules\\DIAG01_1234.zip";
    std::wstring appData = root_.Child(L"appdata\\");
    ASSERT_LT(appData.size() + tail.size(), length);
    appData += std::wstring(length - appData.size() - tail.size(), L'p');
    ASSERT_EQ(appData.size() + tail.size(), length);
    CreateDirectoryW(appData.c_str(), nullptr);   // may be too deep to make: fine for the refusal
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    appData_ = appData;
  }
  std::wstring appData_;
};

TEST_F(InstallPathLimit, ArchivePathOfTwoHundredSixtyBytesIsRefused) {
  UseAppDataFor(MAX_PATH);
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallNotFound, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'J', L"DIAG01_1234.z70")));
}

TEST_F(InstallPathLimit, ArchivePathOfTwoHundredFiftyNineBytesIsUsed) {
  UseAppDataFor(MAX_PATH - 1);
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallOk, kRefreshOk));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 1);
  EXPECT_TRUE(zortest::FileExists(appData_ + L"\\Zor70_Modules\\DIAG01_1234.zip"));
  ExpectInstalledOnJ();
}

// A module cache that cannot be had is no folder: no package is fetched
// into a stand-in or the current folder.
TEST_F(InstallPathLimit, ModuleCacheThatCannotBeWorkedOutTakesNoPackage) {
  UseAppDataFor(MAX_PATH + 40);
  StartWithScanner();
  EXPECT_EQ(InstallAndWait("DIAG01"), Result(kInstallUnpackFailed, 0));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(PackageRequests("DIAG01_1234"), 0);
  EXPECT_FALSE(zortest::FileExists(L"C:\\Modules"));
}

// A module cache the process cannot enter (its "Traverse folder" right
// denied) must not leave the process on the scanner's disk.
TEST(LeaveUnpackTarget, FallsBackToTheTemporaryThenTheWindowsDirectory) {
  zortest::TempDir target(L"unpack-target");
  zortest::TempDir temp(L"unpack-temp");
  const std::string missing = temp.pathA() + "\\no-such-folder\\";
  const std::string tempPath = temp.pathA() + "\\";
  const auto leaveFor = [&](const std::string& cache, const std::string& tempFolder) {
    SetCurrentDirectoryW(target.path().c_str());
    LeaveUnpackTarget(cache.c_str(), tempFolder.c_str());
    wchar_t path[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, path);
    std::wstring text(path);
    if (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
  };
  const std::wstring first = leaveFor(missing, tempPath);
  const std::wstring second = leaveFor(missing, missing);
  SetCurrentDirectoryW(L"C:\\");

  EXPECT_EQ(first, temp.path());
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(second, std::wstring(windows));
}

// What a test unpack left, subdirectories too, would make a later package
// with a file of that name fail its test unpack for good. (That links are
// removed, not entered, is tested with the file-system layer.)
TEST(ClearTempDirectory, EmptiesItWhole) {
  zortest::TempDir dir(L"cleartemp");
  ASSERT_TRUE(zortest::WriteWholeFile(dir.Child(L"a.z70"), "a"));
  ASSERT_TRUE(CreateDirectoryW(dir.Child(L"drv.sys").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.Child(L"drv.sys\\deeper").c_str(), nullptr));
  ASSERT_TRUE(zortest::WriteWholeFile(dir.Child(L"drv.sys\\deeper\\x"), "x"));

  ClearTempDirectory((dir.pathA() + "\\").c_str());

  EXPECT_FALSE(zortest::FileExists(dir.Child(L"a.z70")));
  EXPECT_FALSE(zortest::FileExists(dir.Child(L"drv.sys")));
  EXPECT_TRUE(zortest::FileExists(dir.path()));
}

}  // namespace
}  // namespace workertest
