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
#include "unpack/entry_rules.h"
#include "files/file_system.h"
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

// Test unpack into this copy's temporary unpack folder, which is emptied
// before (whatever an earlier run left there would stand in the way) and
// again after, whatever the outcome. Sound when the archive unpacked
// cleanly and gave at least one module file: a package without one would
// install nothing and still be reported as installed. A failure blamed on
// the archive condemns it; one blamed on the folder or the computer says
// nothing of it.
unpack::Result TestArchive(WorkerState& state, const char* archivePath) {
  WriteStatus(state.mainWindow, kStatusPartStep, kTextTesting);
  if (!PrepareTempUnpackFolder(state.folders.tempUnpackParent.c_str(), state.tempUnpackPath, &state.tempLock)) {
    LogFailure("install: no temporary unpack folder of this copy's own to test %s in", archivePath);
    return {-1, unpack::Blame::kTarget};
  }
  ClearTempDirectory(state.tempUnpackPath);
  unpack::Result result = unpack::Extract(archivePath, state.tempUnpackPath, unpack::IsModuleEntryName);
  std::vector<files::DirectoryEntry> unpacked;
  if (result.code == 0 && files::ListDirectory(state.tempUnpackPath, &unpacked) && unpacked.empty()) {
    LogFailure("install: package %s holds no module file (no entry with .z70 or .sys in its name)", archivePath);
    result = {0, unpack::Blame::kArchive};
  }
  const bool passed = result.blame == unpack::Blame::kNone;
  LogEvent("install: test unpack of %s: %s (code %d)", archivePath,
           passed ? "passed" : result.blame == unpack::Blame::kArchive ? "failed, the package is bad" : "failed here, not for the package",
           result.code);
  ClearTempDirectory(state.tempUnpackPath);
  return result;
}

bool Sound(const unpack::Result& tested) { return tested.blame == unpack::Blame::kNone; }

// A failed unpack onto the scanner: when its drive is gone, the scanner was
// pulled out during the job, which the unpacker's own line cannot tell.
void NoteScannerGone(const ScannerRecord& scanner) {
  const std::string root = AnsiDrive(scanner) + "\\";
  if (GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  LogFailure("install: scanner %lu was pulled out during the job: its drive %s is gone (%s)",
             static_cast<unsigned long>(scanner.serialNumber), root.c_str(), ErrorText(GetLastError()).c_str());
}

// A sound package in the module cache at `archivePath`, or the job's
// failure code. A cached copy that failed its test is thrown away and
// fetched again; one that could not be tested for a fault of this computer
// is kept, as is a download that fails its test (the next try tests it
// again, deletes it and downloads it afresh).
int EnsureSoundPackage(WorkerState& state, const char* name, const char* archivePath, const char* url) {
  const HWND mainWindow = state.mainWindow;
  if (FileFound(archivePath)) {
    const unpack::Result tested = TestArchive(state, archivePath);
    if (Sound(tested)) {
      LogEvent("install: archive taken from the module cache");
      PostMessageW(mainWindow, WM_CT_PROGRESS, 0, 1);
      return kInstallOk;
    }
    if (tested.blame == unpack::Blame::kTarget) return kInstallUnpackFailed;
    // Installing an archive that failed its test would write nothing, or
    // worse, and still say "installed".
    if (!DeleteFileA(archivePath) && GetLastError() != ERROR_FILE_NOT_FOUND) {
      LogFailure("install: cached archive %s failed its test and cannot be deleted: %s", archivePath,
                 ErrorText(GetLastError()).c_str());
      return kInstallUnpackFailed;
    }
  }

  const auto progress = [mainWindow](std::size_t kilobytes) {
    PostMessageW(mainWindow, WM_CT_PROGRESS, static_cast<WPARAM>(kilobytes), 0);
  };
  const PackageDownload downloaded = DownloadPackage(url, archivePath, progress);
  if (downloaded != PackageDownload::kSaved) {
    // Another copy of the program may have put the package in place meanwhile.
    if (FileFound(archivePath) && Sound(TestArchive(state, archivePath))) {
      LogEvent("install: %s: the package another copy put into the module cache is used", name);
      return kInstallOk;
    }
    // A fault of this computer is not the server's.
    return downloaded == PackageDownload::kNotReceived ? kInstallDownloadFailed : kInstallUnpackFailed;
  }
  return Sound(TestArchive(state, archivePath)) ? kInstallOk : kInstallUnpackFailed;
}

JobOutcome InstallModule(WorkerState& state, WPARAM releaseSelector, const char* name, std::uint32_t scannerSerial) {
  const HWND mainWindow = state.mainWindow;
  const CatalogueSlot& slot = state.catalogue;
  if (!slot || (slot->modules.records.empty() && slot->systemModules.records.empty())) {
    LogFailure("install: %s: no catalogue: the last refresh could not download it", name);
    return {kInstallNotFound, 0};
  }
  ModuleRelease release;
  if (!FindNewRelease(*slot, name, release)) {
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
  // Without a module cache there is no place to keep the package: a path
  // of the archive's name alone would land in whatever folder is current.
  // It is this computer's fault, as when the cache cannot store a package,
  // never the server's.
  if (state.folders.moduleCache.empty()) {
    LogFailure("install: %s: there is no module cache to keep archive %s in (see the worker's start)", name,
               release.archiveName.c_str());
    return {kInstallUnpackFailed, 0};
  }
  char archivePath[kJobPathSize];
  char url[kJobPathSize];
  if (!JoinBounded(archivePath, sizeof archivePath, {state.folders.moduleCache, release.archiveName, ".zip"}) ||
      !JoinBounded(url, sizeof url, {state.packageBaseUrl, release.archiveName, ".zip"})) {
    LogFailure("install: %s: the module cache path or the package URL of archive %s is over %zu bytes", name,
               release.archiveName.c_str(), sizeof archivePath - 1);
    return {kInstallNotFound, 0};
  }

  LogInstallRelease(*slot, name, release);
  const int packaged = EnsureSoundPackage(state, name, archivePath, url);
  if (packaged != kInstallOk) return {packaged, 0};

  // The scanner the user marked, as the last refresh found it: one that has
  // left since then is no reason to install onto another. One pulled out
  // since then shows as a failed unpack below.
  const ScannerRecord* scanner = ScannerWithSerial(state.scanners, scannerSerial);
  if (scanner == nullptr) {
    LogFailure("install: %s: no scanner attached: scanner %lu, which the queue was made for, is gone", name,
               static_cast<unsigned long>(scannerSerial));
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
  LeaveUnpackTarget(state.folders.moduleCache.c_str(), state.tempUnpackPath);
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
  std::uint32_t scannerSerial = kNoScannerSerial;
  if (const auto* source = reinterpret_cast<const InstallRequest*>(request)) {
    std::memcpy(name, source->name, strnlen(source->name, kInstallNameSize - 1));
    scannerSerial = source->scannerSerial;
  }

  ForgetLastFailure();
  const JobOutcome outcome = InstallModule(state, releaseSelector, name, scannerSerial);
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
  if (!path.empty()) files::EmptyDirectory(std::string(path));
}
