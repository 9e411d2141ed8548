#include "device/win/eject_port_win.h"

#include <windows.h>

#include "device/win/win_types.h"

void WinEjectPort::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

void WinEjectPort::DebugOutput(const std::string& text) { OutputDebugStringA(text.c_str()); }

MessageBoxCall& EjectMessageBox() {
  static MessageBoxCall call = MessageBoxW;
  return call;
}

void WinEjectPort::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  EjectMessageBox()(nullptr, ToWide(text).c_str(), ToWide(caption).c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
}
