#include "app/win/main_window.h"

#include <commctrl.h>

#include "app/ui_texts.h"
#include "app/window_layout.h"
#include "core/win/text.h"
#include "worker/messages.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kStatusPartEdges[] = {50, -1};  // "Онлайн"/"Оффлайн", then the worker's step
constexpr int kScannerLabelWidth = 162;       // room the toolbar keeps for the painted label
constexpr int kScannerLabelHeight = 48;
constexpr DWORD kScannerPanelStyle = WS_CHILD | TBSTYLE_TRANSPARENT | TBSTYLE_CUSTOMERASE | TBSTYLE_FLAT |
                                     TBSTYLE_WRAPABLE | CCS_VERT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP;
static_assert(kScannerPanelStyle == 0x4000AA8D, "the scanner panel's style");

struct Column {
  const wchar_t* header;
  int width;
};

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// Moves the window so that its right edge lies a frame's width right of
// the end of the list, keeping its left, top and height.
void WidenMainWindow(HWND mainWindow, int columnsEnd) {
  RECT window{};
  GetWindowRect(mainWindow, &window);
  POINT end{columnsEnd, 0};
  ClientToScreen(mainWindow, &end);
  MoveWindow(mainWindow, window.left, window.top, WidenedWindowWidth(window.left, end.x),
             window.bottom - window.top, FALSE);
}

}  // namespace

HWND CreateStatusBar(HWND mainWindow) {
  HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                mainWindow, ControlId(IDC_STATUS_BAR), gInstance, nullptr);
  if (status == nullptr) return nullptr;
  SendMessageW(status, SB_SETPARTS, sizeof kStatusPartEdges / sizeof kStatusPartEdges[0],
               reinterpret_cast<LPARAM>(kStatusPartEdges));
  return status;
}

HWND CreateModuleListView(HWND mainWindow, RECT& client) {
  client.right = client.left + kListWidthAtCreation;
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_REPORT | LVS_OWNERDRAWFIXED, 0, 0,
                              client.right, 0, mainWindow, ControlId(IDC_MODULE_LIST), gInstance, nullptr);
  if (list == nullptr) return nullptr;
  WidenMainWindow(mainWindow, client.right + kLeftColumnWidth);

  const Column columns[] = {
      {L"Модуль", 258},
      {AsWide(kNewReleaseHeader), 160},
      {L"", 0},  // the filler, sized to the rest of the list at every WM_SIZE
  };
  for (int i = 0; i < static_cast<int>(sizeof columns / sizeof columns[0]); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].width;
    column.pszText = const_cast<wchar_t*>(columns[i].header);
    column.iSubItem = i;
    if (SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column)) == -1) return nullptr;
  }
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(238, 238, 238));
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  return list;
}

HWND CreatePanelControls(HWND mainWindow) {
  HWND button = CreateWindowExW(0, L"Button", L"Загрузить в сканер", WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_MULTILINE,
                                10, 20, 170, 48, mainWindow, ControlId(IDC_DOWNLOAD_BUTTON), gInstance, nullptr);
  if (button == nullptr) return nullptr;
  HWND caption = CreateWindowExW(0, L"Static", L"Подключение", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 10, 84, 170, 16,
                                 mainWindow, ControlId(IDC_PANEL_CAPTION), gInstance, nullptr);
  if (caption == nullptr) return nullptr;
  // Placed by WM_SIZE.
  HWND panel = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, kScannerPanelStyle, 0, 0, 0, 0, mainWindow,
                               ControlId(IDC_SCANNER_PANEL), gInstance, nullptr);
  if (panel == nullptr) return nullptr;
  SendMessageW(panel, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // No bitmap is ever added: the size only keeps room for the painted label.
  SendMessageW(panel, TB_SETBITMAPSIZE, 0, MAKELPARAM(kScannerLabelWidth, kScannerLabelHeight));
  ShowWindow(panel, SW_SHOWNORMAL);
  return panel;
}

namespace {

// The panel's buttons by index, each read with `mask`; a button that
// cannot be read is passed over. `visit` returns true to stop.
template <typename Visit>
void VisitScannerButtons(HWND mainWindow, DWORD mask, Visit visit) {
  HWND panel = GetDlgItem(mainWindow, IDC_SCANNER_PANEL);
  const int count = static_cast<int>(SendMessageW(panel, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | mask;
    if (SendMessageW(panel, TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info)) == -1) continue;
    if (visit(panel, i, info)) return;
  }
}

}  // namespace

int MarkScannerButton(HWND mainWindow, int index) {
  VisitScannerButtons(mainWindow, TBIF_IMAGE | TBIF_STATE, [index](HWND panel, int i, TBBUTTONINFOW& info) {
    const bool marked = i == index;
    info.fsState = static_cast<BYTE>(marked ? info.fsState | TBSTATE_MARKED : info.fsState & ~TBSTATE_MARKED);
    info.iImage = marked ? 1 : 0;
    SendMessageW(panel, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
    return false;
  });
  return index;
}

std::uint32_t MarkedScannerSerial(HWND mainWindow) {
  std::uint32_t serial = kNoScannerSerial;
  VisitScannerButtons(mainWindow, TBIF_STATE | TBIF_LPARAM, [&serial](HWND, int, const TBBUTTONINFOW& info) {
    if ((info.fsState & TBSTATE_MARKED) == 0) return false;
    serial = static_cast<std::uint32_t>(info.lParam);
    return true;
  });
  return serial;
}
