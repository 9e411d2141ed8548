#include "device/win/eject_port.h"

#include <windows.h>

#include "core/win/text.h"
#include "log/win/log.h"

int ReportEjectOutcome(const ScannerRecord& record, const EjectOutcome& outcome) {
  if (IsEjectFault(outcome.lastCode)) LogFailure("%s", FormatEjectFault(outcome.lastCode).c_str());
  if (!outcome.message.empty())
    EjectMessageBox()(nullptr, AsWide(outcome.message.c_str()), AsWide(kEjectCaption),
                      MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
  LogEvent("safe removal: scanner %lu, drive %c:, %d %s, %s, last answer %04lX, veto type %lu",
           static_cast<unsigned long>(record.serialNumber), DriveLetterOf(record), outcome.attempts,
           outcome.attempts == 1 ? "attempt" : "attempts",
           outcome.result == kEjectDone ? "removed" : "failed", static_cast<unsigned long>(outcome.lastCode),
           static_cast<unsigned long>(outcome.lastVeto));
  return outcome.result;
}

MessageBoxCall& EjectMessageBox() {
  static MessageBoxCall call = MessageBoxW;
  return call;
}
