// Files and drives for the Wine tests: temporary directories, drive letters
// mapped onto them (as a scanner's disk), whole-file reads and writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zortest {

// A fresh directory under %TEMP%, removed with everything in it on destruction.
class TempDir {
 public:
  explicit TempDir(const std::wstring& tag = L"zor");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& path() const { return path_; }         // no trailing backslash
  std::string pathA() const;                                  // ANSI code page
  std::wstring Child(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Maps a drive letter onto a directory, the way Wine keeps drives: a symlink
// in the prefix's dosdevices folder. Undone on destruction.
class MappedDrive {
 public:
  MappedDrive(wchar_t letter, const std::wstring& directory);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  bool ok() const { return ok_; }
  std::wstring root() const { return std::wstring(1, letter_) + L":"; }  // "X:"

 private:
  wchar_t letter_;
  bool ok_ = false;
};

// A tmpfs of `kilobytes` mounted over an existing directory: a small disk
// that fills up for real. Mounting needs root; ok() is false where none
// could be made. Unmounted on destruction.
class SmallDisk {
 public:
  SmallDisk(const std::wstring& directory, unsigned kilobytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool ok() const { return ok_; }
  // Bytes free on it; 0 when it cannot be told.
  ULONGLONG FreeBytes() const;

 private:
  std::wstring directory_;
  std::wstring unixDirectory_;
  ULONGLONG size_;
  bool ok_ = false;
};

// A disk that accepts every write, reports success and keeps other bytes:
// testing/flipping_fs.py, a FUSE passthrough mounted over an existing
// directory onto that directory's own files, flips the first byte of every
// file created through it; files there before the mount read back as they
// are. ok() is false where FUSE cannot be mounted (no /dev/fuse, no
// python3-fusepy, no root). Unmounted on destruction.
class FlippingDisk {
 public:
  explicit FlippingDisk(const std::wstring& directory);
  ~FlippingDisk();
  FlippingDisk(const FlippingDisk&) = delete;
  FlippingDisk& operator=(const FlippingDisk&) = delete;

  bool ok() const { return ok_; }

 private:
  bool Mounted() const;
  std::string unixDirectory_;
  bool ok_ = false;
};

// The Unix path Wine keeps for a Windows path (empty when not under Wine).
std::string UnixPathOf(const std::wstring& windowsPath);
// Starts a Unix command line through Wine (argv split by Windows rules);
// false when it could not start. It runs on its own: poll for its effect.
bool RunUnix(const std::wstring& program, const std::wstring& commandLine);

bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// The file's bytes, or `missing` when it cannot be read.
std::string FileText(const std::wstring& path, const std::string& missing = "<missing>");
bool FileExists(const std::wstring& path);
// Files (not directories) directly inside `dir`.
std::vector<std::wstring> FilesIn(const std::wstring& dir);
// Deletes a directory tree; true when nothing of it is left.
bool RemoveTree(const std::wstring& path);

std::wstring Widen(const std::string& ansi);
std::string Narrow(const std::wstring& wide);

}  // namespace zortest
