#include "catalogue/package_download.h"

#include <wininet.h>

#include <memory>
#include <new>

#include "catalogue/internet_handle.h"
#include "catalogue/response_rules.h"
#include "log/log_win.h"

static_assert(WM_CT_PROGRESS == WM_USER + 9, "progress message number");

namespace {

constexpr wchar_t kUserAgent[] = L"ZorManager";
// Always from the server, never from WinINet's cache; a redirection is a
// response like any other and is not followed.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kResponseInfoChars = 500;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
      handle_ = other.handle_;
      other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

void ReportFailedOpen() {
  DWORD error = GetLastError();
  wchar_t text[kResponseInfoChars];
  DWORD length = kResponseInfoChars;
  if (InternetGetLastResponseInfoW(&error, text, &length) && length > 0) DebugText(text);
}

}  // namespace

bool DownloadPackage(HWND window, const char* url, const char* filePath) {
  InternetHandle internet(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return false;
  InternetHandle request(InternetOpenUrlA(internet.get(), url, nullptr, 0, kOpenFlags, 0));
  if (!request) {
    LogEvent("download: %s not opened, error %lu", url, GetLastError());
    ReportFailedOpen();
    return false;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[package::kReceiveBufferSize]);
  if (!buffer) return false;

  const std::size_t total = package::ReceivePackage(
      buffer.get(),
      [&request](char* into, std::size_t most, std::size_t* got) {
        DWORD count = 0;
        const BOOL ok = InternetReadFile(request.get(), into, static_cast<DWORD>(most), &count);
        *got = ok ? count : 0;
        return ok != FALSE;
      },
      [window](std::size_t kilobytes) {
        PostMessageW(window, WM_CT_PROGRESS, static_cast<WPARAM>(kilobytes), 0);
      });
  const ResponseHead head = ReadResponseHead(request.get());
  request.Close();
  internet.Close();
  LogEvent("download: %s, status %lu, %llu bytes received", url, static_cast<unsigned long>(head.status),
           static_cast<unsigned long long>(total));
  // An error page, or a body cut short, is not the package.
  if (total == 0 || !download::IsWholeResponse(head.status, head.lengthStated, head.length, total)) return false;

  // Created only now: a transfer that failed leaves an older file alone.
  FileHandle file(CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                              nullptr));
  if (!file) return false;
  return download::SaveWhole(
      buffer.get(), total,
      [&file](const char* data, std::size_t size, std::size_t* written) {
        DWORD count = 0;
        const BOOL ok = WriteFile(file.get(), data, static_cast<DWORD>(size), &count, nullptr);
        *written = count;
        return ok != FALSE;
      },
      [&file, filePath] {
        file = FileHandle(INVALID_HANDLE_VALUE);  // closed before it goes
        DeleteFileA(filePath);
      });
}
