#include "worker/win/worker_log.h"

#include <string>

#include "catalogue/module_rows.h"
#include "core/win/text.h"
#include "log/win/log.h"
#include "worker/messages.h"
#include "worker/worker_rules.h"

namespace {

const char* RefreshOutcome(int code) {
  switch (code) {
    case kRefreshOk: return "done";
    case kRefreshWindowBusy: return "the window did not answer in time";
    case kRefreshNoCatalogue: return "catalogue not downloaded or without modules";
    case kRefreshNoScanner: return "no scanner attached";
    case kRefreshNoMemory: return "no memory for the catalogue";
    default: return "unknown";
  }
}

const char* InstallOutcome(int code) {
  switch (code) {
    case kInstallOk: return "installed";
    case kInstallDownloadFailed: return "the package could not be downloaded";
    case kInstallNoScanner: return "no scanner to install onto";
    case kInstallUnpackFailed:
      return "the package failed its test, could not be tested or stored here, or could not be unpacked onto the scanner";
    case kInstallNotFound: return "the catalogue holds no installable release of it";
    default: return "unknown";
  }
}

std::string ScannerList(const ScannerTable& table) {
  std::string list;
  for (std::uint32_t i = 0; i < table.count && i < kMaxScanners; ++i) {
    const ScannerRecord& scanner = table.records[i];
    if (!list.empty()) list += ", ";
    list += std::to_string(scanner.serialNumber);
    list += scanner.drive[0] != 0 ? std::string(" on ") + DriveLetterOf(scanner) + ':' : " without a drive";
    if (static_cast<std::int32_t>(i) == table.selected) list += " (selected)";
  }
  return list.empty() ? "none" : list;
}

}  // namespace

void LogRefreshEnd(int refreshCode, const ScannerTable& table, const ModuleCatalogue* catalogue) {
  std::string line = "refresh: code " + std::to_string(refreshCode) + " (" + RefreshOutcome(refreshCode) +
                     "); scanners: " + ScannerList(table);
  // Only these two codes come from a refresh that got as far as the catalogue.
  if (catalogue != nullptr && (refreshCode == kRefreshOk || refreshCode == kRefreshNoCatalogue)) {
    line += "; catalogue: " + std::to_string(catalogue->modules.records.size()) + " modules, " +
            std::to_string(catalogue->systemModules.records.size()) + " system components";
  }
  LogEvent("%s", line.c_str());
}

void LogInstallRelease(const ModuleCatalogue& catalogue, const char* name, const ModuleRelease& release) {
  const bool system = catalogue.systemModules.index.count(name) != 0 && catalogue.modules.index.count(name) == 0;
  const std::string version = system ? FormatSystemVersion(release.version) : FormatModuleVersion(release.version);
  LogEvent("install: %s, release %s of %s, archive %s.zip", name, version.c_str(),
           FormatReleaseDate(release.date).c_str(), release.archiveName.c_str());
}

void LogInstallEnd(const char* name, int installCode, int refreshCode, const std::string& cause) {
  if (installCode == kInstallOk) {
    LogEvent("install: %s installed (code 0); refresh code %d (%s)", name, refreshCode, RefreshOutcome(refreshCode));
    return;
  }
  std::wstring line = WideFromAnsi(std::string("install: ") + name + " failed: " + InstallOutcome(installCode) +
                                   " (code " + std::to_string(installCode) + ")" +
                                   (cause.empty() ? std::string() : ": " + cause) + "; shown ");
  const char16_t* shown = InstallFailureText(installCode);
  line += shown != nullptr ? L"\u00AB" + std::wstring(AsWide(shown)) + L"\u00BB"
                           : L"no message";
  LogWideEvent(line);
}
