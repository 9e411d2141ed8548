// Helpers of the unpacker's tests, native and under Wine: a fresh directory
// per test with a target inside it, listings that show anything written
// outside the target, file contents and times through the same narrow
// (ANSI) paths the unpacker uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unpacktest {

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

// A directory "<temp>/zu-<pid>-<n>" holding "t", the unpack target, and
// removed with its contents on destruction. The current directory is put
// back on destruction too, since unpacking changes it.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& root() const { return root_; }
  const std::string& target() const { return target_; }
  std::string InTarget(const std::string& relative) const;  // '/' accepted
  // Every file and directory below root, as paths relative to it with '/'.
  std::vector<std::string> Listing() const;
  // Files (not directories) below the target, relative to it.
  std::vector<std::string> TargetFiles() const;
  // Entries below root that are not the target or inside it.
  std::vector<std::string> OutsideTarget() const;
  // Makes `relative` (below root) the target, creating it.
  void UseTarget(const std::string& relative);

 private:
  std::string root_;
  std::string target_;
  std::string savedCwd_;
};

std::string ArchivePath(const std::string& name);
std::string JoinPath(const std::string& directory, const std::string& relative);

bool ReadFileBytes(const std::string& path, std::string* bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool IsDirectory(const std::string& path);
bool Exists(const std::string& path);
bool MakeDirectory(const std::string& path);
std::string CurrentDirectory();
bool SameFile(const std::string& a, const std::string& b);

// Seconds since 1970 (UTC) of a local calendar time, as Windows converts a
// DOS stamp: the time zone's bias at that date.
std::int64_t LocalToUnix(int year, int month, int day, int hour, int minute, int second);
// Last-write time, and creation time where the platform keeps one
// (hasCreation false on POSIX).
struct FileStamps {
  std::int64_t lastWrite = 0;
  std::int64_t creation = 0;
  bool hasCreation = false;
};
bool ReadFileStamps(const std::string& path, FileStamps* stamps);

// Contents the test archives were made with (make_test_archives.py).
std::string ModContent();
std::string DrvContent();
std::string NewContent();
constexpr char kFirstContent[] = "first module\n";

}  // namespace unpacktest
