#include "unpack/tests/test_sandbox.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "unpack_test_paths.h"

namespace fs = std::filesystem;

namespace unpacktest {
namespace {

std::string Native(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

// Relative paths with '/', whatever the platform writes.
std::string Generic(const fs::path& p) { return p.generic_string(); }

unsigned long Pid() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace

Sandbox::Sandbox() {
  static std::atomic<int> counter{0};
  savedCwd_ = CurrentDirectory();
  const std::string base = fs::temp_directory_path().string();
  root_ = Native(base + "/zu-" + std::to_string(Pid()) + "-" + std::to_string(counter++));
  std::error_code ec;
  fs::remove_all(root_, ec);
  fs::create_directories(root_);
  target_ = root_ + kSep + "t";
  fs::create_directories(target_);
}

Sandbox::~Sandbox() {
  std::error_code ec;
  fs::current_path(savedCwd_, ec);
  fs::remove_all(root_, ec);
}

std::string Sandbox::InTarget(const std::string& relative) const {
  return JoinPath(target_, relative);
}

void Sandbox::UseTarget(const std::string& relative) {
  std::error_code ec;
  fs::remove(target_, ec);  // the default target, still empty
  target_ = JoinPath(root_, relative);
  fs::create_directories(target_);
}

std::vector<std::string> Sandbox::Listing() const {
  std::vector<std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    out.push_back(Generic(entry.path().lexically_relative(root_)));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Sandbox::TargetFiles() const {
  std::vector<std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(target_)) {
    if (!entry.is_directory()) out.push_back(Generic(entry.path().lexically_relative(target_)));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Sandbox::OutsideTarget() const {
  const std::string targetRelative = Generic(fs::path(target_).lexically_relative(root_));
  std::vector<std::string> out;
  for (const std::string& entry : Listing()) {
    const bool isTarget = entry == targetRelative;
    const bool inTarget = entry.compare(0, targetRelative.size() + 1, targetRelative + "/") == 0;
    // The directories that lead to the target are not outside it.
    const bool abovetarget = targetRelative.compare(0, entry.size() + 1, entry + "/") == 0;
    if (!isTarget && !inTarget && !abovetarget) out.push_back(entry);
  }
  return out;
}

std::string ArchivePath(const std::string& name) { return Native(std::string(kTestArchiveDir) + "/" + name); }

std::string JoinPath(const std::string& directory, const std::string& relative) {
  return directory + kSep + Native(relative);
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
  std::fclose(f);
  return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

#ifdef _WIN32
bool IsDirectory(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
std::string CurrentDirectory() {
  char buffer[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}
#else
bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}
bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }
std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}
#endif

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

#ifdef _WIN32
namespace {
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;  // 100 ns units
std::int64_t ToUnix(const FILETIME& ft) {
  const std::int64_t t = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (t - kUnixEpochInFileTime) / 10000000;
}
}  // namespace

// The DOS stamp is read as local time with the bias in force now (that is
// what LocalFileTimeToFileTime does), not the bias of the stamp's date.
std::int64_t LocalToUnix(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  FILETIME asIfUtc;
  SystemTimeToFileTime(&st, &asIfUtc);
  TIME_ZONE_INFORMATION tz;
  LONG bias = 0;
  switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_DAYLIGHT: bias = tz.Bias + tz.DaylightBias; break;
    case TIME_ZONE_ID_STANDARD: bias = tz.Bias + tz.StandardBias; break;
    default: bias = tz.Bias; break;
  }
  return ToUnix(asIfUtc) + static_cast<std::int64_t>(bias) * 60;
}

bool ReadFileStamps(const std::string& path, FileStamps* stamps) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME creation, access, write;
  const BOOL ok = GetFileTime(h, &creation, &access, &write);
  CloseHandle(h);
  if (!ok) return false;
  stamps->lastWrite = ToUnix(write);
  stamps->creation = ToUnix(creation);
  stamps->hasCreation = true;
  return true;
}
#else
std::int64_t LocalToUnix(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&t));
}

bool ReadFileStamps(const std::string& path, FileStamps* stamps) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  stamps->lastWrite = static_cast<std::int64_t>(st.st_mtime);
  stamps->hasCreation = false;
  return true;
}
#endif

std::string ModContent() {
  std::string s = "ZOR70 module\n";
  for (int k = 0; k < 40; ++k) {
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  }
  return s;
}

std::string DrvContent() {
  std::string s("SYSCOMP\0", 8);
  const unsigned words[8] = {0, 0, 3, 1, 7, 0, 0, 0};
  for (unsigned w : words) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
  }
  for (int k = 0; k < 200; ++k) s += "driver body\n";
  return s;
}

std::string NewContent() {
  std::string s;
  for (int k = 0; k < 300; ++k) s += "new release\n";
  return s;
}

}  // namespace unpacktest
