// The temporary unpack folder of one running copy. Every copy tests its
// archives in "%TEMP%\ZorManager\<process id>\" and holds the lock file
// "<process id>.lock" beside it open, unshared, from its start to its end;
// the system deletes the lock when the copy ends, however it ends. A copy
// that empties its folder before and after each test unpack therefore never
// touches another copy's files, and a folder whose lock nobody holds
// belongs to a copy that no longer runs.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/win/handles.h"
#include "log/win/log.h"
#include "unpack/file_system.h"
#include "worker/win/worker.h"

namespace {

constexpr char kLockSuffix[] = ".lock";

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// False when no running copy holds the lock. Opening it unshared succeeds
// only then, and closing that handle deletes it.
bool LockHeld(const std::string& lockPath) {
  const FileHandle lock(CreateFileA(lockPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (lock) return false;
  const DWORD error = GetLastError();
  // Anything but "not there" may be a running copy: its folder stays.
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Removes the folders, and the lone locks, of copies that no longer run.
void SweepEndedCopies(const std::string& parent) {
  std::vector<unpackfs::DirectoryEntry> entries;
  if (!unpackfs::ListDirectory(parent.c_str(), &entries)) return;
  const std::size_t suffix = sizeof kLockSuffix - 1;
  for (const unpackfs::DirectoryEntry& entry : entries) {
    if (entry.kind == unpackfs::EntryKind::Directory && AllDigits(entry.name)) {
      if (LockHeld(parent + entry.name + kLockSuffix)) continue;
      unpackfs::RemoveDirectoryTree(parent + entry.name);
    } else if (entry.kind == unpackfs::EntryKind::File && entry.name.size() > suffix &&
               entry.name.compare(entry.name.size() - suffix, suffix, kLockSuffix) == 0 &&
               AllDigits(entry.name.substr(0, entry.name.size() - suffix))) {
      LockHeld(parent + entry.name);  // deletes it when nobody holds it
    }
  }
}

}  // namespace

bool ClaimTempUnpackFolder(char (&path)[MAX_PATH], FileHandle* lock) {
  const std::string parent(path, strnlen(path, MAX_PATH));
  if (parent.empty() || parent.back() != '\\') return false;
  SweepEndedCopies(parent);

  char name[16];
  std::snprintf(name, sizeof name, "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
  const std::string folder = parent + name + "\\";
  if (folder.size() >= MAX_PATH) return false;
  // The lock comes first: a folder without one is fair game to a sweep.
  *lock = FileHandle(CreateFileA((parent + name + kLockSuffix).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!*lock) LogFailure("temporary unpack folder: its lock is not taken: %s", ErrorText(GetLastError()).c_str());
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    LogFailure("temporary unpack folder %s cannot be created: %s", folder.c_str(), ErrorText(GetLastError()).c_str());
    return false;
  }
  std::memcpy(path, folder.c_str(), folder.size() + 1);
  return true;
}

void ReleaseTempUnpackFolder(const char* path) {
  const std::string folder(path, strnlen(path, MAX_PATH));
  if (folder.empty()) return;
  unpackfs::RemoveDirectoryTree(folder);
}
