// The module list view's rows as the install rules read them: through the
// ANSI messages, so module names stay in the system code page.
#pragma once

#include <windows.h>

#include "app/install_queue.h"

class ListViewRows : public RowTexts {
 public:
  explicit ListViewRows(HWND list) : list_(list) {}
  int RowCount() const override;
  void Read(int row, int column, char* buffer, std::size_t size) const override;

 private:
  HWND list_;
};
