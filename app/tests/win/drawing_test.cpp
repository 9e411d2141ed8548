// What the owner-drawn rows, the panel caption and the scanner buttons put
// on the screen, read back from the controls' device contexts.
#include <windows.h>

#include <commctrl.h>

#include "app/tests/win/app_fixture.h"

namespace apptest {
namespace {

// A control's client area as 24-bit pixels.
class Capture {
 public:
  explicit Capture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width_ * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
  }
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const DWORD p = pixels_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool Contains(const RECT& box, COLORREF colour) const {
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x)
        if (At(x, y) == colour) return true;
    return false;
  }
  bool AllOf(const RECT& box, COLORREF colour) const {
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x)
        if (At(x, y) != colour) return false;
    return true;
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<DWORD> pixels_;
};

constexpr COLORREF kEven = RGB(224, 224, 224);
constexpr COLORREF kOdd = RGB(238, 238, 238);
constexpr COLORREF kDarkGreen = RGB(0, 128, 0);
constexpr COLORREF kBrightGreen = RGB(0, 255, 0);

class DrawingTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetPage(CataloguePage({
        PageLine("DIAG_A"),
        PageLine("PRG_B", "2.0.0.1"),
        PageLine("DIAG_C", "41.0.0.1"),  // beyond the icon table
    }));
    PutOnScanner(L'R', L"PRG_B.z70", "held");
  }

  RECT Row(int row) {
    RECT box{};
    box.left = LVIR_BOUNDS;
    Send(Child(IDC_MODULE_LIST), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&box));
    return box;
  }
  void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_TRUE(Settle());
  }
};

TEST_F(DrawingTest, RowsAlternateTheirGreysAcrossTheFillerColumn) {
  ASSERT_TRUE(StartAppAndWait());
  Repaint(Child(IDC_MODULE_LIST));
  const Capture list(Child(IDC_MODULE_LIST));
  for (int row = 0; row < 3; ++row) {
    const RECT box = Row(row);
    const int fillerLeft = box.left + 258 + 160;
    const RECT filler{fillerLeft + 2, box.top + 2, box.right - 2, box.bottom - 2};
    ASSERT_GT(filler.right, filler.left);
    EXPECT_TRUE(list.AllOf(filler, row % 2 == 0 ? kEven : kOdd)) << row;
  }
  // A row without a new release: the column in the row's colour, no text, no arrow.
  const RECT second = Row(1);
  EXPECT_TRUE(list.AllOf({second.left + 258 + 1, second.top + 1, second.left + 258 + 159, second.bottom - 1}, kOdd));
  // A row with one: dark green text left of the arrow.
  const RECT first = Row(0);
  const RECT firstText{first.left + 258 + 5, first.top, first.left + 258 + 88, first.top + 16};
  EXPECT_TRUE(list.Contains(firstText, kDarkGreen));
  EXPECT_FALSE(list.Contains(firstText, kBrightGreen));
}

TEST_F(DrawingTest, SelectedRowUsesTheHighlightAndBrightGreen) {
  ASSERT_TRUE(StartAppAndWait());
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  Send(Child(IDC_MODULE_LIST), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  Repaint(Child(IDC_MODULE_LIST));
  const Capture list(Child(IDC_MODULE_LIST));
  const RECT box = Row(0);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(list.At(box.left + 258 + 160 + 20, box.top + 16), highlight);
  EXPECT_EQ(list.At(box.left + 258 + 150, box.top + 28), highlight);  // the new-release cell's lower half
  const RECT text{box.left + 258 + 5, box.top, box.left + 258 + 88, box.top + 16};
  EXPECT_TRUE(list.Contains(text, kBrightGreen));
  EXPECT_FALSE(list.Contains(text, kDarkGreen));
  // The next row is not selected.
  EXPECT_EQ(list.At(box.left + 258 + 160 + 20, Row(1).top + 16), kOdd);
}

TEST_F(DrawingTest, TypeIconOnlyForSeriesInTheTable) {
  ASSERT_TRUE(StartAppAndWait());
  Repaint(Child(IDC_MODULE_LIST));
  const Capture list(Child(IDC_MODULE_LIST));
  // The icon's 32 x 32 cell at the right end of the name cell.
  const RECT withIcon{Row(0).left + 258 - 37, Row(0).top, Row(0).left + 258 - 5, Row(0).bottom};
  const RECT beyondTable{Row(2).left + 258 - 37, Row(2).top, Row(2).left + 258 - 5, Row(2).bottom};
  EXPECT_FALSE(list.AllOf(withIcon, kEven));
  EXPECT_TRUE(list.AllOf(beyondTable, kEven));
}

TEST_F(DrawingTest, PanelCaptionOnLightGrey) {
  ASSERT_TRUE(StartAppAndWait());
  Repaint(Child(IDC_PANEL_CAPTION));
  const Capture caption(Child(IDC_PANEL_CAPTION));
  EXPECT_EQ(caption.At(1, 1), RGB(192, 192, 192));
  EXPECT_EQ(caption.At(168, 14), RGB(192, 192, 192));
}

TEST_F(DrawingTest, MarkedScannerButtonHasASolidFrame) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  ASSERT_TRUE(StartAppAndWait());
  Repaint(Child(IDC_SCANNER_PANEL));
  const Capture panel(Child(IDC_SCANNER_PANEL));
  RECT marked{}, other{};
  Send(Child(IDC_SCANNER_PANEL), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&marked));
  Send(Child(IDC_SCANNER_PANEL), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&other));
  ASSERT_GT(marked.bottom - marked.top, 20);
  // The frame runs 3 pixels inside the button.
  const RECT markedEdge{marked.left + 3, marked.top + 10, marked.left + 4, marked.bottom - 10};
  const RECT otherEdge{other.left + 3, other.top + 10, other.left + 4, other.bottom - 10};
  EXPECT_TRUE(panel.AllOf(markedEdge, RGB(0, 0, 0)));
  EXPECT_FALSE(panel.AllOf(otherEdge, RGB(0, 0, 0)));
}

}  // namespace
}  // namespace apptest
