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

// The words of each cause, in the order of Cause.
constexpr const char* kWords[] = {
    R"(the server 127\.0\.0\.1:\d+ cannot be reached: error 120\d\d \(ERROR_INTERNET_[A-Z_]+\))",
    R"(catalogue: page http://\S+ not taken: HTTP status [45]\d\d)",
    R"(catalogue: page \S+ not taken: cut: a read failed after \d+ bytes received: error \d+)",
    R"(catalogue: page \S+ not taken: it is over 1048575 bytes)",
    R"(catalogue: page \S+ \(\d+ bytes\) holds no usable module line)",
    R"(download: http://\S+\.zip: HTTP status [45]\d\d)",
    R"(download: \S+\.zip: short: \d+ of the \d+ bytes stated received)",
    R"(download: \S+\.zip: cut: a read failed after \d+ bytes received: error \d+)",
    R"(download: \S+\.zip: over the size limit of 8387584 bytes)",
    R"(download: module cache file .+\.zip cannot be created: )" ZOR_NAMED_ERROR,
    R"(download: module cache file .+\.zip cannot be written: )"
    R"((error \d+ \(ERROR_(HANDLE_)?DISK_FULL\)|only \d+ of \d+ bytes written, the disk is full))",
    R"(unpack: archive .+ is no zip archive or cannot be read \(\d+ bytes\))",
    R"(unpack: entry '.+' fails its CRC check: the archive is damaged)",
    R"(unpack: entry '.*' refused(: it is encrypted|: compression method| as unsafe: ))",
    R"(unpack: entry '.+': its path under .+ is too long \(more than 259 bytes\))",
    R"(unpack: archive refused: its modules declare \d+ KiB, over the limit of \d+ KiB)",
    R"(install: package .+\.zip holds no module file)",
    R"(temporary unpack folder %TEMP%\\ZorManager\\.*cannot be created: )" ZOR_NAMED_ERROR,
    R"(unpack: not enough room in .+: \d+ KiB needed, \d+ KiB free)",
    R"(unpack: [A-Z]:\\Program Files\\\S+ cannot be (created|written|replaced): )" ZOR_NAMED_ERROR,
    R"(install: scanner \d+ has no drive letter)",
    R"(install: scanner \d+ was pulled out during the job: its drive [A-Z]:\\ is gone)",
    R"(install: \S+: no scanner attached)",
    R"(install: \S+: the catalogue offers no new release of it)",
    R"(inventory: module folder [A-Z]:\\Program Files cannot be listed: .*every module shows as new)",
    R"(install: cancelled by the user)",
    R"(download: module cache file .+\.zip cannot be replaced, another program holds it: )" ZOR_NAMED_ERROR,
    R"(install: cached archive .+\.zip failed its test and cannot be deleted: )" ZOR_NAMED_ERROR,
    R"(install: no temporary unpack folder of this copy's own to test .+\.zip in)",
    R"(install: \S+: no catalogue: the last refresh could not download it)",
    R"(discovery: scanner USBSTOR\\\S*SCANNER_ZOR\S* seen and skipped: its disk cannot be opened or asked for its )"
    R"(device number: CreateFileW: error 5 \(ERROR_ACCESS_DENIED\))",
    R"(the proxy 127\.0\.0\.1:\d+ cannot be reached \(on the way to the server 127\.0\.0\.1:\d+\): )"
    R"(error 120\d\d \(ERROR_INTERNET_[A-Z_]+\))",
    R"(HTTP status 407: the proxy 127\.0\.0\.1:\d+ asks for a password \(proxy authentication required\))",
    R"(unpack: \S.+ not replaced: its disk does not keep what was written: )"
    R"((\d+ bytes|CRC [0-9A-F]{8}) read back( from drive [A-Z]:\\)?, (\d+|[0-9A-F]{8}) written)",
    R"(unpack: \S.+ already holds the new .+ of this package)",
};
static_assert(sizeof kWords / sizeof kWords[0] == static_cast<std::size_t>(Cause::kCount), "words for every cause");

#undef ZOR_NAMED_ERROR

}  // namespace

::testing::AssertionResult Logged(const std::string& log, Cause cause) {
  const char* words = kWords[static_cast<std::size_t>(cause)];
  if (std::regex_search(log, std::regex(words))) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no line with the words /" << words << "/ in:\n" << log;
}

}  // namespace zortest
