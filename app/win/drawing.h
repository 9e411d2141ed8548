// The owner-drawn parts of the main window: the module list's rows, the
// panel caption and the scanner panel's buttons.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Borrowed from the main window, which creates them at WM_CREATE and frees
// them at WM_DESTROY.
struct DrawingResources {
  HFONT normalFont = nullptr;   // Tahoma 14
  HFONT boldFont = nullptr;     // Tahoma 16 bold
  HBITMAP typeIcons = nullptr;  // bitmap 135, 32 x 32 cells
  HBITMAP newReleaseArrow = nullptr;  // bitmap 129, 48 x 24
};

// WM_DRAWITEM from the module list (300): the whole row, whatever itemAction.
void DrawModuleRow(const DRAWITEMSTRUCT& item, const DrawingResources& resources);
// WM_DRAWITEM from the panel caption (305).
void DrawPanelCaption(const DRAWITEMSTRUCT& item, const DrawingResources& resources);
// NM_CUSTOMDRAW from the scanner panel (302); the result is WM_NOTIFY's.
LRESULT PaintScannerButton(NMTBCUSTOMDRAW& draw, const DrawingResources& resources);
