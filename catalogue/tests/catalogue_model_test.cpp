// The catalogue model, version reading, new-release rules and row texts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/module_rows.h"
#include "testing/catalogue_builders.h"

namespace {

using namespace zortest;

ModuleVersion Parsed(const char* text) {
  ModuleVersion v;
  ParseVersion(text, v);
  return v;
}

void Add(ModuleCatalogue& c, ModuleList& list, const std::string& name, const ModuleVersion& v,
         const std::string& archive) {
  ASSERT_TRUE(AddRelease(c, list, name, v, Date(1, 1, 2014), archive));
}

// ---------------------------------------------------------------- AddRelease

TEST(AddRelease, SameNameInModuleListSplitsBySeries) {
  ModuleCatalogue c;
  Add(c, c.modules, "DIAG", Parsed("1.2.3.4"), "a");
  Add(c, c.modules, "DIAG", Parsed("2.0.0.1"), "b");
  ASSERT_EQ(c.modules.records.size(), 2u);
  EXPECT_EQ(c.modules.records[0].series, 1u);
  EXPECT_EQ(c.modules.records[1].series, 2u);
  EXPECT_EQ(ArchivesOf(c.modules.records[0]), std::vector<std::string>{"a"});
  EXPECT_EQ(ArchivesOf(c.modules.records[1]), std::vector<std::string>{"b"});
  EXPECT_TRUE(c.systemModules.records.empty());
}

TEST(AddRelease, SystemListIgnoresSeriesAndOrdersByVer2) {
  ModuleCatalogue c;
  Add(c, c.systemModules, "DIAG", Parsed("1.2.3.4"), "a");
  Add(c, c.systemModules, "DIAG", Parsed("2.0.0.1"), "b");
  ASSERT_EQ(c.systemModules.records.size(), 1u);
  EXPECT_EQ(c.systemModules.records[0].series, 1u);
  EXPECT_EQ(ArchivesOf(c.systemModules.records[0]), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(c.modules.records.empty());
}

TEST(AddRelease, EqualReleaseGoesInFrontOfTheEarlierOne) {
  ModuleCatalogue c;
  Add(c, c.modules, "M", Version(1, 2, 5), "first 2.5");
  Add(c, c.modules, "M", Version(1, 3, 1), "3.1");
  Add(c, c.modules, "M", Version(1, 2, 5), "second 2.5");
  ASSERT_EQ(c.modules.records.size(), 1u);
  EXPECT_EQ(ArchivesOf(c.modules.records[0]),
            (std::vector<std::string>{"3.1", "second 2.5", "first 2.5"}));
}

TEST(AddRelease, OrderIgnoresVer1FormAndDateAndIsUnsigned) {
  ModuleCatalogue c;
  Add(c, c.systemModules, "S", ModuleVersion{FourPart, 9, 1, 0xFFFFFFFFu}, "low ver2");
  Add(c, c.systemModules, "S", ModuleVersion{Unparsed, 0, 0x80000000u, 0}, "high ver2");
  Add(c, c.systemModules, "S", Version(5, 1, 0x80000000u), "mid");
  EXPECT_EQ(ArchivesOf(c.systemModules.records[0]),
            (std::vector<std::string>{"high ver2", "low ver2", "mid"}));
}

TEST(AddRelease, NamesCompareByteForByte) {
  ModuleCatalogue c;
  Add(c, c.modules, "Diag", Version(1, 0, 0), "a");
  Add(c, c.modules, "DIAG", Version(1, 0, 0), "b");
  Add(c, c.systemModules, "boot", Version(1, 0, 0), "c");
  Add(c, c.systemModules, "Boot", Version(1, 0, 0), "d");
  EXPECT_EQ(c.modules.records.size(), 2u);
  EXPECT_EQ(c.systemModules.records.size(), 2u);
}

TEST(AddRelease, RecordsKeepOrderOfFirstAppearance) {
  ModuleCatalogue c;
  Add(c, c.modules, "A", Version(1, 1, 0), "a1");
  Add(c, c.modules, "B", Version(1, 1, 0), "b1");
  Add(c, c.modules, "A", Version(1, 2, 0), "a2");
  ASSERT_EQ(c.modules.records.size(), 2u);
  EXPECT_EQ(c.modules.records[0].name, "A");
  EXPECT_EQ(c.modules.records[1].name, "B");
  EXPECT_EQ(ArchivesOf(c.modules.records[0]), (std::vector<std::string>{"a2", "a1"}));
  EXPECT_FALSE(c.modules.records[0].releases[0].onScanner);
}

TEST(AddRelease, RefusesValuesThatDoNotFitTheirFields) {
  ModuleCatalogue c;
  const std::string name49(49, 'n'), name50(50, 'n');
  const std::string archive259(259, 'a'), archive260(260, 'a');
  EXPECT_FALSE(AddRelease(c, c.modules, name50, Version(1, 0, 0), Date(1, 1, 1), "x"));
  EXPECT_FALSE(AddRelease(c, c.modules, "x", Version(1, 0, 0), Date(1, 1, 1), archive260));
  EXPECT_TRUE(c.modules.records.empty());
  EXPECT_TRUE(AddRelease(c, c.modules, name49, Version(1, 0, 0), Date(1, 1, 1), archive259));
  ASSERT_EQ(c.modules.records.size(), 1u);
  EXPECT_EQ(c.modules.records[0].name, name49);
}

TEST(AddRelease, FindsRecordsOfAListBuiltByHand) {
  ModuleCatalogue c;
  ModuleRecord r;
  r.series = 4;
  r.name = "M";
  r.releases.push_back(ModuleRelease{Version(4, 1, 0), Date(1, 1, 1), false, "old"});
  c.modules.records.push_back(r);
  Add(c, c.modules, "M", Version(4, 2, 0), "new");
  ASSERT_EQ(c.modules.records.size(), 1u);
  EXPECT_EQ(ArchivesOf(c.modules.records[0]), (std::vector<std::string>{"new", "old"}));
}

// The lookup index must give exactly what a walk over all records gives.
// Reference: the plain algorithm, searching from the last record and
// inserting by a walk from the first release.
void ReferenceAdd(std::vector<ModuleRecord>& records, bool system, const std::string& name,
                  const ModuleVersion& v, const std::string& archive) {
  ModuleRecord* hit = nullptr;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if (it->name == name && (system || it->series == v.ver1)) {
      hit = &*it;
      break;
    }
  }
  if (!hit) {
    records.push_back(ModuleRecord{v.ver1, name, {}});
    hit = &records.back();
  }
  auto pos = hit->releases.begin();
  while (pos != hit->releases.end() &&
         !(pos->version.ver2 < v.ver2 || (pos->version.ver2 == v.ver2 && pos->version.ver3 <= v.ver3))) {
    ++pos;
  }
  hit->releases.insert(pos, ModuleRelease{v, Date(1, 1, 2014), false, archive});
}

TEST(AddRelease, MatchesThePlainWalkOnRandomInput) {
  std::mt19937 rng(12345);
  const char* names[] = {"A", "B", "a", "AB", ""};
  ModuleCatalogue c;
  std::vector<ModuleRecord> refModules, refSystem;
  for (int i = 0; i < 3000; ++i) {
    const bool system = rng() % 3 == 0;
    const std::string name = names[rng() % 5];
    const ModuleVersion v = Version(rng() % 3, rng() % 4, rng() % 3);
    const std::string archive = "r" + std::to_string(i);
    Add(c, system ? c.systemModules : c.modules, name, v, archive);
    ReferenceAdd(system ? refSystem : refModules, system, name, v, archive);
  }
  ExpectSameRecords(c.modules.records, refModules);
  ExpectSameRecords(c.systemModules.records, refSystem);
}

// ------------------------------------------------------------- ReleaseBatch

// A batch must leave every list exactly as AddRelease one call at a time
// would, including records that held releases before the batch and a batch
// finished by its destructor.
TEST(ReleaseBatch, GivesWhatAddReleaseGivesOneAtATime) {
  std::mt19937 rng(777);
  const char* names[] = {"A", "B", "a"};
  for (int round = 0; round < 30; ++round) {
    ModuleCatalogue batched, single;
    int serial = 0;
    auto addRandom = [&](int count, ReleaseBatch* batch) {
      for (int i = 0; i < count; ++i) {
        const bool system = rng() % 3 == 0;
        const std::string name = names[rng() % 3];
        const ModuleVersion v = Version(rng() % 2, rng() % 4, rng() % 3);
        const std::string archive = "r" + std::to_string(serial++);
        Add(single, system ? single.systemModules : single.modules, name, v, archive);
        if (batch) {
          ASSERT_TRUE(batch->Add(system ? batched.systemModules : batched.modules, name, v,
                                 Date(1, 1, 2014), archive));
        } else {
          Add(batched, system ? batched.systemModules : batched.modules, name, v, archive);
        }
      }
    };
    addRandom(static_cast<int>(rng() % 20), nullptr);  // already in the catalogue
    {
      ReleaseBatch batch(batched);
      addRandom(static_cast<int>(rng() % 200), &batch);
      if (round % 2 == 0) batch.Finish();
      addRandom(static_cast<int>(rng() % 20), &batch);  // after a Finish: a batch goes on
    }
    addRandom(static_cast<int>(rng() % 20), nullptr);  // the lists are newest first again
    SCOPED_TRACE(round);
    for (const bool system : {false, true}) {
      const ModuleList& got = system ? batched.systemModules : batched.modules;
      const ModuleList& want = system ? single.systemModules : single.modules;
      ExpectSameRecords(got.records, want.records);
      EXPECT_EQ(got.index, want.index);
    }
  }
}

TEST(ReleaseBatch, RefusesWhatAddReleaseRefuses) {
  ModuleCatalogue c;
  ReleaseBatch batch(c);
  EXPECT_FALSE(batch.Add(c.modules, std::string(50, 'n'), Version(1, 0, 0), Date(1, 1, 1), "x"));
  EXPECT_FALSE(batch.Add(c.modules, "x", Version(1, 0, 0), Date(1, 1, 1), std::string(260, 'a')));
  EXPECT_TRUE(batch.Add(c.systemModules, std::string(49, 'n'), Version(1, 0, 0), Date(1, 1, 1),
                        std::string(259, 'a')));
  batch.Finish();
  EXPECT_TRUE(c.modules.records.empty());
  EXPECT_EQ(c.systemModules.records.size(), 1u);
}

// -------------------------------------------------------------- ParseVersion

TEST(ParseVersion, ReadsThreeAndFourPartVersions) {
  ModuleVersion v;
  EXPECT_TRUE(ParseVersion("1.2.3.4", v));
  EXPECT_EQ(v, (ModuleVersion{FourPart, 1, 2, 772}));
  EXPECT_TRUE(ParseVersion("2.0.7", v));
  EXPECT_EQ(v, Version(2, 0, 7));
}

TEST(ParseVersion, FewerThanThreeNumbersStayUnparsed) {
  ModuleVersion v = ModuleVersion{FourPart, 9, 9, 9};
  EXPECT_FALSE(ParseVersion("7", v));
  EXPECT_EQ(v, (ModuleVersion{Unparsed, 7, 0, 0}));
  EXPECT_FALSE(ParseVersion("3.4", v));
  EXPECT_EQ(v, (ModuleVersion{Unparsed, 3, 4, 0}));
  EXPECT_FALSE(ParseVersion("", v));
  EXPECT_EQ(v, ModuleVersion{});
  EXPECT_FALSE(ParseVersion("...", v));
}

TEST(ParseVersion, EmptyPiecesAreSkippedAndExtraPiecesIgnored) {
  ModuleVersion v;
  EXPECT_TRUE(ParseVersion(".1..2...3.", v));
  EXPECT_EQ(v, Version(1, 2, 3));
  EXPECT_TRUE(ParseVersion("1.2.3.4.5.6", v));
  EXPECT_EQ(v, Version(1, 2, 3, 4));
}

TEST(ParseVersion, FourthNumberKeepsItsLowByteAndThirdIsShifted) {
  ModuleVersion v;
  ParseVersion("1.2.3.260", v);
  EXPECT_EQ(v, (ModuleVersion{FourPart, 1, 2, 3u * 256 + 4}));
  ParseVersion("1.2.16777217.5", v);  // 2^24 + 1: the top byte leaves 32 bits
  EXPECT_EQ(v, (ModuleVersion{FourPart, 1, 2, 1u * 256 + 5}));
}

TEST(ParseVersion, PiecesReadLikeUnsignedNumbers) {
  ModuleVersion v;
  EXPECT_TRUE(ParseVersion("a.b.c", v));  // three pieces, no digits
  EXPECT_EQ(v, Version(0, 0, 0));
  EXPECT_TRUE(ParseVersion(" 12x.\t3.99999999999", v));
  EXPECT_EQ(v, Version(12, 3, 0xFFFFFFFFu));
}

// ------------------------------------------------- new release and lookups

TEST(NewRelease, OnlyTheNewestReleaseDecides) {
  ModuleCatalogue c;
  Add(c, c.modules, "M", Version(1, 3, 1), "m31");
  Add(c, c.modules, "M", Version(1, 2, 5), "m25");
  ModuleRelease r;

  c.modules.records[0].releases[1].onScanner = true;  // only 2.5 held
  ASSERT_TRUE(FindNewRelease(c, "M", r));
  EXPECT_EQ(r.archiveName, "m31");

  c.modules.records[0].releases[1].onScanner = false;
  c.modules.records[0].releases[0].onScanner = true;  // only 3.1 held
  ASSERT_TRUE(FindNewRelease(c, "M", r));
  EXPECT_EQ(r.archiveName, "");
}

TEST(NextModule, ReportsEveryRecordThenStops) {
  ModuleCatalogue c;
  Add(c, c.modules, "A", Version(1, 1, 0), "a");
  Add(c, c.modules, "B", Version(1, 1, 0), "b");
  c.modules.records[1].releases[0].onScanner = true;
  std::size_t cursor = 0;
  std::string name;
  ModuleRelease r;
  ASSERT_TRUE(NextModule(c.modules, cursor, name, r));
  EXPECT_EQ(name, "A");
  EXPECT_EQ(r.archiveName, "a");
  ASSERT_TRUE(NextModule(c.modules, cursor, name, r));
  EXPECT_EQ(name, "B");
  EXPECT_EQ(r.archiveName, "");
  EXPECT_FALSE(NextModule(c.modules, cursor, name, r));
  EXPECT_EQ(cursor, 2u);
  std::size_t emptyCursor = 0;
  EXPECT_FALSE(NextModule(c.systemModules, emptyCursor, name, r));
}

TEST(FindNewRelease, LooksInModulesFirstThenSystemByExactName) {
  ModuleCatalogue c;
  ModuleRelease r;
  EXPECT_FALSE(FindNewRelease(c, "X", r));

  Add(c, c.systemModules, "X", Version(1, 1, 0), "system X");
  Add(c, c.modules, "X", Version(2, 1, 0), "module X series 2");
  Add(c, c.modules, "X", Version(1, 9, 0), "module X series 1");
  Add(c, c.systemModules, "Y", Version(1, 1, 0), "system Y");

  ASSERT_TRUE(FindNewRelease(c, "X", r));
  EXPECT_EQ(r.archiveName, "module X series 2");
  ASSERT_TRUE(FindNewRelease(c, "Y", r));
  EXPECT_EQ(r.archiveName, "system Y");
  EXPECT_FALSE(FindNewRelease(c, "x", r));
  EXPECT_FALSE(FindNewRelease(c, "X ", r));
  EXPECT_FALSE(FindNewRelease(c, "", r));
  EXPECT_EQ(c.modulesCursor, 0u);
  EXPECT_EQ(c.systemCursor, 0u);
}

// ----------------------------------------------------------------- row texts

TEST(RowTexts, DateIsDayMonthYearPadded) {
  EXPECT_EQ(FormatReleaseDate(Date(5, 5, 2014)), "5.05.2014");
  EXPECT_EQ(FormatReleaseDate(Date(5, 5, 14)), "5.05.0014");
  EXPECT_EQ(FormatReleaseDate(Date(255, 255, 65535)), "255.255.65535");
}

TEST(RowTexts, VersionTextDependsOnTheList) {
  EXPECT_EQ(FormatModuleVersion(Parsed("1.2.3.4")), "1.2.3.4");
  EXPECT_EQ(FormatModuleVersion(Parsed("1.2.3")), "1.2.0.3");
  EXPECT_EQ(FormatSystemVersion(Parsed("2.0.7")), "2.0.7");
  EXPECT_EQ(FormatSystemVersion(Parsed("1.2.3.4")), "1.2.772");
  const ModuleVersion max = Version(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu);
  EXPECT_EQ(FormatModuleVersion(max), "4294967295.4294967295.16777215.255");
  EXPECT_EQ(FormatSystemVersion(max), "4294967295.4294967295.4294967295");
}

TEST(RowTexts, CellTextIsUtf16WithALineBreak) {
  EXPECT_EQ(FormatCellText("1.04.2014", "2.0.7"), u"Дата 1.04.2014\nВерсия 2.0.7");
  EXPECT_EQ(FormatCellText("", "2.0.7"), u"");
  EXPECT_EQ(FormatCellText("1.04.2014", ""), u"");
  const std::u16string longest = FormatCellText("255.255.65535", "4294967295.4294967295.16777215.255");
  EXPECT_LT(longest.size(), kCellTextSize);
}

TEST(ModuleRows, ModuleRowsFirstThenSystemRowsWithTheirItemData) {
  ModuleCatalogue c;
  ModuleVersion v = Parsed("1.2.3.4");
  ASSERT_TRUE(AddRelease(c, c.systemModules, "boot", Parsed("2.0.7"), Date(1, 4, 2014), "boot_manager"));
  ASSERT_TRUE(AddRelease(c, c.modules, "DIAG01", v, Date(12, 5, 2014), "DIAG01_1234"));
  ASSERT_TRUE(AddRelease(c, c.modules, "HELD", Parsed("7.1.1"), Date(1, 1, 2014), "held"));
  c.modules.records[1].releases[0].onScanner = true;
  c.modulesCursor = 5;  // left over from an earlier fill

  RestartModuleRows(c);
  ModuleRow row;
  ASSERT_TRUE(NextModuleRow(c, row));
  EXPECT_EQ(row.name, "DIAG01");
  EXPECT_EQ(row.dateText, "12.05.2014");
  EXPECT_EQ(row.versionText, "1.2.3.4");
  EXPECT_EQ(row.itemData, 1u);

  ASSERT_TRUE(NextModuleRow(c, row));
  EXPECT_EQ(row.name, "HELD");
  EXPECT_EQ(row.dateText, "");
  EXPECT_EQ(row.versionText, "");
  EXPECT_EQ(row.itemData, 7u);

  ASSERT_TRUE(NextModuleRow(c, row));
  EXPECT_EQ(row.name, "boot");
  EXPECT_EQ(row.dateText, "1.04.2014");
  EXPECT_EQ(row.versionText, "2.0.7");
  EXPECT_EQ(row.itemData, kSystemRowItemData);
  EXPECT_EQ(FormatCellText(row.dateText, row.versionText), u"Дата 1.04.2014\nВерсия 2.0.7");

  EXPECT_FALSE(NextModuleRow(c, row));
  EXPECT_EQ(c.modulesCursor, 2u);
  EXPECT_EQ(c.systemCursor, 1u);
}

}  // namespace
