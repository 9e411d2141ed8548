// Module list pages as a damaged connection or a hostile server delivers
// them: cut off anywhere, enormous, binary, with the markers repeated or out
// of order, with fields far beyond their capacities. The parser must neither
// crash nor guess: each case has one defined result.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue_page.h"
#include "testing/catalogue_builders.h"

namespace {

using zortest::ExpectNothingStored;
using zortest::ParsedPage;
using zortest::ParsePage;

constexpr char kUnchanged[] = "unchanged";
const std::string kBase = "http://catalogue.test/files/";

std::string Line(const std::string& name, const std::string& version = "1.0.0") {
  return "2014-05-12 v_" + version + " " + name + ".z70 files/" + name + "_arc.zip";
}

std::string Head() { return "modlist_dir<br>../files/<br>modlist_start<br>"; }

std::string Listing(const std::vector<std::string>& lines) { return zortest::CataloguePage(lines, "../files/"); }

// Module names in list order, each once per release.
std::vector<std::string> Names(const ModuleList& list) {
  std::vector<std::string> names;
  for (const ModuleRecord& record : list.records)
    for (std::size_t i = 0; i < record.releases.size(); ++i) names.push_back(record.name);
  return names;
}

// Bytes that hold none of the texts the parser looks for, so that they can
// stand for any garbage between good lines.
std::string Garbage(std::mt19937& random, std::size_t size, bool allowNul) {
  std::string bytes;
  std::uniform_int_distribution<int> byte(allowNul ? 0 : 1, 255);
  while (bytes.size() < size) {
    const char c = static_cast<char>(byte(random));
    if (c == '<' || c == '.' || c == 'm' || c == 'M') continue;
    bytes.push_back(c);
  }
  return bytes;
}

// ------------------------------------------------------------------ truncated

TEST(HostilePagesTruncated, EveryCutGivesTheLinesEndedBeforeIt) {
  const std::vector<std::string> names = {"A1", "B2", "C3", "D4"};
  std::vector<std::string> lines;
  for (const std::string& n : names) lines.push_back(Line(n));
  const std::string page = Listing(lines);

  const std::size_t dirEnded = page.find("modlist_dir<br>") + 15;
  const std::size_t dirLineEnded = page.find("../files/<br>") + 13;
  std::vector<std::size_t> lineEnded;
  for (const std::string& line : lines) lineEnded.push_back(page.find(line + "<br>") + line.size() + 4);

  for (std::size_t cut = 0; cut <= page.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    const ParsedPage p = ParsePage(page.substr(0, cut));
    // The directory line counts as empty until its "<br>" has arrived.
    if (cut < dirEnded) {
      EXPECT_EQ(p.baseUrl, kUnchanged);
    } else if (cut < dirLineEnded) {
      EXPECT_EQ(p.baseUrl, "http://catalogue.test/");
    } else {
      EXPECT_EQ(p.baseUrl, kBase);
    }
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (cut >= lineEnded[i]) expected.push_back(names[i]);
    EXPECT_EQ(p.count, expected.size());
    EXPECT_EQ(Names(p.catalogue.modules), expected);
  }
}

// ------------------------------------------------------------------- enormous

TEST(HostilePagesEnormous, PageJustBelowTheBufferIsParsedWhole) {
  // Distinct modules until the page is as large as the buffer allows.
  std::string page = Head();
  std::size_t lines = 0;
  for (;; ++lines) {
    const std::string line = Line("M" + std::to_string(lines)) + "<br>";
    if (page.size() + line.size() + 17 > kPageBufferSize - 1) break;
    page += line;
  }
  page += "modlist_stop<br>";
  page.append(kPageBufferSize - 1 - page.size(), ' ');
  ASSERT_EQ(page.size(), kPageBufferSize - 1);
  ASSERT_GT(lines, 15000u);

  const ParsedPage p = ParsePage(page);
  EXPECT_EQ(p.count, lines);
  ASSERT_EQ(p.catalogue.modules.records.size(), lines);
  EXPECT_EQ(p.catalogue.modules.records.front().name, "M0");
  EXPECT_EQ(p.catalogue.modules.records.back().name, "M" + std::to_string(lines - 1));
}

TEST(HostilePagesEnormous, PagesAtAndBeyondTheBufferChangeNothing) {
  const std::string listing = Listing({Line("A")});
  for (const std::size_t size : {kPageBufferSize, kPageBufferSize + 1, 2 * kPageBufferSize,
                                 16 * kPageBufferSize}) {
    SCOPED_TRACE(size);
    std::string page = listing;
    page.append(size - page.size(), 'x');
    const ParsedPage p = ParsePage(page);
    ExpectNothingStored(p);
    EXPECT_EQ(p.baseUrl, kUnchanged);
  }
}

TEST(HostilePagesEnormous, BufferFullOfBreaksOrOfOneLineStoresNothing) {
  std::string breaks = Head();
  while (breaks.size() + 4 <= kPageBufferSize - 1) breaks += "<br>";
  ParsedPage p = ParsePage(breaks);
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, kBase);

  // One line of almost 1 MiB that would be a module line if it were short.
  std::string line = Line("HUGE");
  line.insert(line.find(" files/"), kPageBufferSize - 1000 - line.size(), 'n');
  p = ParsePage(Listing({line, Line("AFTER")}));
  EXPECT_EQ(p.count, 1u);
  EXPECT_EQ(Names(p.catalogue.modules), std::vector<std::string>{"AFTER"});
}

TEST(HostilePagesEnormous, ThousandsOfReleasesOfOneModuleAreOrderedNewestFirst) {
  // Oldest first, the worst order for keeping releases newest first.
  std::vector<std::string> lines;
  constexpr unsigned kReleases = 5000;
  for (unsigned i = 0; i < kReleases; ++i) lines.push_back(Line("SAME", "1.0." + std::to_string(i)));
  const ParsedPage p = ParsePage(Listing(lines));
  EXPECT_EQ(p.count, kReleases);
  ASSERT_EQ(p.catalogue.modules.records.size(), 1u);
  const std::vector<ModuleRelease>& releases = p.catalogue.modules.records[0].releases;
  ASSERT_EQ(releases.size(), kReleases);
  for (unsigned i = 0; i < kReleases; ++i) ASSERT_EQ(releases[i].version.ver3, kReleases - 1 - i);
}

// --------------------------------------------------------------------- binary

TEST(HostilePagesBinary, RandomBytesStoreNothingAndKeepTheBaseUrl) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 20; ++round) {
    std::string page;
    std::uniform_int_distribution<int> byte(round % 2 ? 1 : 0, 255);
    for (int i = 0; i < 65536; ++i) page.push_back(static_cast<char>(byte(random)));
    const ParsedPage p = ParsePage(page);
    ExpectNothingStored(p);
    EXPECT_EQ(p.baseUrl, kUnchanged);
  }
}

TEST(HostilePagesBinary, GarbageLinesAreSkippedAndGoodLinesAroundThemKept) {
  std::mt19937 random(7);
  std::vector<std::string> lines;
  std::vector<std::string> expected;
  for (int i = 0; i < 50; ++i) {
    lines.push_back(Garbage(random, 1 + i * 7 % 300, false));
    lines.push_back(Line("G" + std::to_string(i)));
    expected.push_back("G" + std::to_string(i));
  }
  const ParsedPage p = ParsePage(Listing(lines));
  EXPECT_EQ(p.count, expected.size());
  EXPECT_EQ(Names(p.catalogue.modules), expected);
}

TEST(HostilePagesBinary, BytesAboveAsciiAreKeptAsTheyAre) {
  // Windows-1251 "ЗОР" and "АБВ": never converted, never case-folded.
  const std::string zor = "\xC7\xCE\xD0";
  const ParsedPage p = ParsePage(Listing({
      "2014-05-12 v_1.0.0 " + zor + ".z70 files/" + zor + "_1.zip",
      "2014-05-12 v_1.0.0 \xC0\xC1\xC2.sys files/\xC0QM7UPD\xFF.zip",
      "2014-05-12 v_1.0.0 \xFF\xFE.z70 files/\x80\x81.zip",
  }));
  ASSERT_EQ(p.count, 3u);
  ASSERT_EQ(p.catalogue.modules.records.size(), 2u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, zor);
  EXPECT_EQ(p.catalogue.modules.records[0].releases[0].archiveName, zor + "_1");
  EXPECT_EQ(p.catalogue.modules.records[1].name, "\xFF\xFE");
  ASSERT_EQ(p.catalogue.systemModules.records.size(), 1u);
  EXPECT_EQ(p.catalogue.systemModules.records[0].name, "\xC0\xC1\xC2");
  EXPECT_EQ(p.catalogue.systemModules.records[0].releases[0].archiveName, "\xC0QM7UPD\xFF");
}

TEST(HostilePagesBinary, ControlBytesInsideTheFieldsStayInThem) {
  // Only spaces delimit tokens; other control bytes are part of the text.
  const ParsedPage p = ParsePage(Listing({"2014-05-12 v_1.0.0 A\x01\x7F\x1B.z70 files/a\tb\x0B.zip"}));
  ASSERT_EQ(p.count, 1u);
  EXPECT_EQ(p.catalogue.modules.records[0].name, "A\x01\x7F\x1B");
  EXPECT_EQ(p.catalogue.modules.records[0].releases[0].archiveName, "a\tb\x0B");
}

// ------------------------------------------------------------------- markers

TEST(HostilePagesMarkers, StopBeforeStartIsNotTheEnd) {
  const ParsedPage p = ParsePage("modlist_dir<br>../files/<br>modlist_stop<br>modlist_start<br>" +
                         Line("A") + "<br>modlist_stop<br>" + Line("B") + "<br>");
  EXPECT_EQ(p.count, 1u);
  EXPECT_EQ(Names(p.catalogue.modules), std::vector<std::string>{"A"});
}

TEST(HostilePagesMarkers, StartBeforeTheDirectoryIsNoStart) {
  const ParsedPage p = ParsePage("modlist_start<br>" + Line("A") + "<br>modlist_dir<br>../files/<br>" +
                         Line("B") + "<br>modlist_stop<br>");
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, kBase);
}

TEST(HostilePagesMarkers, FirstDirectoryMarkerCounts) {
  const ParsedPage p = ParsePage("modlist_dir<br>../files/<br>modlist_dir<br>../other/<br>modlist_start<br>" +
                         Line("A") + "<br>modlist_stop<br>");
  EXPECT_EQ(p.baseUrl, kBase);
  EXPECT_EQ(p.count, 1u);
}

TEST(HostilePagesMarkers, RepeatedStartAndDirectoryInsideTheListAreSkippedLines) {
  const ParsedPage p = ParsePage(Listing({Line("A"), "modlist_start", "modlist_dir", "../x/", Line("B"),
                                  "modlist_start"}));
  EXPECT_EQ(p.baseUrl, kBase);
  EXPECT_EQ(Names(p.catalogue.modules), (std::vector<std::string>{"A", "B"}));
}

TEST(HostilePagesMarkers, MarkerAsTheDirectoryLine) {
  // The line behind the directory marker is the directory, whatever it says;
  // the start marker is then looked for behind it.
  ParsedPage p = ParsePage("modlist_dir<br>modlist_start<br>" + Line("A") + "<br>modlist_stop<br>");
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, "http://catalogue.test/modlist_start");

  p = ParsePage("modlist_dir<br>modlist_dir<br>modlist_start<br>" + Line("A") + "<br>");
  EXPECT_EQ(p.baseUrl, "http://catalogue.test/modlist_dir");
  EXPECT_EQ(p.count, 1u);
}

TEST(HostilePagesMarkers, MarkersGluedTogetherOrInsideText) {
  ParsedPage p = ParsePage("xxmodlist_dirmodlist_startmodlist_stop<br>../files/<br>modlist_start<br>" +
                   Line("A") + "<br>");
  EXPECT_EQ(p.baseUrl, kBase);
  EXPECT_EQ(p.count, 1u);

  // Stop marker without a "<br>" around it, at the very end.
  p = ParsePage(Head() + Line("A") + "<br>modlist_stop");
  EXPECT_EQ(p.count, 1u);
}

TEST(HostilePagesMarkers, StopMarkerAnywhereInAModuleLineEndsTheList) {
  const ParsedPage p = ParsePage(Listing({Line("A"), "2014-05-12 v_1.0.0 B.z70 files/Modlist_Stop_B.zip",
                                  Line("C")}));
  EXPECT_EQ(Names(p.catalogue.modules), std::vector<std::string>{"A"});
}

TEST(HostilePagesMarkers, BreakSplitAcrossTheMarkers) {
  // "<br" and ">" are no break; "<BR>" is none either.
  const ParsedPage p = ParsePage("modlist_dir<br>../files/<BR>modlist_start<br>" + Line("A") + "<br>");
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, "http://catalogue.test/files/<BR>modlist_start");
}

// ------------------------------------------------------------ overlong fields

TEST(HostilePagesOverlong, HugeNumbersSaturateAndAreThenCut) {
  const std::string huge(25, '9');  // the line must stay short enough to be read
  const ParsedPage p = ParsePage(Listing({huge + "-" + huge + "-" + huge + " v_" + huge + "." + huge +
                                  ".1 A.z70 files/a.zip"}));
  ASSERT_EQ(p.count, 1u);
  const ModuleRelease& r = p.catalogue.modules.records[0].releases[0];
  EXPECT_EQ(r.date, zortest::Date(0xFF, 0xFF, 0xFFFF));
  EXPECT_EQ(r.version, zortest::Version(0xFFFFFFFFu, 0xFFFFFFFFu, 1));
  EXPECT_EQ(p.catalogue.modules.records[0].series, 0xFFFFFFFFu);
}

TEST(HostilePagesOverlong, LongFieldsSkipOnlyTheirOwnLine) {
  const std::string longName(5000, 'N');
  const std::string longVersion = "1.2." + std::string(5000, '3');
  const std::string longArchive(70000, 'a');
  const ParsedPage p = ParsePage(Listing({
      Line("A"),
      "2014-05-12 v_1.0.0 " + longName + ".z70 files/n.zip",
      "2014-05-12 v_" + longVersion + " V.z70 files/v.zip",
      "2014-05-12 v_1.0.0 W.z70 files/" + longArchive + ".zip",
      std::string(100000, ' ') + Line("SPACES"),
      Line("WHOLE") + " and a comment that makes the line too long" + std::string(300, '.'),
      Line("B"),
  }));
  EXPECT_EQ(p.baseUrl, kBase);
  EXPECT_EQ(Names(p.catalogue.modules), (std::vector<std::string>{"A", "B"}));
}

TEST(HostilePagesOverlong, LongDirectoryLineGivesUpOnThePage) {
  const ParsedPage p = ParsePage("modlist_dir<br>../" + std::string(100000, 'd') + "<br>modlist_start<br>" +
                         Line("A") + "<br>");
  ExpectNothingStored(p);
  EXPECT_EQ(p.baseUrl, kUnchanged);
}

}  // namespace
