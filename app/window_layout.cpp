#include "app/window_layout.h"

namespace {

constexpr int kPanelLeft = 10;
constexpr int kPanelTop = 100;
constexpr int kPanelWidth = 170;
constexpr int kPanelBottomMargin = 20;    // below the panel, above the status bar
constexpr int kListRightMargin = 11;
constexpr int kListBottomMargin = 20;
constexpr long kFrameAllowance = 15;      // right of the columns, for the frame

int NotNegative(int v) { return v < 0 ? 0 : v; }

}  // namespace

MainLayout LayoutForClient(int width, int height, int statusBarHeight) {
  MainLayout layout;
  layout.statusBar = {0, height - statusBarHeight, width, statusBarHeight};
  // A minimised window reports 0 x 0: children then shrink to nothing.
  layout.moduleList = {kLeftColumnWidth, 0, NotNegative(width - kLeftColumnWidth - kListRightMargin),
                       NotNegative(height - kListBottomMargin)};
  layout.scannerPanel = {kPanelLeft, kPanelTop, kPanelWidth, NotNegative(height - kPanelTop - kPanelBottomMargin)};
  return layout;
}

int FillerColumnWidth(int listClientWidth, const int* columnWidths, int columnsBeforeFiller) {
  int used = 0;
  for (int i = 0; i < columnsBeforeFiller; ++i) used += columnWidths[i];
  return listClientWidth - used;
}

bool EnforceMinimumSize(int edge, Box& rect) {
  if (edge != kEdgeRight && edge != kEdgeTopRight && edge != kEdgeBottom && edge != kEdgeBottomRight) return false;
  const long width = rect.Width() <= kMinimumWindowWidth ? kMinimumWindowWidth : rect.Width();
  const long height = rect.Height() <= kMinimumWindowHeight ? kMinimumWindowHeight : rect.Height();
  if (width != kMinimumWindowWidth && height != kMinimumWindowHeight) return false;
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  return true;
}

long WidenedWindowWidth(long windowLeft, long screenXOfColumnsEnd) {
  return screenXOfColumnsEnd - windowLeft + kFrameAllowance;
}
