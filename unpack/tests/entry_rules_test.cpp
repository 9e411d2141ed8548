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

TEST(EntryRulesTest, SpaceNeededIsTheLargestTemporaryFileBesideTheGrowthSoFar) {
  const auto peak = [](std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> entries) {
    unpack::SpaceNeed need;
    for (const auto& [size, replaced] : entries) need.Add(size, replaced);
    return need.peak();
  };
  constexpr std::uint64_t k = 1024;
  // Four modules replacing four of the same size: one temporary file at a time.
  EXPECT_EQ(peak({{200 * k, 200 * k}, {200 * k, 200 * k}, {200 * k, 200 * k}, {200 * k, 200 * k}}), 200 * k);
  // New files add up; a larger replacement keeps its growth for the next one.
  EXPECT_EQ(peak({{100, 0}, {50, 0}}), 150u);
  EXPECT_EQ(peak({{300, 100}, {100, 100}}), 300u);
  // What a smaller replacement frees makes room for a later new file, and
  // the order counts: the big new file first needs all of its size.
  EXPECT_EQ(peak({{10, 500}, {400, 0}}), 10u);
  EXPECT_EQ(peak({{400, 0}, {10, 500}}), 410u);
  EXPECT_EQ(peak({}), 0u);
  // Hostile sizes do not wrap round to a small need (the limit on the
  // declared total refuses them anyway).
  EXPECT_GT(peak({{UINT64_MAX, 0}, {UINT64_MAX, 0}}), unpack::kMaxDeclaredTotal);
}

}  // namespace
