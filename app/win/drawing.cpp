#include "app/win/drawing.h"

#include <string>

#include "app/drawing_rules.h"
#include "app/ui_texts.h"
#include "core/win/handles.h"
#include "core/win/system_dlls.h"
#include "core/win/text.h"

namespace {

constexpr int kNameColumn = 0;
constexpr int kNewReleaseColumn = 1;
constexpr int kTextIndent = 5;
constexpr int kIconRightInset = 37;     // icon's left edge from the name cell's right
constexpr int kTypeLineIndent = 20;
constexpr int kArrowLeft = 90;
constexpr int kArrowTop = 2;
constexpr int kArrowWidth = 48;
constexpr int kArrowHeight = 24;
constexpr int kIconTransparentX = 2, kIconTransparentY = 2;

COLORREF ToColorRef(Rgb rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

void OpaqueText(HDC dc, int x, int y, const RECT& cell, std::u16string_view text) {
  ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &cell, AsWide(text.data()), static_cast<UINT>(text.size()), nullptr);
}

// Copies a bitmap with the colour at (keyX, keyY) left out.
void BlitTransparent(HDC target, int x, int y, HDC memory, HBITMAP bitmap, int sourceX, int width, int height,
                     int keyX, int keyY) {
  if (bitmap == nullptr) return;
  ScopedSelect select(memory, bitmap);
  const COLORREF key = GetPixel(memory, keyX, keyY);
  sysdll::TransparentBlt(target, x, y, width, height, memory, sourceX, 0, width, height, key);
}

void DrawNameExtras(HDC dc, HDC memory, const RECT& cell, ULONG_PTR itemData, std::u16string_view name,
                    const DrawingResources& resources) {
  // The list keeps the 32-bit item data sign-extended; its low half is the value.
  const int icon = TypeIconFor(static_cast<std::uint32_t>(itemData));
  if (icon != kNoIcon)
    BlitTransparent(dc, cell.right - kIconRightInset, cell.top, memory, resources.typeIcons, kIconSize * icon,
                    kIconSize, kIconSize, kIconTransparentX, kIconTransparentY);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);  // of the bold name font, still selected
  ScopedSelect normal(dc, resources.normalFont);
  SetTextColor(dc, ToColorRef(kTypeLineColour));
  const std::u16string_view line = TypeLineFor(icon, name);
  TextOutW(dc, cell.left + kTypeLineIndent, cell.top + metrics.tmHeight, AsWide(line.data()), static_cast<int>(line.size()));
}

}  // namespace

void DrawModuleRow(const DRAWITEMSTRUCT& item, const DrawingResources& resources) {
  HDC dc = item.hDC;
  HWND list = item.hwndItem;
  const RECT& row = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  MemoryDc memory(CreateCompatibleDC(dc));

  SetBkColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHT) : ToColorRef(RowBackground(static_cast<int>(item.itemID))));

  const int columns = static_cast<int>(SendMessageW(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
  int x = 0;
  for (int column = 0; column < columns; ++column) {
    wchar_t text[kDisplayTextSize] = {};
    LVITEMW cellItem{};
    cellItem.iSubItem = column;
    cellItem.pszText = text;
    cellItem.cchTextMax = kDisplayTextSize;
    SendMessageW(list, LVM_GETITEMTEXTW, item.itemID, reinterpret_cast<LPARAM>(&cellItem));

    if (column == kNewReleaseColumn)
      SetTextColor(dc, ToColorRef(NewReleaseTextColour(selected)));
    else
      SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));

    CellLines lines{AsUtf16(text), {}};
    if (column == kNewReleaseColumn) lines = SplitNewReleaseText(AsUtf16(text));

    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    RECT cell{row.left + x, row.top, row.left + x + width, row.bottom};
    if (column == kNewReleaseColumn) cell.bottom = row.bottom - (row.bottom - row.top) / 2;

    if (column == kNameColumn) {
      ScopedSelect bold(dc, resources.boldFont);
      OpaqueText(dc, cell.left + kTextIndent, cell.top, cell, lines.first);
      DrawNameExtras(dc, memory.Get(), cell, item.itemData, lines.first, resources);
    } else {
      OpaqueText(dc, cell.left + kTextIndent, cell.top, cell, lines.first);
    }

    if (column == kNewReleaseColumn) {
      const RECT lower{cell.left, cell.bottom, cell.right, row.bottom};
      OpaqueText(dc, lower.left + kTextIndent, lower.top, lower, lines.second);
      if (!lines.first.empty())
        BlitTransparent(dc, cell.left + kArrowLeft, row.top + kArrowTop, memory.Get(), resources.newReleaseArrow, 0,
                        kArrowWidth, kArrowHeight, 0, 0);
    }
    x += width;
  }

  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &row);
}

void DrawPanelCaption(const DRAWITEMSTRUCT& item, const DrawingResources& resources) {
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  FillRect(dc, &box, brush);
  SelectObject(dc, resources.normalFont);  // the caption's DC is the control's own; left selected
  wchar_t text[kDisplayTextSize] = {};
  GetWindowTextW(item.hwndItem, text, kDisplayTextSize);
  LOGBRUSH logBrush{};
  GetObjectW(brush, sizeof logBrush, &logBrush);
  SetBkColor(dc, logBrush.lbColor);
  DrawTextW(dc, text, -1, &box, DT_CENTER);
}

LRESULT PaintScannerButton(NMTBCUSTOMDRAW& draw, const DrawingResources& resources) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      wchar_t text[kDisplayTextSize] = {};
      TBBUTTONINFOW info{};
      info.cbSize = sizeof info;
      info.dwMask = TBIF_TEXT | TBIF_STATE;
      info.pszText = text;
      info.cchText = kDisplayTextSize;
      SendMessageW(draw.nmcd.hdr.hwndFrom, TB_GETBUTTONINFOW, draw.nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&info));
      const std::u16string label = ComposeScannerLabel(AsUtf16(text));

      HDC dc = draw.nmcd.hdc;
      SelectObject(dc, resources.boldFont);  // CDRF_NEWFONT: the toolbar restores its own
      SetBkColor(dc, draw.clrBtnFace);
      RECT textBox = draw.nmcd.rc;
      InflateRect(&textBox, -10, -8);
      DrawTextW(dc, AsWide(label.c_str()), static_cast<int>(label.size()), &textBox, 0);
      RECT frame = draw.nmcd.rc;
      InflateRect(&frame, -3, -3);
      // The selected scanner's frame is solid. Wine's toolbar hands out no
      // line brush; black is what Windows' is.
      HBRUSH lines = draw.hbrLines != nullptr ? draw.hbrLines : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      FrameRect(dc, &frame, (info.fsState & TBSTATE_MARKED) ? lines : draw.hbrMonoDither);
      draw.rcText.right = 0;
      draw.rcText.bottom = 0;
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}
