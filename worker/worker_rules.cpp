#include "worker/worker_rules.h"

#include <cassert>
#include <cstring>

#include "core/text.h"
#include "worker/messages.h"

std::u16string FormatScannerButtonText(std::uint32_t serialNumber, const SystemTime& productionDate) {
  std::u16string text = u"ЗОР-70\n";
  AppendDecimal(text, serialNumber);
  text += u'\n';
  AppendDecimal(text, productionDate.wDay);
  text += u'.';
  AppendDecimal(text, productionDate.wMonth, 2);
  text += u'.';
  AppendDecimal(text, productionDate.wYear);
  assert(text.size() < kButtonTextSize);
  return text;
}

std::uint32_t MarkedScannerIndex(const ScannerTable& table, std::uint32_t rememberedSerial) {
  assert(table.count > 0 && table.count <= kMaxScanners);
  if (rememberedSerial == kNoMarkedSerial) return 0;
  for (std::uint32_t i = 0; i < table.count; ++i) {
    if (table.records[i].serialNumber == rememberedSerial) return i;
  }
  return 0;
}

std::int32_t SelectionForRefresh(const ScannerTable& table, std::uint64_t requested, std::uint32_t markedSerial) {
  const auto index = static_cast<std::uint32_t>(requested);
  if (index == kKeepSelection) return table.selected;
  if (markedSerial == kNoMarkedSerial) return static_cast<std::int32_t>(index);
  const ScannerRecord* marked = ScannerWithSerial(table, markedSerial);
  return marked != nullptr ? static_cast<std::int32_t>(marked - &table.records[0]) : -1;
}

const ScannerRecord* ScannerWithSerial(const ScannerTable& table, std::uint32_t serial) {
  for (std::uint32_t i = 0; i < table.count && i < kMaxScanners; ++i) {
    if (table.records[i].serialNumber == serial) return &table.records[i];
  }
  return nullptr;
}

const ScannerRecord* SelectedScanner(const ScannerTable& table) {
  if (table.count > kMaxScanners || table.selected < 0 ||
      static_cast<std::uint32_t>(table.selected) >= table.count) {
    return nullptr;
  }
  return &table.records[table.selected];
}

std::uint32_t SelectedSerial(const ScannerTable& table) {
  const ScannerRecord* scanner = SelectedScanner(table);
  return scanner != nullptr ? scanner->serialNumber : kNoMarkedSerial;
}

std::int32_t SelectionAfterDiscovery(const ScannerTable& discovered, std::uint32_t selectedSerial) {
  if (discovered.count == 0 || discovered.count > kMaxScanners) return 0;
  return static_cast<std::int32_t>(MarkedScannerIndex(discovered, selectedSerial));
}

int ScrollBackPixels(int oldTopIndex, int newTopIndex) { return (oldTopIndex - newTopIndex) * kModuleRowHeight; }

bool JoinBounded(char* out, std::size_t capacity, std::initializer_list<std::string_view> pieces) {
  assert(capacity > 0);
  std::size_t total = 0;
  for (std::string_view piece : pieces) total += piece.size();
  if (total >= capacity) {
    out[0] = '\0';
    return false;
  }
  std::size_t at = 0;
  for (std::string_view piece : pieces) {
    if (!piece.empty()) std::memcpy(out + at, piece.data(), piece.size());
    at += piece.size();
  }
  out[at] = '\0';
  return true;
}

bool IsPlainArchiveName(std::string_view archiveName) {
  return !archiveName.empty() && archiveName.find_first_of("\\/:") == std::string_view::npos;
}

const char16_t* InstallFailureText(int resultCode) {
  switch (resultCode) {
    case kInstallDownloadFailed: return u"Ошибка подключения к серверу загрузки.";
    case kInstallNoScanner: return u"Сканер был отключен от порта USB.";
    case kInstallUnpackFailed: return u"Ошибка загрузки модуля.";
    case kInstallNotFound: return u"Модуль не найден.";
    default: return nullptr;
  }
}
