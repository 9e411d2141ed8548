// What the main window does with install requests, close requests and the
// worker's install reports, apart from the windows it opens and closes.
// Portable, so the rules are tested without a window.
//
// The window hands the worker one job at a time. Two rules go beyond the
// plain queue: a new install request is refused while a job is with the
// worker or modules are queued (the worker holds a pointer to the one
// current request, and a second progress dialog would be orphaned), and a
// close request that comes while the last job is with the worker is held
// until that job reports, so the process never ends while the worker writes
// to the scanner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/install_queue.h"

enum class CloseDecision {
  kClose,    // destroy the window now
  kRefuse,   // modules are queued: ignore the request
  kHold,     // the last job is with the worker: close when it reports
};

enum class InstallStep {
  kNothing,    // an unknown result code
  kNextJob,    // the current request holds the next module: hand it to the worker
  kFinished,   // the queue is done: close the dialog, success or cancel message
  kStopped,    // a job failed: the queue was dropped, show failureText (none
               // when the refresh after the job has told the user already)
};

struct InstallReport {
  InstallStep step = InstallStep::kNothing;
  const char16_t* failureText = nullptr;  // kStopped only
  bool closeNow = false;  // a held close request is to be carried out after this report
};

class InstallFlow {
 public:
  InstallQueue& queue() { return queue_; }
  const InstallQueue& queue() const { return queue_; }
  InstallRequest& current() { return current_; }
  bool jobWithWorker() const { return jobWithWorker_; }
  bool closeHeld() const { return closeHeld_; }

  // The download command and a double-click: false while busy.
  bool AcceptsInstallRequest() const { return !jobWithWorker_ && queue_.Empty(); }
  // A scanner button is ignored while modules are queued.
  bool AcceptsScannerSelection() const { return queue_.Empty(); }

  // Fills the queue for the download command. Returns its length (0 when
  // the request is refused or nothing is new). Every job of the queue goes
  // to the scanner of `scannerSerial`, the one marked now, and to no other.
  std::size_t QueueDownload(const RowTexts& rows, std::uint32_t scannerSerial = kNoScannerSerial);
  // Fills the queue for a double-click on `row`.
  std::size_t QueueDoubleClick(const RowTexts& rows, int row, std::uint32_t scannerSerial = kNoScannerSerial);

  // Moves the front request into the current one, aimed at the queue's
  // scanner; the job is then with the worker. The queue must not be empty.
  void TakeNextJob();

  CloseDecision OnCloseRequest();
  // WM_CT_CANCEL: the queued modules are dropped, the running job goes on.
  void OnCancel();
  // The modules of this queue that a cancel or a failure dropped: "A, B",
  // or "none".
  std::string untried() const { return untried_.empty() ? "none" : untried_; }
  // `refreshCode`: that of the refresh that followed a successful job. A
  // refresh that found no catalogue has shown its own message; the queue
  // stops after that module, since every later job would find nothing.
  InstallReport OnInstallDone(int resultCode, int refreshCode = kRefreshOk);
  // The job could not be handed to the worker: nothing is with it any more.
  void AbandonJob();

 private:
  // Keeps the names of the dropped modules for the queue's end line.
  void DropQueue();

  InstallQueue queue_;
  InstallRequest current_{};
  std::uint32_t scannerSerial_ = kNoScannerSerial;
  std::string untried_;
  bool jobWithWorker_ = false;
  bool closeHeld_ = false;
};
