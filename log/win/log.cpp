#include "log/win/log.h"

#include <wininet.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
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

// Another writer holds the lock for one append, well under a millisecond;
// past this the line is dropped rather than the program held up.
constexpr double kLockWaitSeconds = 0.004;

thread_local std::string tLastFailure;

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
      return FileHandle();
    }
    SwitchToThread();
  }
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
    // file is locked before the old one is let go. A file that cannot be
    // renamed (the older one held open or read-only) stays at its cap.
    if (!MoveFileExW(path.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    FileHandle fresh = OpenLocked(path);
    if (!fresh) return;
    file = std::move(fresh);
  } else if (LogNeedsRotation(size, line.size())) {
    return;   // another writer rotated meanwhile, or could not
  }
  DWORD written = 0;
  WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Out of memory included, whatever fails drops the line and nothing else.
void LogUtf8(std::string_view event) noexcept {
  KeepLastError keep;
  try {
    AppendLine(FormatLogLine(Now(), HidePrivate(event)));
  } catch (...) {
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

struct ErrorName {
  DWORD code;
  const char* name;
};

#define ZOR_ERROR(code) {code, #code}
// The errors the program's file, device and network calls meet in a workshop.
constexpr ErrorName kErrorNames[] = {
    ZOR_ERROR(ERROR_FILE_NOT_FOUND), ZOR_ERROR(ERROR_PATH_NOT_FOUND), ZOR_ERROR(ERROR_ACCESS_DENIED),
    ZOR_ERROR(ERROR_NOT_ENOUGH_MEMORY), ZOR_ERROR(ERROR_OUTOFMEMORY), ZOR_ERROR(ERROR_INVALID_DRIVE),
    ZOR_ERROR(ERROR_WRITE_PROTECT), ZOR_ERROR(ERROR_NOT_READY), ZOR_ERROR(ERROR_CRC),
    ZOR_ERROR(ERROR_WRITE_FAULT), ZOR_ERROR(ERROR_READ_FAULT), ZOR_ERROR(ERROR_GEN_FAILURE),
    ZOR_ERROR(ERROR_SHARING_VIOLATION), ZOR_ERROR(ERROR_LOCK_VIOLATION), ZOR_ERROR(ERROR_HANDLE_DISK_FULL),
    ZOR_ERROR(ERROR_DEV_NOT_EXIST), ZOR_ERROR(ERROR_FILE_EXISTS), ZOR_ERROR(ERROR_INVALID_PARAMETER),
    ZOR_ERROR(ERROR_DISK_FULL), ZOR_ERROR(ERROR_INVALID_NAME), ZOR_ERROR(ERROR_MOD_NOT_FOUND),
    ZOR_ERROR(ERROR_PROC_NOT_FOUND), ZOR_ERROR(ERROR_DIR_NOT_EMPTY), ZOR_ERROR(ERROR_ALREADY_EXISTS),
    ZOR_ERROR(ERROR_FILENAME_EXCED_RANGE), ZOR_ERROR(ERROR_DIRECTORY), ZOR_ERROR(ERROR_IO_DEVICE),
    ZOR_ERROR(ERROR_DEVICE_NOT_CONNECTED), ZOR_ERROR(ERROR_FILE_CORRUPT), ZOR_ERROR(ERROR_DISK_CORRUPT),
    ZOR_ERROR(ERROR_INTERNET_OUT_OF_HANDLES), ZOR_ERROR(ERROR_INTERNET_TIMEOUT),
    ZOR_ERROR(ERROR_INTERNET_INTERNAL_ERROR), ZOR_ERROR(ERROR_INTERNET_INVALID_URL),
    ZOR_ERROR(ERROR_INTERNET_UNRECOGNIZED_SCHEME), ZOR_ERROR(ERROR_INTERNET_NAME_NOT_RESOLVED),
    ZOR_ERROR(ERROR_INTERNET_OPERATION_CANCELLED), ZOR_ERROR(ERROR_INTERNET_CANNOT_CONNECT),
    ZOR_ERROR(ERROR_INTERNET_CONNECTION_ABORTED), ZOR_ERROR(ERROR_INTERNET_CONNECTION_RESET),
    ZOR_ERROR(ERROR_INTERNET_SEC_CERT_DATE_INVALID), ZOR_ERROR(ERROR_INTERNET_SEC_CERT_CN_INVALID),
    ZOR_ERROR(ERROR_INTERNET_SECURITY_CHANNEL_ERROR), ZOR_ERROR(ERROR_HTTP_INVALID_SERVER_RESPONSE),
    ZOR_ERROR(ERROR_HTTP_REDIRECT_FAILED),
};
#undef ZOR_ERROR

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
  FormatBuffer text;
  va_list arguments;
  va_start(arguments, format);
  const bool formatted = Format(text, format, arguments);
  va_end(arguments);
  if (formatted) LogAnsi(text);
}

void LogWideEvent(std::wstring_view text) {
  KeepLastError keep;
  try {
    LogUtf8(Utf8FromWide(text));
  } catch (...) {
  }
}

void LogFailure(const char* format, ...) {
  KeepLastError keep;
  FormatBuffer text;
  va_list arguments;
  va_start(arguments, format);
  const bool formatted = Format(text, format, arguments);
  va_end(arguments);
  if (!formatted) return;
  for (std::size_t n = std::strlen(text); n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'); --n) text[n - 1] = '\0';
  OutputDebugStringA(text);
  OutputDebugStringA("\n");
  try {
    tLastFailure = text;
  } catch (...) {
    tLastFailure.clear();
  }
  LogAnsi(text);
}

std::string LastFailure() {
  try {
    return tLastFailure;
  } catch (...) {
    return {};
  }
}

void ForgetLastFailure() { tLastFailure.clear(); }

std::string ErrorText(DWORD code) {
  std::string text = "error " + std::to_string(code);
  for (const ErrorName& known : kErrorNames) {
    if (known.code == code) return text + " (" + known.name + ")";
  }
  return text;
}

void LogProgramStart(std::string_view catalogueHost) {
  SYSTEM_INFO system;
  GetNativeSystemInfo(&system);
  const char* machine = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? "x64" : "x86";
  LogEvent("start: version %s, %u-bit build on %s Windows %s, catalogue host %.*s", ZOR_VERSION_TEXT,
           static_cast<unsigned>(sizeof(void*) * 8), machine, WindowsVersion().c_str(),
           static_cast<int>(catalogueHost.size()), catalogueHost.data());
}

void LogProgramEnd(int exitCode) { LogEvent("end: exit code %d", exitCode); }
