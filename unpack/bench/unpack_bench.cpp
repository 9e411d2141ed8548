// ExtractArchive against Info-ZIP's `unzip -o -q` on the same archive (40 MiB
// of module entries in about 8 MiB), side by side in one run. Both replace
// the files of the previous iteration, as a reinstall does. Wall-clock time:
// unzip runs as a child process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "unpack/unpack.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string FreshDirectory(const char* tag) {
  const fs::path dir = fs::temp_directory_path() / (std::string("zor-unpack-bench-") + tag + "-" +
                                                    std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

// ExtractArchive prints a line per entry; the benchmark's own output goes to
// the console, so the unpacker's lines go to /dev/null.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(1);
    std::FILE* null = std::fopen("/dev/null", "w");
    dup2(fileno(null), 1);
    std::fclose(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }

 private:
  int saved_;
};

void BM_ExtractArchive(benchmark::State& state) {
  const std::string target = FreshDirectory("own");
  const fs::path cwd = fs::current_path();
  QuietStdout quiet;
  for (auto _ : state) {
    if (ExtractArchive(ZOR_BENCH_ARCHIVE, target.c_str()) != 0) {
      state.SkipWithError("ExtractArchive failed");
      break;
    }
  }
  fs::current_path(cwd);
  fs::remove_all(target);
}

void BM_UnzipTool(benchmark::State& state) {
  const std::string target = FreshDirectory("unzip");
  std::string archive = ZOR_BENCH_ARCHIVE;
  char* argv[] = {const_cast<char*>("unzip"), const_cast<char*>("-o"), const_cast<char*>("-q"),
                  archive.data(), const_cast<char*>("-d"), const_cast<char*>(target.c_str()), nullptr};
  for (auto _ : state) {
    pid_t pid;
    int status = 0;
    if (posix_spawn(&pid, ZOR_UNZIP_TOOL, nullptr, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("unzip failed");
      break;
    }
  }
  fs::remove_all(target);
}

BENCHMARK(BM_ExtractArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_UnzipTool)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
