// Unpacking the module entries of a zip archive under a directory, over
// minizip's 64-bit API. Portable: the platform calls sit in the file layer,
// files/file_system.h.
//
// Only entries whose names contain ".z70" or ".sys" are unpacked; they keep
// their relative directories and take the entry's DOS date and time. Each is
// written to a temporary file beside its final name and moved over that name
// only after its checksum has been confirmed and the file, read back from
// its disk past the system's cache, has been found to hold the entry's size
// and CRC-32, so a failed entry never replaces a good module.
//
// Results (0 is success; callers test only for 0):
//    1   the archive opened neither under its name nor with ".zip" appended
//   -1   (UNZ_ERRNO) the target could not be entered, an output file could
//        not be created, written, read back as written or moved into
//        place (a disk that keeps other bytes), an output path (or
//        the temporary file's beside it) does not fit into
//        unpack::kOutputPathSize bytes, or writing the matching entries
//        needs more room than the target volume has free (each entry's
//        temporary file beside the files still there, see SpaceNeed)
//   -103 (UNZ_BADZIPFILE) besides minizip's own use: a matching entry that
//        is refused (a name that would leave the target or that Windows
//        cannot hold, encryption, a compression method other than stored or
//        deflated, data ending before its declared size), or matching
//        entries declaring more than unpack::kMaxDeclaredTotal bytes
//   -104 (UNZ_INTERNALERROR) no memory
//   other minizip errors of the entry or step that failed, -105
//        (UNZ_CRCERROR) for a checksum mismatch
// Refusals that the entry names or declared sizes decide are made before
// anything of the archive is written.
//
// A failure is the archive's own (its bytes are bad: no zip, a damaged or
// refused entry, sizes over the limit) or the target's (the folder, its
// volume or the computer: it cannot be entered or written, no room, no
// memory, the archive file cannot be read). Only the first kind says
// anything about the package; unpack::Extract tells which.
#pragma once

#include <cstdint>

#include <unzip.h>

// The filter callers pass to Extract in normal use, IsModuleEntryName.
#include "unpack/entry_rules.h"

// `targetDirectory` must be absolute: the call makes it the current
// directory and still builds every output path from it.
int ExtractArchive(const char* archivePath, const char* targetDirectory);
int ExtractMatchingEntries(unzFile archive, const char* targetDirectory);
int ExtractCurrentEntry(unzFile archive, const char* targetDirectory);
// 1 done, 0 a level could not be created, -104 no memory.
int MakeDirectoryPath(const char* path);

namespace unpack {

// Selects the entries a walk unpacks; the module filter in normal use.
using EntryFilter = bool (*)(const char* name, std::size_t length);

enum class Blame {
  kNone,     // no failure
  kArchive,  // the archive's bytes: a cached copy of it is worth nothing
  kTarget,   // the target folder, its volume or the computer: the archive may be sound
};

struct Result {
  int code = 0;  // ExtractArchive's result
  Blame blame = Blame::kNone;
};

// ExtractArchive that also tells whose fault a failure was.
Result Extract(const char* archivePath, const char* targetDirectory, EntryFilter filter);

// ExtractArchive and ExtractMatchingEntries with another filter, so that
// hostile archives can be pushed through the whole extraction path whatever
// their entries are called.
int ExtractArchiveWith(const char* archivePath, const char* targetDirectory, EntryFilter filter);
int ExtractEntriesWith(unzFile archive, const char* targetDirectory, EntryFilter filter);

}  // namespace unpack
