#include "device/sim_scanners.h"

#include <gtest/gtest.h>

namespace {

const char kId[] = "USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\";

std::string Line(const std::string& serial, const std::string& rest) {
  return kId + serial + (rest.empty() ? "" : " " + rest) + "\n";
}

TEST(ParseSimScanners, FileFormat) {
  const std::string text = "\xEF\xBB\xBF# two scanners\r\n"
                           "\r\n"
                           "   # indented comment\n" +
                           Line("150314001234&0", "e:") +
                           "\t" + kId + "010115000007&0\tF:\\  veto\r\n" +
                           Line("020215000008&0", "") +
                           Line("030315000009&0", "veto") +
                           Line("040415000010&0", "G: vetoed") +    // unknown word
                           Line("050515000011&0", "veto G:") +      // wrong order
                           Line("060615000012&0", "GG:") +
                           kId + "070715000013&0 H:";               // no final newline
  std::vector<std::size_t> bad;
  const auto scanners = ParseSimScanners(text, &bad);
  ASSERT_EQ(scanners.size(), 5u);
  EXPECT_EQ(scanners[0].instanceId, u"USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\150314001234&0");
  EXPECT_EQ(scanners[0].driveLetter, u'E');
  EXPECT_FALSE(scanners[0].veto);
  EXPECT_EQ(scanners[1].driveLetter, u'F');
  EXPECT_TRUE(scanners[1].veto);
  EXPECT_EQ(scanners[2].driveLetter, 0);
  EXPECT_EQ(scanners[3].driveLetter, 0);
  EXPECT_TRUE(scanners[3].veto);
  EXPECT_EQ(scanners[4].driveLetter, u'H');
  EXPECT_EQ(bad, (std::vector<std::size_t>{8, 9, 10}));
}

TEST(ParseSimScanners, EmptyAndBrokenText) {
  EXPECT_TRUE(ParseSimScanners("", nullptr).empty());
  EXPECT_TRUE(ParseSimScanners("\n\n  \n#\n", nullptr).empty());
  const auto scanners = ParseSimScanners("USBSTOR\\\xD0\x97\xC0\xE2\x82\n", nullptr);
  ASSERT_EQ(scanners.size(), 1u);
  EXPECT_EQ(scanners[0].instanceId, u"USBSTOR\\\u0417\uFFFD\uFFFD");
}

ScannerTable Discover(const std::string& text) {
  ScannerTable table;
  FillScannerTable(BuildSimSnapshot(ParseSimScanners(text, nullptr), 32), table);
  return table;
}

TEST(SimDiscovery, DiscoveryRulesApply) {
  const ScannerTable table = Discover(Line("150314001234&0", "F:") +
                                      "USBSTOR\\DISK&VEN_KINGSTON&PROD_STICK\\1&0 G:\n" +   // not a scanner
                                      Line("010115000007&0", "E:") +
                                      Line("020215000008&0", "E:") +    // same drive as the one before
                                      Line("030315000009&0", "A:") +
                                      Line("0303", "H:") +              // short serial part
                                      Line("040415000010&0", ""));
  ASSERT_EQ(table.count, 6u);
  const char16_t* drives[] = {u"F:", u"E:", u"", u"", u"H:", u""};
  for (std::uint32_t i = 0; i < table.count; ++i)
    EXPECT_EQ(std::u16string(table.records[i].drive), drives[i]) << i;
  EXPECT_EQ(table.records[0].serialNumber, 1234u);
  EXPECT_EQ(table.records[0].productionDate.wYear, 2014);
  EXPECT_EQ(table.records[4].serialNumber, 0u);
  EXPECT_EQ(table.records[0].devInfo.DevInst, kSimDevInstBase);
  EXPECT_EQ(table.records[1].devInfo.DevInst, kSimDevInstBase + 2);
  EXPECT_EQ(table.records[1].devInfo.cbSize, 32u);
}

TEST(SimDiscovery, TenAtMost) {
  std::string text;
  for (int i = 0; i < 12; ++i) text += Line("0101150000" + std::to_string(10 + i), "");
  const ScannerTable table = Discover(text);
  ASSERT_EQ(table.count, 10u);
  EXPECT_EQ(table.records[9].serialNumber, 19u);
}

}  // namespace
