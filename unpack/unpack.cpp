#include "unpack/unpack.h"

#include <atomic>
#include <cassert>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/fixed_buffer.h"
#include "files/file_system.h"
#include "log/debug_output.h"
#include "unpack/entry_rules.h"

namespace {

using unpack::kOutputPathSize;

constexpr std::size_t kArchiveNameCopySize = 272;
constexpr std::size_t kArchiveNameCopyLimit = 255;
constexpr std::size_t kDiagnosticSize = 1024;
constexpr std::size_t kCopyBufferSize = 8192;
// A zip entry name is at most 0xFFFF bytes; one more keeps it terminated, so
// the filter and the checks always see the whole name.
constexpr std::size_t kNameBufferSize = 0xFFFF + 1;
constexpr int kTempNameTries = 16;
// "~zr" and eight hex digits, ".tmp"
constexpr char kTempNamePattern[] = "~zr%04lx%04x.tmp";
constexpr std::size_t kTempNameLength = 15;

// Why the unpack failed, one line in words, naming the entry or file; the
// caller's result code only says which kind of failure it was.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Report(const char* format, ...) {
  char text[kDiagnosticSize];
  va_list arguments;
  va_start(arguments, format);
  const int n = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (n >= 0) DebugOutput(text);
}

using unpack::Blame;

// Marks whose fault a failure is and passes its code on.
int Blamed(Blame& blame, Blame who, int code) {
  blame = who;
  return code;
}

// What a minizip error means to support.
int ReportArchiveError(Blame& blame, const char* step, int err) {
  Report("unpack: the archive is damaged or cannot be read (%s, minizip error %d)", step, err);
  return Blamed(blame, Blame::kArchive, err);
}

int ReportNoMemory(Blame& blame) {
  Report("unpack: no memory");
  return Blamed(blame, Blame::kTarget, UNZ_INTERNALERROR);
}

std::unique_ptr<char[]> Allocate(std::size_t size) {
  return std::unique_ptr<char[]>(new (std::nothrow) char[size]);
}

class ArchiveCloser {
 public:
  explicit ArchiveCloser(unzFile archive) : archive_(archive) {}
  ~ArchiveCloser() { unzClose(archive_); }
  ArchiveCloser(const ArchiveCloser&) = delete;
  ArchiveCloser& operator=(const ArchiveCloser&) = delete;

 private:
  unzFile archive_;
};

// The file an entry is written to before it replaces its final name. It sits
// in the same directory, so the final move never crosses volumes, and its
// name holds neither ".z70" nor ".sys", so an inventory of the directory
// never takes a half-written file for a module. Removed unless kept.
class TempFile {
 public:
  TempFile() { path_[0] = '\0'; }
  ~TempFile() {
    file_.Close();
    if (path_[0] != '\0' && !kept_) files::RemoveFile(path_);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  files::NewFileResult Create(const char* finalPath) {
    static std::atomic<unsigned> counter{0};
    const std::size_t directoryLength = unpack::FilePartOffset(finalPath);
    files::NewFileResult result = files::NewFileResult::Failed;
    for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
      char name[32];
      std::snprintf(name, sizeof name, kTempNamePattern, files::ProcessId() & 0xFFFF,
                    counter.fetch_add(1) & 0xFFFF);
      assert(std::strlen(name) == kTempNameLength);
      if (directoryLength + kTempNameLength + 1 > kOutputPathSize) return files::NewFileResult::Failed;
      std::memcpy(path_.data(), finalPath, directoryLength);
      std::memcpy(path_.data() + directoryLength, name, kTempNameLength + 1);
      result = file_.CreateNew(path_);
      if (result != files::NewFileResult::Exists) break;
    }
    if (result != files::NewFileResult::Created) path_[0] = '\0';
    return result;
  }

  files::OutputFile& file() { return file_; }
  const char* path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  files::OutputFile file_;
  FixedBuffer<char, kOutputPathSize> path_;
  bool kept_ = false;
};

int ReadEntryInfo(unzFile archive, unz_file_info64* info, char* name, Blame& blame) {
  const int err = unzGetCurrentFileInfo64(archive, info, name, kNameBufferSize, nullptr, 0, nullptr, 0);
  return err == UNZ_OK ? err : ReportArchiveError(blame, "an entry's header", err);
}

// What minizip lets through but must not reach the disk: names that leave the
// target or that Windows cannot hold, encrypted data (minizip without a
// password hands out the cipher text as if it were plain) and methods other
// than stored and deflated (minizip hands those out raw, unchecked).
int RefuseEntry(const unz_file_info64& info, const char* name, Blame& blame) {
  const unpack::NameFault fault = unpack::CheckEntryName(name, info.size_filename);
  if (fault != unpack::NameFault::None) {
    Report("unpack: entry '%s' refused as unsafe: %s", name, unpack::DescribeNameFault(fault));
    return Blamed(blame, Blame::kArchive, UNZ_BADZIPFILE);
  }
  if (info.flag & 1) {
    Report("unpack: entry '%s' refused: it is encrypted", name);
    return Blamed(blame, Blame::kArchive, UNZ_BADZIPFILE);
  }
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
    Report("unpack: entry '%s' refused: compression method %lu, neither stored nor deflated", name,
           info.compression_method);
    return Blamed(blame, Blame::kArchive, UNZ_BADZIPFILE);
  }
  return UNZ_OK;
}

// Both the output path and the temporary file's path beside it must fit.
bool BuildOutputPathFor(const char* target, const unz_file_info64& info, const char* name,
                        char* outputPath) {
  if (unpack::BuildOutputPath(target, name, info.size_filename, files::kSeparator,
                              files::kBackslashSeparates, outputPath) &&
      unpack::FilePartOffset(outputPath) + kTempNameLength + 1 <= kOutputPathSize) {
    return true;
  }
  Report("unpack: entry '%s': its path under %s is too long (more than %lu bytes)", name, target,
         static_cast<unsigned long>(kOutputPathSize - 1));
  return false;
}

// Both passes over the entries start at the first one.
int RewindArchive(unzFile archive, std::uint64_t count, Blame& blame) {
  if (count == 0) return UNZ_OK;  // minizip has no first entry to go to then
  const int err = unzGoToFirstFile(archive);
  return err == UNZ_OK ? err : ReportArchiveError(blame, "its first entry", err);
}

int NextEntry(unzFile archive, Blame& blame) {
  const int err = unzGoToNextFile(archive);
  return err == UNZ_OK ? err : ReportArchiveError(blame, "the next entry", err);
}

// Everything the entry names and declared sizes decide, before the first byte
// is written: a hostile entry, or an archive that would fill the disk, is
// refused as a whole.
int CheckArchiveBeforeWriting(unzFile archive, const char* target, const files::Volume& volume,
                              unpack::EntryFilter filter, std::uint64_t count, char* name, Blame& blame) {
  int err = RewindArchive(archive, count, blame);
  if (err != UNZ_OK) return err;
  std::uint64_t total = 0;
  unpack::SpaceNeed need(volume.clusterSize);
  char outputPath[kOutputPathSize];
  for (std::uint64_t i = 0; i < count; ++i) {
    unz_file_info64 info;
    err = ReadEntryInfo(archive, &info, name, blame);
    if (err != UNZ_OK) return err;
    if (filter(name, info.size_filename)) {
      err = RefuseEntry(info, name, blame);
      if (err != UNZ_OK) return err;
      // Too long under this target: another target may take it.
      if (!BuildOutputPathFor(target, info, name, outputPath)) return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
      total = unpack::AddDeclaredSize(total, info.uncompressed_size);
      std::uint64_t replaced = 0;
      if (!files::ExistingFileSize(outputPath, &replaced)) replaced = 0;
      if (!need.Add(outputPath, info.uncompressed_size, replaced)) return ReportNoMemory(blame);
    }
    if (i + 1 < count) {
      err = NextEntry(archive, blame);
      if (err != UNZ_OK) return err;
    }
  }
  std::uint64_t freeBytes = 0;
  const bool haveFreeBytes = files::FreeBytesOnVolume(target, &freeBytes);
  switch (unpack::CheckDeclaredTotal(total, need.peak(), haveFreeBytes, freeBytes, unpack::kMaxDeclaredTotal)) {
    case unpack::TotalVerdict::Fits:
      break;
    case unpack::TotalVerdict::OverLimit:
      Report("unpack: archive refused: its modules declare %" PRIu64 " KiB, over the limit of %" PRIu64 " KiB",
             total / 1024, unpack::kMaxDeclaredTotal / 1024);
      return Blamed(blame, Blame::kArchive, UNZ_BADZIPFILE);
    case unpack::TotalVerdict::OverFreeSpace:
      Report("unpack: not enough room in %s: %" PRIu64 " KiB needed, %" PRIu64 " KiB free", target,
             (need.peak() + 1023) / 1024, freeBytes / 1024);
      return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
  }
  return RewindArchive(archive, count, blame);
}


// One entry, the current one, written to a temporary file beside its
// final name and moved over that name once its data and checksum proved
// sound.
// `replaced` is set once the entry's file has taken its final name.
int ExtractEntry(unzFile archive, const char* targetDirectory, const files::Volume& volume, Blame& blame,
                 bool* replaced) {
  std::unique_ptr<char[]> name = Allocate(kNameBufferSize);
  if (!name) return ReportNoMemory(blame);
  unz_file_info64 info;
  int err = ReadEntryInfo(archive, &info, name.get(), blame);
  if (err != UNZ_OK) return err;
  err = RefuseEntry(info, name.get(), blame);
  if (err != UNZ_OK) return err;
  char outputPath[kOutputPathSize];
  if (!BuildOutputPathFor(targetDirectory, info, name.get(), outputPath)) return Blamed(blame, Blame::kTarget, UNZ_ERRNO);

  std::unique_ptr<char[]> buffer = Allocate(kCopyBufferSize);
  if (!buffer) return ReportNoMemory(blame);
  const std::size_t filePart = unpack::FilePartOffset(outputPath);
  if (outputPath[filePart] == '\0') {
    files::MakeOneDirectory(outputPath);
    return UNZ_OK;
  }

  err = unzOpenCurrentFilePassword(archive, nullptr);
  if (err != UNZ_OK) {
    Report("unpack: entry '%s' cannot be read: minizip error %d", name.get(), err);
    unzCloseCurrentFile(archive);
    return Blamed(blame, Blame::kArchive, err);
  }

  TempFile temp;
  if (temp.Create(outputPath) != files::NewFileResult::Created) {
    const char separator = outputPath[filePart - 1];
    outputPath[filePart - 1] = '\0';
    MakeDirectoryPath(outputPath);
    outputPath[filePart - 1] = separator;
    if (temp.Create(outputPath) != files::NewFileResult::Created) {
      // Not a skip: the caller would report a module as installed that
      // never reached the disk.
      Report("unpack: %s cannot be created: %s", outputPath, files::LastErrorText().c_str());
      unzCloseCurrentFile(archive);
      return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
    }
  }

  std::uint64_t written = 0;
  Blame failed = Blame::kNone;
  for (;;) {
    const int count = unzReadCurrentFile(archive, buffer.get(), kCopyBufferSize);
    if (count < 0) {
      Report("unpack: entry '%s' cannot be unpacked: the archive is damaged (minizip error %d)", name.get(), count);
      err = Blamed(failed, Blame::kArchive, count);
      break;
    }
    if (count == 0) break;
    if (!temp.file().Write(buffer.get(), static_cast<std::size_t>(count))) {
      Report("unpack: %s cannot be written: %s", outputPath, files::LastErrorText().c_str());
      err = Blamed(failed, Blame::kTarget, UNZ_ERRNO);
      break;
    }
    written += static_cast<std::uint64_t>(count);
  }
  // A scanner pulled out after "success" must hold the whole module: its
  // data reaches the device before the file replaces the old one.
  if (err == UNZ_OK && !temp.file().Flush()) {
    Report("unpack: %s cannot be written: %s", outputPath, files::LastErrorText().c_str());
    err = Blamed(failed, Blame::kTarget, UNZ_ERRNO);
  }
  if (!temp.file().Close() && err == UNZ_OK) {
    Report("unpack: %s cannot be written: %s", outputPath, files::LastErrorText().c_str());
    err = Blamed(failed, Blame::kTarget, UNZ_ERRNO);
  }
  // minizip checks the CRC only when every declared byte was read, so a
  // stream that ends early would otherwise pass unchecked.
  if (err == UNZ_OK && written != info.uncompressed_size) {
    Report("unpack: entry '%s' ends after %" PRIu64 " of its %" PRIu64 " bytes: the archive is damaged", name.get(),
           written, static_cast<std::uint64_t>(info.uncompressed_size));
    err = Blamed(failed, Blame::kArchive, UNZ_BADZIPFILE);
  }

  if (err != UNZ_OK) {
    unzCloseCurrentFile(archive);
    return Blamed(blame, failed, err);
  }
  const std::uint32_t dosDateTime = static_cast<std::uint32_t>(info.dosDate);
  SetFileDateFromDos(temp.path(), dosDateTime);
  err = unzCloseCurrentFile(archive);
  if (err == UNZ_CRCERROR) {
    Report("unpack: entry '%s' fails its CRC check: the archive is damaged", name.get());
    return Blamed(blame, Blame::kArchive, err);
  }
  if (err != UNZ_OK) {
    Report("unpack: entry '%s' cannot be read to its end: minizip error %d", name.get(), err);
    return Blamed(blame, Blame::kArchive, err);
  }
  // A cheap flash disk can accept a write, report success and keep other
  // bytes: the file replaces the old one only once its disk gives back what
  // the entry holds. The archive is sound; the disk is not.
  std::string what;
  switch (files::ReadBack(volume, temp.path(), info.uncompressed_size, static_cast<std::uint32_t>(info.crc), &what)) {
    case files::ReadBackResult::Same:
      break;
    case files::ReadBackResult::Differs:
      Report("unpack: %s not replaced: its disk does not keep what was written: %s", outputPath, what.c_str());
      return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
    case files::ReadBackResult::Unreadable:
      Report("unpack: %s not replaced: what was written cannot be read back: %s", outputPath, what.c_str());
      return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
  }
  if (!files::MoveOver(temp.path(), outputPath)) {
    Report("unpack: %s cannot be replaced: %s", outputPath, files::LastErrorText().c_str());
    return Blamed(blame, Blame::kTarget, UNZ_ERRNO);
  }
  temp.Keep();
  *replaced = true;
  // Windows' file-name tunnelling gives a file that takes over a name just
  // freed the old file's creation time; stamping the final name undoes that.
  SetFileDateFromDos(outputPath, dosDateTime);
  return UNZ_OK;
}

int ExtractEntries(unzFile archive, const char* targetDirectory, unpack::EntryFilter filter, Blame& blame) {
  unz_global_info64 global{};
  int err = unzGetGlobalInfo64(archive, &global);
  if (err != UNZ_OK) ReportArchiveError(blame, "its directory", err);
  const std::uint64_t count = global.number_entry;

  std::unique_ptr<char[]> name = Allocate(kNameBufferSize);
  if (!name) return ReportNoMemory(blame);
  const files::Volume volume = files::VolumeOf(targetDirectory);
  err = CheckArchiveBeforeWriting(archive, targetDirectory, volume, filter, count, name.get(), blame);
  if (err != UNZ_OK) return err;

  // The entries already moved into place: after a failure, support can tell
  // what the target holds of this package.
  std::string replaced;
  for (std::uint64_t i = 0; i < count && err == UNZ_OK; ++i) {
    unz_file_info64 info;
    err = ReadEntryInfo(archive, &info, name.get(), blame);
    if (err == UNZ_OK && filter(name.get(), info.size_filename)) {
      bool moved = false;
      err = ExtractEntry(archive, targetDirectory, volume, blame, &moved);
      if (moved) replaced.append(replaced.empty() ? "" : ", ").append(name.get(), info.size_filename);
    }
    if (err == UNZ_OK && i + 1 < count) err = NextEntry(archive, blame);
  }
  if (err != UNZ_OK) {
    if (!replaced.empty()) Report("unpack: %s already holds the new %s of this package", targetDirectory, replaced.c_str());
    return err;
  }
  blame = Blame::kNone;
  return UNZ_OK;
}

// An archive that does not open is no zip when its file can be read; when
// it cannot (another program holds it unshared, its rights were taken),
// nothing is known of its bytes.
int ReportUnopened(const char* archivePath, Blame& blame) {
  std::uint64_t size = 0;
  if (!files::ExistingFileSize(archivePath, &size)) {
    Report("unpack: archive %s cannot be opened: there is no such file", archivePath);
    return Blamed(blame, Blame::kArchive, 1);
  }
  if (!files::CanReadFile(archivePath)) {
    Report("unpack: archive %s cannot be read: %s", archivePath, files::LastErrorText().c_str());
    return Blamed(blame, Blame::kTarget, 1);
  }
  Report("unpack: archive %s is no zip archive or cannot be read (%" PRIu64 " bytes)", archivePath, size);
  return Blamed(blame, Blame::kArchive, 1);
}

}  // namespace

namespace unpack {

Result Extract(const char* archivePath, const char* targetDirectory, EntryFilter filter) {
  Result result;
  char nameCopy[kArchiveNameCopySize];
  std::snprintf(nameCopy, sizeof nameCopy, "%.*s", static_cast<int>(kArchiveNameCopyLimit), archivePath);
  unzFile archive = unzOpen64(archivePath);
  if (archive == nullptr) {
    std::strcat(nameCopy, ".zip");
    archive = unzOpen64(nameCopy);
  }
  if (archive == nullptr) {
    result.code = ReportUnopened(archivePath, result.blame);
    return result;
  }
  ArchiveCloser closer(archive);
  if (!files::EnterDirectory(targetDirectory)) {
    Report("unpack: folder %s cannot be entered: %s", targetDirectory, files::LastErrorText().c_str());
    result.code = Blamed(result.blame, Blame::kTarget, -1);
    return result;
  }
  result.code = ExtractEntries(archive, targetDirectory, filter, result.blame);
  return result;
}

int ExtractArchiveWith(const char* archivePath, const char* targetDirectory, EntryFilter filter) {
  return Extract(archivePath, targetDirectory, filter).code;
}

int ExtractEntriesWith(unzFile archive, const char* targetDirectory, EntryFilter filter) {
  Blame blame = Blame::kNone;
  return ExtractEntries(archive, targetDirectory, filter, blame);
}

}  // namespace unpack

int ExtractArchive(const char* archivePath, const char* targetDirectory) {
  return unpack::ExtractArchiveWith(archivePath, targetDirectory, unpack::IsModuleEntryName);
}

int ExtractMatchingEntries(unzFile archive, const char* targetDirectory) {
  return unpack::ExtractEntriesWith(archive, targetDirectory, unpack::IsModuleEntryName);
}

int ExtractCurrentEntry(unzFile archive, const char* targetDirectory) {
  Blame blame = Blame::kNone;
  bool replaced = false;
  return ExtractEntry(archive, targetDirectory, files::VolumeOf(targetDirectory), blame, &replaced);
}

int MakeDirectoryPath(const char* path) {
  std::size_t length = std::strlen(path);
  if (length == 0) return 0;
  std::unique_ptr<char[]> copy = Allocate(length + 1);
  if (!copy) {
    Report("unpack: no memory");
    return UNZ_INTERNALERROR;
  }
  std::memcpy(copy.get(), path, length + 1);
  if (copy[length - 1] == '/') copy[--length] = '\0';
  if (files::MakeOneDirectory(copy.get()) == files::DirectoryResult::Created) return 1;

  for (std::size_t i = 1; i <= length; ++i) {
    if (i < length && copy[i] != '\\' && copy[i] != '/') continue;
    const char saved = copy[i];
    copy[i] = '\0';
    if (files::MakeOneDirectory(copy.get()) == files::DirectoryResult::MissingParent) {
      Report("unpack: folder %s cannot be created: %s", copy.get(), files::LastErrorText().c_str());
      return 0;
    }
    copy[i] = saved;
  }
  return 1;
}
