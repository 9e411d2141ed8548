#include "device/discovery.h"

#include <cassert>

namespace {

// The blanks the C runtime's iswspace accepts in the "C" locale.
bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Each two-digit field of the date is converted on its own, so a field never
// runs on into the next one ("150314" is 15, 3, 14, not 150314).
std::uint16_t DateField(std::u16string_view text, std::size_t at) {
  return static_cast<std::uint16_t>(WcsToUl10(text.substr(at, 2)));
}

}  // namespace

bool IsScannerInstanceId(std::u16string_view instanceId) {
  return instanceId.find(u"USBSTOR") != std::u16string_view::npos &&
         instanceId.find(u"SCANNER_ZOR") != std::u16string_view::npos;
}

std::string SkippedScannerEvent(std::u16string_view instanceId, DiscoveryStep step, std::string_view cause) {
  // Instance ids are ASCII; anything else shows as '?', never as broken text.
  std::string id;
  for (char16_t c : instanceId) id += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  const char* words = "";
  switch (step) {
    case DiscoveryStep::InterfaceDetail: words = "its interface detail cannot be read"; break;
    case DiscoveryStep::DiskNumber: words = "its disk cannot be opened or asked for its device number"; break;
    case DiscoveryStep::DriveList: words = "the list of drives cannot be read"; break;
  }
  std::string event = "discovery: scanner " + id + " seen and skipped: " + words + ": " + std::string(cause);
  if (step == DiscoveryStep::InterfaceDetail) event += "; the disks after it are not looked at";
  return event;
}

std::uint32_t WcsToUl10(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (!overflow) {
      value = value * 10 + static_cast<std::uint64_t>(text[i] - u'0');
      overflow = value > 0xFFFFFFFFu;
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  const auto result = static_cast<std::uint32_t>(value);
  return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

bool ParseUsbSerial(std::u16string_view serialPart, SystemTime& productionDate,
                    std::uint32_t& serialNumber) {
  // The id comes from a NUL-terminated buffer: the runtime would stop there.
  const std::size_t nul = serialPart.find(u'\0');
  if (nul != std::u16string_view::npos) serialPart = serialPart.substr(0, nul);

  productionDate = SystemTime{};
  serialNumber = 0;
  if (serialPart.size() < 12) return false;
  productionDate.wDay = DateField(serialPart, 0);
  productionDate.wMonth = DateField(serialPart, 2);
  productionDate.wYear = static_cast<std::uint16_t>(DateField(serialPart, 4) + 2000);
  serialNumber = WcsToUl10(serialPart.substr(6));
  return true;
}

void FillScannerTable(DiscoverySource& source, ScannerTable& table) {
  table.count = 0;
  for (std::uint32_t index = 0;; ++index) {
    DiskInterface disk;
    const InterfaceRead read = source.ReadInterface(index, disk);
    if (read == InterfaceRead::Failed && IsScannerInstanceId(disk.instanceId))
      source.ScannerSkipped(disk, DiscoveryStep::InterfaceDetail);
    if (read != InterfaceRead::Read) break;
    if (!IsScannerInstanceId(disk.instanceId)) continue;

    const std::optional<std::uint32_t> diskNumber = source.DiskDeviceNumber(disk);
    if (!diskNumber) {
      source.ScannerSkipped(disk, DiscoveryStep::DiskNumber);
      continue;
    }

    // Asked afresh for every scanner, as drives come and go between scanners.
    std::vector<std::u16string> roots;
    if (!source.DriveRoots(roots)) {
      source.ScannerSkipped(disk, DiscoveryStep::DriveList);
      continue;
    }

    const std::u16string* match = nullptr;
    for (const std::u16string& root : roots) {
      // A: and B: are floppy letters: opening them can stall on the drive.
      if (root.empty() || root[0] < u'C') continue;
      if (source.DriveType(root) != kDriveRemovable) continue;
      const std::optional<std::uint32_t> volumeNumber = source.VolumeDeviceNumber(root[0]);
      if (volumeNumber && *volumeNumber == *diskNumber) {
        match = &root;
        break;
      }
    }

    assert(table.count < kMaxScanners);
    ScannerRecord& record = table.records[table.count];
    record.devInfo = disk.devInfo;

    std::size_t backslash = disk.instanceId.find(u'\\');
    if (backslash != std::u16string::npos) backslash = disk.instanceId.find(u'\\', backslash + 1);
    if (backslash != std::u16string::npos) {
      ParseUsbSerial(std::u16string_view(disk.instanceId).substr(backslash + 1),
                     record.productionDate, record.serialNumber);
    } else {
      record.serialNumber = 0;
      record.productionDate = SystemTime{};
    }

    // Letter and colon only, at most two characters, always terminated.
    for (char16_t& c : record.drive) c = 0;
    if (match) {
      for (std::size_t i = 0; i < 2 && i < match->size() && (*match)[i] != 0; ++i)
        record.drive[i] = (*match)[i];
    }

    if (++table.count == kMaxScanners) break;
  }
}

InterfaceRead SnapshotSource::ReadInterface(std::uint32_t index, DiskInterface& out) {
  if (index >= snapshot_.interfaces.size()) return InterfaceRead::End;
  const SnapshotInterface& entry = snapshot_.interfaces[index];
  current_ = index;
  out.devInfo = entry.devInfo;
  out.instanceId = entry.instanceId;
  out.devicePath.clear();
  return entry.status;
}

void SnapshotSource::ScannerSkipped(const DiskInterface& disk, DiscoveryStep step) {
  skipped.emplace_back(disk.instanceId, step);
}

std::optional<std::uint32_t> SnapshotSource::DiskDeviceNumber(const DiskInterface&) {
  return snapshot_.interfaces[current_].deviceNumber;
}

bool SnapshotSource::DriveRoots(std::vector<std::u16string>& roots) {
  if (!snapshot_.driveListReadable) return false;
  roots.clear();
  for (const SnapshotRoot& root : snapshot_.roots) roots.push_back(root.root);
  return true;
}

std::uint32_t SnapshotSource::DriveType(const std::u16string& root) {
  for (const SnapshotRoot& entry : snapshot_.roots)
    if (entry.root == root) return entry.type;
  return 1;   // DRIVE_NO_ROOT_DIR
}

std::optional<std::uint32_t> SnapshotSource::VolumeDeviceNumber(char16_t letter) {
  for (const SnapshotRoot& entry : snapshot_.roots)
    if (!entry.root.empty() && entry.root[0] == letter) return entry.deviceNumber;
  return std::nullopt;
}

void FillScannerTable(const DiscoverySnapshot& snapshot, ScannerTable& table) {
  SnapshotSource source(snapshot);
  FillScannerTable(source, table);
}

std::vector<std::u16string> SplitDriveStrings(const char16_t* list, std::size_t length) {
  std::vector<std::u16string> roots;
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (list[i] != 0) continue;
    if (i == start) break;   // the empty string that ends the list
    roots.emplace_back(list + start, i - start);
    start = i + 1;
  }
  return roots;
}
