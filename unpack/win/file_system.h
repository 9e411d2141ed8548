// The Windows calls that decide whether an unpacked module is on the disk
// for good once it is reported written. Tests replace them to see them made
// (a power cut cannot be staged under Wine).
#pragma once

#include <windows.h>

#include "unpack/file_system.h"

namespace unpackfs {

struct DurableWriteCalls {
  BOOL(WINAPI* flushFileBuffers)(HANDLE file) = FlushFileBuffers;
  BOOL(WINAPI* moveFileEx)(LPCSTR from, LPCSTR to, DWORD flags) = MoveFileExA;
};

DurableWriteCalls& DurableWrites();

// How a walk that deletes treats a directory entry with these attributes.
EntryKind KindOfAttributes(DWORD attributes);

}  // namespace unpackfs
