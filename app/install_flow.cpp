#include "app/install_flow.h"

#include "app/ui_texts.h"
#include "worker/worker_rules.h"

std::size_t InstallFlow::QueueDownload(const RowTexts& rows, std::uint32_t scannerSerial) {
  if (!AcceptsInstallRequest()) return 0;
  scannerSerial_ = scannerSerial;
  untried_.clear();
  return ApplyDownloadRule(queue_, rows);
}

std::size_t InstallFlow::QueueDoubleClick(const RowTexts& rows, int row, std::uint32_t scannerSerial) {
  if (!AcceptsInstallRequest()) return 0;
  scannerSerial_ = scannerSerial;
  untried_.clear();
  return ApplyDoubleClickRule(queue_, current_, rows, row);
}

void InstallFlow::TakeNextJob() {
  queue_.TakeFront(current_);
  current_.scannerSerial = scannerSerial_;
  jobWithWorker_ = true;
}

void InstallFlow::DropQueue() {
  for (std::size_t i = 0; i < queue_.Count(); ++i) {
    if (!untried_.empty()) untried_ += ", ";
    untried_ += queue_.At(i).name;
  }
  queue_.Clear();
}

void InstallFlow::OnCancel() { DropQueue(); }

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
    DropQueue();
    report.step = InstallStep::kStopped;
  } else if (resultCode == kInstallOk) {
    if (queue_.Empty()) {
      report.step = InstallStep::kFinished;
    } else {
      TakeNextJob();
      report.step = InstallStep::kNextJob;
    }
  } else if (const char16_t* text = InstallFailureText(resultCode)) {
    DropQueue();
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
  DropQueue();
  jobWithWorker_ = false;
  closeHeld_ = false;
}
