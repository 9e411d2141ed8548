#include "app/dialogs.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "worker/messages.h"

namespace {

BOOL OnInitDialog(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  SetWindowTextW(dialog, L"Подождите... ");
  SetDlgItemTextW(dialog, IDC_WAIT_LABEL, L"Обновляется модуль: ");
  // Empty, not "0 KB", until the first progress report.
  SetDlgItemTextW(dialog, IDC_WAIT_KILOBYTES, L"");
  SendDlgItemMessageW(dialog, IDC_WAIT_PROGRESS, PBM_SETPOS, 0, 0);
  ShowWindow(GetDlgItem(dialog, IDC_WAIT_PROGRESS), SW_SHOW);
  return TRUE;
}

// The module being installed is completed; the main window drops the rest
// of the queue and reads DWLP_USER when the job reports.
BOOL OnCancel(HWND dialog) {
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
