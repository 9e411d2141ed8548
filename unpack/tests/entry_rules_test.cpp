#include "unpack/entry_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using unpack::NameFault;

bool IsModule(const std::string& name) { return unpack::IsModuleEntryName(name.data(), name.size()); }
NameFault Check(const std::string& name) { return unpack::CheckEntryName(name.data(), name.size()); }

TEST(EntryRulesTest, ModuleFilterIsACaseSensitiveSubstringOfTheWholeName) {
  EXPECT_TRUE(IsModule("mod.z70"));
  EXPECT_TRUE(IsModule("sub/drv.sys"));
  EXPECT_TRUE(IsModule("mod.z70.old"));
  EXPECT_TRUE(IsModule("mods.z70/"));
  EXPECT_FALSE(IsModule("MOD.Z70"));
  EXPECT_FALSE(IsModule("x.Sys"));
  EXPECT_FALSE(IsModule("z70"));
  EXPECT_FALSE(IsModule(".z7"));
  EXPECT_FALSE(IsModule(""));
  EXPECT_TRUE(IsModule(std::string("hid\0.z70", 8)));    // behind a NUL
  EXPECT_TRUE(IsModule(std::string(300, 'n') + ".sys"));  // beyond 256 bytes
}

TEST(EntryRulesTest, NamesThatStayInsideAndWindowsCanHoldPass) {
  for (const char* name : {"mod.z70", "sub/drv.sys", "sub\\drv.sys", "..a.z70", "a..b/c.z70", "a//b.z70",
                           "x .y.z70", "mods.z70/", "CONSOLE.z70", "COM10.z70", "LPT.z70", "nul_x.z70",
                           "\xcc\xee\xe4\xf3\xeb\xfc.z70"}) {
    EXPECT_EQ(Check(name), NameFault::None) << name;
  }
}

TEST(EntryRulesTest, NamesThatLeaveTheTargetAreRefused) {
  EXPECT_EQ(Check("../up.z70"), NameFault::ParentComponent);
  EXPECT_EQ(Check("..\\up.z70"), NameFault::ParentComponent);
  EXPECT_EQ(Check("a/../../up.z70"), NameFault::ParentComponent);
  EXPECT_EQ(Check("a\\b\\.."), NameFault::ParentComponent);
  EXPECT_EQ(Check("..\\/hello.sys"), NameFault::ParentComponent);
  EXPECT_EQ(Check("/abs.z70"), NameFault::Absolute);
  EXPECT_EQ(Check("\\abs.z70"), NameFault::Absolute);
  EXPECT_EQ(Check("C:abs.z70"), NameFault::Colon);
  EXPECT_EQ(Check("C:\\abs.z70"), NameFault::Colon);
  EXPECT_EQ(Check("x.z70:stream"), NameFault::Colon);
}

TEST(EntryRulesTest, NamesWindowsCannotHoldAreRefused) {
  EXPECT_EQ(Check(std::string("te\0t.z70", 8)), NameFault::NulByte);
  for (const char* name : {"m<.z70", "m>.z70", "m\".z70", "m|.z70", "m?.z70", "m*.z70", "m\x01.z70",
                           "m\x1f.z70", "m\t.z70"}) {
    EXPECT_EQ(Check(name), NameFault::ForbiddenChar) << name;
  }
  for (const char* name : {"con.z70", "CON", "sub/NUL/x.sys", "Aux.sys", "prn.z70.old", "COM1.z70", "com9.sys",
                           "LPT0.z70", "lpt9.z70", "CONIN$.z70", "conout$.sys", "nul .z70", "con./x.z70"}) {
    EXPECT_EQ(Check(name), NameFault::ReservedName) << name;
  }
  for (const char* name : {"m.z70.", "m.z70 ", "dir./m.z70", "dir /m.z70", "./m.z70", "a/./m.z70"}) {
    EXPECT_EQ(Check(name), NameFault::TrailingDotOrSpace) << name;
  }
}

TEST(EntryRulesTest, OutputPathFitsIn260BytesOrIsNotBuilt) {
  char out[unpack::kOutputPathSize];
  const std::string target(58, 't');
  const std::string fits(200, 'n');  // 58 + 1 + 200 = 259, then the terminator
  ASSERT_TRUE(unpack::BuildOutputPath(target.c_str(), fits.data(), fits.size(), '\\', true, out));
  EXPECT_EQ(std::string(out), target + "\\" + fits);
  const std::string tooLong(201, 'n');
  EXPECT_FALSE(unpack::BuildOutputPath(target.c_str(), tooLong.data(), tooLong.size(), '\\', true, out));
  EXPECT_STREQ(out, "");
  const std::string fullTarget(259, 't');
  EXPECT_FALSE(unpack::BuildOutputPath(fullTarget.c_str(), "a", 1, '\\', true, out));
  const std::string hugeTarget(400, 't');
  EXPECT_FALSE(unpack::BuildOutputPath(hugeTarget.c_str(), "a", 1, '\\', true, out));
}

TEST(EntryRulesTest, OutputPathKeepsOrConvertsBackslashes) {
  char out[unpack::kOutputPathSize];
  const char name[] = "sub\\x/drv.sys";
  ASSERT_TRUE(unpack::BuildOutputPath("X:\\Program Files", name, std::strlen(name), '\\', true, out));
  EXPECT_STREQ(out, "X:\\Program Files\\sub\\x/drv.sys");
  ASSERT_TRUE(unpack::BuildOutputPath("/mnt/scanner", name, std::strlen(name), '/', false, out));
  EXPECT_STREQ(out, "/mnt/scanner/sub/x/drv.sys");
}

TEST(EntryRulesTest, FilePartFollowsTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(unpack::FilePartOffset("X:\\Program Files\\sub/drv.sys"), 21u);
  EXPECT_EQ(unpack::FilePartOffset("a/b\\c"), 4u);
  EXPECT_EQ(unpack::FilePartOffset("dir/"), 4u);
  EXPECT_EQ(unpack::FilePartOffset("plain"), 0u);
}

TEST(EntryRulesTest, DeclaredTotalsSaturateAndAreJudgedAgainstLimitAndFreeSpace) {
  EXPECT_EQ(unpack::AddDeclaredSize(5, 7), 12u);
  EXPECT_EQ(unpack::AddDeclaredSize(UINT64_MAX - 1, 7), UINT64_MAX);

  using unpack::TotalVerdict;
  const std::uint64_t limit = unpack::kMaxDeclaredTotal;
  EXPECT_EQ(unpack::CheckDeclaredTotal(limit, limit, true, limit, limit), TotalVerdict::Fits);
  EXPECT_EQ(unpack::CheckDeclaredTotal(limit + 1, 0, true, UINT64_MAX, limit), TotalVerdict::OverLimit);
  EXPECT_EQ(unpack::CheckDeclaredTotal(1001, 1001, true, 1000, limit), TotalVerdict::OverFreeSpace);
  EXPECT_EQ(unpack::CheckDeclaredTotal(1001, 1000, true, 1000, limit), TotalVerdict::Fits);
  EXPECT_EQ(unpack::CheckDeclaredTotal(1001, 1001, false, 0, limit), TotalVerdict::Fits);
  EXPECT_EQ(unpack::CheckDeclaredTotal(0, 0, true, 0, limit), TotalVerdict::Fits);
}

struct SpaceEntry {
  const char* path;
  std::uint64_t size;
  std::uint64_t existing;  // the size of the file at that path before the unpack
};

std::uint64_t PeakNeed(std::initializer_list<SpaceEntry> entries, std::uint64_t cluster = 1) {
  unpack::SpaceNeed need(cluster);
  for (const SpaceEntry& e : entries) EXPECT_TRUE(need.Add(e.path, e.size, e.existing));
  return need.peak();
}

TEST(EntryRulesTest, SpaceNeededIsTheLargestTemporaryFileBesideTheGrowthSoFar) {
  constexpr std::uint64_t k = 1024;
  // Four modules replacing four of the same size: one temporary file at a time.
  EXPECT_EQ(PeakNeed({{"a", 200 * k, 200 * k}, {"b", 200 * k, 200 * k}, {"c", 200 * k, 200 * k},
                      {"d", 200 * k, 200 * k}}),
            200 * k);
  // New files add up; a larger replacement keeps its growth for the next one.
  EXPECT_EQ(PeakNeed({{"a", 100, 0}, {"b", 50, 0}}), 150u);
  EXPECT_EQ(PeakNeed({{"a", 300, 100}, {"b", 100, 100}}), 300u);
  // What a smaller replacement frees makes room for a later new file, and
  // the order counts: the big new file first needs all of its size.
  EXPECT_EQ(PeakNeed({{"a", 10, 500}, {"b", 400, 0}}), 10u);
  EXPECT_EQ(PeakNeed({{"b", 400, 0}, {"a", 10, 500}}), 410u);
  EXPECT_EQ(PeakNeed({}), 0u);
  // Hostile sizes do not wrap round to a small need (the limit on the
  // declared total refuses them anyway).
  EXPECT_GT(PeakNeed({{"a", UINT64_MAX, 0}, {"b", UINT64_MAX, 0}}), unpack::kMaxDeclaredTotal);
  EXPECT_GT(PeakNeed({{"a", UINT64_MAX, 0}}, 4096), unpack::kMaxDeclaredTotal);
}

// An output named twice replaces what its first entry wrote: the old file
// is credited once, however the name is spelt, as Windows and FAT match it.
TEST(EntryRulesTest, AFileReplacedTwiceIsCreditedOnce) {
  // 200 replaced by 100, again by 100, then 450 new: 100 + 450 - 200.
  EXPECT_EQ(PeakNeed({{"t\\M1.z70", 100, 200}, {"t\\M1.z70", 100, 200}, {"t\\NEW.z70", 450, 0}}), 350u);
  EXPECT_EQ(PeakNeed({{"t\\M1.z70", 100, 200}, {"t\\m1.Z70", 100, 200}, {"t\\NEW.z70", 450, 0}}), 350u);
  EXPECT_EQ(PeakNeed({{"t\\sub/m1.z70", 100, 200}, {"t\\SUB\\M1.z70", 100, 200}, {"t\\NEW.z70", 450, 0}}), 350u);
  // Cyrillic letters of code page 1251 in either case: "мод" and "МОД".
  EXPECT_EQ(PeakNeed({{"t\\\xEC\xEE\xE4.z70", 100, 200}, {"t\\\xCC\xCE\xC4.z70", 100, 200}, {"t\\NEW.z70", 450, 0}}),
            350u);
  // Two files indeed: each replaces its own.
  EXPECT_EQ(PeakNeed({{"t\\M1.z70", 100, 200}, {"t\\M2.z70", 100, 200}, {"t\\NEW.z70", 450, 0}}), 250u);
}

// A FAT disk allocates whole clusters: a 1-byte module takes 4 KiB, and a
// file of 4097 bytes frees two clusters.
TEST(EntryRulesTest, SpaceCountsWholeClusters) {
  EXPECT_EQ(PeakNeed({{"a", 1, 0}, {"b", 1, 0}}, 4096), 8192u);
  EXPECT_EQ(PeakNeed({{"a", 4096, 4097}, {"b", 8192, 0}}, 4096), 4096u);  // 8191 counted in bytes
  EXPECT_EQ(PeakNeed({{"a", 0, 0}}, 4096), 0u);
  EXPECT_EQ(PeakNeed({{"a", 1, 0}, {"b", 1, 0}}, 0), 2u);  // cluster size unknown: bytes
}

}  // namespace
