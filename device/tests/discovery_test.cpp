#include "device/discovery.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char16_t kScannerId[] = u"USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\150314001234&0";

SnapshotInterface Disk(std::u16string id, std::optional<std::uint32_t> number,
                       std::uint32_t devInst = 0x100) {
  SnapshotInterface disk;
  disk.instanceId = std::move(id);
  disk.deviceNumber = number;
  disk.devInfo.cbSize = 32;
  disk.devInfo.DevInst = devInst;
  disk.devInfo.ClassGuid.Data1 = 0x4D36E967u;
  disk.devInfo.Reserved = 77;
  return disk;
}

SnapshotInterface Failure() {
  SnapshotInterface disk;
  disk.status = InterfaceRead::Failed;
  return disk;
}

SnapshotRoot Root(char16_t letter, std::uint32_t type, std::optional<std::uint32_t> number) {
  return SnapshotRoot{std::u16string{letter, u':', u'\\'}, type, number};
}

std::u16string ScannerId(const std::u16string& serialPart) {
  return u"USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\" + serialPart;
}

std::u16string Drive(const ScannerRecord& record) { return std::u16string(record.drive); }

// A table whose every record holds leftovers, as after earlier discoveries.
ScannerTable StaleTable() {
  ScannerTable table;
  for (ScannerRecord& record : table.records) {
    record.serialNumber = 999;
    record.productionDate.wYear = 1999;
    record.productionDate.wHour = 7;
    record.drive[0] = u'Q';
    record.drive[1] = u':';
  }
  table.count = 7;
  table.selected = 5;
  return table;
}

TEST(ParseUsbSerial, ReadsDateAndSerial) {
  SystemTime date;
  std::uint32_t serial = 0;
  ASSERT_TRUE(ParseUsbSerial(u"150314001234&0", date, serial));
  EXPECT_EQ(date.wDay, 15);
  EXPECT_EQ(date.wMonth, 3);
  EXPECT_EQ(date.wYear, 2014);
  EXPECT_EQ(serial, 1234u);
  EXPECT_EQ(date.wDayOfWeek + date.wHour + date.wMinute + date.wSecond + date.wMilliseconds, 0);
}

TEST(ParseUsbSerial, TooShortZeroesBothOutputs) {
  SystemTime date;
  date.wYear = 1990, date.wDay = 3, date.wHour = 4;
  std::uint32_t serial = 55;
  EXPECT_FALSE(ParseUsbSerial(u"15031400123", date, serial));   // 11 characters
  EXPECT_EQ(serial, 0u);
  EXPECT_EQ(date.wYear + date.wDay + date.wHour, 0);

  // The id sits in a terminated buffer: a NUL ends the text for the length test too.
  serial = 55;
  EXPECT_FALSE(ParseUsbSerial(std::u16string(u"150314\0" u"01234567", 15), date, serial));
  EXPECT_EQ(serial, 0u);

  EXPECT_TRUE(ParseUsbSerial(u"150314001234", date, serial));   // exactly 12
  EXPECT_EQ(serial, 1234u);
}

TEST(ParseUsbSerial, EachDateFieldIsConvertedAlone) {
  SystemTime date;
  std::uint32_t serial = 0;
  // "1x" gives 1; the month field is not swallowed into the day.
  ASSERT_TRUE(ParseUsbSerial(u"1x1299000001", date, serial));
  EXPECT_EQ(date.wDay, 1);
  EXPECT_EQ(date.wMonth, 12);
  EXPECT_EQ(date.wYear, 2099);
  EXPECT_EQ(serial, 1u);

  ASSERT_TRUE(ParseUsbSerial(u"xx 3+4abcdef", date, serial));
  EXPECT_EQ(date.wDay, 0);     // no digit
  EXPECT_EQ(date.wMonth, 3);   // leading blank
  EXPECT_EQ(date.wYear, 2004); // sign
  EXPECT_EQ(serial, 0u);

  // No range checks; a negative field wraps and is kept in 16 bits.
  ASSERT_TRUE(ParseUsbSerial(u"4513-1000042", date, serial));
  EXPECT_EQ(date.wDay, 45);
  EXPECT_EQ(date.wMonth, 13);
  EXPECT_EQ(date.wYear, static_cast<std::uint16_t>(0xFFFFFFFFu + 2000u));
  EXPECT_EQ(serial, 42u);
}

TEST(ParseUsbSerial, SerialFollowsWcstoul) {
  SystemTime date;
  std::uint32_t serial = 0;
  ASSERT_TRUE(ParseUsbSerial(u"1503144294967295&0", date, serial));
  EXPECT_EQ(serial, 4294967295u);
  ASSERT_TRUE(ParseUsbSerial(u"1503144294967296&0", date, serial));
  EXPECT_EQ(serial, 0xFFFFFFFFu);   // beyond 32 bits
  ASSERT_TRUE(ParseUsbSerial(u"150314123456789012345678901234567890", date, serial));
  EXPECT_EQ(serial, 0xFFFFFFFFu);
  ASSERT_TRUE(ParseUsbSerial(u"150314-5&0000", date, serial));
  EXPECT_EQ(serial, 0xFFFFFFFBu);
  ASSERT_TRUE(ParseUsbSerial(u"150314ABCDEF", date, serial));
  EXPECT_EQ(serial, 0u);
  EXPECT_EQ(date.wDay, 15);   // the date still counts
}

TEST(WcsToUl10, RuntimeRules) {
  EXPECT_EQ(WcsToUl10(u""), 0u);
  EXPECT_EQ(WcsToUl10(u" \t\r\n\v\f17x"), 17u);
  EXPECT_EQ(WcsToUl10(u"+"), 0u);
  EXPECT_EQ(WcsToUl10(u"- 5"), 0u);
  EXPECT_EQ(WcsToUl10(u"--5"), 0u);
  EXPECT_EQ(WcsToUl10(u"0x1F"), 0u);   // base 10 takes no prefix
  EXPECT_EQ(WcsToUl10(u"12\u00A034"), 12u);
  EXPECT_EQ(WcsToUl10(u"\uFF11\uFF12"), 0u);   // full-width digits are not digits
  EXPECT_EQ(WcsToUl10(u"-4294967295"), 1u);
  EXPECT_EQ(WcsToUl10(u"-4294967296"), 0xFFFFFFFFu);
  // Leading zeros never overflow, however many.
  EXPECT_EQ(WcsToUl10(u"000000000000000000000000000004294967295"), 4294967295u);
  // The view's end stops the conversion like a terminator.
  EXPECT_EQ(WcsToUl10(std::u16string_view(u"123456", 2)), 12u);
}

TEST(SplitDriveStrings, ListAsTheSystemGivesIt) {
  const char16_t list[] = u"A:\\\0C:\\\0E:\\\0";   // plus the array's own terminator
  const auto roots = SplitDriveStrings(list, 12);
  ASSERT_EQ(roots.size(), 3u);
  EXPECT_EQ(roots[0], u"A:\\");
  EXPECT_EQ(roots[2], u"E:\\");
  EXPECT_TRUE(SplitDriveStrings(list, 0).empty());
  // A piece cut by the length is not a root.
  EXPECT_EQ(SplitDriveStrings(list, 6).size(), 1u);
}

TEST(FillScannerTable, RecordsScannerWithItsDrive) {
  DiscoverySnapshot system;
  system.interfaces = {Disk(u"IDE\\DISKST500\\5&1", 0), Disk(kScannerId, 3, 0x2345)};
  system.roots = {Root(u'C', 3, 0), Root(u'D', 5, 1), Root(u'E', kDriveRemovable, 3)};
  ScannerTable table = StaleTable();
  FillScannerTable(system, table);

  ASSERT_EQ(table.count, 1u);
  const ScannerRecord& record = table.records[0];
  EXPECT_EQ(record.devInfo.DevInst, 0x2345u);
  EXPECT_EQ(record.devInfo.cbSize, 32u);
  EXPECT_EQ(record.devInfo.ClassGuid.Data1, 0x4D36E967u);
  EXPECT_EQ(record.devInfo.Reserved, 77u);
  EXPECT_EQ(record.serialNumber, 1234u);
  EXPECT_EQ(record.productionDate.wYear, 2014);
  EXPECT_EQ(record.productionDate.wMonth, 3);
  EXPECT_EQ(record.productionDate.wDay, 15);
  EXPECT_EQ(record.productionDate.wHour, 0);   // leftovers cleared
  EXPECT_EQ(Drive(record), u"E:");
  EXPECT_EQ(record.drive[2], 0);
  EXPECT_EQ(table.selected, 5);   // discovery leaves the selection alone
}

TEST(FillScannerTable, BothMarkersCaseSensitive) {
  DiscoverySnapshot system;
  system.interfaces = {
      Disk(u"USBSTOR\\DISK&VEN_KINGSTON&PROD_DATATRAVELER\\0019E06B&0", 3),   // memory stick
      Disk(u"usbstor\\DISK&VEN_ZOR&PROD_SCANNER_ZOR\\150314001234&0", 3),
      Disk(u"USBSTOR\\DISK&VEN_ZOR&PROD_scanner_zor\\150314001234&0", 3),
      Disk(u"SCSI\\DISK&VEN_ZOR&PROD_SCANNER_ZOR\\150314001234&0", 3),
      Disk(u"X\\SCANNER_ZOR_USBSTOR\\010100000009", 3, 0x77),   // anywhere in the id
  };
  system.roots = {Root(u'E', kDriveRemovable, 3)};
  ScannerTable table;
  FillScannerTable(system, table);
  ASSERT_EQ(table.count, 1u);
  EXPECT_EQ(table.records[0].devInfo.DevInst, 0x77u);
  EXPECT_EQ(table.records[0].serialNumber, 9u);
}

TEST(FillScannerTable, DriveMatchingRules) {
  struct Case {
    const char* what;
    std::vector<SnapshotRoot> roots;
    std::u16string drive;
  };
  const std::vector<Case> cases = {
      {"A: and B: are never tried", {Root(u'A', kDriveRemovable, 3), Root(u'B', kDriveRemovable, 3)}, u""},
      {"only removable drives", {Root(u'E', 3, 3), Root(u'F', 5, 3)}, u""},
      {"first matching root wins", {Root(u'G', kDriveRemovable, 3), Root(u'H', kDriveRemovable, 3)}, u"G:"},
      {"unopenable volume is skipped", {Root(u'E', kDriveRemovable, std::nullopt), Root(u'F', kDriveRemovable, 3)}, u"F:"},
      {"other device numbers", {Root(u'E', kDriveRemovable, 4), Root(u'F', kDriveRemovable, 0)}, u""},
      {"no drive at all (the leftover Q: goes)", {}, u""},
  };
  for (const Case& c : cases) {
    DiscoverySnapshot system;
    system.interfaces = {Disk(kScannerId, 3)};
    system.roots = c.roots;
    ScannerTable table = StaleTable();
    FillScannerTable(system, table);
    ASSERT_EQ(table.count, 1u) << c.what;   // recorded even without a drive
    EXPECT_EQ(Drive(table.records[0]), c.drive) << c.what;
  }
}

using Skipped = std::vector<std::pair<std::u16string, DiscoveryStep>>;

// Each scanner skipped is reported once, with its step, for the log.
TEST(FillScannerTable, SkipsScannerWithoutDeviceNumberOrDriveList) {
  DiscoverySnapshot system;
  system.interfaces = {Disk(ScannerId(u"010101000001"), std::nullopt), Disk(ScannerId(u"020202000002"), 2)};
  system.roots = {Root(u'E', kDriveRemovable, 2)};
  ScannerTable table;
  SnapshotSource source(system);
  FillScannerTable(source, table);
  ASSERT_EQ(table.count, 1u);
  EXPECT_EQ(table.records[0].serialNumber, 2u);
  EXPECT_EQ(source.skipped, (Skipped{{ScannerId(u"010101000001"), DiscoveryStep::DiskNumber}}));

  system.driveListReadable = false;
  SnapshotSource unreadable(system);
  FillScannerTable(unreadable, table);
  EXPECT_EQ(table.count, 0u);
  EXPECT_EQ(unreadable.skipped, (Skipped{{ScannerId(u"010101000001"), DiscoveryStep::DiskNumber},
                                         {ScannerId(u"020202000002"), DiscoveryStep::DriveList}}));
  EXPECT_EQ(SkippedScannerEvent(u"USBSTOR\\Z\u0416", DiscoveryStep::DriveList, "error 5"),
            "discovery: scanner USBSTOR\\Z? seen and skipped: the list of drives cannot be read: error 5");
}

// A failed read ends the enumeration; it is a scanner's skip only when the
// id that could still be read is a scanner's.
TEST(FillScannerTable, ReadFailureEndsEnumerationKeepingEarlierScanners) {
  DiscoverySnapshot system;
  SnapshotInterface failedScanner = Failure();
  failedScanner.instanceId = ScannerId(u"030303000003");
  system.interfaces = {Disk(ScannerId(u"010101000001"), 1), Failure(), Disk(ScannerId(u"020202000002"), 2)};
  system.roots = {Root(u'E', kDriveRemovable, 1), Root(u'F', kDriveRemovable, 2)};
  for (const SnapshotInterface& failed : {Failure(), failedScanner}) {
    system.interfaces[1] = failed;
    ScannerTable table;
    SnapshotSource source(system);
    FillScannerTable(source, table);
    ASSERT_EQ(table.count, 1u);
    EXPECT_EQ(table.records[0].serialNumber, 1u);
    EXPECT_EQ(source.skipped.size(), failed.instanceId.empty() ? 0u : 1u);
  }
}

TEST(FillScannerTable, SerialPartRules) {
  DiscoverySnapshot system;
  system.interfaces = {
      Disk(u"USBSTOR_SCANNER_ZOR_150314001234", 1),          // no backslash
      Disk(u"USBSTOR\\SCANNER_ZOR_150314001234", 1),         // one backslash
      Disk(ScannerId(u"15031400123"), 1),                    // 11 characters
      Disk(ScannerId(u""), 1),                               // nothing after it
      Disk(u"USBSTOR\\SCANNER_ZOR\\280215000077\\more", 1),  // text after the second one
  };
  system.roots = {Root(u'E', kDriveRemovable, 1)};
  ScannerTable table = StaleTable();
  FillScannerTable(system, table);
  ASSERT_EQ(table.count, 5u);
  for (std::uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(table.records[i].serialNumber, 0u) << i;
    EXPECT_EQ(table.records[i].productionDate.wYear, 0) << i;
    EXPECT_EQ(table.records[i].productionDate.wHour, 0) << i;
    EXPECT_EQ(Drive(table.records[i]), u"E:") << i;
  }
  EXPECT_EQ(table.records[4].serialNumber, 77u);
  EXPECT_EQ(table.records[4].productionDate.wMonth, 2);
}

TEST(FillScannerTable, TwoScannersOnOneDeviceNumberShareTheDrive) {
  DiscoverySnapshot system;
  system.interfaces = {Disk(ScannerId(u"010101000001"), 4), Disk(ScannerId(u"020202000002"), 4)};
  system.roots = {Root(u'E', kDriveRemovable, 4), Root(u'F', kDriveRemovable, 4)};
  ScannerTable table;
  FillScannerTable(system, table);
  ASSERT_EQ(table.count, 2u);
  EXPECT_EQ(Drive(table.records[0]), u"E:");
  EXPECT_EQ(Drive(table.records[1]), u"E:");
}

TEST(FillScannerTable, TenScannersAtMostInEnumerationOrder) {
  DiscoverySnapshot system;
  for (int i = 0; i < 11; ++i) {
    const std::u16string serial = u"01011500000" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
    system.interfaces.push_back(Disk(ScannerId(serial) + (i == 10 ? u"x" : u""), 1, 0x100u + i));
  }
  ScannerTable table;
  FillScannerTable(system, table);
  ASSERT_EQ(table.count, 10u);
  for (std::uint32_t i = 0; i < 10; ++i) EXPECT_EQ(table.records[i].devInfo.DevInst, 0x100u + i);
}

// Checks that the walk asks the system only what the enumeration needs, in
// its order: costly opens of disks and volumes are not made ahead of time.
class RecordingSource : public DiscoverySource {
 public:
  std::vector<std::u16string> ids;
  std::vector<std::string> calls;

  InterfaceRead ReadInterface(std::uint32_t index, DiskInterface& out) override {
    calls.push_back("interface " + std::to_string(index));
    if (index >= ids.size()) return InterfaceRead::End;
    out.instanceId = ids[index];
    out.devicePath = u"\\\\?\\disk" + std::u16string(1, static_cast<char16_t>(u'0' + index));
    return InterfaceRead::Read;
  }
  std::optional<std::uint32_t> DiskDeviceNumber(const DiskInterface& disk) override {
    calls.push_back("disk " + std::string(1, static_cast<char>(disk.devicePath.back())));
    return 7;
  }
  bool DriveRoots(std::vector<std::u16string>& roots) override {
    calls.push_back("roots");
    roots = {u"A:\\", u"C:\\", u"E:\\", u"F:\\", u"G:\\"};
    return true;
  }
  std::uint32_t DriveType(const std::u16string& root) override {
    calls.push_back("type " + std::string(1, static_cast<char>(root[0])));
    return root[0] == u'C' ? 3 : kDriveRemovable;
  }
  std::optional<std::uint32_t> VolumeDeviceNumber(char16_t letter) override {
    calls.push_back("volume " + std::string(1, static_cast<char>(letter)));
    return letter == u'F' ? 7 : 1;
  }
  void ScannerSkipped(const DiskInterface&, DiscoveryStep) override { calls.push_back("skipped"); }
};

TEST(FillScannerTable, AsksTheSystemStepByStep) {
  RecordingSource source;
  source.ids = {u"USBSTOR\\DISK&PROD_STICK\\1&0", kScannerId};
  ScannerTable table;
  FillScannerTable(source, table);
  const std::vector<std::string> expected = {
      "interface 0",                                   // not a scanner: nothing opened
      "interface 1", "disk 1", "roots",                // the list is read per scanner
      "type C", "type E", "volume E", "type F", "volume F",   // A: untouched, C: not opened, G: never reached
      "interface 2"};
  EXPECT_EQ(source.calls, expected);
  EXPECT_EQ(Drive(table.records[0]), u"F:");
}

}  // namespace
