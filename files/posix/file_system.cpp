// POSIX side of the file layer, for the native build and
// its tests. The file times follow the Windows side as far as POSIX allows:
// there is no creation time, so only the modification time is set.
#include "files/file_system.h"
#include "files/posix/file_system.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>


namespace files {

bool EnterDirectory(const char* path) { return chdir(path) == 0; }

DirectoryResult MakeOneDirectory(const char* path) {
  if (mkdir(path, 0777) == 0) return DirectoryResult::Created;
  return errno == ENOENT ? DirectoryResult::MissingParent : DirectoryResult::Failed;
}

NewFileResult OutputFile::CreateNew(const char* path) {
  Close();
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return NewFileResult::Exists;
    if (errno == ENOENT) return NewFileResult::MissingDirectory;
    return NewFileResult::Failed;
  }
  native_ = fd;
  return NewFileResult::Created;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(static_cast<int>(native_), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputFile::Flush() { return fsync(static_cast<int>(native_)) == 0; }

bool OutputFile::Close() {
  if (native_ == kNone) return true;
  const int rc = close(static_cast<int>(native_));
  native_ = kNone;
  return rc == 0;
}

bool MoveOver(const char* from, const char* to) { return rename(from, to) == 0; }

ReadBackCalls& ReadBacks() {
  static ReadBackCalls calls;
  return calls;
}

// This side serves the tests and the fuzzers only: the file is read back as
// it is, after asking the kernel to drop its cached pages where it can.
ReadBackResult ReadBack(const Volume&, const char* path, std::uint64_t size, std::uint32_t crc, std::string* what) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *what = "it cannot be opened to be read back: " + LastErrorText();
    return ReadBackResult::Unreadable;
  }
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  char buffer[64 * 1024];
  std::uint64_t total = 0;
  uLong found = crc32(0L, Z_NULL, 0);
  for (;;) {
    const ssize_t got = ReadBacks().readAt(fd, buffer, sizeof buffer, static_cast<off_t>(total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *what = "reading it back failed after " + std::to_string(total) + " bytes: " + LastErrorText();
      close(fd);
      return ReadBackResult::Unreadable;
    }
    if (got == 0) break;
    found = crc32(found, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(got));
    total += static_cast<std::uint64_t>(got);
  }
  close(fd);
  char text[96];
  if (total != size) {
    std::snprintf(text, sizeof text, "%" PRIu64 " bytes read back, %" PRIu64 " written", total, size);
  } else if (static_cast<std::uint32_t>(found) != crc) {
    std::snprintf(text, sizeof text, "CRC %08" PRIX32 " read back, %08" PRIX32 " written",
                  static_cast<std::uint32_t>(found), crc);
  } else {
    return ReadBackResult::Same;
  }
  *what = text;
  return ReadBackResult::Differs;
}

bool RemoveFile(const char* path) { return unlink(path) == 0; }

bool ExistingFileSize(const char* path, std::uint64_t* size) {
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool CanReadFile(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool FreeBytesOnVolume(const char* directory, std::uint64_t* bytes) {
  struct statvfs info;
  if (statvfs(directory, &info) != 0) return false;
  *bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
  return true;
}

Volume VolumeOf(const char* directory) {
  Volume volume;
  struct statvfs info;
  if (statvfs(directory, &info) != 0) {
    volume.unknownWhy = LastErrorText();
    return volume;
  }
  volume.root = directory;
  volume.clusterSize = static_cast<std::uint64_t>(info.f_frsize);
  return volume;
}

bool ListDirectory(const char* directory, std::vector<DirectoryEntry>* entries) {
  DIR* listing = opendir(directory);
  if (listing == nullptr) return false;
  const std::string prefix = std::string(directory) + kSeparator;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (lstat((prefix + name).c_str(), &info) != 0) continue;
    const EntryKind kind = S_ISLNK(info.st_mode)  ? EntryKind::Link
                           : S_ISDIR(info.st_mode) ? EntryKind::Directory
                                                   : EntryKind::File;
    entries->push_back({name, kind});
  }
  closedir(listing);
  return true;
}

bool RemoveEmptyDirectory(const char* path) { return rmdir(path) == 0; }

bool RemoveLink(const char* path) { return unlink(path) == 0; }

std::string LastErrorText() {
  const int error = errno;
  return "errno " + std::to_string(error) + " (" + std::strerror(error) + ")";
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace files

// The DOS date and time are local time, as on Windows; the access time stays.
void SetFileDateFromDos(const char* filePath, std::uint32_t dosDateTime) {
  const unsigned date = dosDateTime >> 16;
  const unsigned time = dosDateTime & 0xFFFF;
  std::tm local{};
  local.tm_year = static_cast<int>((date >> 9) + 1980 - 1900);
  local.tm_mon = static_cast<int>(((date >> 5) & 0x0F)) - 1;
  local.tm_mday = static_cast<int>(date & 0x1F);
  local.tm_hour = static_cast<int>(time >> 11);
  local.tm_min = static_cast<int>((time >> 5) & 0x3F);
  local.tm_sec = static_cast<int>((time & 0x1F) * 2);
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  utimensat(AT_FDCWD, filePath, times, 0);
}
