#include "log/win/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/win/handles.h"
#include "core/win/text.h"
#include "log/debug_output.h"
#include "log/log_rules.h"

namespace {

// The event being logged may sit between a failed call and the caller's
// GetLastError.
class KeepLastError {
 public:
  KeepLastError() : error_(GetLastError()) {}
  ~KeepLastError() { SetLastError(error_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  DWORD error_;
};

// Another writer holds the lock for one append, well under a millisecond;
// past this the line is dropped rather than the program held up.
constexpr double kLockWaitSeconds = 0.004;

thread_local std::string tLastFailure;

// Set once at the start, read by every thread afterwards.
std::wstring gFolder;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return value;
}

// Paths in events are written relative to these folders, never with the
// user's profile (and so the user's name) spelt out.
std::string HidePrivate(std::string_view text) {
  return HidePrivateFolders(text, {{Utf8FromWide(Environment(L"APPDATA")), "%APPDATA%"},
                                   {Utf8FromWide(Environment(L"TEMP")), "%TEMP%"},
                                   {Utf8FromWide(Environment(L"TMP")), "%TMP%"},
                                   {Utf8FromWide(Environment(L"LOCALAPPDATA")), "%LOCALAPPDATA%"},
                                   {Utf8FromWide(Environment(L"USERPROFILE")), "%USERPROFILE%"}});
}

LogTime Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::uint64_t FileSize(HANDLE file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

std::uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return 0;
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Opens the log for appending and takes the writers' lock: one byte far
// past any real end of the file, locked by every writer of every copy of
// the program before it measures or appends. Append-only access alone
// would do on Windows, but Wine finds the end and writes in two steps, and
// a second writer between them overwrites a line; the lock also keeps two
// writers from both rotating. The lock goes with the handle. Any program
// can take that byte too, so the wait for it is bounded.
FileHandle OpenLocked(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return file;
  LARGE_INTEGER frequency{}, start{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (;;) {
    OVERLAPPED beyond{};
    beyond.OffsetHigh = 0x40000000;   // 4 EiB: no log gets there
    if (LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &beyond)) return file;
    QueryPerformanceCounter(&now);
    if (GetLastError() != ERROR_LOCK_VIOLATION ||
        static_cast<double>(now.QuadPart - start.QuadPart) > kLockWaitSeconds * static_cast<double>(frequency.QuadPart)) {
      const DWORD error = GetLastError();   // which the lost line's note tells
      file.Reset();
      SetLastError(error);
      return FileHandle();
    }
    SwitchToThread();
  }
}

// Why a line was lost, for the note the next written line carries.
enum class LostCause : std::uint32_t { kOpen = 1, kLock, kWrite, kShortWrite, kRestart, kMemory };

// Lines this process could not write since it last wrote one, and the cause
// of the last of them (LostCause above a Windows error), shared by its threads.
std::atomic<std::uint64_t> gLostLines{0};
std::atomic<std::uint64_t> gLastLostCause{0};

void NoteLost(LostCause cause, DWORD error, std::uint64_t lines) noexcept {
  gLastLostCause.store(static_cast<std::uint64_t>(cause) << 32 | error);
  gLostLines.fetch_add(lines);
}

std::string LostCauseText(std::uint64_t packed) {
  const auto error = static_cast<DWORD>(packed & 0xFFFFFFFFu);
  switch (static_cast<LostCause>(packed >> 32)) {
    case LostCause::kOpen: return "the file cannot be opened: " + ErrorText(error);
    case LostCause::kLock: return "another writer held the file's lock for longer than 4 ms";
    case LostCause::kWrite: return "the write failed: " + ErrorText(error);
    case LostCause::kShortWrite: return "the write was cut short";
    case LostCause::kRestart: return "the file could neither be rotated nor begun again: " + ErrorText(error);
    case LostCause::kMemory: return "out of memory";
  }
  return "unknown";
}

// Appends the event's line (after the notes it carries); a line that cannot
// be written is counted for the next one.
void AppendLine(const LogTime& time, const std::string& event) {
  const std::wstring& folder = gFolder;
  if (folder.empty()) return;   // without %APPDATA% no line is ever written
  const std::wstring path = folder + L"\\" + WideFromAnsi(kLogFileName);
  FileHandle file = OpenLocked(path);
  // The program's start comes before the worker makes the module cache.
  if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && CreateDirectoryW(folder.c_str(), nullptr)) {
    file = OpenLocked(path);
  }
  if (!file) {
    const DWORD error = GetLastError();
    NoteLost(error == ERROR_LOCK_VIOLATION ? LostCause::kLock : LostCause::kOpen, error, 1);
    return;
  }
  // Taken now, given back below if this write fails too.
  const std::uint64_t lost = gLostLines.exchange(0);
  const std::string lostCause = lost > 0 ? LostCauseText(gLastLostCause.load()) : std::string();
  std::string text = LogAppendText(time, event, lost, lostCause, {});
  std::uint64_t size = FileSize(file.Get());
  // A writer that waited for the lock while another rotated holds the older
  // file now: the sizes differ, and it appends to the new one instead.
  if (LogNeedsRotation(size, text.size()) && FileSize(path) != size) {
    file = OpenLocked(path);
    if (!file) {
      const DWORD error = GetLastError();
      NoteLost(error == ERROR_LOCK_VIOLATION ? LostCause::kLock : LostCause::kOpen, error, lost + 1);
      return;
    }
    size = FileSize(file.Get());
  }
  if (LogNeedsRotation(size, text.size())) {
    const std::wstring older = folder + L"\\" + WideFromAnsi(kOlderLogFileName);
    // Renamed while still locked, so nobody appends to it meanwhile; the new
    // file is locked before the old one is let go.
    if (MoveFileExW(path.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      FileHandle fresh = OpenLocked(path);
      if (!fresh) {
        const DWORD error = GetLastError();
        NoteLost(error == ERROR_LOCK_VIOLATION ? LostCause::kLock : LostCause::kOpen, error, lost + 1);
        return;
      }
      file = std::move(fresh);
    } else {
      // The older file cannot be replaced (held open by a viewer, read-only):
      // this one is emptied, still locked, and begun again with the reason,
      // so the log keeps today's lines rather than the oldest and stays
      // under its cap. Our handle appends at the new end.
      const DWORD moveError = GetLastError();
      const FileHandle emptied(CreateFileW(path.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!emptied) {
        NoteLost(LostCause::kRestart, GetLastError(), lost + 1);
        return;
      }
      text = LogAppendText(time, event, lost, lostCause, ErrorText(moveError));
    }
  }
  DWORD written = 0;
  if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    NoteLost(LostCause::kWrite, GetLastError(), lost + 1);
  } else if (written != text.size()) {
    NoteLost(LostCause::kShortWrite, 0, lost + 1);
  }
}

// Out of memory included, whatever fails drops the line and nothing else.
void LogUtf8(std::string_view event) noexcept {
  KeepLastError keep;
  try {
    AppendLine(Now(), HidePrivate(event));
  } catch (...) {
    NoteLost(LostCause::kMemory, 0, 1);
  }
}

// The ANSI text of a printf-style call, cut at the buffer's end; false when
// it cannot be formatted. Allocates nothing, so the caller's va_end is sure.
using FormatBuffer = char[1024];
bool Format(FormatBuffer& text, const char* format, va_list arguments) {
  return std::vsnprintf(text, sizeof text, format, arguments) >= 0;
}

// Every LogEvent and LogFailure line: ANSI text.
void LogAnsi(const char* text) noexcept {
  try {
    LogUtf8(Utf8FromWide(WideFromAnsi(text)));
  } catch (...) {
  }
}

std::string WindowsVersion() {
  // GetVersionExW answers what the manifest lets it; the kernel's own call
  // tells the truth.
  using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto call = ntdll == nullptr ? nullptr
                                     : reinterpret_cast<GetVersionCall>(
                                           reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (call == nullptr || call(&version) != 0) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                version.dwBuildNumber);
  return text;
}

// One printf-style line handed to `write`; the caller's last error stays
// for it, whatever the writing does.
void WriteFormatted(const char* format, va_list arguments, void (*write)(FormatBuffer& text)) {
  KeepLastError keep;
  FormatBuffer text;
  if (Format(text, format, arguments)) write(text);
}

void WriteFailure(FormatBuffer& text) {
  std::size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
  // The debugger gets the line and its end in one call, as one message; a
  // text cut at the buffer's end loses its last byte to the line end.
  if (n == sizeof text - 1) --n;
  text[n] = '\n';
  text[n + 1] = '\0';
  OutputDebugStringA(text);
  text[n] = '\0';
  try {
    tLastFailure = text;
  } catch (...) {
    tLastFailure.clear();
  }
  LogAnsi(text);
}

}  // namespace

void SetLogFolder(const std::wstring& folder) { gFolder = folder; }

void LogEvent(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  WriteFormatted(format, arguments, [](FormatBuffer& text) { LogAnsi(text); });
  va_end(arguments);
}

void LogWideEvent(std::wstring_view text) {
  KeepLastError keep;
  try {
    LogUtf8(Utf8FromWide(text));
  } catch (...) {
  }
}

void LogFailure(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  WriteFormatted(format, arguments, WriteFailure);
  va_end(arguments);
}

std::string LastFailure() {
  try {
    return tLastFailure;
  } catch (...) {
    return {};
  }
}

void ForgetLastFailure() { tLastFailure.clear(); }

void DebugOutput(const char* text) { LogFailure("%s", text); }

void LogProgramStart(std::string_view catalogueHost, std::string_view proxy) {
  SYSTEM_INFO system;
  GetNativeSystemInfo(&system);
  const char* machine = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? "x64" : "x86";
  LogEvent("start: version %s (%s), %u-bit build on %s Windows %s, catalogue host %.*s, proxy: %.*s", ZOR_VERSION_TEXT,
           ZOR_REVISION_TEXT, static_cast<unsigned>(sizeof(void*) * 8), machine, WindowsVersion().c_str(),
           static_cast<int>(catalogueHost.size()), catalogueHost.data(), static_cast<int>(proxy.size()),
           proxy.data());
}

void LogProgramEnd(int exitCode) { LogEvent("end: exit code %d", exitCode); }
