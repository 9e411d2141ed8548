// The program's file layer: the few file-system calls in which Windows and
// POSIX differ, for the unpacker, the worker's temporary folders and the
// emptying of folders. Paths are narrow byte strings, passed through
// unchanged (the ANSI code page on Windows). One implementation per
// platform: win/file_system.cpp and posix/file_system.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace files {

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr bool kBackslashSeparates = true;
#else
constexpr char kSeparator = '/';
constexpr bool kBackslashSeparates = false;
#endif

// Makes `path` the process's current directory.
bool EnterDirectory(const char* path);

enum class DirectoryResult {
  Created,
  MissingParent,  // a level above does not exist (ENOENT, ERROR_PATH_NOT_FOUND)
  Failed,         // anything else, an existing directory among it
};
DirectoryResult MakeOneDirectory(const char* path);

enum class NewFileResult { Created, Exists, MissingDirectory, Failed };

// A file created for writing that did not exist before. Move-only; an open
// file is closed on destruction.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Close(); }
  OutputFile(OutputFile&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
  OutputFile& operator=(OutputFile&& other) noexcept {
    if (this != &other) {
      Close();
      native_ = other.native_;
      other.native_ = kNone;
    }
    return *this;
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  NewFileResult CreateNew(const char* path);
  bool Write(const void* data, std::size_t size);
  // Puts the written data on the device, not just in the system's cache.
  bool Flush();
  // False when the data may not have reached the file.
  bool Close();
  bool isOpen() const { return native_ != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;  // also INVALID_HANDLE_VALUE
  std::intptr_t native_ = kNone;              // file descriptor or HANDLE
};

// Moves `from` onto `to`, replacing a file that exists there; the move is on
// the device when the call returns.
bool MoveOver(const char* from, const char* to);

// The volume a target directory lies on, asked once per unpack: the space
// rule counts in its clusters and the read-back reads in its sectors.
struct Volume {
  std::string root;             // its root ("R:\\"), for the log
  std::uint64_t clusterSize = 0;  // its allocation unit; 0 when it cannot be told
  std::uint32_t sectorSize = 0;   // 0 when it cannot be told
  std::string unknownWhy;         // the system's error when they cannot be told
};
Volume VolumeOf(const char* directory);

enum class ReadBackResult {
  Same,        // the disk gave back what was written
  Differs,     // it gave back other bytes, or another length
  Unreadable,  // it could not be read back at all
};
// Reads the closed file at `path`, on `volume`, back from its disk, past the
// system's cache, and compares it with what was written to it: `size` bytes
// of CRC-32 `crc` (zlib's). Unless Same, `what` says what differed, naming
// the disk, or why it could not be read.
ReadBackResult ReadBack(const Volume& volume, const char* path, std::uint64_t size, std::uint32_t crc,
                        std::string* what);
bool RemoveFile(const char* path);
// The size of the regular file at `path`; false when there is none.
bool ExistingFileSize(const char* path, std::uint64_t* size);
// Whether the file at `path` can be opened for reading now (another
// program may hold it unshared); the error stays for LastErrorText.
bool CanReadFile(const char* path);

// Bytes available to this process on the volume holding `directory`.
bool FreeBytesOnVolume(const char* directory, std::uint64_t* bytes);

// What a directory entry is to a walk that deletes: a link (a symbolic
// link, or on Windows any reparse point such as a junction) is removed
// itself and never entered, since what it points at lies outside.
enum class EntryKind { File, Directory, Link };

struct DirectoryEntry {
  std::string name;
  EntryKind kind;
};

// The entries of `directory` but "." and "..". False when it cannot be listed.
bool ListDirectory(const char* directory, std::vector<DirectoryEntry>* entries);
bool RemoveEmptyDirectory(const char* path);
bool RemoveLink(const char* path);

// Deletes everything inside `directory`, subdirectories included; links
// are removed, never followed. What cannot be deleted stays. Portable, over
// the calls above.
void EmptyDirectory(const std::string& directory);
// EmptyDirectory, then the directory itself.
void RemoveDirectoryTree(const std::string& directory);

// The system's error of the call that failed last on this thread, in words:
// "error 112 (ERROR_DISK_FULL)" on Windows, the errno and its text elsewhere.
std::string LastErrorText();

// Names what one running copy writes apart from another's: the unpacker's
// temporary files, the copy's temporary folder and its lock.
unsigned long ProcessId();

}  // namespace files

// Sets a written file's dates from a zip entry's stamp. dosDateTime: DOS
// date in the high word, DOS time in the low word; local time.
void SetFileDateFromDos(const char* filePath, std::uint32_t dosDateTime);
