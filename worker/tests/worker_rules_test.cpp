#include "worker/worker_rules.h"

#include <gtest/gtest.h>

#include <cstring>

#include "worker/messages.h"

namespace {

SystemTime Date(std::uint16_t day, std::uint16_t month, std::uint16_t year) {
  SystemTime t;
  t.wDay = day;
  t.wMonth = month;
  t.wYear = year;
  return t;
}

ScannerTable TableOf(std::initializer_list<std::uint32_t> serials) {
  ScannerTable table;
  for (std::uint32_t serial : serials) table.records[table.count++].serialNumber = serial;
  return table;
}

TEST(ScannerButtonText, ModelSerialAndDateOnThreeLines) {
  EXPECT_EQ(FormatScannerButtonText(1234, Date(5, 3, 2012)), u"ЗОР-70\n1234\n5.03.2012");
  EXPECT_EQ(FormatScannerButtonText(0, Date(0, 0, 0)), u"ЗОР-70\n0\n0.00.0");
}

TEST(ScannerButtonText, LargestValuesStillFitTheButton) {
  const std::u16string text = FormatScannerButtonText(0xFFFFFFFFu, Date(65535, 65535, 65535));
  EXPECT_EQ(text, u"ЗОР-70\n4294967295\n65535.65535.65535");
  EXPECT_LT(text.size(), kButtonTextSize);
}

TEST(MarkedScanner, FirstWhenNothingWasMarked) {
  EXPECT_EQ(MarkedScannerIndex(TableOf({7, 8}), kNoMarkedSerial), 0u);
}

TEST(MarkedScanner, KeepsTheMarkedSerialWhereverItMoved) {
  EXPECT_EQ(MarkedScannerIndex(TableOf({7, 8, 9}), 9), 2u);
  EXPECT_EQ(MarkedScannerIndex(TableOf({9, 7}), 9), 0u);
}

TEST(MarkedScanner, FallsBackToTheFirstWhenTheMarkedOneIsGone) {
  EXPECT_EQ(MarkedScannerIndex(TableOf({7, 8}), 9), 0u);
}

TEST(MarkedScanner, OneMarkForTwoScannersWithTheSameSerial) {
  // Unreadable serials are all 0: the first of them keeps the mark, alone.
  EXPECT_EQ(MarkedScannerIndex(TableOf({5, 0, 0}), 0), 1u);
}

TEST(SelectionForRefresh, AButtonsScannerIsTakenAnyOtherRequestKeepsTheMarkedOne) {
  ScannerTable table = TableOf({7, 1234, 9});
  table.selected = 1;
  EXPECT_EQ(SelectionForRefresh(table, 0, kNoMarkedSerial), 0);
  EXPECT_EQ(SelectionForRefresh(table, 2, kNoMarkedSerial), 2);
  EXPECT_EQ(SelectionForRefresh(table, kKeepSelection, 9), 1);
  EXPECT_EQ(SelectionForRefresh(table, ~std::uint64_t{0}, 9), 1);  // -1 in a 64-bit wParam
  // The button at index 0 carries serial 9: a panel out of step with the table.
  EXPECT_EQ(SelectionForRefresh(table, 0, 9), 2);
  EXPECT_EQ(SelectionForRefresh(table, 0, 55), -1);  // its scanner has left
  EXPECT_EQ(ScannerWithSerial(table, 1234), &table.records[1]);
  EXPECT_EQ(ScannerWithSerial(table, 55), nullptr);
}

// The table before a discovery with its selected index, the table the
// discovery wrote, and the index that must name the same scanner.
TEST(SelectionAfterDiscovery, FollowsTheSelectedSerialNumber) {
  struct Case {
    std::initializer_list<std::uint32_t> before;
    std::int32_t selected;
    std::initializer_list<std::uint32_t> after;
    std::int32_t expected;
  };
  const Case cases[] = {
      {{1234}, 0, {7, 1234}, 1},        // a scanner arrived ahead of the selected one
      {{7, 1234}, 1, {1234, 7}, 0},     // the order changed
      {{7, 1234}, 1, {7}, 0},           // the selected one was pulled out: the first
      {{7, 1234}, 5, {7, 1234}, 0},     // an index naming no scanner: the first
      {{}, 0, {7, 1234}, 0},            // the first discovery
      {{7}, 0, {}, 0},                  // none left
  };
  for (const Case& c : cases) {
    ScannerTable table = TableOf(c.before);
    table.selected = c.selected;
    const std::uint32_t serial = SelectedSerial(table);
    const ScannerTable discovered = TableOf(c.after);
    EXPECT_EQ(SelectionAfterDiscovery(discovered, serial), c.expected)
        << "selected " << c.selected << " of " << c.before.size() << " before";
  }
}

TEST(SelectedScanner, OnlyAnIndexOfTheCurrentTable) {
  ScannerTable table = TableOf({7, 8});
  table.selected = 1;
  ASSERT_NE(SelectedScanner(table), nullptr);
  EXPECT_EQ(SelectedScanner(table)->serialNumber, 8u);
  table.selected = 2;   // a leftover record behind the count
  EXPECT_EQ(SelectedScanner(table), nullptr);
  table.selected = -1;
  EXPECT_EQ(SelectedScanner(table), nullptr);
  table.count = 0;
  table.selected = 0;
  EXPECT_EQ(SelectedScanner(table), nullptr);
}

TEST(ScrollBack, WholeRowsOfThirtyTwoPixels) {
  EXPECT_EQ(ScrollBackPixels(5, 0), 160);
  EXPECT_EQ(ScrollBackPixels(0, 0), 0);
  EXPECT_EQ(ScrollBackPixels(2, 3), -32);
}

TEST(JoinBounded, JoinsWhatFits) {
  char out[12];
  ASSERT_TRUE(JoinBounded(out, sizeof out, {"C:\\c\\", "ab", ".zip"}));
  EXPECT_STREQ(out, "C:\\c\\ab.zip");   // 11 bytes and the terminator: exactly full
}

TEST(JoinBounded, RefusesRatherThanCuts) {
  char out[11];
  std::memset(out, 'x', sizeof out);
  EXPECT_FALSE(JoinBounded(out, sizeof out, {"C:\\c\\", "ab", ".zip"}));
  EXPECT_STREQ(out, "");
}

TEST(JoinBounded, EmptyPiecesAreFine) {
  char out[4];
  ASSERT_TRUE(JoinBounded(out, sizeof out, {"", "ab", ""}));
  EXPECT_STREQ(out, "ab");
}

}  // namespace

namespace {

TEST(ArchiveName, PlainNamesStayInTheModuleCache) {
  EXPECT_TRUE(IsPlainArchiveName("DIAG01_1234"));
  EXPECT_TRUE(IsPlainArchiveName("boot_manager.v2"));
  EXPECT_TRUE(IsPlainArchiveName("..name"));  // no separator: still a file of the cache
}

TEST(ArchiveName, SeparatorsAndDrivesAreRefused) {
  EXPECT_FALSE(IsPlainArchiveName(""));
  EXPECT_FALSE(IsPlainArchiveName("..\\..\\Windows\\evil"));
  EXPECT_FALSE(IsPlainArchiveName("sub\\DIAG01"));
  EXPECT_FALSE(IsPlainArchiveName("C:evil"));
  EXPECT_FALSE(IsPlainArchiveName("x.zip:stream"));
  EXPECT_FALSE(IsPlainArchiveName("a/b"));
}

}  // namespace
