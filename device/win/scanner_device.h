// The scanner operations the worker calls. Declared without windows.h; the
// definitions come from zor_device_win (SetupAPI) or zor_device_sim (the
// simulated scanners), with the inventory shared by both.
#pragma once

#include <string>

#include "catalogue/catalogue.h"
#include "device/scanner_table.h"

// Refills the table with the attached scanners, leaving its selected index
// alone. False only when the list of disk devices cannot be obtained (count
// is then 0).
bool DiscoverScanners(ScannerTable& table);

// Asks Windows to eject the scanner's USB device: kEjectDone (0) or
// kEjectFailed (6). A device that stays in use is reported to the user here.
int EjectScanner(const ScannerRecord& record);

// The scanner's drive ("E:") in the ANSI code page, as the paths on its
// disk are ANSI; empty when it has no drive.
std::string AnsiDrive(const ScannerRecord& record);

// Marks the catalogue releases found in "Program Files" on the scanner's
// drive; false when that directory cannot be listed or the scanner has no drive.
bool ReadScannerInventory(const ScannerRecord& record, ModuleCatalogue& catalogue);
