// The whole program's speed and memory under Wine: the real main window and
// worker, on a simulated scanner, against a catalogue server on 127.0.0.1.
// scripts/bench-program serves the pages and packages and times curl and
// unzip beside it.
//
//   program_bench.exe refresh HOST DRIVE RUNS
//       Clicks the scanner button RUNS times; each time, the refresh from
//       the click to the worker's WM_CT_REFRESH_DONE.
//   program_bench.exe install HOST DRIVE RUNS
//       Installs every new module ("Загрузить все новые модули") RUNS times
//       from an empty module cache and RUNS times from a full one; each time,
//       from the command to the last job's WM_CT_INSTALL_DONE.
//
// The simulated scanner comes from ZOR70_SIM_SCANNERS; DRIVE is its letter.
// Prints one line per measurement ("refresh_ms", "install_empty_ms",
// "install_cached_ms") and the process's peak memory at the end.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "core/win/handles.h"
#include "resources/resource_ids.h"
#include "worker/messages.h"

namespace {

constexpr DWORD kWaitMs = 120000;

DWORD uiThreadId = 0;
HHOOK postedHook = nullptr;
std::atomic<long> refreshesDone{0};
std::atomic<long> installsDone{0};
std::atomic<long> installFailures{0};
std::atomic<long long> lastReport{0};
std::atomic<long> lastRefreshCode{-1};

long long Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Milliseconds(long long from, long long to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

// The worker's reports, as the UI thread takes them from its queue.
LRESULT CALLBACK WatchPosted(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    if (msg.message == WM_CT_REFRESH_DONE && msg.lParam == 2) {
      lastReport = Now();
      lastRefreshCode = static_cast<long>(msg.wParam);
      ++refreshesDone;
    } else if (msg.message == WM_CT_INSTALL_DONE) {
      lastReport = Now();
      if (msg.wParam != 0) ++installFailures;
      ++installsDone;
    }
  }
  return CallNextHookEx(postedHook, code, wParam, lParam);
}

DWORD WINAPI UiThread(LPVOID host) {
  postedHook = SetWindowsHookExW(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());
  const int code = RunMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL, *static_cast<const std::string*>(host));
  UnhookWindowsHookEx(postedHook);
  return static_cast<DWORD>(code);
}

struct Windows {
  HWND main = nullptr;
  std::vector<HWND> boxes;  // message boxes: dialogs with a static 0xFFFF
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
  auto& found = *reinterpret_cast<Windows*>(lParam);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == L"ZORMANAGER") found.main = window;
  if (std::wstring(name) == L"#32770" && GetDlgItem(window, 0xFFFF) != nullptr && IsWindowVisible(window))
    found.boxes.push_back(window);
  return TRUE;
}

Windows UiWindows() {
  Windows found;
  EnumThreadWindows(uiThreadId, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Answers every message box with its default button (OK, or No for the
// eject question); returns how many were answered.
int AnswerBoxes() {
  int answered = 0;
  for (HWND box : UiWindows().boxes) {
    const int answer = GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    ++answered;
  }
  return answered;
}

template <typename Done>
bool WaitFor(Done done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kWaitMs) return false;
    Sleep(1);
  }
  return true;
}

bool Refresh(HWND main, double* ms) {
  const long before = refreshesDone;
  const long long start = Now();
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_SCANNER_BUTTON_FIRST, 0), 0);
  if (!WaitFor([&] { return refreshesDone > before; })) return false;
  if (ms != nullptr) *ms = Milliseconds(start, lastReport);
  // The connection dialog the click opened closes on the report.
  Sleep(50);
  AnswerBoxes();
  if (lastRefreshCode != 0) {
    std::fprintf(stderr, "the refresh ended with code %ld\n", static_cast<long>(lastRefreshCode));
    return false;
  }
  return true;
}

// Deletes every file in a directory ("X:\dir\").
void EmptyDirectory(const std::wstring& directory) {
  WIN32_FIND_DATAW entry;
  const FindHandle listing(FindFirstFileW((directory + L"*").c_str(), &entry));
  if (!listing) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((directory + entry.cFileName).c_str());
  } while (FindNextFileW(listing.Get(), &entry));
}

bool Install(HWND main, int modules, double* ms) {
  const long before = installsDone;
  const long failuresBefore = installFailures;
  const long long start = Now();
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_INSTALL_ALL, 0), 0);
  if (!WaitFor([&] { return installsDone >= before + modules || installFailures > failuresBefore; })) return false;
  *ms = Milliseconds(start, lastReport);
  if (installFailures > failuresBefore) return false;
  // The success message comes after the finished queue's pause.
  return WaitFor([] { return AnswerBoxes() > 0; });
}

void Report(const char* what, const std::vector<double>& ms) {
  for (double value : ms) std::printf("%s %.1f\n", what, value);
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  if (!sorted.empty()) std::printf("%s_median %.1f\n", what, sorted[sorted.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: program_bench refresh|install HOST DRIVE RUNS\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string host = argv[2];
  const wchar_t drive = static_cast<wchar_t>(argv[3][0]);
  const int runs = std::max(1, std::atoi(argv[4]));
  const std::wstring scannerModules = std::wstring(1, drive) + L":\\Program Files\\";
  wchar_t appData[MAX_PATH] = {};
  GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
  const std::wstring cache = std::wstring(appData) + L"\\Zor70_Modules\\";
  EmptyDirectory(scannerModules);
  EmptyDirectory(cache);

  HANDLE ui = CreateThread(nullptr, 0, UiThread, const_cast<std::string*>(&host), 0, &uiThreadId);
  if (ui == nullptr) return 1;
  HWND main = nullptr;
  if (!WaitFor([&] {
        AnswerBoxes();
        main = UiWindows().main;
        return main != nullptr && IsWindowVisible(main) && refreshesDone > 0;
      })) {
    std::fprintf(stderr, "the program did not come up\n");
    return 1;
  }
  // Start-up may ask for more than one refresh: time nothing before they end.
  for (long seen = -1; seen != refreshesDone;) {
    seen = refreshesDone;
    Sleep(1000);
  }

  bool ok = lastRefreshCode == 0;
  std::printf("rows %d\n", static_cast<int>(SendMessageW(GetDlgItem(main, IDC_MODULE_LIST), LVM_GETITEMCOUNT, 0, 0)));
  if (mode == "refresh") {
    std::vector<double> ms;
    for (int i = 0; i < runs && ok; ++i) {
      double one = 0;
      ok = Refresh(main, &one);
      ms.push_back(one);
    }
    Report("refresh_ms", ms);
  } else {
    const int modules = static_cast<int>(SendMessageW(GetDlgItem(main, IDC_MODULE_LIST), LVM_GETITEMCOUNT, 0, 0));
    std::printf("modules %d\n", modules);
    std::vector<double> empty, cached;
    for (int i = 0; i < 2 * runs && ok; ++i) {
      const bool fromCache = i >= runs;
      EmptyDirectory(scannerModules);
      if (!fromCache) EmptyDirectory(cache);
      double one = 0;
      ok = Refresh(main, nullptr) && Install(main, modules, &one);
      (fromCache ? cached : empty).push_back(one);
    }
    Report("install_empty_ms", empty);
    Report("install_cached_ms", cached);
  }
  if (!ok) std::fprintf(stderr, "a step failed or did not end\n");

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
    std::printf("peak_working_set_mib %.1f\n", memory.PeakWorkingSetSize / 1048576.0);
    std::printf("peak_private_mib %.1f\n", memory.PeakPagefileUsage / 1048576.0);
  }
  std::fflush(stdout);

  PostMessageW(main, WM_CLOSE, 0, 0);
  WaitFor([&] {
    AnswerBoxes();
    return WaitForSingleObject(ui, 0) == WAIT_OBJECT_0;
  });
  CloseHandle(ui);
  return ok ? 0 : 1;
}
