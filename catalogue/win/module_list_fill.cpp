#include <windows.h>
#include <commctrl.h>

#include <string>

#include "catalogue/module_rows.h"
#include "catalogue/win/module_list.h"
#include "core/win/text.h"

int InsertModuleRow(HWND listView, const std::string& name, std::string_view dateText,
                    std::string_view versionText, std::uint32_t itemData) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 0x7FFFFFFF;
  item.iSubItem = 0;
  item.pszText = const_cast<char*>(name.c_str());
  item.cchTextMax = static_cast<int>(name.size() + 1);
  // Sign-extended: a system row reads back as -1 on 32 and 64 bits alike.
  item.lParam = static_cast<LPARAM>(static_cast<std::int32_t>(itemData));
  const int row = static_cast<int>(
      SendMessageW(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));

  std::u16string cell = FormatCellText(dateText, versionText);
  if (!cell.empty()) {
    LVITEMW sub = {};
    sub.iSubItem = 1;
    sub.pszText = AsWide(cell.data());
    SendMessageW(listView, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
  }
  return row;
}

void FillModuleList(HWND listView, ModuleCatalogue& catalogue) {
  RestartModuleRows(catalogue);
  ModuleRow row;
  while (NextModuleRow(catalogue, row)) {
    InsertModuleRow(listView, row.name, row.dateText, row.versionText, row.itemData);
  }
}
