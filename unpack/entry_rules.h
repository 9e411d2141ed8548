// Rules about zip entries that need no archive and no file system: which
// entries are modules, which names may be written below a target directory,
// how the output path is built, and how much an archive may unpack.
// Portable: no windows.h, no minizip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace unpack {

// The output path buffer: MAX_PATH bytes, terminator included. The ANSI file
// functions refuse longer paths, so nothing longer is ever built.
constexpr std::size_t kOutputPathSize = 260;

// The largest total of declared uncompressed sizes that one archive may
// unpack. A package is at most 8387584 bytes when downloaded and a scanner's
// modules come to a few MiB; half a GiB leaves room for any honest package
// (even one compressing 60:1) while an overlapping-entry archive of a few KiB,
// which declares gigabytes, is refused before anything is written.
constexpr std::uint64_t kMaxDeclaredTotal = std::uint64_t{512} * 1024 * 1024;

// True when the entry is a scanner module: its whole name (all `length`
// bytes, NUL bytes included) contains ".z70" or ".sys", case-sensitively.
bool IsModuleEntryName(const char* name, std::size_t length);

// What makes an entry name unsafe to write below a directory on Windows.
enum class NameFault {
  None,
  NulByte,            // the name continues past a NUL
  Absolute,           // starts with "/" or "\"
  Colon,              // a drive ("C:") or an alternate data stream ("x:s")
  ForbiddenChar,      // < > " | ? * or a control character
  ParentComponent,    // a ".." component
  ReservedName,       // CON, NUL, COM1, ... as a component (any extension)
  TrailingDotOrSpace, // a component ending in "." or " " (Windows drops them)
};

// Checks all `length` bytes of an entry name; "/" and "\" both separate
// components. Empty components ("a//b") are harmless and pass.
NameFault CheckEntryName(const char* name, std::size_t length);
const char* DescribeNameFault(NameFault fault);

// Builds "<target><separator><name>" into out[kOutputPathSize]. With
// `backslashSeparates` false (POSIX), backslashes of the name become the
// separator, so that "sub\drv.sys" lands where Windows would put it.
// Returns false, leaving out[0] == '\0', when the path would not fit.
bool BuildOutputPath(const char* target, const char* name, std::size_t nameLength,
                     char separator, bool backslashSeparates, char* out);

// Offset of the file part of a path: what follows its last "/" or "\".
std::size_t FilePartOffset(const char* path);

// Adds a declared size to a running total without wrapping around.
std::uint64_t AddDeclaredSize(std::uint64_t total, std::uint64_t size);

// The room an unpack takes on its volume beyond what the volume holds now.
// Entries are written one at a time, each to a temporary file beside the
// file it replaces, which is freed only when the temporary file is moved
// over it: while entry i is written, the volume holds the growth of the
// entries before it plus entry i's whole new size. Fed the entries in
// unpack order; the peak also covers the growth left at the end.
//
// Sizes count in whole clusters of the volume, since a FAT disk allocates
// nothing smaller. An archive may name one output file twice, exactly or in
// another letter case (one file to Windows and FAT): the later entry
// replaces what the earlier one wrote, so the old file is credited once.
class SpaceNeed {
 public:
  // `clusterSize`: the volume's allocation unit in bytes; 0 or 1 when unknown.
  explicit SpaceNeed(std::uint64_t clusterSize = 1) : cluster_(clusterSize > 1 ? clusterSize : 1) {}

  // `outputPath`: where the entry goes. `existingSize`: the size of the
  // file there before the unpack, 0 when there is none. False when there is
  // no memory to remember the path.
  bool Add(std::string_view outputPath, std::uint64_t newSize, std::uint64_t existingSize);
  std::uint64_t peak() const { return peak_; }

 private:
  std::uint64_t Allocated(std::uint64_t size) const;

  std::uint64_t cluster_;
  std::int64_t growth_ = 0;  // below zero when smaller files replace larger ones
  std::uint64_t peak_ = 0;
  std::map<std::string, std::uint64_t> written_;  // folded output path: size its last entry writes
};

// An output path as Windows matches file names: letters of either case
// alike (ASCII, and the Cyrillic letters of code page 1251), "/" as "\".
// Folding more than the volume does only credits less.
std::string FoldedPath(std::string_view path);

enum class TotalVerdict { Fits, OverLimit, OverFreeSpace };

// Whether an archive whose matching entries declare `total` bytes and need
// `needed` bytes of room (SpaceNeed's peak) may be unpacked onto a volume
// with `freeBytes` free (haveFreeBytes false: unknown, only the sanity limit
// on the declared total applies).
TotalVerdict CheckDeclaredTotal(std::uint64_t total, std::uint64_t needed, bool haveFreeBytes,
                                std::uint64_t freeBytes, std::uint64_t limit);

}  // namespace unpack
