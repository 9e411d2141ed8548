// Windows side of the file layer: the ANSI file functions, so that paths
// from the archive and the scanner's disk pass unconverted.
#include "files/file_system.h"
#include "files/win/file_system.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <zlib.h>

#include "core/win/error_text.h"
#include "core/win/handles.h"

namespace files {
namespace {

// OutputFile's "no file" value, -1, is INVALID_HANDLE_VALUE's bit pattern.
HANDLE AsHandle(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

// Pieces of this size keep a read-back of a module to a few requests to
// the device, and stay below the size from which the heap maps every block
// afresh (and zeroes it) at each allocation: a 1 MiB piece cost more time
// in that than in the reading.
constexpr DWORD kReadBackPiece = 256 << 10;

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08" PRIX32, value);
  return text;
}

}  // namespace

bool EnterDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

DirectoryResult MakeOneDirectory(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return DirectoryResult::Created;
  const DWORD error = GetLastError();
  return (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)
             ? DirectoryResult::MissingParent
             : DirectoryResult::Failed;
}

NewFileResult OutputFile::CreateNew(const char* path) {
  Close();
  HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFileResult::Exists;
    if (error == ERROR_PATH_NOT_FOUND) return NewFileResult::MissingDirectory;
    return NewFileResult::Failed;
  }
  native_ = reinterpret_cast<std::intptr_t>(handle);
  return NewFileResult::Created;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(AsHandle(native_), p, piece, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

bool OutputFile::Flush() { return DurableWrites().flushFileBuffers(AsHandle(native_)) != 0; }

bool OutputFile::Close() {
  if (native_ == kNone) return true;
  const BOOL ok = CloseHandle(AsHandle(native_));
  native_ = kNone;
  return ok != 0;
}

DurableWriteCalls& DurableWrites() {
  static DurableWriteCalls calls;
  return calls;
}

bool MoveOver(const char* from, const char* to) {
  return DurableWrites().moveFileEx(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

ReadBackResult ReadBack(const Volume& volume, const char* path, std::uint64_t size, std::uint32_t crc,
                        std::string* what) {
  return DurableWrites().readBack(volume, path, size, crc, what);
}

// A handle opened with FILE_FLAG_NO_BUFFERING reads from the device, not
// from the system's cache, which holds what was written whatever the disk
// kept; it reads whole sectors only, into a buffer aligned to them.
ReadBackResult ReadBackFromDevice(const Volume& volume, const char* path, std::uint64_t size, std::uint32_t crc,
                                  std::string* what) {
  const DWORD bytesPerSector = volume.sectorSize;
  const std::string& root = volume.root;
  if (bytesPerSector == 0 || bytesPerSector > kReadBackPiece) {
    *what = "the sector size of its disk cannot be told: " + volume.unknownWhy;
    return ReadBackResult::Unreadable;
  }
  const DWORD piece = kReadBackPiece / bytesPerSector * bytesPerSector;
  const std::unique_ptr<char[]> block(new (std::nothrow) char[piece + bytesPerSector]);
  if (!block) {
    *what = "no memory to read it back";
    return ReadBackResult::Unreadable;
  }
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block.get());
  char* const aligned = block.get() + (bytesPerSector - address % bytesPerSector) % bytesPerSector;
  const FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    *what = "it cannot be opened to be read back from drive " + root + ": " + LastErrorText();
    return ReadBackResult::Unreadable;
  }
  std::uint64_t total = 0;
  uLong found = crc32(0L, Z_NULL, 0);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), aligned, piece, &got, nullptr)) {
      *what = "reading it back from drive " + root + " failed after " + std::to_string(total) +
              " bytes: " + LastErrorText();
      return ReadBackResult::Unreadable;
    }
    if (got == 0) break;
    found = crc32(found, reinterpret_cast<const Bytef*>(aligned), got);
    total += got;
  }
  if (total != size) {
    *what = std::to_string(total) + " bytes read back from drive " + root + ", " + std::to_string(size) + " written";
    return ReadBackResult::Differs;
  }
  if (static_cast<std::uint32_t>(found) != crc) {
    *what = "CRC " + Hex32(static_cast<std::uint32_t>(found)) + " read back from drive " + root + ", " + Hex32(crc) +
            " written";
    return ReadBackResult::Differs;
  }
  return ReadBackResult::Same;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool ExistingFileSize(const char* path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return false;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  *size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

bool CanReadFile(const char* path) {
  return static_cast<bool>(FileHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr)));
}

bool FreeBytesOnVolume(const char* directory, std::uint64_t* bytes) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(directory, &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

Volume VolumeOf(const char* directory) {
  // The sizes are asked of the volume's root, whatever the directory.
  Volume volume;
  char root[MAX_PATH + 1] = {};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetVolumePathNameA(directory, root, MAX_PATH) ||
      !GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    volume.unknownWhy = LastErrorText();
    return volume;
  }
  volume.root = root;
  volume.clusterSize = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
  volume.sectorSize = bytesPerSector;
  return volume;
}

EntryKind KindOfAttributes(DWORD attributes) {
  // A junction or directory link carries the directory bit as well: the
  // reparse bit decides first.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Directory;
  return EntryKind::File;
}

bool ListDirectory(const char* directory, std::vector<DirectoryEntry>* entries) {
  const std::string pattern = std::string(directory) + "\\*";
  WIN32_FIND_DATAA found;
  const FindHandle listing(FindFirstFileA(pattern.c_str(), &found));
  if (!listing) return false;
  do {
    const std::string name(found.cFileName, strnlen(found.cFileName, sizeof found.cFileName));
    if (name == "." || name == "..") continue;
    entries->push_back({name, KindOfAttributes(found.dwFileAttributes)});
  } while (FindNextFileA(listing.Get(), &found));
  return true;
}

bool RemoveEmptyDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

// A directory link or junction goes with RemoveDirectoryA (the folder it
// names is not touched), a file link with DeleteFileA.
bool RemoveLink(const char* path) { return RemoveDirectoryA(path) != 0 || DeleteFileA(path) != 0; }

std::string LastErrorText() { return ErrorText(GetLastError()); }

unsigned long ProcessId() { return GetCurrentProcessId(); }

}  // namespace files

// The DOS stamp is local time; creation and last-write time take it, the
// last-access time stays as it was.
void SetFileDateFromDos(const char* filePath, std::uint32_t dosDateTime) {
  FileHandle file(CreateFileA(filePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  FILETIME creation{}, lastAccess{}, lastWrite{};
  GetFileTime(file.Get(), &creation, &lastAccess, &lastWrite);
  FILETIME local{}, utc{};
  DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                        &local);
  LocalFileTimeToFileTime(&local, &utc);
  SetFileTime(file.Get(), &utc, &lastAccess, &utc);
}
