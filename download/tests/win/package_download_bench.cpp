// DownloadPackage's speed under Wine: fetches one package URL a number of
// times into a file and prints the median wall-clock time of a call.
// scripts/bench-packages serves the package and times curl beside it.
//   package_download_bench.exe URL FILE [RUNS]
#include <windows.h>

#include "download/win/package_download.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: package_download_bench URL FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::atoi(argv[3]) : 10;
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    // Each report crosses to a window's queue, as the worker's do.
    const bool ok = PackageDownload::kSaved == DownloadPackage(argv[1], argv[2], [window](std::size_t kilobytes) {
      PostMessageW(window, WM_USER + 9, static_cast<WPARAM>(kilobytes), 0);
    });
    QueryPerformanceCounter(&end);
    if (!ok) {
      std::fprintf(stderr, "DownloadPackage failed\n");
      return 1;
    }
    ms.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart));
    // A window thread would take these as they come; drop them between runs.
    MSG msg;
    while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
    }
  }
  std::sort(ms.begin(), ms.end());
  std::printf("DownloadPackage median_ms %.3f min_ms %.3f runs %d\n", ms[ms.size() / 2], ms.front(), runs);
  DestroyWindow(window);
  return 0;
}
