// The read loop of a module package download: the size limit, the kilobyte
// counts, when the transfer counts as failed. Portable, over any reader,
// tested natively; win/package_download.h plugs WinINet into it.
#pragma once

#include <cassert>
#include <cstddef>

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
