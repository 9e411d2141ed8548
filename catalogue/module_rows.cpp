#include "catalogue/module_rows.h"

#include <cassert>
#include <cstdio>

#include "core/text.h"

namespace {

std::string Format(const char* pattern, unsigned a, unsigned b, unsigned c, unsigned d = 0) {
  char text[kRowTextSize];
  const int n = std::snprintf(text, sizeof text, pattern, a, b, c, d);
  assert(n > 0 && static_cast<std::size_t>(n) < sizeof text);  // 4 x 10 digits fit
  return n > 0 ? std::string(text) : std::string();
}

}  // namespace

std::string FormatReleaseDate(const ReleaseDate& date) {
  return Format("%u.%02u.%04u", date.day, date.month, date.year);
}

std::string FormatModuleVersion(const ModuleVersion& version) {
  return Format("%u.%u.%u.%u", version.ver1, version.ver2, version.ver3 >> 8, version.ver3 & 0xFFu);
}

std::string FormatSystemVersion(const ModuleVersion& version) {
  return Format("%u.%u.%u", version.ver1, version.ver2, version.ver3);
}

std::u16string FormatCellText(std::string_view dateText, std::string_view versionText) {
  std::u16string cell;
  if (dateText.empty() || versionText.empty()) return cell;
  cell = u"Дата ";
  AppendAscii(cell, dateText);
  cell += u"\nВерсия ";
  AppendAscii(cell, versionText);
  assert(cell.size() < kCellTextSize);
  return cell;
}

void RestartModuleRows(ModuleCatalogue& catalogue) {
  catalogue.modulesCursor = 0;
  catalogue.systemCursor = 0;
}

bool NextModuleRow(ModuleCatalogue& catalogue, ModuleRow& row) {
  ModuleRelease release;
  bool system = false;
  if (!NextModule(catalogue.modules, catalogue.modulesCursor, row.name, release)) {
    if (!NextModule(catalogue.systemModules, catalogue.systemCursor, row.name, release)) {
      return false;
    }
    system = true;
  }
  row.dateText.clear();
  row.versionText.clear();
  if (!release.archiveName.empty()) {
    row.dateText = FormatReleaseDate(release.date);
    row.versionText = system ? FormatSystemVersion(release.version)
                             : FormatModuleVersion(release.version);
  }
  // NextModule has just moved past the record the row shows.
  row.itemData = system ? kSystemRowItemData
                        : catalogue.modules.records[catalogue.modulesCursor - 1].series;
  return true;
}
