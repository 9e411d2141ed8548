#include "log/win/log.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

#include "core/win/handles.h"
#include "core/win/text.h"
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
// writers from both rotating. The lock goes with the handle.
FileHandle OpenLocked(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return file;
  OVERLAPPED beyond{};
  beyond.OffsetHigh = 0x40000000;   // 4 EiB: no log gets there
  if (!LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &beyond)) return FileHandle();
  return file;
}

void AppendLine(const std::string& line) {
  const std::wstring folder = LogFolder();
  if (folder.empty()) return;
  const std::wstring path = folder + L"\\" + WideFromAnsi(kLogFileName);
  FileHandle file = OpenLocked(path);
  // The program's start comes before the worker makes the module cache.
  if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && CreateDirectoryW(folder.c_str(), nullptr)) {
    file = OpenLocked(path);
  }
  if (!file) return;
  const std::uint64_t size = FileSize(file.Get());
  // A writer that waited for the lock while another rotated holds the older
  // file now: the sizes differ, and it rotates nothing.
  if (LogNeedsRotation(size, line.size()) && FileSize(path) == size) {
    const std::wstring older = folder + L"\\" + WideFromAnsi(kOlderLogFileName);
    // Renamed while still locked, so nobody appends to it meanwhile; the new
    // file is locked before the old one is let go.
    if (MoveFileExW(path.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      FileHandle fresh = OpenLocked(path);
      if (!fresh) return;
      file = std::move(fresh);
    }
  }
  DWORD written = 0;
  WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void LogUtf8(std::string_view event) {
  KeepLastError keep;
  AppendLine(FormatLogLine(Now(), HidePrivate(event)));
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

}  // namespace

std::wstring LogFolder() {
  const std::wstring appData = Environment(L"APPDATA");
  if (appData.empty()) return {};
  return appData + L"\\" + WideFromAnsi(kLogFolder);
}

void LogEvent(const char* format, ...) {
  KeepLastError keep;
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  const int n = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (n < 0) return;
  LogUtf8(Utf8FromWide(WideFromAnsi(text)));
}

void LogWideEvent(std::wstring_view text) {
  KeepLastError keep;
  LogUtf8(Utf8FromWide(text));
}

void LogProgramStart() {
  SYSTEM_INFO system;
  GetNativeSystemInfo(&system);
  const char* machine = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? "x64" : "x86";
  LogEvent("start: version %s, %u-bit build on %s Windows %s", ZOR_VERSION_TEXT,
           static_cast<unsigned>(sizeof(void*) * 8), machine, WindowsVersion().c_str());
}

void LogProgramEnd(int exitCode) { LogEvent("end: exit code %d", exitCode); }

void DebugText(const char* text) {
  OutputDebugStringA(text);
  LogEvent("%s", text);
}

void DebugText(const wchar_t* text) {
  OutputDebugStringW(text);
  LogWideEvent(text);
}
