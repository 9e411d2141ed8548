#include "testing/test_files.h"

#include <cstdlib>
#include <vector>

#include "core/win/handles.h"
#include "core/win/text.h"

namespace zortest {

namespace {

std::wstring UniqueName(const std::wstring& tag) {
  static LONG counter = 0;
  return tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(GetTickCount());
}

}  // namespace

std::wstring Widen(const std::string& ansi) { return WideFromAnsi(ansi); }
std::string Narrow(const std::wstring& wide) { return AnsiFromWide(wide); }

TempDir::TempDir(const std::wstring& tag) {
  wchar_t base[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, base);
  std::wstring dir(base, n);
  if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
  path_ = dir + L"\\" + UniqueName(tag);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::pathA() const { return Narrow(path_); }

bool RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  const FindHandle find(FindFirstFileW((path + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find.Get(), &fd));
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
  using UnixNameFn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(windowsPath.c_str());
  if (!unix) return {};
  std::string out = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

bool RunUnix(const std::wstring& program, const std::wstring& commandLine) {
  std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // Wine starts a Unix executable named on a command line as a Unix process;
  // it hands back no process handle to wait on, so callers poll for the
  // effect. What it leaves in `pi` are not handles of ours but leftovers
  // (0x12 has been seen): closing them closed this process's standard
  // output, whose handle value the next socket then took, and the next
  // printf blocked for good. They are left alone.
  return CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

namespace {

std::wstring DosDeviceLink(wchar_t letter) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || !*prefix) return {};
  wchar_t lower = static_cast<wchar_t>(letter | 0x20);
  return Widen(prefix) + L"/dosdevices/" + std::wstring(1, lower) + L":";
}

}  // namespace

MappedDrive::MappedDrive(wchar_t letter, const std::wstring& directory) : letter_(letter) {
  const std::wstring link = DosDeviceLink(letter);
  const std::string target = UnixPathOf(directory);
  if (link.empty() || target.empty()) return;
  const std::wstring cmd = L"/bin/ln -sfn \"" + Widen(target) + L"\" \"" + link + L"\"";
  if (!RunUnix(L"/bin/ln", cmd)) return;
  const std::wstring probe = root() + L"\\";
  for (int i = 0; i < 500 && !ok_; ++i) {
    ok_ = GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!ok_) Sleep(10);
  }
}

MappedDrive::~MappedDrive() {
  const std::wstring link = DosDeviceLink(letter_);
  if (link.empty() || !RunUnix(L"/bin/rm", L"/bin/rm -f \"" + link + L"\"")) return;
  const std::wstring probe = root() + L"\\";
  for (int i = 0; i < 500 && GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
}

SmallDisk::SmallDisk(const std::wstring& directory, unsigned kilobytes)
    : directory_(directory), unixDirectory_(Widen(UnixPathOf(directory))), size_(ULONGLONG{kilobytes} * 1024) {
  if (unixDirectory_.empty() ||
      !RunUnix(L"/bin/mount", L"/bin/mount -t tmpfs -o size=" + std::to_wstring(kilobytes) + L"k zor70-small \"" +
                                  unixDirectory_ + L"\""))
    return;
  for (int i = 0; i < 500 && !ok_; ++i) {
    ok_ = FreeBytes() > 0 && FreeBytes() <= size_;
    if (!ok_) Sleep(10);
  }
}

SmallDisk::~SmallDisk() {
  // Unmounted even when the mount seemed not to happen: it may come late.
  if (unixDirectory_.empty() || !RunUnix(L"/bin/umount", L"/bin/umount -l \"" + unixDirectory_ + L"\"")) return;
  // The directory is removed next: wait until it is the bigger disk's again.
  for (int i = 0; i < 500 && FreeBytes() <= size_; ++i) Sleep(10);
}

ULONGLONG SmallDisk::FreeBytes() const {
  ULARGE_INTEGER free{};
  return GetDiskFreeSpaceExW((directory_ + L"\\").c_str(), &free, nullptr, nullptr) ? free.QuadPart : 0;
}

FlippingDisk::FlippingDisk(const std::wstring& directory) : unixDirectory_(UnixPathOf(directory)) {
  if (unixDirectory_.empty() ||
      !RunUnix(L"/usr/bin/python3", L"/usr/bin/python3 \"" + Widen(ZOR_FLIPPING_FS) + L"\" \"" +
                                        Widen(unixDirectory_) + L"\""))
    return;
  for (int i = 0; i < 500 && !ok_; ++i) {
    ok_ = Mounted();
    if (!ok_) Sleep(10);
  }
}

FlippingDisk::~FlippingDisk() {
  // Unmounted even when the mount seemed not to happen: it may come late.
  if (unixDirectory_.empty() || !RunUnix(L"/bin/umount", L"/bin/umount -l \"" + Widen(unixDirectory_) + L"\""))
    return;
  for (int i = 0; i < 500 && Mounted(); ++i) Sleep(10);
}

// The kernel's list of mounts, read through Wine's drive Z: (the Unix root).
bool FlippingDisk::Mounted() const {
  const FileHandle mounts(CreateFileW(L"Z:\\proc\\self\\mounts", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!mounts) return false;
  std::string text;
  char piece[4096];
  DWORD got = 0;
  while (ReadFile(mounts.Get(), piece, sizeof piece, &got, nullptr) && got > 0) text.append(piece, got);
  return text.find("zor70-flipping:" + unixDirectory_ + " ") != std::string::npos;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  const BOOL ok = bytes->empty() || ReadFile(h, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr);
  CloseHandle(h);
  return ok && read == bytes->size();
}

std::string FileText(const std::wstring& path, const std::string& missing) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) ? bytes : missing;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FilesIn(const std::wstring& dir) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW entry;
  const HANDLE listing = FindFirstFileW((dir + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(entry.cFileName);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return files;
}

}  // namespace zortest
