// Scanner discovery as a pure walk over what the system reports. The Win32
// adapter and the simulation both feed FillScannerTable, so every rule
// (markers, the cap, drive matching, serial parsing) lives only here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/scanner_table.h"

constexpr std::uint32_t kDriveRemovable = 2;   // DRIVE_REMOVABLE

// wcstoul(text, &end, 10) as the Windows C runtime does it, over UTF-16 and
// with a 32-bit unsigned long: leading blanks, one optional sign (a minus
// negates modulo 2^32), decimal digits up to the first other character or the
// end of the view; no digit gives 0; overflow gives 0xFFFFFFFF.
std::uint32_t WcsToUl10(std::u16string_view text);

// The serial part of a scanner's instance id: DDMMYY then the decimal serial.
// Fewer than 12 characters: both outputs zeroed, false.
bool ParseUsbSerial(std::u16string_view serialPart, SystemTime& productionDate,
                    std::uint32_t& serialNumber);

enum class InterfaceRead {
  Read,     // detail and instance id were read
  End,      // the enumeration has no member at this index
  Failed,   // the detail or the instance id could not be read: discovery stops here
            // (the instance id is filled in when it could still be read)
};

// The step at which discovery gave up on a disk it had recognised as a
// scanner by its instance id.
enum class DiscoveryStep {
  InterfaceDetail,   // its interface detail: the enumeration ends there
  DiskNumber,        // its disk could not be opened or asked for its device number
  DriveList,         // the list of drives could not be read
};

// A scanner's disk: "USBSTOR" and "SCANNER_ZOR" in its instance id
// (case-sensitive, anywhere in the id).
bool IsScannerInstanceId(std::u16string_view instanceId);

// The log's words for a scanner skipped at `step`; `cause` is the failed
// call's error as the adapter has it.
std::string SkippedScannerEvent(std::u16string_view instanceId, DiscoveryStep step, std::string_view cause);

struct DiskInterface {
  DevInfoData devInfo;
  std::u16string devicePath;   // opened to ask for the disk's device number
  std::u16string instanceId;
};

// What discovery asks of the system, one call per step, in the order the
// real enumeration makes them (so the adapter does no work ahead of need).
class DiscoverySource {
 public:
  virtual ~DiscoverySource() = default;
  virtual InterfaceRead ReadInterface(std::uint32_t index, DiskInterface& out) = 0;
  // The disk's device number; nullopt when it cannot be opened or queried.
  virtual std::optional<std::uint32_t> DiskDeviceNumber(const DiskInterface& disk) = 0;
  // The drive roots ("C:\" ...) in the system's order; false when unreadable.
  virtual bool DriveRoots(std::vector<std::u16string>& roots) = 0;
  virtual std::uint32_t DriveType(const std::u16string& root) = 0;
  // Device number of the volume "\\.\X:"; nullopt when it cannot be opened or queried.
  virtual std::optional<std::uint32_t> VolumeDeviceNumber(char16_t letter) = 0;
  // A disk recognised as a scanner and then skipped at `step`, right after
  // the step's call failed: the adapter logs it, as nothing else would.
  virtual void ScannerSkipped(const DiskInterface& disk, DiscoveryStep step) = 0;
};

// Rewrites table.count and the first count records; leaves `selected` alone.
void FillScannerTable(DiscoverySource& source, ScannerTable& table);

// The system's answers gathered up front, for the simulation and for tests.
struct SnapshotInterface {
  InterfaceRead status = InterfaceRead::Read;   // Failed ends the enumeration here
  DevInfoData devInfo;
  std::u16string instanceId;
  std::optional<std::uint32_t> deviceNumber;    // nullopt: cannot open or query
};

struct SnapshotRoot {
  std::u16string root;                          // as the drive list gives it, "E:\"
  std::uint32_t type = kDriveRemovable;
  std::optional<std::uint32_t> deviceNumber;    // nullopt: cannot open or query
};

struct DiscoverySnapshot {
  std::vector<SnapshotInterface> interfaces;    // the enumeration ends after the last
  bool driveListReadable = true;
  std::vector<SnapshotRoot> roots;
};

class SnapshotSource : public DiscoverySource {
 public:
  explicit SnapshotSource(const DiscoverySnapshot& snapshot) : snapshot_(snapshot) {}
  InterfaceRead ReadInterface(std::uint32_t index, DiskInterface& out) override;
  std::optional<std::uint32_t> DiskDeviceNumber(const DiskInterface& disk) override;
  bool DriveRoots(std::vector<std::u16string>& roots) override;
  std::uint32_t DriveType(const std::u16string& root) override;
  std::optional<std::uint32_t> VolumeDeviceNumber(char16_t letter) override;
  void ScannerSkipped(const DiskInterface& disk, DiscoveryStep step) override;

  // The scanners skipped so far, in order.
  std::vector<std::pair<std::u16string, DiscoveryStep>> skipped;

 private:
  const DiscoverySnapshot& snapshot_;
  std::size_t current_ = 0;   // interface last read; its device number answers DiskDeviceNumber
};

void FillScannerTable(const DiscoverySnapshot& snapshot, ScannerTable& table);

// The roots of a drive-string list ("C:\", NUL, "E:\", NUL, NUL), `length`
// characters as the system reported them.
std::vector<std::u16string> SplitDriveStrings(const char16_t* list, std::size_t length);
