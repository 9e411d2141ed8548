// The rows of the module list view, computed from the catalogue. Portable;
// the Win32 adapter only sends them to the list view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// Item data of a system-list row; a module-list row carries its series. The
// list view stores it sign-extended, so the low 32 bits are the value.
constexpr std::uint32_t kSystemRowItemData = 0xFFFFFFFFu;
constexpr std::size_t kRowTextSize = 50;    // date and version texts, with terminator
constexpr std::size_t kCellTextSize = 200;  // cell text in characters, with terminator

// "%u.%02u.%04u": day, month, year.
std::string FormatReleaseDate(const ReleaseDate& date);
// Module list: "%u.%u.%u.%u" with ver3 split into its high part and low byte,
// so a version written with three numbers, 1.2.3, shows as 1.2.0.3.
std::string FormatModuleVersion(const ModuleVersion& version);
// System list: "%u.%u.%u" with ver3 whole.
std::string FormatSystemVersion(const ModuleVersion& version);

// "Дата <date>\nВерсия <version>" in UTF-16, so the new-release column reads
// the same whatever the ANSI code page; empty when either text is empty (no
// new release). The texts are the ASCII output of the formatters above.
std::u16string FormatCellText(std::string_view dateText, std::string_view versionText);

struct ModuleRow {
  std::string name;
  std::string dateText;     // empty without a new release
  std::string versionText;  // empty without a new release
  std::uint32_t itemData = 0;
};

// Walks the rows in list order: every module-list record, then every system
// record, one row each, using the catalogue's two cursors.
void RestartModuleRows(ModuleCatalogue& catalogue);
bool NextModuleRow(ModuleCatalogue& catalogue, ModuleRow& row);
