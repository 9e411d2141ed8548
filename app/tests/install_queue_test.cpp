#include "app/install_queue.h"

#include <gtest/gtest.h>

#include "app/tests/fake_rows.h"

namespace {

using Strings = std::vector<std::string>;
const char kCell[] = "Дата 12.05.2014\nВерсия 1.2.3.4";

TEST(DownloadRule, QueuesNewRowsInListOrder) {
  FakeRows rows({{"R1", kCell}, {"OLD", ""}, {"R2", kCell}, {"R3", kCell}});
  InstallQueue queue;
  EXPECT_EQ(ApplyDownloadRule(queue, rows), 3u);
  EXPECT_EQ(Names(queue), (Strings{"R1", "R2", "R3"}));
  for (std::size_t i = 0; i < queue.Count(); ++i) EXPECT_EQ(queue.At(i).releaseSelector, 1);
}

TEST(DownloadRule, NothingNewGivesAnEmptyQueue) {
  FakeRows rows({{"A", ""}, {"B", ""}});
  InstallQueue queue;
  queue.PushBack(InstallRequest{"stale", 1, 0});
  EXPECT_EQ(ApplyDownloadRule(queue, rows), 0u);
  EXPECT_TRUE(queue.Empty());
  FakeRows none({});
  EXPECT_EQ(ApplyDownloadRule(queue, none), 0u);
}

TEST(DownloadRule, SameNameTwiceIsQueuedTwice) {
  FakeRows rows({{"DUP", kCell}, {"DUP", kCell}});
  InstallQueue queue;
  EXPECT_EQ(ApplyDownloadRule(queue, rows), 2u);
}

TEST(DownloadRule, LongNamesAreCutToFortyNineBytes) {
  const std::string longName(70, 'N');
  FakeRows rows({{longName, kCell}});
  InstallQueue queue;
  ASSERT_EQ(ApplyDownloadRule(queue, rows), 1u);
  EXPECT_EQ(std::string(queue.At(0).name), std::string(49, 'N'));
}

TEST(SpecialModuleRule, QueuesSpecialModulesBottomRowFirst) {
  FakeRows rows({{"boot_manager", kCell}, {"X", kCell}, {"qm7upd", kCell}, {"boot_manager_old", ""}});
  InstallQueue queue;
  EXPECT_EQ(ApplySpecialModuleRule(queue, rows), 2u);
  EXPECT_EQ(Names(queue), (Strings{"qm7upd", "boot_manager"}));
}

TEST(SpecialModuleRule, IsCaseSensitiveSubstringTest) {
  EXPECT_TRUE(IsSpecialModule("xboot_managery"));
  EXPECT_TRUE(IsSpecialModule("qm7upd2"));
  EXPECT_FALSE(IsSpecialModule("BOOT_MANAGER"));
  EXPECT_FALSE(IsSpecialModule("QM7UPD"));
  EXPECT_FALSE(IsSpecialModule("boot manager"));
}

TEST(DoubleClickRule, SpecialModulesFirstThenTheClickedRow) {
  // S1 (boot_manager), X, S2 (qm7upd) from top to bottom: S2, S1, X.
  FakeRows rows({{"S1boot_manager", kCell}, {"X", kCell}, {"S2qm7upd", kCell}});
  InstallQueue queue;
  InstallRequest current{};
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, rows, 1), 3u);
  EXPECT_EQ(Names(queue), (Strings{"S2qm7upd", "S1boot_manager", "X"}));
  EXPECT_STREQ(current.name, "X");
  EXPECT_EQ(current.releaseSelector, 1);
}

TEST(DoubleClickRule, ClickedSpecialModuleIsQueuedOnce) {
  FakeRows rows({{"A", kCell}, {"boot_manager", kCell}, {"qm7upd", kCell}});
  InstallQueue queue;
  InstallRequest current{};
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, rows, 1), 2u);
  EXPECT_EQ(Names(queue), (Strings{"qm7upd", "boot_manager"}));
}

TEST(DoubleClickRule, ClickedSpecialWithoutNewReleaseQueuesOnlyTheOthers) {
  FakeRows rows({{"boot_manager", ""}, {"qm7upd", kCell}});
  InstallQueue queue;
  InstallRequest current{};
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, rows, 0), 1u);
  EXPECT_EQ(Names(queue), (Strings{"qm7upd"}));
}

TEST(DoubleClickRule, RowWithoutNewReleaseOrBesideTheRows) {
  FakeRows rows({{"A", ""}, {"B", kCell}, {"qm7upd", kCell}});
  InstallQueue queue;
  InstallRequest current{};
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, rows, 0), 1u);
  EXPECT_EQ(Names(queue), (Strings{"qm7upd"}));
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, rows, -1), 1u);
  EXPECT_EQ(Names(queue), (Strings{"qm7upd"}));
  EXPECT_STREQ(current.name, "");

  FakeRows plain({{"A", ""}, {"B", kCell}});
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, plain, 7), 0u);
  EXPECT_EQ(ApplyDoubleClickRule(queue, current, plain, 0), 0u);
}

TEST(InstallQueue, TakeFrontMovesTheFrontOut) {
  InstallQueue queue;
  queue.PushBack(InstallRequest{"B", 1, 0});
  queue.PushFront(InstallRequest{"A", 1, 0});
  InstallRequest current{};
  queue.TakeFront(current);
  EXPECT_STREQ(current.name, "A");
  EXPECT_EQ(queue.Count(), 1u);
  queue.TakeFront(current);
  EXPECT_STREQ(current.name, "B");
  EXPECT_TRUE(queue.Empty());
}

}  // namespace
