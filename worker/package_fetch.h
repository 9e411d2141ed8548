// DownloadPackage behind a name of the worker's own: its header declares the
// progress message number a second time, so it cannot share a translation
// unit with worker/messages.h.
#pragma once

#include <windows.h>

// Fetches `url` into `filePath`, posting kilobyte counts to `progressWindow`.
// True when the file was written.
bool FetchPackage(HWND progressWindow, const char* url, const char* filePath);
