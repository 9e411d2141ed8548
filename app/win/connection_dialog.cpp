#include "app/win/dialogs.h"

#include "app/win/main_window.h"
#include "resources/resource_ids.h"
#include "worker/messages.h"

namespace {

// DWLP_USER: how the dialog runs, so that it ends the right way. A modeless
// dialog is destroyed rather than hidden by EndDialog.
constexpr LONG_PTR kModal = 1;
constexpr LONG_PTR kModeless = 0;

void EndConnectionDialog(HWND dialog, INT_PTR result) {
  if (GetWindowLongPtrW(dialog, DWLP_USER) == kModal)
    EndDialog(dialog, result);
  else
    DestroyWindow(dialog);
}

BOOL OnInitDialog(HWND dialog, LPARAM slotAddress) {
  if (slotAddress != 0) *reinterpret_cast<HWND*>(slotAddress) = dialog;
  SetWindowLongPtrW(dialog, DWLP_USER, slotAddress != 0 ? kModal : kModeless);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  SetWindowTextW(dialog, gAppTitle);
  SetDlgItemTextW(dialog, IDC_WAIT_LABEL, L"Подождите...");
  SetDlgItemTextW(dialog, IDC_WAIT_KILOBYTES, L"");
  ShowWindow(GetDlgItem(dialog, IDC_WAIT_PROGRESS), SW_HIDE);
  SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return TRUE;
}

BOOL OnCancel(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  EndConnectionDialog(dialog, kConnectionCancelled);
  return TRUE;
}

// The worker's refresh reports, forwarded by the main window.
BOOL OnRefreshReport(HWND dialog, LPARAM stage) {
  if (stage == kRefreshStarted)
    SetDlgItemTextW(dialog, IDC_WAIT_LABEL, L"Подключение к ЗОР-70 через порт USB...");
  else if (stage == kRefreshFinished)
    EndConnectionDialog(dialog, kConnectionFinished);
  return FALSE;
}

}  // namespace

bool HoldsDialog(HWND slot) { return slot != nullptr && IsWindow(slot); }

INT_PTR CALLBACK ConnectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) return OnCancel(dialog);
      return FALSE;
    case WM_CT_REFRESH_DONE:
      return OnRefreshReport(dialog, lParam);
    default:
      return FALSE;
  }
}
