// FillModuleList into a real list view; the rows are read back through the
// list view's own messages.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "catalogue/catalogue_page.h"
#include "catalogue/win/module_list.h"
#include "testing/catalogue_builders.h"
#include "testing/list_view_rows.h"

namespace {

// "ДИАГ" in Windows-1251, as a Russian catalogue page carries it.
const std::string kCyrillicName = "\xC4\xC8\xC0\xC3";

const std::string kPage =
    zortest::CataloguePage({zortest::ModuleLine("2014-05-12", "1.2.3.4", "DIAG01.z70", "DIAG01_1234"),
                            zortest::ModuleLine("2014-04-01", "2.0.7", "boot.sys", "boot_manager"),
                            zortest::ModuleLine("2013-02-03", "3.1.2", kCyrillicName + ".z70", "diag_ru"),
                            zortest::ModuleLine("2014-04-01", "1.2.3.4", "qm.sys", "qm7upd")});

class ListView {
 public:
  ListView() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    hwnd_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 400, 300, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 2 && hwnd_; ++i) {
      LVCOLUMNW col = {};
      col.mask = LVCF_WIDTH | LVCF_SUBITEM;
      col.cx = 150;
      col.iSubItem = i;
      SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
  }
  ~ListView() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  ListView(const ListView&) = delete;
  ListView& operator=(const ListView&) = delete;

  HWND hwnd() const { return hwnd_; }
  int Count() const { return zortest::ListViewRows(hwnd_); }
  std::string NameA(int row) const { return zortest::ListViewTextA(hwnd_, row, 0); }
  std::wstring TextW(int row, int column) const { return zortest::ListViewTextW(hwnd_, row, column); }
  LPARAM Data(int row) const { return zortest::ListViewItemData(hwnd_, row); }

 private:
  HWND hwnd_ = nullptr;
};

TEST(ModuleListFill, OneRowPerModuleWithNameItemDataAndCell) {
  ListView view;
  ASSERT_NE(view.hwnd(), nullptr);
  ModuleCatalogue catalogue;
  std::string baseUrl;
  ASSERT_EQ(ParseCataloguePage(kPage, "h", catalogue, baseUrl), 4u);
  catalogue.modules.records[1].releases[0].onScanner = true;  // the Cyrillic module is up to date

  FillModuleList(view.hwnd(), catalogue);

  ASSERT_EQ(view.Count(), 4);
  EXPECT_EQ(view.NameA(0), "DIAG01");
  EXPECT_EQ(view.Data(0), 1);
  EXPECT_EQ(view.TextW(0, 1), L"Дата 12.05.2014\nВерсия 1.2.3.4");

  EXPECT_EQ(view.NameA(1), kCyrillicName);  // the page's bytes, unconverted
  if (GetACP() == 1251) {
    EXPECT_EQ(view.TextW(1, 0), L"ДИАГ");
  }
  EXPECT_EQ(view.Data(1), 3);
  EXPECT_EQ(view.TextW(1, 1), L"");

  EXPECT_EQ(view.NameA(2), "boot");
  EXPECT_EQ(view.Data(2), -1);
  EXPECT_EQ(view.TextW(2, 1), L"Дата 1.04.2014\nВерсия 2.0.7");

  EXPECT_EQ(view.NameA(3), "qm");
  EXPECT_EQ(view.Data(3), -1);
  EXPECT_EQ(view.TextW(3, 1), L"Дата 1.04.2014\nВерсия 1.2.772");

  EXPECT_EQ(catalogue.modulesCursor, 2u);
  EXPECT_EQ(catalogue.systemCursor, 2u);
}

TEST(ModuleListFill, InsertModuleRowAppendsAndReturnsTheIndex) {
  ListView view;
  ASSERT_NE(view.hwnd(), nullptr);
  EXPECT_EQ(InsertModuleRow(view.hwnd(), "A", "1.01.2014", "1.0.0.1", 0x80000000u), 0);
  EXPECT_EQ(InsertModuleRow(view.hwnd(), "B", "", "1.0.0.1", 2), 1);
  EXPECT_EQ(InsertModuleRow(view.hwnd(), "C", "1.01.2014", "", 3), 2);
  ASSERT_EQ(view.Count(), 3);
  EXPECT_EQ(view.NameA(2), "C");
  EXPECT_EQ(static_cast<std::uint32_t>(view.Data(0)), 0x80000000u);
  EXPECT_EQ(view.TextW(0, 1), L"Дата 1.01.2014\nВерсия 1.0.0.1");
  EXPECT_EQ(view.TextW(1, 1), L"");  // a cell needs both texts
  EXPECT_EQ(view.TextW(2, 1), L"");
}

}  // namespace
