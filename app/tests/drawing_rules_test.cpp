#include "app/drawing_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "app/ui_texts.h"
#include "worker/worker_rules.h"

namespace {

TEST(TypeIcon, FollowsTheTable) {
  EXPECT_EQ(TypeIconFor(0), 7);
  EXPECT_EQ(TypeIconFor(13), 18);
  EXPECT_EQ(TypeIconFor(14), 17);
  EXPECT_EQ(TypeIconFor(27), 31);
  EXPECT_EQ(TypeIconFor(28), 52);
  EXPECT_EQ(TypeIconFor(40), 55);
  // Series 8 and 39 share an icon, and so do 9 and 38, 7 and 15.
  EXPECT_EQ(TypeIconFor(8), 40);
  EXPECT_EQ(TypeIconFor(39), 40);
  EXPECT_EQ(TypeIconFor(9), TypeIconFor(38));
  EXPECT_EQ(TypeIconFor(7), TypeIconFor(15));
}

TEST(TypeIcon, SystemRowsAndSeriesBeyondTheTable) {
  EXPECT_EQ(TypeIconFor(kSystemRowData), kSystemIcon);
  EXPECT_EQ(TypeIconFor(41), kNoIcon);
  EXPECT_EQ(TypeIconFor(0xFFFFFFFEu), kNoIcon);
}

TEST(TypeLine, ByIconAndName) {
  EXPECT_EQ(std::u16string(TypeLineFor(kSystemIcon, u"PRG_boot")), u"системный");
  EXPECT_EQ(std::u16string(TypeLineFor(7, u"xPRG_1")), u"программатор");
  EXPECT_EQ(std::u16string(TypeLineFor(7, u"prg_1")), u"диагностический");
  EXPECT_EQ(std::u16string(TypeLineFor(kNoIcon, u"DIAG")), u"диагностический");
}

TEST(RowColours, AlternateByIndex) {
  EXPECT_EQ(RowBackground(0), (Rgb{224, 224, 224}));
  EXPECT_EQ(RowBackground(1), (Rgb{238, 238, 238}));
  EXPECT_EQ(RowBackground(2), (Rgb{224, 224, 224}));
  EXPECT_EQ(NewReleaseTextColour(false), (Rgb{0, 128, 0}));
  EXPECT_EQ(NewReleaseTextColour(true), (Rgb{0, 255, 0}));
}

TEST(NewReleaseCell, SplitsAtTheFirstLineBreak) {
  CellLines lines = SplitNewReleaseText(u"Дата 1.04.2014\nВерсия 2.0.7\nx");
  EXPECT_EQ(lines.first, u"Дата 1.04.2014");
  EXPECT_EQ(lines.second, u"Версия 2.0.7\nx");
  lines = SplitNewReleaseText(u"one line");
  EXPECT_EQ(lines.first, u"one line");
  EXPECT_TRUE(lines.second.empty());
  lines = SplitNewReleaseText(u"");
  EXPECT_TRUE(lines.first.empty());
  EXPECT_TRUE(lines.second.empty());
}

TEST(ScannerLabel, ThreeLinesWithTheirLabels) {
  EXPECT_EQ(ComposeScannerLabel(u"ЗОР-70\n1234\n5.03.2012"), u"ЗОР-70\nСерийный № 1234\nДата вып. 5.03.2012");
}

TEST(ScannerLabel, MissingAndEmptyPieces) {
  EXPECT_EQ(ComposeScannerLabel(u"ЗОР-70"), u"ЗОР-70");
  EXPECT_EQ(ComposeScannerLabel(u"ЗОР-70\n\n1234"), u"ЗОР-70\nСерийный № 1234");
  EXPECT_EQ(ComposeScannerLabel(u"\nA\nB\nC\nD"), u"A\nСерийный № B\nДата вып. C");
  EXPECT_EQ(ComposeScannerLabel(u"\n\n"), u"\n\n");
  EXPECT_EQ(ComposeScannerLabel(u""), u"");
}

TEST(ScannerLabel, StaysWithinTheDisplayBuffer) {
  const std::u16string longText = u"M\n" + std::u16string(300, u'7');
  EXPECT_EQ(ComposeScannerLabel(longText).size(), kDisplayTextSize - 1);
}

TEST(ProgressText, KilobytesOrFromTheCache) {
  EXPECT_EQ(ProgressText(1536, false), u"1536 KB");
  EXPECT_EQ(ProgressText(0, false), u"0 KB");
  EXPECT_EQ(ProgressText(4294967295ul, false), u"4294967295 KB");
  EXPECT_EQ(ProgressText(1536, true), u"Был загружен ранее");
}

TEST(FinishedText, SuccessOrCancel) {
  EXPECT_EQ(std::u16string(InstallFinishedText(false)), u"Загрузка произведена успешно.");
  EXPECT_EQ(std::u16string(InstallFinishedText(true)), u"Загрузка модуля отменена.");
  EXPECT_EQ(InstallFailureText(0), nullptr);
  EXPECT_EQ(InstallFailureText(5), nullptr);
}

}  // namespace
