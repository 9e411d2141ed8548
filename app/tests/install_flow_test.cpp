#include "app/install_flow.h"

#include <gtest/gtest.h>

#include <string>

#include "app/tests/fake_rows.h"
#include "app/ui_texts.h"

namespace {

const char kCell[] = "Дата 1.04.2014\nВерсия 2.0.7";

FakeRows ThreeNew() { return FakeRows({{"M1", kCell}, {"M2", kCell}, {"M3", kCell}}); }

// The first job with the worker, cancelled, then a close request: held
// until the job reports.
void StartCancelAndAskToClose(InstallFlow& flow, const FakeRows& rows) {
  flow.QueueDownload(rows);
  flow.TakeNextJob();
  flow.OnCancel();
  EXPECT_EQ(flow.OnCloseRequest(), CloseDecision::kHold);
}

TEST(InstallFlow, WorksOffTheQueueOneJobAtATime) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  ASSERT_EQ(flow.QueueDownload(rows, 77), 3u);
  flow.TakeNextJob();
  EXPECT_STREQ(flow.current().name, "M1");
  EXPECT_TRUE(flow.jobWithWorker());

  InstallReport report = flow.OnInstallDone(kInstallOk);
  EXPECT_EQ(report.step, InstallStep::kNextJob);
  EXPECT_STREQ(flow.current().name, "M2");
  EXPECT_EQ(flow.current().scannerSerial, 77u) << "every job goes to the scanner the queue was made for";
  report = flow.OnInstallDone(kInstallOk);
  EXPECT_EQ(report.step, InstallStep::kNextJob);
  EXPECT_STREQ(flow.current().name, "M3");
  report = flow.OnInstallDone(kInstallOk);
  EXPECT_EQ(report.step, InstallStep::kFinished);
  EXPECT_FALSE(report.closeNow);
  EXPECT_FALSE(flow.jobWithWorker());
  EXPECT_TRUE(flow.AcceptsInstallRequest());
}

TEST(InstallFlow, FailureDropsTheRestWithTheCodesText) {
  const struct {
    int code;
    std::u16string text;
  } cases[] = {
      {kInstallDownloadFailed, u"Ошибка подключения к серверу загрузки."},
      {kInstallNoScanner, u"Сканер был отключен от порта USB."},
      {kInstallUnpackFailed, u"Ошибка загрузки модуля."},
      {kInstallNotFound, u"Модуль не найден."},
  };
  for (const auto& c : cases) {
    InstallFlow flow;
    const FakeRows rows = ThreeNew();
    flow.QueueDownload(rows);
    flow.TakeNextJob();
    const InstallReport report = flow.OnInstallDone(c.code);
    EXPECT_EQ(report.step, InstallStep::kStopped) << c.code;
    ASSERT_NE(report.failureText, nullptr);
    EXPECT_EQ(std::u16string(report.failureText), c.text);
    EXPECT_EQ(flow.untried(), "M2, M3");
    EXPECT_TRUE(flow.queue().Empty());
    EXPECT_TRUE(flow.AcceptsInstallRequest());
  }
}

TEST(InstallFlow, UnknownCodeDoesNothingMore) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  flow.QueueDownload(rows);
  flow.TakeNextJob();
  const InstallReport report = flow.OnInstallDone(7);
  EXPECT_EQ(report.step, InstallStep::kNothing);
  EXPECT_EQ(flow.queue().Count(), 2u);
  EXPECT_FALSE(flow.jobWithWorker());
}

TEST(InstallFlow, SecondRequestRefusedWhileQueuedOrWithTheWorker) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  ASSERT_EQ(flow.QueueDownload(rows), 3u);
  EXPECT_EQ(flow.QueueDownload(rows), 0u);  // modules queued
  EXPECT_EQ(flow.QueueDoubleClick(rows, 0), 0u);
  EXPECT_EQ(flow.queue().Count(), 3u);      // untouched by the refusals
  flow.TakeNextJob();
  flow.OnCancel();                          // queue empty, job still running
  EXPECT_EQ(flow.QueueDownload(rows), 0u);
  EXPECT_STREQ(flow.current().name, "M1");  // the worker's request is not overwritten
  EXPECT_TRUE(flow.AcceptsScannerSelection());
  flow.OnInstallDone(kInstallOk);
  EXPECT_EQ(flow.QueueDownload(rows), 3u);
}

TEST(InstallFlow, ScannerSelectionIgnoredWhileQueued) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  EXPECT_TRUE(flow.AcceptsScannerSelection());
  flow.QueueDownload(rows);
  flow.TakeNextJob();
  EXPECT_FALSE(flow.AcceptsScannerSelection());
}

TEST(InstallFlow, CloseRefusedWhileQueuedHeldDuringTheLastJob) {
  InstallFlow flow;
  EXPECT_EQ(flow.OnCloseRequest(), CloseDecision::kClose);

  FakeRows two({{"M1", kCell}, {"M2", kCell}});
  flow.QueueDownload(two);
  flow.TakeNextJob();
  EXPECT_EQ(flow.OnCloseRequest(), CloseDecision::kRefuse);
  EXPECT_FALSE(flow.OnInstallDone(kInstallOk).closeNow);  // M2 is now with the worker

  EXPECT_EQ(flow.OnCloseRequest(), CloseDecision::kHold);
  EXPECT_TRUE(flow.closeHeld());
  const InstallReport report = flow.OnInstallDone(kInstallOk);
  EXPECT_EQ(report.step, InstallStep::kFinished);
  EXPECT_TRUE(report.closeNow);
  EXPECT_FALSE(flow.closeHeld());
}

// The refresh inside the job lost the server: it has told the user, and the
// rest of the queue would only find nothing.
TEST(InstallFlow, RefreshWithoutACatalogueStopsTheQueueWithoutASecondMessage) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  ASSERT_EQ(flow.QueueDownload(rows), 3u);
  flow.TakeNextJob();
  const InstallReport report = flow.OnInstallDone(kInstallOk, kRefreshNoCatalogue);
  EXPECT_EQ(report.step, InstallStep::kStopped);
  EXPECT_EQ(report.failureText, nullptr);
  EXPECT_TRUE(flow.queue().Empty());
  EXPECT_FALSE(flow.jobWithWorker());
  EXPECT_TRUE(flow.AcceptsInstallRequest());

  ASSERT_EQ(flow.QueueDownload(rows), 3u);
  flow.TakeNextJob();
  EXPECT_EQ(flow.OnInstallDone(kInstallOk, kRefreshOk).step, InstallStep::kNextJob);
}

TEST(InstallFlow, HeldCloseIsCarriedOutAfterAFailureOrCancelToo) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  StartCancelAndAskToClose(flow, rows);
  InstallReport report = flow.OnInstallDone(kInstallUnpackFailed);
  EXPECT_EQ(report.step, InstallStep::kStopped);
  EXPECT_EQ(flow.untried(), "M2, M3") << "the cancel's, kept through the failure";
  EXPECT_TRUE(report.closeNow);

  StartCancelAndAskToClose(flow, rows);
  report = flow.OnInstallDone(99);
  EXPECT_EQ(report.step, InstallStep::kNothing);
  EXPECT_TRUE(report.closeNow);
}

TEST(InstallFlow, AbandonedJobLeavesNothingBusy) {
  InstallFlow flow;
  const FakeRows rows = ThreeNew();
  StartCancelAndAskToClose(flow, rows);
  flow.AbandonJob();
  EXPECT_FALSE(flow.jobWithWorker());
  EXPECT_FALSE(flow.closeHeld());
  EXPECT_TRUE(flow.AcceptsInstallRequest());
  EXPECT_EQ(flow.OnCloseRequest(), CloseDecision::kClose);
}

TEST(InstallFlow, DoubleClickQueuesSpecialsThenTheRow) {
  InstallFlow flow;
  FakeRows rows({{"A", kCell}, {"X", kCell}, {"boot_manager", kCell}, {"qm7upd", kCell}});
  ASSERT_EQ(flow.QueueDoubleClick(rows, 1), 3u);
  flow.TakeNextJob();
  EXPECT_STREQ(flow.current().name, "qm7upd");
}

}  // namespace
