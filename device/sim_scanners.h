// The simulated scanners: a text file names them, one a line, and the
// simulation turns it into what the system would report, for the same
// discovery walk the real adapter feeds.
//
//   # comment
//   USBSTOR\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\150314001234&0 E:
//   USBSTOR\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\010115000007&0 F: veto
//   USBSTOR\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\020215000008&0
//   USBSTOR\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\030315000009&0 G: blocked
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/discovery.h"

struct SimScanner {
  std::u16string instanceId;
  char16_t driveLetter = 0;   // upper case; 0: the disk has no drive
  bool veto = false;          // every ejection of it is refused
  bool blocked = false;       // its disk cannot be opened, as a policy against USB storage does
};

// Lines are UTF-8 (a BOM is skipped), LF or CRLF. Blank lines and lines whose
// first non-blank character is # are ignored. Words are separated by blanks:
// the instance id, then optionally a drive ("E:" or "E:\", any case), then
// optionally "veto", then optionally "blocked". A line with any other word is skipped and its 1-based
// number added to `badLines`.
std::vector<SimScanner> ParseSimScanners(std::string_view text, std::vector<std::size_t>* badLines);

// Device-node numbers of simulated disks: kSimDevInstBase + the line's index.
constexpr std::uint32_t kSimDevInstBase = 0x5100;

// Each scanner becomes a disk interface with device number = its index + 1
// (none for a blocked one).
// Each drive letter named becomes a removable root, listed in letter order as
// the system lists its drives, with the device number of the first scanner
// that names it; so a second scanner on the same drive gets no drive, and A:
// or B: get none either. `devInfoSize` is what the platform's cbSize holds.
DiscoverySnapshot BuildSimSnapshot(const std::vector<SimScanner>& scanners,
                                   std::uint32_t devInfoSize);
