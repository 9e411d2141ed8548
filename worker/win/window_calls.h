// The worker's calls into the window thread that must not hang the worker:
// every one waits at most kWorkerSendTimeoutMs.
#pragma once

#include <windows.h>

// A message that timed out is still delivered once the window thread pumps
// again, and reads or writes what lParam points at then. So every pointer
// handed to these calls must name memory that outlives the worker's job:
// string literals, or the worker's own static buffers.

// SendMessageTimeoutW (SMTO_NORMAL, kWorkerSendTimeoutMs). False when the
// window did not take the message in time or is gone.
bool TimedSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr);

// Writes `text` into `part` of the status bar of `window`, looked up anew by
// its id for every write. False when the write was not accepted in time.
bool WriteStatus(HWND window, unsigned int part, const wchar_t* text);
