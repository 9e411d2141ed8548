// What the read-back of every written module costs under Wine: installs a
// queue of packages onto one folder, with the read-back and with it taken
// out, alternately, and prints the median wall-clock time of each, their
// ratio, and the read-back's own throughput. scripts/bench-packages makes
// the packages (20 of one 1 MiB module each).
//   unpack_readback_bench.exe TARGET RUNS PACKAGE...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "unpack/unpack.h"
#include "files/win/file_system.h"

namespace {

LARGE_INTEGER frequency;
double readBackSeconds = 0;
double readBackBytes = 0;

double Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

files::ReadBackResult TimedReadBack(const files::Volume& volume, const char* path, std::uint64_t size,
                                       std::uint32_t crc, std::string* what) {
  const double start = Now();
  const files::ReadBackResult result = files::ReadBackFromDevice(volume, path, size, crc, what);
  readBackSeconds += Now() - start;
  readBackBytes += static_cast<double>(size);
  return result;
}

// The install as it would be without the read-back, for the comparison only.
files::ReadBackResult NoReadBack(const files::Volume&, const char*, std::uint64_t, std::uint32_t, std::string*) {
  return files::ReadBackResult::Same;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: unpack_readback_bench TARGET RUNS PACKAGE...\n");
    return 2;
  }
  QueryPerformanceFrequency(&frequency);
  const char* target = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  std::vector<double> with, without;
  for (int i = 0; i < 2 * runs; ++i) {
    const bool verified = i % 2 == 0;
    files::DurableWrites().readBack = verified ? TimedReadBack : NoReadBack;
    const double start = Now();
    for (int p = 3; p < argc; ++p) {
      if (ExtractArchive(argv[p], target) != 0) {
        std::fprintf(stderr, "ExtractArchive failed on %s\n", argv[p]);
        return 1;
      }
    }
    (verified ? with : without).push_back(1000 * (Now() - start));
  }
  const double withMs = Median(with), withoutMs = Median(without);
  std::printf("with read-back %.1f ms, without %.1f ms (medians of %d installs of %d packages): ratio %.3f; "
              "read-back %.0f MiB/s\n",
              withMs, withoutMs, runs, argc - 3, withMs / withoutMs,
              readBackBytes / (1024 * 1024) / readBackSeconds);
  return 0;
}
