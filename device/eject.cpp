#include "device/eject.h"

#include <cassert>
#include <cstdio>

#include "core/text.h"

const char16_t kEjectCaption[] = u"Ошибка отключения от порта USB";
const char16_t kDefaultDeviceName[] = u"тестер";

namespace {

void AppendText(std::u16string& out, const char16_t* text, std::size_t capacity) {
  for (std::size_t i = 0; i < capacity && text[i] != 0; ++i) out += text[i];
}

}  // namespace

std::u16string FormatEjectMessage(const char16_t* deviceName, const ScannerRecord& record) {
  std::u16string text = u"Невозможно отключить ";
  AppendText(text, deviceName, kLocationBufferChars);
  text += u".\nСерийный номер: ";
  AppendDecimal(text, record.serialNumber);
  text += u"\nДата производства: ";
  AppendDecimal(text, record.productionDate.wDay, 2);
  text += u'.';
  AppendDecimal(text, record.productionDate.wMonth, 2);
  text += u'.';
  AppendDecimal(text, record.productionDate.wYear, 2);
  text += u"\nПодключенный диск ";
  AppendText(text, record.drive, kDriveSize);
  text += u" используется другим приложением!";
  return text;
}

std::string FormatEjectFault(std::uint32_t code) {
  char text[32];
  std::snprintf(text, sizeof text, "Eject fault: %04X\n", static_cast<unsigned>(code));
  return text;
}

EjectOutcome EjectScannerWith(const ScannerRecord& record, EjectPort& port) {
  EjectOutcome outcome;
  std::uint32_t parent = 0;
  if (!port.GetParent(record.devInfo.DevInst, parent)) return outcome;

  while (outcome.attempts < kEjectAttempts) {
    // The request writes the veto type only when it fails, so each attempt
    // starts from PNP_VetoTypeUnknown: a refusal must not outlive its attempt.
    std::uint32_t vetoType = 0;
    outcome.lastCode = port.RequestEject(parent, vetoType);
    outcome.lastVeto = vetoType;
    ++outcome.attempts;
    if (outcome.lastCode == kCrSuccess && vetoType == 0) {
      outcome.result = kEjectDone;
      return outcome;
    }
    if (IsEjectFault(outcome.lastCode)) return outcome;
    // Someone holds the disk (Explorer, a virus scanner): give it a moment.
    port.Pause(kEjectPauseMs);
  }

  // Zero-filled past the default, so a location text cut at the byte limit
  // stays terminated.
  char16_t name[kLocationBufferChars] = {};
  static_assert(sizeof kDefaultDeviceName <= sizeof name, "default name must fit");
  for (std::size_t i = 0; kDefaultDeviceName[i] != 0; ++i) name[i] = kDefaultDeviceName[i];
  static_assert(kLocationBufferBytes < sizeof name, "the read must leave a terminator");
  port.ReadLocation(parent, name, kLocationBufferBytes);
  assert(name[kLocationBufferChars - 1] == 0);

  outcome.message = FormatEjectMessage(name, record);
  return outcome;
}
