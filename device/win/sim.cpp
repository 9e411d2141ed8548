// Discovery and safe removal of simulated scanners, for tests and the demo
// program: the scanners come from the file named by ZOR70_SIM_SCANNERS (read
// at every discovery) and each ejection's outcome is appended to the file
// named by ZOR70_SIM_EJECT_LOG. The rules are the real ones: the same
// discovery walk and the same eject decisions, message box included.
#include <windows.h>

#include <setupapi.h>

#include <string>
#include <vector>

#include "core/win/handles.h"
#include "device/sim_scanners.h"
#include "device/win/eject_port.h"
#include "device/win/scanner_device.h"
#include "log/win/log.h"

namespace {

constexpr std::uint32_t kVetoOutstandingOpen = 6;   // PNP_VetoOutstandingOpen
constexpr DWORD kMaxScannersFileBytes = 1 << 20;

// Instance ids of the last discovery, by device node less kSimDevInstBase.
// Worker thread only, like the scanner table.
std::vector<std::u16string> lastDiscovered;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, sizeof value / sizeof value[0]);
  if (n == 0 || n >= sizeof value / sizeof value[0]) return std::wstring();
  return value;
}

std::vector<SimScanner> LoadScanners() {
  const std::wstring path = Environment(L"ZOR70_SIM_SCANNERS");
  if (path.empty()) return {};
  // Shared every way: the test or the demo may rewrite it at any time.
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};   // no file: no scanner attached
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (text.size() < kMaxScannersFileBytes && ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
    text.append(chunk, got);

  std::vector<std::size_t> badLines;
  std::vector<SimScanner> scanners = ParseSimScanners(text, &badLines);
  for (std::size_t line : badLines) {
    LogFailure("simulated scanners: line %zu of the scanner file ignored", line);
  }
  return scanners;
}

void AppendEjectLog(const char* outcome, std::uint32_t serialNumber) {
  const std::wstring path = Environment(L"ZOR70_SIM_EJECT_LOG");
  if (path.empty()) return;
  FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string line = std::string(outcome) + " " + std::to_string(serialNumber) + "\n";
  DWORD written = 0;
  WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

class SimEjectPort : public EjectPort {
 public:
  explicit SimEjectPort(std::uint32_t serialNumber) : serialNumber_(serialNumber) {}

  // The parent exists while the scanner's line is still in the file.
  bool GetParent(std::uint32_t devInst, std::uint32_t& parent) override {
    const std::uint32_t index = devInst - kSimDevInstBase;
    if (devInst < kSimDevInstBase || index >= lastDiscovered.size()) return false;
    for (const SimScanner& scanner : LoadScanners()) {
      if (scanner.instanceId != lastDiscovered[index]) continue;
      veto_ = scanner.veto;
      parent = devInst;
      return true;
    }
    return false;
  }

  std::uint32_t RequestEject(std::uint32_t, std::uint32_t& vetoType) override {
    if (veto_) {
      vetoType = kVetoOutstandingOpen;
      return kCrRemoveVetoed;
    }
    AppendEjectLog("ejected", serialNumber_);
    return kCrSuccess;
  }

  void ReadLocation(std::uint32_t, char16_t*, std::uint32_t) override {}   // no location text
  void Pause(std::uint32_t milliseconds) override { Sleep(milliseconds); }

 private:
  std::uint32_t serialNumber_;
  bool veto_ = false;
};

// A blocked scanner's disk refuses its open as the real one under such a
// policy does, and is logged by the same words.
class SimSource : public SnapshotSource {
 public:
  using SnapshotSource::SnapshotSource;
  void ScannerSkipped(const DiskInterface& disk, DiscoveryStep step) override {
    LogFailure("%s", SkippedScannerEvent(disk.instanceId, step, "CreateFileW: " + ErrorText(ERROR_ACCESS_DENIED)).c_str());
  }
};

}  // namespace

bool DiscoverScanners(ScannerTable& table) {
  const std::vector<SimScanner> scanners = LoadScanners();
  lastDiscovered.clear();
  for (const SimScanner& scanner : scanners) lastDiscovered.push_back(scanner.instanceId);
  const DiscoverySnapshot snapshot = BuildSimSnapshot(scanners, sizeof(SP_DEVINFO_DATA));
  SimSource source(snapshot);
  FillScannerTable(source, table);
  return true;
}

int EjectScanner(const ScannerRecord& record) {
  SimEjectPort port(record.serialNumber);
  const EjectOutcome outcome = EjectScannerWith(record, port);
  if (!outcome.message.empty()) AppendEjectLog("vetoed", record.serialNumber);
  return ReportEjectOutcome(record, outcome);
}
