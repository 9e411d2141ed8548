#include "device/win/eject_port.h"

#include <windows.h>

#include "device/win/types.h"
#include "log/win/log.h"

void WinEjectPort::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

void WinEjectPort::DebugOutput(const std::string& text) { LogFailure("%s", text.c_str()); }

namespace {

// Passes every call on, noting what the ejection's requests answered.
class NotingPort : public EjectPort {
 public:
  explicit NotingPort(EjectPort& port) : port_(port) {}
  bool GetParent(std::uint32_t devInst, std::uint32_t& parent) override { return port_.GetParent(devInst, parent); }
  std::uint32_t RequestEject(std::uint32_t parent, std::uint32_t& vetoType) override {
    ++attempts;
    lastCode = port_.RequestEject(parent, vetoType);
    lastVeto = vetoType;
    return lastCode;
  }
  void ReadLocation(std::uint32_t parent, char16_t* name, std::uint32_t bytes) override {
    port_.ReadLocation(parent, name, bytes);
  }
  void Pause(std::uint32_t milliseconds) override { port_.Pause(milliseconds); }
  void DebugOutput(const std::string& text) override { port_.DebugOutput(text); }
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override {
    port_.ShowMessage(text, caption);
  }

  int attempts = 0;
  std::uint32_t lastCode = 0;
  std::uint32_t lastVeto = 0;

 private:
  EjectPort& port_;
};

}  // namespace

int EjectAndLog(const ScannerRecord& record, EjectPort& port) {
  NotingPort noting(port);
  const int result = EjectScannerWith(record, noting);
  LogEvent("safe removal: scanner %lu, drive %c:, %d %s, %s, last answer %04lX, veto type %lu",
           static_cast<unsigned long>(record.serialNumber), DriveLetterOf(record), noting.attempts,
           noting.attempts == 1 ? "attempt" : "attempts",
           result == kEjectDone ? "removed" : "failed", static_cast<unsigned long>(noting.lastCode),
           static_cast<unsigned long>(noting.lastVeto));
  return result;
}

MessageBoxCall& EjectMessageBox() {
  static MessageBoxCall call = MessageBoxW;
  return call;
}

void WinEjectPort::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  EjectMessageBox()(nullptr, ToWide(text).c_str(), ToWide(caption).c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
}
