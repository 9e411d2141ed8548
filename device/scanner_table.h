// The attached scanners as the last discovery found them. Portable: the
// Windows structures a record carries are mirrored field by field here, and
// the Win32 adapters convert at the boundary (see win/types.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/fixed_buffer.h"

// Mirror of SP_DEVINFO_DATA: identifies the scanner's disk device.
struct DevInfoGuid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  FixedBuffer<std::uint8_t, 8> Data4 = {};
};

struct DevInfoData {
  std::uint32_t cbSize = 0;
  DevInfoGuid ClassGuid;
  std::uint32_t DevInst = 0;   // the disk's device node; its parent is the USB device
  std::uintptr_t Reserved = 0;
};

// Mirror of SYSTEMTIME.
struct SystemTime {
  std::uint16_t wYear = 0;
  std::uint16_t wMonth = 0;
  std::uint16_t wDayOfWeek = 0;
  std::uint16_t wDay = 0;
  std::uint16_t wHour = 0;
  std::uint16_t wMinute = 0;
  std::uint16_t wSecond = 0;
  std::uint16_t wMilliseconds = 0;
};

constexpr std::size_t kDriveSize = 4;   // "E:" and its terminator, one spare
constexpr std::uint32_t kMaxScanners = 10;

struct ScannerRecord {
  DevInfoData devInfo;
  std::uint32_t serialNumber = 0;   // 0 when the serial part cannot be parsed
  SystemTime productionDate;        // wYear, wMonth, wDay only; all 0 when unparsed
  FixedBuffer<char16_t, kDriveSize> drive = {};  // letter and colon, no backslash; empty when no drive matched
};

// The drive's letter as text for the log and diagnostics ('-' without a
// drive); drive letters are ASCII.
inline char DriveLetterOf(const ScannerRecord& record) {
  return record.drive[0] != 0 ? static_cast<char>(record.drive[0]) : '-';
}

struct ScannerTable {
  std::uint32_t count = 0;                           // records 0 .. count-1 are valid
  FixedBuffer<ScannerRecord, kMaxScanners> records;  // the rest are leftovers, never read
  std::int32_t selected = 0;                         // kept by the worker; discovery leaves it alone
};
