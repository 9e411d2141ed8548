// The module list view filled from the catalogue: the Win32 side of the
// row texts, which the portable module_rows decides.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// Appends one row per module to the (cleared) list view: the module-list
// records, then the system records.
void FillModuleList(HWND listView, ModuleCatalogue& catalogue);

// Appends a row: the name through the ANSI message, the new-release cell
// through the wide one when both texts are non-empty. Returns the row index.
int InsertModuleRow(HWND listView, const std::string& name, std::string_view dateText,
                    std::string_view versionText, std::uint32_t itemData);
