// The Windows calls that decide whether an unpacked module is on the disk
// for good once it is reported written. Tests replace them to see them made
// (a power cut cannot be staged under Wine), and the package benchmark
// replaces the read-back to time an install without it. The program never
// replaces them: no setting turns the read-back off.
#pragma once

#include <windows.h>

#include "files/file_system.h"

namespace files {

// ReadBack as the device answers it, with FILE_FLAG_NO_BUFFERING.
ReadBackResult ReadBackFromDevice(const Volume& volume, const char* path, std::uint64_t size, std::uint32_t crc,
                                  std::string* what);

struct DurableWriteCalls {
  BOOL(WINAPI* flushFileBuffers)(HANDLE file) = FlushFileBuffers;
  BOOL(WINAPI* moveFileEx)(LPCSTR from, LPCSTR to, DWORD flags) = MoveFileExA;
  ReadBackResult (*readBack)(const Volume& volume, const char* path, std::uint64_t size, std::uint32_t crc,
                             std::string* what) = ReadBackFromDevice;
};

DurableWriteCalls& DurableWrites();

// How a walk that deletes treats a directory entry with these attributes.
EntryKind KindOfAttributes(DWORD attributes);

}  // namespace files
