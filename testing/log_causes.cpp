#include "testing/log_causes.h"

// GCC 12 warns inside <regex> itself (a known false positive).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop

namespace zortest {
namespace {

// A Windows or WinINet error, by number and name.
#define ZOR_NAMED_ERROR R"(error \d+ \(ERROR_[A-Z_]+\))"

const char* Words(Cause cause) {
  switch (cause) {
    case Cause::kServerUnreachable:
      return R"(the server 127\.0\.0\.1:\d+ cannot be reached: error 120\d\d \(ERROR_INTERNET_[A-Z_]+\))";
    case Cause::kPageStatus: return R"(catalogue: page http://\S+ not taken: HTTP status [45]\d\d)";
    case Cause::kPageCut:
      return R"(catalogue: page \S+ not taken: cut: a read failed after \d+ bytes received: error \d+)";
    case Cause::kPageOverLimit: return R"(catalogue: page \S+ not taken: it is over 1048575 bytes)";
    case Cause::kPageNoModules: return R"(catalogue: page \S+ \(\d+ bytes\) holds no usable module line)";
    case Cause::kPackageStatus: return R"(download: http://\S+\.zip: HTTP status [45]\d\d)";
    case Cause::kPackageShort: return R"(download: \S+\.zip: short: \d+ of the \d+ bytes stated received)";
    case Cause::kPackageCut:
      return R"(download: \S+\.zip: cut: a read failed after \d+ bytes received: error \d+)";
    case Cause::kPackageOverLimit: return R"(download: \S+\.zip: over the size limit of 8387584 bytes)";
    case Cause::kCacheFileNotCreated:
      return R"(download: module cache file .+\.zip cannot be created: )" ZOR_NAMED_ERROR;
    case Cause::kCacheFileNotWritten:
      return R"(download: module cache file .+\.zip cannot be written: )"
             R"((error \d+ \(ERROR_(HANDLE_)?DISK_FULL\)|only \d+ of \d+ bytes written, the disk is full))";
    case Cause::kNoZip: return R"(unpack: archive .+ is no zip archive or cannot be read \(\d+ bytes\))";
    case Cause::kCrc: return R"(unpack: entry '.+' fails its CRC check: the archive is damaged)";
    case Cause::kUnsafeEntry: return R"(unpack: entry '.*' refused(: it is encrypted|: compression method| as unsafe: ))";
    case Cause::kPathTooLong: return R"(unpack: entry '.+': its path under .+ is too long \(more than 259 bytes\))";
    case Cause::kDeclaredOverLimit:
      return R"(unpack: archive refused: its modules declare \d+ KiB, over the limit of \d+ KiB)";
    case Cause::kNoModuleFile: return R"(install: package .+\.zip holds no module file)";
    case Cause::kTempFolderNotCreated:
      return R"(temporary unpack folder %TEMP%\\ZorManager\\.*cannot be created: )" ZOR_NAMED_ERROR;
    case Cause::kNoRoom: return R"(unpack: not enough room in .+: \d+ KiB needed, \d+ KiB free)";
    case Cause::kScannerFileNotReplaced:
      return R"(unpack: [A-Z]:\\Program Files\\\S+ cannot be (created|written|replaced): )" ZOR_NAMED_ERROR;
    case Cause::kNoDriveLetter: return R"(install: scanner \d+ has no drive letter)";
    case Cause::kScannerPulled:
      return R"(install: scanner \d+ was pulled out during the job: its drive [A-Z]:\\ is gone)";
    case Cause::kNoScanner: return R"(install: \S+: no scanner attached)";
    case Cause::kNoRelease: return R"(install: \S+: the catalogue offers no new release of it)";
    case Cause::kInventoryNotListed:
      return R"(inventory: module folder [A-Z]:\\Program Files cannot be listed: .*every module shows as new)";
    case Cause::kCancelled: return R"(install: cancelled by the user)";
  }
  return "<a cause without words>";
}

#undef ZOR_NAMED_ERROR

}  // namespace

::testing::AssertionResult Logged(const std::string& log, Cause cause) {
  if (std::regex_search(log, std::regex(Words(cause)))) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no line with the words /" << Words(cause) << "/ in:\n" << log;
}

}  // namespace zortest
