// Safe removal of a scanner: the retry and message rules, apart from the
// configuration-manager calls, which the Win32 adapter and the simulation
// plug in through EjectPort.
#pragma once

#include <cstdint>
#include <string>

#include "device/scanner_table.h"

// Configuration-manager result codes the decision looks at.
constexpr std::uint32_t kCrSuccess = 0x00;        // CR_SUCCESS
constexpr std::uint32_t kCrRemoveVetoed = 0x17;   // CR_REMOVE_VETOED

constexpr int kEjectDone = 0;
constexpr int kEjectFailed = 6;

constexpr int kEjectAttempts = 3;
constexpr std::uint32_t kEjectPauseMs = 500;
constexpr std::size_t kLocationBufferChars = 100;
constexpr std::uint32_t kLocationBufferBytes = 100;   // what the property read is offered

extern const char16_t kEjectCaption[];        // the failure message box's caption
extern const char16_t kDefaultDeviceName[];   // used when the location text cannot be read

class EjectPort {
 public:
  virtual ~EjectPort() = default;
  // CM_Get_Parent; false unless it returned CR_SUCCESS.
  virtual bool GetParent(std::uint32_t devInst, std::uint32_t& parent) = 0;
  // CM_Request_Device_EjectW; returns its CONFIGRET. vetoType is the caller's
  // variable, 0 on entry; the request may leave it alone when it succeeds.
  virtual std::uint32_t RequestEject(std::uint32_t parent, std::uint32_t& vetoType) = 0;
  // CM_DRP_LOCATION_INFORMATION into `name`, at most `bytes` bytes; the
  // result is not looked at, so a failed read must leave `name` alone.
  virtual void ReadLocation(std::uint32_t parent, char16_t* name, std::uint32_t bytes) = 0;
  virtual void Pause(std::uint32_t milliseconds) = 0;
  virtual void DebugOutput(const std::string& text) = 0;
  // Blocks until the user closes it.
  virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;
};

// kEjectDone or kEjectFailed.
int EjectScannerWith(const ScannerRecord& record, EjectPort& port);

// "Невозможно отключить ..." for a device name and a record.
std::u16string FormatEjectMessage(const char16_t* deviceName, const ScannerRecord& record);

// "Eject fault: %04X\n".
std::string FormatEjectFault(std::uint32_t code);
