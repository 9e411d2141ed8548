// The SetupAPI and configuration-manager adapters against the system they
// run on. No scanner is ever attached here, so these check the adapters'
// handling of the system's real answers, not the rules (tested natively).
#include <windows.h>

#include <gtest/gtest.h>

#include "device/eject.h"
#include "device/win/scanner_device.h"

namespace {

TEST(DiscoverScanners, FindsNoScannerAmongTheSystemsDisks) {
  ScannerTable table;
  table.count = 3;   // leftovers of an earlier discovery
  table.selected = 2;
  EXPECT_TRUE(DiscoverScanners(table));
  EXPECT_EQ(table.count, 0u);
  EXPECT_EQ(table.selected, 2);
}

TEST(EjectScanner, UnknownDeviceNodeFailsSilently) {
  // No such node: the parent cannot be found, nothing is shown (a message
  // box here would hang the test until its time-out).
  ScannerRecord record;
  record.devInfo.DevInst = 0x7FFFFFF0u;
  record.serialNumber = 1;
  EXPECT_EQ(EjectScanner(record), kEjectFailed);
}

}  // namespace
