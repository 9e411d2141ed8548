// The Windows side of an ejection that both back ends share: the pause, the
// debugger text and the failure message box.
#pragma once

#include <windows.h>

#include "device/eject.h"

class WinEjectPort : public EjectPort {
 public:
  void Pause(std::uint32_t milliseconds) override;
  void DebugOutput(const std::string& text) override;
  // Owned by no window: the worker shows it while the main window is being
  // destroyed, so it is brought to the front and kept above other windows.
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
};

// EjectScannerWith, then one line in the log: the scanner, the attempts, the
// outcome and the last veto type, for support to see why a disk stayed.
int EjectAndLog(const ScannerRecord& record, EjectPort& port);

// The call that shows the failure box (MessageBoxW); tests replace it to see
// how the box is asked for.
using MessageBoxCall = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags);
MessageBoxCall& EjectMessageBox();
