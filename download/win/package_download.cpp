#include "download/win/package_download.h"

#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "core/win/handles.h"
#include "download/package_receive.h"
#include "download/response_rules.h"
#include "download/win/http_fetch.h"
#include "log/win/log.h"

bool DownloadPackage(const char* url, const char* filePath, const PackageProgress& progress) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[package::kReceiveBufferSize]);
  if (!buffer) {
    LogFailure("download: no memory for the package");
    return false;
  }

  std::size_t total = 0;
  const HttpAnswer answer = HttpGet(url, [&](const HttpRead& read) {
    total = package::ReceivePackage(buffer.get(), read, progress);
  });
  // An error page, or a body cut short, is not the package. The reading
  // stops one piece past the limit, with no read failed.
  if (total == 0 || !answer.IsWhole()) {
    const bool overLimit = answer.opened && !answer.readFailed && answer.received > package::kSizeLimit;
    LogFailure("download: %s: %s", url,
               overLimit ? ("over the size limit of " + std::to_string(package::kSizeLimit) + " bytes").c_str()
                         : answer.Fault(url).c_str());
    return false;
  }
  LogEvent("download: %s, status %lu, %llu bytes received", url, static_cast<unsigned long>(answer.status),
           static_cast<unsigned long long>(total));

  // Created only now: a transfer that failed leaves an older file alone.
  FileHandle file(CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                              nullptr));
  if (!file) {
    LogFailure("download: module cache file %s cannot be created: %s", filePath, ErrorText(GetLastError()).c_str());
    return false;
  }
  std::string writeFault;
  const bool saved = download::SaveWhole(
      buffer.get(), total,
      [&file, &writeFault](const char* data, std::size_t size, std::size_t* written) {
        DWORD count = 0;
        const BOOL ok = WriteFile(file.Get(), data, static_cast<DWORD>(size), &count, nullptr);
        *written = count;
        if (!ok) writeFault = ErrorText(GetLastError());
        else if (count < size)
          writeFault = "only " + std::to_string(count) + " of " + std::to_string(size) + " bytes written, the disk is full";
        return ok != FALSE;
      },
      [&file, filePath] {
        file.Reset();  // closed before it goes
        DeleteFileA(filePath);
      });
  if (!saved) LogFailure("download: module cache file %s cannot be written: %s", filePath, writeFault.c_str());
  return saved;
}
