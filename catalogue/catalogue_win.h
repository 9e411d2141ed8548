// Win32 side of the catalogue: the page download over WinINet and the
// module list view fill. Both are thin: the rules live in the portable code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// Fetches the module list page from the catalogue server and parses it into
// `catalogue` (expected empty), updating the package base URL. Returns the
// number of releases stored; 0 when the page could not be fetched, did not
// fit the page buffer or held no usable line.
unsigned DownloadCatalogue(ModuleCatalogue& catalogue);

// Appends one row per module to the (cleared) list view: the module-list
// records, then the system records.
void FillModuleList(HWND listView, ModuleCatalogue& catalogue);

// Appends a row: the name through the ANSI message, the new-release cell
// through the wide one when both texts are non-empty. Returns the row index.
int InsertModuleRow(HWND listView, const std::string& name, std::string_view dateText,
                    std::string_view versionText, std::uint32_t itemData);
