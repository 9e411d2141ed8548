// The download-and-install job: a tested archive in the module cache,
// unpacked onto the scanner, then a refresh.
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/win/handles.h"
#include "device/win/scanner_device.h"
#include "download/win/package_download.h"
#include "log/win/log.h"
#include "unpack/file_system.h"
#include "unpack/unpack.h"
#include "worker/win/window_calls.h"
#include "worker/win/worker.h"
#include "worker/win/worker_log.h"
#include "worker/worker_rules.h"

namespace {

constexpr wchar_t kTextLookingUp[] = L"Поиск информации о новых модулях";
constexpr wchar_t kTextLoadingModule[] = L"Загрузка модуля";
constexpr wchar_t kTextTesting[] = L"Проверка модуля";
constexpr wchar_t kTextUnpacking[] = L"Распаковка и загрузка в сканер модуля";

bool FileFound(const char* path) {
  WIN32_FIND_DATAA data;
  return static_cast<bool>(FindHandle(FindFirstFileA(path, &data)));
}

struct JobOutcome {
  int install;
  int refresh;   // of the refresh that followed a successful unpack, else 0
};

// "%S\Program Files" on the scanner's drive. A scanner without a drive gets
// no target: "\Program Files" would be a directory of whatever drive is
// current, and the module would land on the computer's own disk.
bool FormatTargetDirectory(const ScannerRecord& scanner, char (&target)[kJobPathSize]) {
  const std::string drive = AnsiDrive(scanner);
  return !drive.empty() && JoinBounded(target, sizeof target, {drive, "\\Program Files"});
}

// Test unpack into the temporary unpack directory, which is emptied before
// (whatever an earlier run left there would stand in the way) and again
// after, whatever the outcome. True when the archive unpacked cleanly and
// gave at least one module file: a package without one would install
// nothing and still be reported as installed.
bool TestArchive(const WorkerState& state, const char* archivePath) {
  WriteStatus(state.mainWindow, kStatusPartStep, kTextTesting);
  ClearTempDirectory(state.tempUnpackPath);
  const int result = ExtractArchive(archivePath, state.tempUnpackPath);
  LogEvent("install: test unpack of %s: %s (code %d)", archivePath, result == 0 ? "passed" : "failed", result);
  bool sound = result == 0;
  std::vector<unpackfs::DirectoryEntry> unpacked;
  if (sound && unpackfs::ListDirectory(state.tempUnpackPath, &unpacked) && unpacked.empty()) {
    LogFailure("install: package %s holds no module file (no entry with .z70 or .sys in its name)", archivePath);
    sound = false;
  }
  ClearTempDirectory(state.tempUnpackPath);
  return sound;
}

// A failed unpack onto the scanner: when its drive is gone, the scanner was
// pulled out during the job, which the unpacker's own line cannot tell.
void NoteScannerGone(const ScannerRecord& scanner) {
  const std::string root = AnsiDrive(scanner) + "\\";
  if (GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  LogFailure("install: scanner %lu was pulled out during the job: its drive %s is gone (%s)",
             static_cast<unsigned long>(scanner.serialNumber), root.c_str(), ErrorText(GetLastError()).c_str());
}

JobOutcome InstallModule(WorkerState& state, WPARAM releaseSelector, const char* name) {
  const HWND mainWindow = state.mainWindow;
  const CatalogueSlot& slot = state.catalogue;
  ModuleRelease release;
  if (!slot || !FindNewRelease(*slot, name, release)) {
    LogFailure("install: %s: the catalogue offers no new release of it", name);
    return {kInstallNotFound, 0};
  }
  WriteStatus(mainWindow, kStatusPartStep, kTextLoadingModule);
  if (releaseSelector != kReleaseSelectorNewest || release.archiveName.empty()) {
    LogFailure("install: %s: its release names no archive", name);
    return {kInstallNotFound, 0};
  }
  // The page may name an archive "..\..\somewhere\x": such a release has no
  // place in the module cache and is not installable.
  if (!IsPlainArchiveName(release.archiveName)) {
    LogFailure("install: %s: the catalogue names the archive '%s', which is no plain file name", name,
               release.archiveName.c_str());
    return {kInstallNotFound, 0};
  }

  // A local path or package URL that does not fit its 260 bytes is never
  // cut (a cut name is another file or another package): the release cannot
  // be fetched under its name, so the job ends as for a module without an
  // installable release, "Модуль не найден.", before anything is touched.
  char archivePath[kJobPathSize];
  char url[kJobPathSize];
  if (!JoinBounded(archivePath, sizeof archivePath, {state.moduleCachePath, release.archiveName, ".zip"}) ||
      !JoinBounded(url, sizeof url, {state.packageBaseUrl, release.archiveName, ".zip"})) {
    LogFailure("install: %s: the module cache path or the package URL of archive %s is over %zu bytes", name,
               release.archiveName.c_str(), sizeof archivePath - 1);
    return {kInstallNotFound, 0};
  }

  LogInstallRelease(*slot, name, release);
  // A cached copy that fails its test is thrown away and fetched again.
  if (FileFound(archivePath) && !TestArchive(state, archivePath)) DeleteFileA(archivePath);

  if (!FileFound(archivePath)) {
    const auto progress = [mainWindow](std::size_t kilobytes) {
      PostMessageW(mainWindow, WM_CT_PROGRESS, static_cast<WPARAM>(kilobytes), 0);
    };
    if (!DownloadPackage(url, archivePath, progress)) return {kInstallDownloadFailed, 0};
    // A download that fails its test stays in the cache; the next try tests
    // it again, deletes it and downloads it afresh.
    if (!TestArchive(state, archivePath)) return {kInstallUnpackFailed, 0};
  } else {
    LogEvent("install: archive taken from the module cache");
    PostMessageW(mainWindow, WM_CT_PROGRESS, 0, 1);
  }

  // The table as the last refresh left it: a scanner pulled out since then
  // shows as a failed unpack below.
  const ScannerRecord* scanner = state.scanners.count == 0 ? nullptr : SelectedScanner(state.scanners);
  if (scanner == nullptr) {
    LogFailure("install: %s: no scanner attached", name);
    return {kInstallNoScanner, 0};
  }

  WriteStatus(mainWindow, kStatusPartStep, kTextUnpacking);
  LogEvent("install: unpacking onto scanner %lu, drive %c:", static_cast<unsigned long>(scanner->serialNumber),
           DriveLetterOf(*scanner));
  char target[kJobPathSize];
  if (!FormatTargetDirectory(*scanner, target)) {
    LogFailure("install: scanner %lu has no drive letter", static_cast<unsigned long>(scanner->serialNumber));
    return {kInstallUnpackFailed, 0};
  }
  const int unpacked = ExtractArchive(archivePath, target);
  LeaveUnpackTarget(state.moduleCachePath, state.tempUnpackPath);
  if (unpacked != 0) {
    NoteScannerGone(*scanner);
    return {kInstallUnpackFailed, 0};
  }

  return {kInstallOk, RefreshAndReport(mainWindow, state)};
}

}  // namespace

void RunInstallJob(WorkerState& state, WPARAM releaseSelector, LPARAM request) {
  WriteStatus(state.mainWindow, kStatusPartStep, kTextLookingUp);

  // The window may reuse its request as soon as the job has started.
  char name[kJobPathSize] = {};
  if (const char* source = reinterpret_cast<const char*>(request)) {
    std::memcpy(name, source, strnlen(source, sizeof name - 1));
  }

  ForgetLastFailure();
  const JobOutcome outcome = InstallModule(state, releaseSelector, name);
  LogInstallEnd(name, outcome.install, outcome.refresh, LastFailure());
  PostMessageW(state.mainWindow, WM_CT_INSTALL_DONE, static_cast<WPARAM>(outcome.install),
               static_cast<LPARAM>(outcome.refresh));
}

void LeaveUnpackTarget(const char* moduleCachePath, const char* tempUnpackPath) {
  if (SetCurrentDirectoryA(moduleCachePath) || SetCurrentDirectoryA(tempUnpackPath)) return;
  char windows[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length > 0 && length < sizeof windows) SetCurrentDirectoryA(windows);
}

void ClearTempDirectory(const char* tempUnpackPath) {
  const std::string_view path(tempUnpackPath, strnlen(tempUnpackPath, MAX_PATH));
  if (!path.empty()) unpackfs::EmptyDirectory(std::string(path));
}
