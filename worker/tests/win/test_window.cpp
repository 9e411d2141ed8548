#include "worker/tests/win/test_window.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "testing/list_view_rows.h"
#include "worker/messages.h"

namespace workertest {

namespace {

constexpr wchar_t kClassName[] = L"ZorWorkerTestWindow";
constexpr int kRowHeight = 32;
constexpr DWORD kPanelStyle = WS_CHILD | TBSTYLE_TRANSPARENT | TBSTYLE_CUSTOMERASE | TBSTYLE_FLAT |
                              TBSTYLE_WRAPABLE | CCS_VERT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP;
static_assert(kPanelStyle == 0x4000AA8D, "scanner panel style");

}  // namespace

LRESULT CALLBACK TestWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType == ODT_LISTVIEW) {
        measure->itemHeight = kRowHeight;
        return TRUE;
      }
      break;
    }
    case WM_DRAWITEM:
      return TRUE;   // the rows' looks are not under test here
    case WM_CT_REFRESH_DONE:
    case WM_CT_INSTALL_DONE:
    case WM_CT_PROGRESS:
      if (self != nullptr) {
        WindowEvent event;
        event.kind = WindowEvent::Kind::Message;
        event.message = message;
        event.wParam = wParam;
        event.lParam = lParam;
        self->events_.push_back(event);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TestWindow::StatusBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(GetParent(hwnd), GWLP_USERDATA));
  if (message == SB_SETTEXTW && self != nullptr) {
    if (self->stallMs_ != 0) {
      const DWORD stall = self->stallMs_;
      self->stallMs_ = 0;
      Sleep(stall);
    }
    WindowEvent event;
    event.kind = WindowEvent::Kind::Status;
    event.part = static_cast<unsigned>(wParam & 0xFF);
    event.wParam = wParam;
    event.text = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
    self->events_.push_back(event);
  }
  return CallWindowProcW(self != nullptr ? self->statusProc_ : DefWindowProcW, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TestWindow::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(GetParent(hwnd), GWLP_USERDATA));
  if (message == TB_GETBUTTONINFOW && self != nullptr && self->panelStallMs_ != 0) {
    const DWORD stall = self->panelStallMs_;
    self->panelStallMs_ = 0;
    Sleep(stall);
  }
  return CallWindowProcW(self != nullptr ? self->panelProc_ : DefWindowProcW, hwnd, message, wParam, lParam);
}

TestWindow::TestWindow() {
  static bool registered = false;
  if (!registered) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    registered = RegisterClassExW(&wc) != 0;
  }
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  window_ = CreateWindowExW(0, kClassName, L"worker test", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                            instance, nullptr);
  if (window_ == nullptr) return;
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  status_ = CreateWindowExW(0, L"msctls_statusbar32", nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance, nullptr);
  if (status_ != nullptr) {
    int edges[2] = {50, -1};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    statusProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusBarProc)));
  }

  list_ = CreateWindowExW(0, L"SysListView32", L"",
                          WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_REPORT | LVS_OWNERDRAWFIXED, 190, 0,
                          596, 400, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MODULE_LIST)),
                          instance, nullptr);
  if (list_ != nullptr) {
    const wchar_t* headers[3] = {L"Модуль", L"Новая версия", L""};
    const int widths[3] = {258, 160, 0};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNW column = {};
      column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
      column.fmt = LVCFMT_LEFT;
      column.cx = widths[i];
      column.pszText = const_cast<wchar_t*>(headers[i]);
      column.iSubItem = i;
      SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
  }

  panel_ = CreateWindowExW(0, L"ToolbarWindow32", nullptr, kPanelStyle, 10, 100, 170, 450, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCANNER_PANEL)), instance, nullptr);
  if (panel_ != nullptr) {
    SendMessageW(panel_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(panel_, TB_SETBITMAPSIZE, 0, MAKELPARAM(162, 48));
    panelProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(panel_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelProc)));
    ShowWindow(panel_, SW_SHOWNORMAL);
  }
}

TestWindow::~TestWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::vector<WindowEvent> TestWindow::Messages(UINT message) const {
  std::vector<WindowEvent> out;
  for (const WindowEvent& e : events_) {
    if (e.kind == WindowEvent::Kind::Message && e.message == message) out.push_back(e);
  }
  return out;
}

std::vector<std::wstring> TestWindow::StatusWrites(unsigned part) const {
  std::vector<std::wstring> out;
  for (const WindowEvent& e : events_) {
    if (e.kind == WindowEvent::Kind::Status && e.part == part) out.push_back(e.text);
  }
  return out;
}

std::wstring TestWindow::StatusText(unsigned part) const {
  wchar_t text[256] = {};
  const LRESULT length = SendMessageW(status_, SB_GETTEXTLENGTHW, part, 0);
  if (LOWORD(length) >= 256) return L"<too long>";
  SendMessageW(status_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  return text;
}

std::vector<PanelButton> TestWindow::PanelButtons() const {
  std::vector<PanelButton> out;
  const int count = static_cast<int>(SendMessageW(panel_, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON raw = {};
    if (!SendMessageW(panel_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&raw))) continue;
    PanelButton button;
    button.command = raw.idCommand;
    button.state = raw.fsState;
    button.image = raw.iBitmap;
    button.data = raw.dwData;
    wchar_t text[100] = {};
    if (SendMessageW(panel_, TB_GETBUTTONTEXTW, raw.idCommand, 0) < 100) {
      SendMessageW(panel_, TB_GETBUTTONTEXTW, raw.idCommand, reinterpret_cast<LPARAM>(text));
    }
    button.text = text;
    out.push_back(button);
  }
  return out;
}

std::vector<ModuleRowText> TestWindow::Rows() const {
  std::vector<ModuleRowText> out;
  const int count = zortest::ListViewRows(list_);
  for (int i = 0; i < count; ++i)
    out.push_back({zortest::ListViewTextA(list_, i, 0), zortest::ListViewTextW(list_, i, 1)});
  return out;
}

int TestWindow::RowHeight() const {
  RECT r = {};
  r.left = LVIR_BOUNDS;
  if (!SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 0;
  return r.bottom - r.top;
}

int TestWindow::TopIndex() const { return static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0)); }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const DWORD wait = static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
  }
}

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

}  // namespace workertest
