// Downloading one module package (a zip archive) into the module cache.
//
// The read loop's arithmetic (the size limit, the kilobyte counts, when the
// transfer counts as failed) is ReceivePackage below: portable, over any
// reader, tested natively. DownloadPackage plugs WinINet and the window's
// message queue into it (Windows only).
#pragma once

#include <cassert>
#include <cstddef>

// WM_CT_PROGRESS goes to the window after every read that delivered data:
// wParam = kilobytes received so far, lParam = 0.
#include "worker/messages.h"

namespace package {

// One block holds the whole package; it is read in 1024-byte pieces, so the
// largest package is the block less one piece.
constexpr std::size_t kReceiveBufferSize = 0x800000;  // 8 MiB
constexpr std::size_t kReadSize = 1024;
constexpr std::size_t kSizeLimit = kReceiveBufferSize - kReadSize;  // 8387584 bytes

// Reads a package into buffer[kReceiveBufferSize], each piece straight behind
// the one before. `read(char* into, std::size_t most, std::size_t* got)`
// returns false when the read failed; `progress(std::size_t kilobytes)` is
// called after every read that delivered data. Returns the number of bytes
// received, or 0: nothing came, a read failed (the first or any later one:
// a cut package is no package, whatever the headers said), or the package
// grew past kSizeLimit.
template <class Read, class Progress>
std::size_t ReceivePackage(char* buffer, Read read, Progress progress) {
  std::size_t total = 0;
  std::size_t got = 0;
  if (!read(buffer, kReadSize, &got)) return 0;
  while (got > 0) {
    assert(got <= kReadSize);
    total += got;
    progress(total / 1024);
    if (total + kReadSize > kReceiveBufferSize) return 0;
    // total is where the next piece goes; the check above keeps a whole
    // piece inside the block.
    if (!read(buffer + total, kReadSize, &got)) return 0;
  }
  return total;
}

}  // namespace package

#ifdef _WIN32
#include <windows.h>

// Fetches `url` (ANSI, at most 259 characters) and, when the server answered
// 200 and everything it announced arrived within the size limit, writes it
// to `filePath` (created or replaced) in one piece. Progress goes to
// `window` as WM_CT_PROGRESS. True when the whole file was written; a write
// that fails or falls short leaves no file there.
bool DownloadPackage(HWND window, const char* url, const char* filePath);
#endif
