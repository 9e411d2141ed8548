// What the log must say for each failure the fault tests provoke, read as
// support reads it, alone: the cause in words, and the place. Portable.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zortest {

enum class Cause {
  kServerUnreachable, kPageStatus, kPageCut, kPageOverLimit, kPageNoModules, kPackageStatus, kPackageShort,
  kPackageCut, kPackageOverLimit, kCacheFileNotCreated, kCacheFileNotWritten, kNoZip, kCrc, kUnsafeEntry,
  kPathTooLong, kDeclaredOverLimit, kNoModuleFile, kTempFolderNotCreated, kNoRoom, kScannerFileNotReplaced,
  kNoDriveLetter, kScannerPulled, kNoScanner, kNoRelease, kInventoryNotListed, kCancelled, kCacheFileInUse,
  kCachedArchiveNotDeleted, kNoOwnTempFolder, kNoCatalogue, kScannerSkipped, kProxyUnreachable, kProxyPassword,
  kReadBackDiffers, kAlreadyReplaced, kCount
};

// Passes when `log` (the log file's text, or one failure line) holds a line
// with the cause's words; a failure shows the words and the log.
::testing::AssertionResult Logged(const std::string& log, Cause cause);

}  // namespace zortest
