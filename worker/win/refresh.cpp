// The refresh cycle: scanners, panel, catalogue, inventory, module list.
#include <windows.h>
#include <commctrl.h>

#include <cassert>
#include <cstring>
#include <new>
#include <string>

#include "catalogue/win/module_list.h"
#include "device/win/scanner_device.h"
#include "download/win/page_download.h"
#include "resources/resource_ids.h"
#include "worker/win/window_calls.h"
#include "worker/win/worker.h"
#include "worker/win/worker_log.h"
#include "worker/worker_rules.h"

namespace {

constexpr wchar_t kTextDiscovering[] = L"Обнаружение сканера";
constexpr wchar_t kTextLoadingCatalogue[] = L"Загрузка сведений о модулях";
constexpr wchar_t kTextComparing[] = L"Сравнение модулей в сканере и на сайте";
constexpr wchar_t kTextOnline[] = L"Онлайн";
constexpr wchar_t kTextOffline[] = L"Оффлайн";
constexpr wchar_t kTextNone[] = L"";

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");
// The panel's button records must be read with the structure size of the
// build's own TBBUTTONINFOW: 32 bytes is only the 32-bit layout.
static_assert(sizeof(void*) != 4 || sizeof(TBBUTTONINFOW) == 32, "32-bit TBBUTTONINFOW");
static_assert(sizeof(void*) != 8 || sizeof(TBBUTTONINFOW) == 48, "64-bit TBBUTTONINFOW");
static_assert(TBSTATE_MARKED == 0x80 && TBSTATE_ENABLED == 0x04 && BTNS_AUTOSIZE == 0x10, "panel bits");

// What the panel messages point at. Not on the stack: a message that timed
// out reaches the panel later and still reads or writes here (see
// window_calls.h). Worker thread only; a text's last character is never
// written, so a late reader always finds a terminator.
TBBUTTONINFOW panelInfo;
TBBUTTON panelButtons[kMaxScanners];
wchar_t panelTexts[kMaxScanners][kButtonTextSize];

void EmptyModuleList(HWND list) {
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  // IDC_ARROW is an integer resource id, spelt narrow without UNICODE.
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

// Refills the list from the catalogue and scrolls back to the row that was
// first visible before, as far as the new list reaches.
//
// The rows go in one send at a time, and between two sends the window's
// thread is idle and would repaint the list: every visible owner-drawn row,
// once per inserted row. With redrawing off the list is painted once, after
// the last row.
void RefillModuleList(HWND list, ModuleCatalogue& catalogue) {
  const int oldTop = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  FillModuleList(list, catalogue);
  const int newTop = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  SendMessageW(list, LVM_SCROLL, 0, static_cast<LPARAM>(ScrollBackPixels(oldTop, newTop)));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

std::uint32_t MarkedPanelSerial(HWND window) {
  const HWND panel = GetDlgItem(window, IDC_SCANNER_PANEL);
  DWORD_PTR buttonCount = 0;
  if (!TimedSend(panel, TB_BUTTONCOUNT, 0, 0, &buttonCount)) return kNoMarkedSerial;
  for (DWORD_PTR i = 0; i < buttonCount; ++i) {
    std::memset(&panelInfo, 0, sizeof panelInfo);
    panelInfo.cbSize = sizeof panelInfo;
    panelInfo.dwMask = TBIF_BYINDEX | TBIF_STATE | TBIF_LPARAM;
    DWORD_PTR found = 0;
    if (!TimedSend(panel, TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&panelInfo), &found)) return kNoMarkedSerial;
    if (static_cast<LRESULT>(found) != -1 && (panelInfo.fsState & TBSTATE_MARKED) != 0) {
      return static_cast<std::uint32_t>(panelInfo.lParam);
    }
  }
  return kNoMarkedSerial;
}

void RebuildScannerPanel(HWND window, ScannerTable& table) {
  const HWND panel = GetDlgItem(window, IDC_SCANNER_PANEL);
  DWORD_PTR buttonCount = 0;
  if (!TimedSend(panel, TB_BUTTONCOUNT, 0, 0, &buttonCount)) return;

  // The selection travels with the marked button's serial number.
  std::uint32_t rememberedSerial = kNoMarkedSerial;
  for (DWORD_PTR i = 0; i < buttonCount; ++i) {
    std::memset(&panelInfo, 0, sizeof panelInfo);
    panelInfo.cbSize = sizeof panelInfo;
    panelInfo.dwMask = TBIF_BYINDEX | TBIF_STATE | TBIF_LPARAM;
    DWORD_PTR found = 0;
    if (!TimedSend(panel, TB_GETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&panelInfo), &found)) return;
    if (static_cast<LRESULT>(found) == -1) continue;
    const bool marked = (panelInfo.fsState & TBSTATE_MARKED) != 0;
    const std::uint32_t serial = static_cast<std::uint32_t>(panelInfo.lParam);
    if (!TimedSend(panel, TB_DELETEBUTTON, 0, 0)) return;
    if (marked) rememberedSerial = serial;
  }

  assert(table.count <= kMaxScanners);
  if (table.count == 0) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  ShowWindow(window, SW_SHOWNORMAL);

  const std::uint32_t markedIndex = MarkedScannerIndex(table, rememberedSerial);
  for (std::uint32_t i = 0; i < table.count; ++i) {
    const ScannerRecord& scanner = table.records[i];
    const std::u16string text = FormatScannerButtonText(scanner.serialNumber, scanner.productionDate);
    std::memcpy(panelTexts[i], text.c_str(), (text.size() + 1) * sizeof(wchar_t));

    TBBUTTON& button = panelButtons[i];
    std::memset(&button, 0, sizeof button);
    const bool marked = i == markedIndex;
    button.iBitmap = marked ? 1 : 0;
    button.idCommand = IDC_SCANNER_BUTTON_FIRST + static_cast<int>(i);
    button.fsState = static_cast<BYTE>(marked ? TBSTATE_ENABLED | TBSTATE_MARKED : TBSTATE_ENABLED);
    button.fsStyle = BTNS_AUTOSIZE;
    button.dwData = scanner.serialNumber;
    button.iString = reinterpret_cast<INT_PTR>(panelTexts[i]);
  }
  table.selected = static_cast<std::int32_t>(markedIndex);

  DWORD_PTR added = 0;
  if (TimedSend(panel, TB_ADDBUTTONSW, table.count, reinterpret_cast<LPARAM>(panelButtons), &added) && added) {
    TimedSend(panel, TB_AUTOSIZE, 0, 0);
  }
}

int RunRefresh(HWND window, WorkerState& state) {
  if (!WriteStatus(window, kStatusPartStep, kTextDiscovering)) return kRefreshWindowBusy;
  if (!TimedSend(window, WM_CT_REFRESH_DONE, 0, kRefreshStarted)) return kRefreshWindowBusy;

  ScannerTable& scanners = state.scanners;
  // The selection follows the scanner, not its place in the table.
  const std::uint32_t selectedSerial = SelectedSerial(scanners);
  DiscoverScanners(scanners);   // only the table's count matters
  scanners.selected = SelectionAfterDiscovery(scanners, selectedSerial);
  const HWND list = GetDlgItem(window, IDC_MODULE_LIST);
  if (scanners.count == 0) {
    EmptyModuleList(list);
    RebuildScannerPanel(window, scanners);
    return WriteStatus(window, kStatusPartStep, kTextNone) ? kRefreshNoScanner : kRefreshWindowBusy;
  }
  RebuildScannerPanel(window, scanners);

  if (!WriteStatus(window, kStatusPartStep, kTextLoadingCatalogue)) return kRefreshWindowBusy;
  CatalogueSlot& slot = state.catalogue;
  slot.reset();
  slot.reset(new (std::nothrow) ModuleCatalogue());
  if (!slot) return kRefreshNoMemory;
  if (DownloadCatalogue(state.catalogueHost, *slot, state.packageBaseUrl) == 0) {
    EmptyModuleList(list);
    WriteStatus(window, kStatusPartStep, kTextNone);
    return kRefreshNoCatalogue;
  }

  if (!WriteStatus(window, kStatusPartStep, kTextComparing)) return kRefreshWindowBusy;
  // Settled right after the discovery, so it names a current scanner.
  if (const ScannerRecord* scanner = SelectedScanner(scanners)) ReadScannerInventory(*scanner, *slot);
  RefillModuleList(list, *slot);
  return WriteStatus(window, kStatusPartStep, kTextNone) ? kRefreshOk : kRefreshWindowBusy;
}

int RefreshAndReport(HWND window, WorkerState& state) {
  const int code = RunRefresh(window, state);
  LogRefreshEnd(code, state.scanners, state.catalogue.get());
  WriteStatus(window, kStatusPartConnection, code == kRefreshOk ? kTextOnline : kTextOffline);
  if (state.scanners.count > 0) {
    PostMessageW(window, WM_CT_REFRESH_DONE, static_cast<WPARAM>(code), kRefreshFinished);
  }
  return code;
}
