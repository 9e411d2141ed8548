// ParseCataloguePage on generated pages of 100, 1,000 and 10,000 module
// lines, the largest close to the 1 MiB page limit, and on full-size pages
// that list one module's releases in the orders that are hardest to keep
// newest first.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "catalogue/catalogue_page.h"

namespace {

constexpr char kHost[] = "zor70-catalogue.example";

// Four releases per module, oldest first as the server lists them, with one
// system component in every fifty modules; each line about 100 bytes.
std::string MakePage(int lines) {
  std::string page = "<html><body>modlist_dir<br>../files/modules/<br>modlist_start<br>";
  const int modules = lines / 4 > 0 ? lines / 4 : 1;
  char line[256];
  for (int i = 0; i < lines; ++i) {
    const int module = i % modules;
    const int release = i / modules;
    const bool system = module % 50 == 49;
    std::snprintf(line, sizeof line,
                  "20%02d-%02d-%02d v_%d.%d.%d.%d %s%05d.%s module for unit family %05d "
                  "files/modules/%s%05d_%d%d.zip<br>",
                  10 + release, 1 + module % 12, 1 + module % 28, 1 + module % 7, release, module % 10,
                  release, system ? "qm7upd_" : "DIAG", module, system ? "sys" : "z70", module,
                  system ? "qm7upd_" : "DIAG", module, release, module % 10);
    page += line;
  }
  page += "modlist_stop<br></body></html>";
  return page;
}

// The same module over and over, each release newer than the last: every
// release goes to the front of one long release list.
std::string MakeOneModulePage(int lines) {
  std::string page = "modlist_dir<br>../files/<br>modlist_start<br>";
  char line[128];
  for (int i = 0; i < lines; ++i) {
    std::snprintf(line, sizeof line, "2014-05-12 v_1.%d.0.0 DIAG01.z70 files/DIAG01_%d.zip<br>", i, i);
    page += line;
  }
  return page + "modlist_stop<br>";
}

// One module's releases in short lines, as many as a page can hold, the
// i-th line carrying version 1.versionOf(i).0. Sets `lines` to the number of
// module lines.
template <typename VersionOf>
std::string MakeFullOneModulePage(VersionOf versionOf, int& lines) {
  const std::string tail = "modlist_stop<br>";
  std::string page = "modlist_dir<br>../files/<br>modlist_start<br>";
  char line[128];
  for (lines = 0;; ++lines) {
    const int n = std::snprintf(line, sizeof line, "2014-05-12 v_1.%d.0 D.z70 f/D%d.zip<br>", versionOf(lines),
                                lines);
    if (page.size() + static_cast<std::size_t>(n) + tail.size() >= kPageBufferSize) break;
    page.append(line, static_cast<std::size_t>(n));
  }
  return page + tail;
}

void RunParse(benchmark::State& state, const std::string& page, unsigned expected) {
  unsigned count = 0;
  for (auto _ : state) {
    auto catalogue = std::make_unique<ModuleCatalogue>();
    std::string baseUrl;
    count = ParseCataloguePage(page, kHost, *catalogue, baseUrl);
    benchmark::DoNotOptimize(catalogue.get());
    state.PauseTiming();  // freeing the catalogue is not parsing
    catalogue.reset();
    state.ResumeTiming();
  }
  if (count != expected) state.SkipWithError("lines not all parsed");
  state.counters["page_bytes"] = static_cast<double>(page.size());
  state.counters["lines"] = static_cast<double>(expected);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(page.size()));
}

void BM_ParseCataloguePage(benchmark::State& state) {
  const std::string page = MakePage(static_cast<int>(state.range(0)));
  if (page.size() >= kPageBufferSize) {
    state.SkipWithError("page too large");
    return;
  }
  RunParse(state, page, static_cast<unsigned>(state.range(0)));
}
BENCHMARK(BM_ParseCataloguePage)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_ParseOneModulePage(benchmark::State& state) {
  RunParse(state, MakeOneModulePage(static_cast<int>(state.range(0))), static_cast<unsigned>(state.range(0)));
}
BENCHMARK(BM_ParseOneModulePage)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A full page of one module, oldest release first (the server's own order):
// every release belongs in front of all the others.
void BM_ParseFullPageOldestFirst(benchmark::State& state) {
  int lines = 0;
  const std::string page = MakeFullOneModulePage([](int i) { return i; }, lines);
  RunParse(state, page, static_cast<unsigned>(lines));
}
BENCHMARK(BM_ParseFullPageOldestFirst)->Unit(benchmark::kMillisecond);

// Newest first: every release belongs behind all the others.
void BM_ParseFullPageNewestFirst(benchmark::State& state) {
  int lines = 0;
  const std::string page = MakeFullOneModulePage([](int i) { return 1000000 - i; }, lines);
  RunParse(state, page, static_cast<unsigned>(lines));
}
BENCHMARK(BM_ParseFullPageNewestFirst)->Unit(benchmark::kMillisecond);

// Alternately the oldest and the newest of what is left, converging: every
// release belongs in the middle of the list so far.
void BM_ParseFullPageIntoTheMiddle(benchmark::State& state) {
  int lines = 0;
  const std::string page =
      MakeFullOneModulePage([](int i) { return i % 2 == 0 ? i / 2 : 1000000 - i / 2; }, lines);
  RunParse(state, page, static_cast<unsigned>(lines));
}
BENCHMARK(BM_ParseFullPageIntoTheMiddle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
