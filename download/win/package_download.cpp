#include "download/win/package_download.h"

#include <windows.h>

#include <memory>
#include <new>

#include "core/win/handles.h"
#include "download/package_receive.h"
#include "download/response_rules.h"
#include "download/win/http_fetch.h"
#include "log/win/log.h"

bool DownloadPackage(const char* url, const char* filePath, const PackageProgress& progress) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[package::kReceiveBufferSize]);
  if (!buffer) return false;

  std::size_t total = 0;
  const HttpAnswer answer = HttpGet(url, [&](const HttpRead& read) {
    total = package::ReceivePackage(buffer.get(), read, progress);
  });
  if (!answer.opened) {
    LogEvent("download: %s not opened, error %lu", url, answer.openError);
    return false;
  }
  LogEvent("download: %s, status %lu, %llu bytes received", url, static_cast<unsigned long>(answer.status),
           static_cast<unsigned long long>(total));
  // An error page, or a body cut short, is not the package.
  if (total == 0 || !answer.IsWhole(total)) return false;

  // Created only now: a transfer that failed leaves an older file alone.
  FileHandle file(CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                              nullptr));
  if (!file) return false;
  return download::SaveWhole(
      buffer.get(), total,
      [&file](const char* data, std::size_t size, std::size_t* written) {
        DWORD count = 0;
        const BOOL ok = WriteFile(file.Get(), data, static_cast<DWORD>(size), &count, nullptr);
        *written = count;
        return ok != FALSE;
      },
      [&file, filePath] {
        file.Reset();  // closed before it goes
        DeleteFileA(filePath);
      });
}
