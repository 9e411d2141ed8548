#include "app/install_flow.h"

#include "app/ui_texts.h"
#include "worker/worker_rules.h"

std::size_t InstallFlow::QueueDownload(const RowTexts& rows) {
  if (!AcceptsInstallRequest()) return 0;
  return ApplyDownloadRule(queue_, rows);
}

std::size_t InstallFlow::QueueDoubleClick(const RowTexts& rows, int row) {
  if (!AcceptsInstallRequest()) return 0;
  return ApplyDoubleClickRule(queue_, current_, rows, row);
}

void InstallFlow::TakeNextJob() {
  queue_.TakeFront(current_);
  jobWithWorker_ = true;
}

CloseDecision InstallFlow::OnCloseRequest() {
  if (!queue_.Empty()) return CloseDecision::kRefuse;
  if (jobWithWorker_) {
    closeHeld_ = true;
    return CloseDecision::kHold;
  }
  return CloseDecision::kClose;
}

InstallReport InstallFlow::OnInstallDone(int resultCode, int refreshCode) {
  InstallReport report;
  jobWithWorker_ = false;
  if (resultCode == kInstallOk && refreshCode == kRefreshNoCatalogue) {
    queue_.Clear();
    report.step = InstallStep::kStopped;
  } else if (resultCode == kInstallOk) {
    if (queue_.Empty()) {
      report.step = InstallStep::kFinished;
    } else {
      TakeNextJob();
      report.step = InstallStep::kNextJob;
    }
  } else if (const char16_t* text = InstallFailureText(resultCode)) {
    queue_.Clear();
    report.step = InstallStep::kStopped;
    report.failureText = text;
  }
  if (closeHeld_ && !jobWithWorker_) {
    closeHeld_ = false;
    report.closeNow = true;
  }
  return report;
}

void InstallFlow::AbandonJob() {
  queue_.Clear();
  jobWithWorker_ = false;
  closeHeld_ = false;
}
