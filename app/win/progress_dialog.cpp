#include "app/win/dialogs.h"

#include <commctrl.h>

#include "core/win/handles.h"
#include "resources/resource_ids.h"
#include "worker/messages.h"

namespace {

RECT BoxInDialog(HWND dialog, HWND control) {
  RECT box{};
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// The template lets the label (which the connection dialog fills with its
// long stage texts) run across the module name, and painting it wipes the
// name. Here the label is cut to its own text and the name begins where it
// ends, keeping its right edge.
void PlaceLabelBeforeName(HWND dialog) {
  HWND label = GetDlgItem(dialog, IDC_WAIT_LABEL);
  HWND name = GetDlgItem(dialog, IDC_WAIT_MODULE_NAME);
  wchar_t text[64] = {};
  const int length = GetWindowTextW(label, text, 64);
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return;
  SIZE extent{};
  {
    const ScopedSelect font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    if (!GetTextExtentPoint32W(dc.Get(), text, length, &extent)) return;
  }
  const RECT labelBox = BoxInDialog(dialog, label);
  const RECT nameBox = BoxInDialog(dialog, name);
  const int split = labelBox.left + extent.cx;
  if (split >= nameBox.right) return;
  SetWindowPos(label, nullptr, 0, 0, split - labelBox.left, labelBox.bottom - labelBox.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(name, nullptr, split, nameBox.top, nameBox.right - split, nameBox.bottom - nameBox.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL OnInitDialog(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  SetWindowTextW(dialog, L"Подождите... ");
  SetDlgItemTextW(dialog, IDC_WAIT_LABEL, L"Обновляется модуль: ");
  PlaceLabelBeforeName(dialog);
  // Empty, not "0 KB", until the first progress report.
  SetDlgItemTextW(dialog, IDC_WAIT_KILOBYTES, L"");
  SendDlgItemMessageW(dialog, IDC_WAIT_PROGRESS, PBM_SETPOS, 0, 0);
  ShowWindow(GetDlgItem(dialog, IDC_WAIT_PROGRESS), SW_SHOW);
  return TRUE;
}

// The module being installed is completed; the main window drops the rest
// of the queue and reads DWLP_USER when the job reports.
BOOL OnCancel(HWND dialog) {
  // Escape still sends IDCANCEL when the button is disabled.
  if (!IsWindowEnabled(GetDlgItem(dialog, IDCANCEL))) return TRUE;
  SetWindowLongPtrW(dialog, DWLP_USER, kProgressCancelled);
  SetDlgItemTextW(dialog, IDC_WAIT_MODULE_NAME, L"загрузка отменяется...");
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  PostMessageW(GetWindow(dialog, GW_OWNER), WM_CT_CANCEL, 0, 0);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) return OnCancel(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}
