// The main window's geometry: the layout of its children for a client size,
// the minimum size while the user drags an edge, and the width it takes at
// creation. Portable.
#pragma once

#include <cstdint>

// The window's left column: download button, panel caption, scanner panel.
constexpr int kLeftColumnWidth = 190;
constexpr int kListWidthAtCreation = 596;
constexpr int kMinimumWindowWidth = 500;
constexpr int kMinimumWindowHeight = 270;

struct Box {
  long left = 0, top = 0, right = 0, bottom = 0;
  long Width() const { return right - left; }
  long Height() const { return bottom - top; }
};

struct Placement {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Placement& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

struct MainLayout {
  Placement statusBar;
  Placement moduleList;
  Placement scannerPanel;
};

// Children for a client area of width x height, with the status bar's own height.
MainLayout LayoutForClient(int width, int height, int statusBarHeight);

// The filler column's width: the list's client width less the columns before it.
int FillerColumnWidth(int listClientWidth, const int* columnWidths, int columnsBeforeFiller);

// The edges of WM_SIZING's wParam (WMSZ_LEFT .. WMSZ_BOTTOMRIGHT).
enum SizingEdge : int {
  kEdgeLeft = 1, kEdgeRight, kEdgeTop, kEdgeTopLeft, kEdgeTopRight, kEdgeBottom, kEdgeBottomLeft, kEdgeBottomRight,
};

// Applies the 500 x 270 minimum to a proposed window rectangle when the
// right or bottom side is dragged; true when the rectangle was changed.
// Dragging the left or top edge is not limited; the height is always made
// up at the bottom edge.
bool EnforceMinimumSize(int edge, Box& rect);

// The window's width at creation, so that its right edge lies 15 pixels right
// of the client point that ends the list and the left column.
long WidenedWindowWidth(long windowLeft, long screenXOfColumnsEnd);
