#include "worker/win/window_calls.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "worker/messages.h"

static_assert(SB_SETTEXTW == WM_USER + 11, "status text message");

bool TimedSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(target, message, wParam, lParam, SMTO_NORMAL, kWorkerSendTimeoutMs,
                             result != nullptr ? result : &ignored) != 0;
}

bool WriteStatus(HWND window, unsigned int part, const wchar_t* text) {
  // Drawing-type bits 0: a plain sunken part.
  return TimedSend(GetDlgItem(window, IDC_STATUS_BAR), SB_SETTEXTW, static_cast<WPARAM>(part),
                   reinterpret_cast<LPARAM>(text));
}
