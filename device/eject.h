// Safe removal of a scanner: the retry and message rules, apart from the
// configuration-manager calls, which the Win32 adapter and the simulation
// plug in through EjectPort. The rule answers with what happened; the Win32
// side logs it and shows the message.
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
};

// What one ejection did, for the log and the user.
struct EjectOutcome {
  int result = kEjectFailed;      // kEjectDone or kEjectFailed
  int attempts = 0;               // eject requests made
  std::uint32_t lastCode = 0;     // the last request's answer and veto type
  std::uint32_t lastVeto = 0;
  std::u16string message;         // for the box with kEjectCaption; empty: no box
};

EjectOutcome EjectScannerWith(const ScannerRecord& record, EjectPort& port);

// An answer that is neither a removal nor a refusal: the rule stops at once.
inline bool IsEjectFault(std::uint32_t code) { return code != kCrSuccess && code != kCrRemoveVetoed; }

// "Невозможно отключить ..." for a device name and a record.
std::u16string FormatEjectMessage(const char16_t* deviceName, const ScannerRecord& record);

// "Eject fault: %04X\n".
std::string FormatEjectFault(std::uint32_t code);
