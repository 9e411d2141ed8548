// The Windows side of an ejection that both back ends share: what the
// eject rule's outcome asks for, the log and the failure message box. The
// back ends' ports only answer the rule; this file never calls it.
#pragma once

#include <windows.h>

#include "device/eject.h"

// Logs the outcome (an unexpected answer, then one line: the scanner, the
// attempts, the outcome and the last veto type, for support to see why a disk
// stayed) and shows its message; returns its result. The box is owned by no
// window: the worker shows it while the main window is being destroyed, so
// it is brought to the front and kept above other windows.
int ReportEjectOutcome(const ScannerRecord& record, const EjectOutcome& outcome);

// The call that shows the failure box (MessageBoxW); tests replace it to see
// how the box is asked for.
using MessageBoxCall = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags);
MessageBoxCall& EjectMessageBox();
