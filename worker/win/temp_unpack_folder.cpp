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
#include <utility>
#include <vector>

#include "core/win/handles.h"
#include "log/win/log.h"
#include "files/file_system.h"
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

// "<process id>" or "<process id>_<n>": a copy's folder, or its lock's stem.
bool IsCopyName(const std::string& text) {
  const std::size_t mark = text.find('_');
  return mark == std::string::npos ? AllDigits(text) : AllDigits(text.substr(0, mark)) && AllDigits(text.substr(mark + 1));
}

constexpr int kOtherNames = 9;

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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
  std::vector<files::DirectoryEntry> entries;
  if (!files::ListDirectory(parent.c_str(), &entries)) return;
  const std::size_t suffix = sizeof kLockSuffix - 1;
  for (const files::DirectoryEntry& entry : entries) {
    if (entry.kind == files::EntryKind::Directory && IsCopyName(entry.name)) {
      if (LockHeld(parent + entry.name + kLockSuffix)) continue;
      files::RemoveDirectoryTree(parent + entry.name);
    } else if (entry.kind == files::EntryKind::File && entry.name.size() > suffix &&
               entry.name.compare(entry.name.size() - suffix, suffix, kLockSuffix) == 0 &&
               IsCopyName(entry.name.substr(0, entry.name.size() - suffix))) {
      LockHeld(parent + entry.name);  // deletes it when nobody holds it
    }
  }
}

}  // namespace

bool ClaimTempUnpackFolder(const char* parentPath, char (&path)[MAX_PATH], FileHandle* lock) {
  path[0] = '\0';
  const std::string parent(parentPath, strnlen(parentPath, MAX_PATH));
  if (parent.empty() || parent.back() != '\\') {
    LogFailure("temporary unpack folder: %%TEMP%% gives no folder to make it in (%s)", parent.c_str());
    return false;
  }
  SweepEndedCopies(parent);
  // The parent may have gone since the start; it is shared, so only made.
  CreateDirectoryA(parent.c_str(), nullptr);

  const std::string pid = std::to_string(files::ProcessId());
  for (int n = 0; n <= kOtherNames; ++n) {
    const std::string name = n == 0 ? pid : pid + "_" + std::to_string(n);
    const std::string folder = parent + name + "\\";
    if (folder.size() >= MAX_PATH) {
      LogFailure("temporary unpack folder %s cannot be made: its path is over %d bytes", folder.c_str(), MAX_PATH - 1);
      return false;
    }
    // The lock comes first: a folder without one is fair game to a sweep.
    FileHandle claimed(CreateFileA((parent + name + kLockSuffix).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!claimed) {
      const DWORD error = GetLastError();
      // Another copy holds this name's lock: the folder is its, in use.
      // Only a copy in this very process can (a program started again in it).
      if (error == ERROR_SHARING_VIOLATION) continue;
      LogFailure("temporary unpack folder: its lock is not taken: %s", ErrorText(error).c_str());
    }
    if (!CreateDirectoryA(folder.c_str(), nullptr) && !IsDirectory(folder)) {
      const DWORD error = GetLastError();
      LogFailure("temporary unpack folder %s cannot be created: %s", folder.c_str(), ErrorText(error).c_str());
      // Only a name taken by something else is worth another name.
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
      continue;
    }
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    if (claimed) *lock = std::move(claimed);
    return true;
  }
  return false;
}

bool PrepareTempUnpackFolder(const char* parent, char (&path)[MAX_PATH], FileHandle* lock) {
  if (path[0] == '\0') return ClaimTempUnpackFolder(parent, path, lock);
  if (IsDirectory(path)) return true;
  // Removed under the copy: the whole shared folder may have gone with it.
  CreateDirectoryA(parent, nullptr);
  if (CreateDirectoryA(path, nullptr) || IsDirectory(path)) {
    LogEvent("temporary unpack folder %s was gone and is made again", path);
    return true;
  }
  LogFailure("temporary unpack folder %s cannot be made again: %s", path, ErrorText(GetLastError()).c_str());
  return false;
}

void ReleaseTempUnpackFolder(const char* path) {
  const std::string folder(path, strnlen(path, MAX_PATH));
  if (folder.empty()) return;
  files::RemoveDirectoryTree(folder);
}
