// What the log must say for each failure the fault tests provoke: support
// reads these lines alone, so each names the cause in words and the place.
// Portable: the unpacker's native suite checks its reasons too.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zortest {

enum class Cause {
  kServerUnreachable,   // host and port, the WinINet error by name
  kPageStatus,
  kPageCut,             // a read failed part-way
  kPageOverLimit,
  kPageNoModules,       // a proxy's or a login page
  kPackageStatus,
  kPackageShort,        // fewer bytes than the server stated
  kPackageCut,
  kPackageOverLimit,
  kCacheFileNotCreated,
  kCacheFileNotWritten,
  kNoZip,
  kCrc,
  kUnsafeEntry,
  kPathTooLong,
  kDeclaredOverLimit,   // the modules' declared sizes, a zip bomb
  kNoModuleFile,
  kTempFolderNotCreated,
  kNoRoom,              // needed and free, in KiB
  kScannerFileNotReplaced,
  kNoDriveLetter,
  kScannerPulled,
  kNoScanner,
  kNoRelease,
  kInventoryNotListed,
  kCancelled,
};

// Passes when `log` (the log file's text, or one failure line) holds a line
// with the cause's words; a failure shows the words and the log.
::testing::AssertionResult Logged(const std::string& log, Cause cause);

}  // namespace zortest
