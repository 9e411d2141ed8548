// The module list page parser: the page layout, the line grammar and
// hostile input.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue_host.h"
#include "catalogue/catalogue_page.h"
#include "testing/catalogue_builders.h"

namespace {

using namespace zortest;

// Every line followed by "<br>", as the server writes them.
std::string Page(std::initializer_list<std::string> lines) {
  std::string page;
  for (const std::string& line : lines) page += line + "<br>";
  return page;
}

std::string Listing(const std::vector<std::string>& moduleLines) { return CataloguePage(moduleLines, "../files/"); }

const std::string kLine = "2014-05-12 v_1.2.3.4 DIAG01.z70 files/DIAG01_1234.zip";

std::size_t Releases(const ModuleList& list) {
  std::size_t n = 0;
  for (const ModuleRecord& r : list.records) n += r.releases.size();
  return n;
}

void ExpectNothing(const ParsedPage& p, const std::string& baseUrl = "unchanged") {
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, baseUrl);
}

const ModuleRelease& OnlyRelease(const ModuleList& list) {
  static const ModuleRelease none;
  EXPECT_EQ(list.records.size(), 1u);
  if (list.records.size() != 1 || list.records[0].releases.size() != 1) {
    ADD_FAILURE() << "expected one record with one release";
    return none;
  }
  return list.records[0].releases[0];
}

// ------------------------------------------------------------ the sample page

TEST(CataloguePage, SamplePage) {
  const ParsedPage p = ParsePage(Page({"modlist_dir", "../files/modules/", "modlist_start",
                               "2014-05-12 v_1.2.3.4 DIAG01.z70 files/modules/DIAG01_1234.zip",
                               "2014-04-01 v_2.0.7 boot.sys files/modules/boot_manager.zip",
                               "modlist_stop"}));
  EXPECT_EQ(p.count, 2u);
  EXPECT_EQ(p.baseUrl, "http://catalogue.test/files/modules/");

  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  const ModuleRecord& diag = p.catalogue.modules.records[0];
  EXPECT_EQ(diag.name, "DIAG01");
  EXPECT_EQ(diag.series, 1u);
  const ModuleRelease& d = OnlyRelease(p.catalogue.modules);
  EXPECT_EQ(d.version, Version(1, 2, 3, 4));
  EXPECT_EQ(d.date, Date(12, 5, 2014));
  EXPECT_EQ(d.archiveName, "DIAG01_1234");
  EXPECT_FALSE(d.onScanner);

  ASSERT_EQ(p.catalogue.systemModules.records.size(), 1u);
  const ModuleRecord& boot = p.catalogue.systemModules.records[0];
  EXPECT_EQ(boot.name, "boot");
  EXPECT_EQ(boot.series, 2u);
  const ModuleRelease& b = OnlyRelease(p.catalogue.systemModules);
  EXPECT_EQ(b.version, Version(2, 0, 7));
  EXPECT_EQ(b.date, Date(1, 4, 2014));
  EXPECT_EQ(b.archiveName, "boot_manager");
}

// ------------------------------------------------------- markers and layout

TEST(CataloguePageLayout, NothingUsableGivesZeroAndKeepsTheBaseUrl) {
  ExpectNothing(ParsePage(""));
  ExpectNothing(ParsePage("<br><br><br>"));
  ExpectNothing(ParsePage("modlist_dir"));                       // lone marker at the very end
  ExpectNothing(ParsePage("modlist_start<br>" + kLine + "<br>"));  // no directory marker
  ExpectNothing(ParsePage("modlist_stop<br>"));
  ExpectNothing(ParsePage(Page({"MODLIST_DIR", "../files/", "modlist_start", kLine})));
}

TEST(CataloguePageLayout, BaseUrlIsSetOnceTheDirectoryLineIsReached) {
  // The directory line has no "<br>" behind it, so it is an empty line.
  ExpectNothing(ParsePage("modlist_dir<br>../files/"), "http://catalogue.test/");
  // No start marker after the directory line; an upper-case one is no marker.
  ExpectNothing(ParsePage(Page({"modlist_dir", "../files/", kLine})), "http://catalogue.test/files/");
  ExpectNothing(ParsePage(Page({"modlist_dir", "../files/", "MODLIST_START", kLine})),
                "http://catalogue.test/files/");
  // Start marker at the very end, and with only an empty line behind it.
  ExpectNothing(ParsePage(Page({"modlist_dir", "../files/"}) + "modlist_start"),
                "http://catalogue.test/files/");
  ExpectNothing(ParsePage(Page({"modlist_dir", "../files/", "modlist_start"})),
                "http://catalogue.test/files/");
}

TEST(CataloguePageLayout, DirectoryTextFollowsTheFirstUpDir) {
  EXPECT_EQ(ParsePage(Page({"modlist_dir", "files/", "modlist_start"})).baseUrl,
            "http://catalogue.test/files/");
  EXPECT_EQ(ParsePage(Page({"modlist_dir", "x/../y/../z/", "modlist_start"})).baseUrl,
            "http://catalogue.test/y/../z/");
  // The marker may sit inside other text; the directory line is the next line.
  EXPECT_EQ(ParsePage("junk modlist_dir junk<br>../a/<br>modlist_start<br>").baseUrl,
            "http://catalogue.test/a/");
}

TEST(CataloguePageLayout, StopMarkerInAnyCaseEndsTheList) {
  const ParsedPage p = ParsePage(Page({"modlist_dir", "../files/", "modlist_start", kLine, "MODLIST_STOP",
                               "2014-05-12 v_1.2.3.4 OTHER.z70 files/OTHER.zip"}));
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "DIAG01");
}

TEST(CataloguePageLayout, WithoutStopMarkerOnlyLinesEndedByBreakCount) {
  const ParsedPage p = ParsePage(Page({"modlist_dir", "../files/", "modlist_start", kLine}) +
                         "2014-05-12 v_1.2.3.4 TAIL.z70 files/TAIL.zip");
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "DIAG01");
}

TEST(CataloguePageLayout, EmptyAndForeignLinesAreSkipped) {
  const ParsedPage p = ParsePage(Listing({"", "  ", "some text", kLine, "", "<b>files</b>", kLine}));
  EXPECT_EQ(p.count, 2u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].releases.size(), 2u);  // duplicates are kept
}

TEST(CataloguePageLayout, PageEndsAtItsFirstNulByte) {
  std::string page = Listing({kLine, "2014-05-12 v_1.2.3.4 AFTER.z70 files/AFTER.zip"});
  const std::size_t at = page.find("2014-05-12 v_1.2.3.4 AFTER");
  page[at] = '\0';
  const ParsedPage p = ParsePage(page);
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "DIAG01");

  std::string leading = Listing({kLine});
  leading.insert(0, 1, '\0');
  ExpectNothing(ParsePage(leading));
}

// --------------------------------------------------------- the line grammar

TEST(CataloguePageLines, UpperCaseZipIsAcceptedAndKeptInTheName) {
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_1.2.3.4 DIAG01.z70 files/DIAG01_1234.ZIP"}));
  EXPECT_EQ(p.count, 1u);
  EXPECT_EQ(OnlyRelease(p.catalogue.modules).archiveName, "DIAG01_1234.ZIP");
}

TEST(CataloguePageLines, VersionTokenNeedsVUnderscore) {
  EXPECT_EQ(ParsePage(Listing({"2014-05-12 1.2.3.4 DIAG01.z70 files/DIAG01.zip"})).count, 0u);
  EXPECT_EQ(ParsePage(Listing({"2014-05-12 V_1.2.3.4 DIAG01.z70 files/DIAG01.zip"})).count, 0u);

  const ParsedPage unparsed = ParsePage(Listing({"2014-05-12 v_7 DIAG01.z70 files/DIAG01.zip"}));
  ASSERT_EQ(unparsed.count, 1u);
  const ModuleRelease& r = OnlyRelease(unparsed.catalogue.modules);
  EXPECT_EQ(r.version, (ModuleVersion{Unparsed, 7, 0, 0}));
  EXPECT_EQ(unparsed.catalogue.modules.records[0].series, 7u);

  const ParsedPage prefixed = ParsePage(Listing({"2014-05-12 build_v_3.1.4 DIAG01.z70 files/DIAG01.zip"}));
  ASSERT_EQ(prefixed.count, 1u);
  EXPECT_EQ(OnlyRelease(prefixed.catalogue.modules).version.ver1, 3u);
}

TEST(CataloguePageLines, MissingTokensSkipTheLine) {
  const ParsedPage p = ParsePage(Listing({
      "2014-05-12 v_1.2.3.4.zip",          // no name token
      "2014-05 12 v_1.2.3.4 A.z70 a.zip",  // no second "-": no day token
      "2014 v_1.2.3.4 A.z70 a.zip",        // no "-" at all
      "files/a.zip",
  }));
  ExpectNothing(p, "http://catalogue.test/files/");
}

TEST(CataloguePageLines, LineWithoutSlashTakesEverythingBehindTheBaseUrl) {
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_1.2.3.4 DIAG01.z70 DIAG01_1234.zip"}));
  EXPECT_EQ(OnlyRelease(p.catalogue.modules).archiveName,
            "2014-05-12 v_1.2.3.4 DIAG01.z70 DIAG01_1234");
}

TEST(CataloguePageLines, SpacesTabsAndLineBreaksAroundTheLine) {
  const ParsedPage p = ParsePage(Listing({
      "\r\n2014-05-12 v_1.2.3.4 DIAG01.z70 files/DIAG01_1234.zip   ",
      "\t2015-06-13 v_1.3.0.0 DIAG01.z70 files/DIAG01_1300.zip\r\n",
      "   2016-07-14 v_1.4.0.0 DIAG01.z70 files/DIAG01_1400.zip",
  }));
  ASSERT_EQ(p.count, 3u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  const auto& rel = p.catalogue.modules.records[0].releases;
  EXPECT_EQ(rel[2].archiveName, "DIAG01_1234");
  EXPECT_EQ(rel[2].date, Date(12, 5, 2014));
  EXPECT_EQ(rel[1].archiveName, "DIAG01_1300");
  EXPECT_EQ(rel[1].date, Date(13, 6, 2015));
  EXPECT_EQ(rel[0].archiveName, "DIAG01_1400");
  EXPECT_EQ(rel[0].date, Date(14, 7, 2016));
}

TEST(CataloguePageLines, DateNumbersAreTruncatedNotChecked) {
  const ParsedPage p = ParsePage(Listing({"70000-300-257 v_1.0.0 A.z70 f/a.zip",
                                  "x-y-z v_1.0.0 B.z70 f/b.zip"}));
  ASSERT_EQ(p.count, 2u);
  EXPECT_EQ(p.catalogue.modules.records[0].releases[0].date, Date(257 & 0xFF, 300 & 0xFF, 70000 & 0xFFFF));
  EXPECT_EQ(p.catalogue.modules.records[1].releases[0].date, ReleaseDate{});
}

TEST(CataloguePageLines, NameIsTheTokenUpToItsFirstDot) {
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_1.0.0 DIAG.v2.z70 f/a.zip",
                                  "2014-05-12 v_2.0.0 PLAIN f/b.zip"}));
  ASSERT_EQ(p.catalogue.modules.records.size(), 2u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "DIAG");
  EXPECT_EQ(p.catalogue.modules.records[1].name, "PLAIN");
}

TEST(CataloguePageLines, SystemListChosenByArchiveNameInAnyCase) {
  const ParsedPage p = ParsePage(Listing({
      "2014-05-12 v_1.0.0 A.sys f/BOOT_MANAGER.zip",
      "2014-05-12 v_1.0.0 B.sys f/x_QM7UPD_y.zip",
      "2014-05-12 v_1.0.0 C.z70 boot_manager/c.zip",  // only the archive name counts
  }));
  ASSERT_EQ(p.count, 3u);
  ASSERT_EQ(p.catalogue.systemModules.records.size(), 2u);
  EXPECT_EQ(p.catalogue.systemModules.records[0].releases[0].archiveName, "BOOT_MANAGER");
  EXPECT_EQ(p.catalogue.systemModules.records[1].releases[0].archiveName, "x_QM7UPD_y");
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "C");
}

// ---------------------------------------------------------- oversized input

std::string LineWithArchive(const std::string& archive) {
  return "2014-05-12 v_1.0.0 M.z70 f/" + archive + ".zip";
}

TEST(CataloguePageLimits, BaseUrlPlusLineMustStayBelow260Bytes) {
  // Base "http://catalogue.test/files/" is 28 bytes; the line may be 231.
  const std::string base = "http://catalogue.test/files/";
  const std::size_t room = kPageLineSize - 1 - base.size();
  const std::string fits = LineWithArchive(std::string(room - LineWithArchive("").size(), 'a'));
  const std::string over = LineWithArchive(std::string(room + 1 - LineWithArchive("").size(), 'b'));
  ASSERT_EQ(base.size() + fits.size(), kPageLineSize - 1);

  const ParsedPage p = ParsePage(Listing({fits, over}));
  EXPECT_EQ(p.baseUrl, base);
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(Releases(p.catalogue.modules), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].releases[0].archiveName, std::string(room - LineWithArchive("").size(), 'a'));
}

TEST(CataloguePageLimits, OverlongLineIsSkippedWholeEvenWithAStopMarker) {
  const std::string longStop = "modlist_stop" + std::string(300, ' ');
  const ParsedPage p = ParsePage(Listing({LineWithArchive(std::string(300, 'x')), longStop, kLine}));
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "DIAG01");
}

TEST(CataloguePageLimits, NameOf50BytesIsSkippedNotCut) {
  const std::string name49(49, 'N'), name50(50, 'N');
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_1.0.0 " + name50 + ".z70 f/a.zip",
                                  "2014-05-12 v_1.0.0 " + name49 + ".z70 f/b.zip"}));
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, name49);
  EXPECT_EQ(p.catalogue.modules.records[0].releases[0].archiveName, "b");
}

TEST(CataloguePageLimits, VersionTextOf100BytesIsSkipped) {
  std::string v99 = "1.2.3";
  v99 += std::string(99 - v99.size(), '0');
  const std::string v100 = v99 + "0";
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_" + v100 + " A.z70 f/a.zip",
                                  "2014-05-12 v_" + v99 + " B.z70 f/b.zip"}));
  EXPECT_EQ(p.count, 1u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "B");
}

TEST(CataloguePageLimits, DirectoryThatDoesNotFitGivesUpOnThePage) {
  const std::string page = Page({"modlist_dir", "../" + std::string(260, 'd'), "modlist_start", kLine});
  ExpectNothing(ParsePage(page));

  // Base URL of exactly 259 bytes is kept; one more byte is refused.
  const std::string host = kPageHost;
  const std::size_t dirFits = kPageLineSize - 1 - (7 + host.size() + 1);
  EXPECT_EQ(ParsePage(Page({"modlist_dir", std::string(dirFits, 'd'), "modlist_start"})).baseUrl.size(),
            kPageLineSize - 1);
  ExpectNothing(ParsePage(Page({"modlist_dir", std::string(dirFits + 1, 'd'), "modlist_start", kLine})));
  // A host too long for any base URL: the same.
  ExpectNothing(ParsePage(Listing({kLine}), std::string(260, 'h')));
}

TEST(CataloguePageLimits, PageThatDoesNotFitTheBufferIsRefused) {
  std::string page = Listing({kLine});
  std::string fits = page + std::string(kPageBufferSize - 1 - page.size(), ' ');
  ASSERT_EQ(fits.size(), kPageBufferSize - 1);
  const ParsedPage p = ParsePage(fits);
  EXPECT_EQ(p.count, 1u);
  EXPECT_EQ(p.baseUrl, "http://catalogue.test/files/");

  fits.push_back(' ');
  ExpectNothing(ParsePage(fits));
}

// ------------------------------------------- release order on whole pages

TEST(CataloguePageOrder, ReleasesComeOutNewestFirstWhateverThePageOrder) {
  // Oldest first with repeats, then the same releases newest first: equal
  // versions keep the later line in front either way.
  const ParsedPage up = ParsePage(Listing({"2014-01-01 v_1.1.0 M.z70 f/a.zip", "2014-01-01 v_1.2.0 M.z70 f/b.zip",
                                   "2014-01-01 v_1.2.0 M.z70 f/c.zip", "2014-01-01 v_1.3.0 M.z70 f/d.zip",
                                   "2014-01-01 v_1.1.0 M.z70 f/e.zip"}));
  ASSERT_EQ(up.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(ArchivesOf(up.catalogue.modules.records[0]),
            (std::vector<std::string>{"d", "c", "b", "e", "a"}));

  // Alternately from both ends towards the middle.
  const ParsedPage middle = ParsePage(Listing({"2014-01-01 v_1.1.0 M.z70 f/1.zip", "2014-01-01 v_1.9.0 M.z70 f/9.zip",
                                       "2014-01-01 v_1.2.0 M.z70 f/2.zip", "2014-01-01 v_1.8.0 M.z70 f/8.zip",
                                       "2014-01-01 v_1.5.0 M.z70 f/5.zip"}));
  ASSERT_EQ(middle.catalogue.modules.records.size(), 1u);
  EXPECT_EQ(ArchivesOf(middle.catalogue.modules.records[0]),
            (std::vector<std::string>{"9", "8", "5", "2", "1"}));
}

// A random module line and the release AddRelease would be handed for it.
struct PageRelease {
  std::string line;
  bool system = false;
  std::string name;
  ModuleVersion version;
  ReleaseDate date;
  std::string archive;
};

PageRelease RandomRelease(std::mt19937& rng, int serial) {
  static const char* const kNames[] = {"A", "B", "a", "AB", "DIAG01"};
  static const char* const kVersions[] = {"%u.%u.%u", "%u.%u.%u.%u", "%u.%u", "%u..%u.%u"};
  auto below = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
  PageRelease r;
  r.system = below(4) == 0;
  r.name = kNames[below(5)];
  // Few distinct versions, so that equal releases are common.
  char version[64];
  std::snprintf(version, sizeof version, kVersions[below(4)], below(3), below(4), below(3), below(2));
  ParseVersion(version, r.version);
  r.date.day = static_cast<std::uint8_t>(1 + below(28));
  r.date.month = static_cast<std::uint8_t>(1 + below(12));
  r.date.year = static_cast<std::uint16_t>(2010 + below(10));
  r.archive = (r.system ? "qm7upd_" : "m_") + std::to_string(serial);
  char line[200];
  std::snprintf(line, sizeof line, "%04u-%02u-%02u v_%s %s.%s f/%s.zip", unsigned{r.date.year},
                unsigned{r.date.month}, unsigned{r.date.day}, version, r.name.c_str(),
                r.system ? "sys" : "z70", r.archive.c_str());
  r.line = line;
  return r;
}

std::string ListingOf(const std::vector<PageRelease>& releases) {
  std::vector<std::string> lines;
  for (const PageRelease& r : releases) lines.push_back(r.line);
  return Listing(lines);
}

// The parser stores a page's releases all at once; the catalogue must be
// exactly what AddRelease line by line gives, also when the catalogue
// already holds releases of the same modules from an earlier page.
TEST(CataloguePageOrder, RandomPagesGiveWhatAddReleaseLineByLineGives) {
  std::mt19937 rng(20240517);
  for (int round = 0; round < 40; ++round) {
    ModuleCatalogue parsed, added;
    int serial = 0;
    for (int page = 0; page < 2; ++page) {
      std::vector<PageRelease> releases;
      const int lines = static_cast<int>(rng() % 300);
      for (int i = 0; i < lines; ++i) releases.push_back(RandomRelease(rng, serial++));
      std::string baseUrl;
      ASSERT_EQ(ParseCataloguePage(ListingOf(releases), kPageHost, parsed, baseUrl), releases.size());
      for (const PageRelease& r : releases) {
        ASSERT_TRUE(AddRelease(added, r.system ? added.systemModules : added.modules, r.name, r.version,
                               r.date, r.archive));
      }
    }
    SCOPED_TRACE(round);
    ExpectSameRecords(parsed.modules.records, added.modules.records);
    ExpectSameRecords(parsed.systemModules.records, added.systemModules.records);
    EXPECT_EQ(parsed.modules.index, added.modules.index);
    EXPECT_EQ(parsed.systemModules.index, added.systemModules.index);
  }
}

// ------------------------------------------------------ the server

TEST(CatalogueHost, CompiledInHostAndPageUrl) {
  EXPECT_STREQ(CompiledCatalogueHost(), ZOR_CATALOGUE_HOST);
  EXPECT_EQ(CataloguePageUrl("127.0.0.1:8080"), "http://127.0.0.1:8080/index.php?mod=dirtst");
}

}  // namespace
