// A list view's rows read through its own messages. Sent with a time-out,
// so that they work from the view's thread and from any other.
#pragma once

#include <windows.h>

#include <string>

namespace zortest {

int ListViewRows(HWND list);
// A column's text in the ANSI code page (as the program reads the names) or in UTF-16.
std::string ListViewTextA(HWND list, int row, int column);
std::wstring ListViewTextW(HWND list, int row, int column);
LPARAM ListViewItemData(HWND list, int row);

}  // namespace zortest
