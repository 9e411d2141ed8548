#include "app/win/module_list_rows.h"

#include <commctrl.h>

int ListViewRows::RowCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

void ListViewRows::Read(int row, int column, char* buffer, std::size_t size) const {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(size);
  SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}
