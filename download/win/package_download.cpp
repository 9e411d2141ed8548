#include "download/win/package_download.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/win/handles.h"
#include "download/package_receive.h"
#include "download/response_rules.h"
#include "download/win/http_fetch.h"
#include "log/win/log.h"

namespace {

// Another copy of the program may be testing or unpacking the package that
// the move replaces; its reads take well under a second per test.
constexpr int kMoveTries = 20;
constexpr DWORD kMoveRetryMs = 100;

bool InUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// "~zd<process id>.tmp" in the folder of `filePath`: no two copies share it,
// and it is never taken for a package (".zip").
std::string OwnTemporaryName(const char* filePath) {
  const char* slash = std::strrchr(filePath, '\\');
  const std::size_t folder = slash == nullptr ? 0 : static_cast<std::size_t>(slash - filePath) + 1;
  char name[32];
  std::snprintf(name, sizeof name, "~zd%08lx.tmp", static_cast<unsigned long>(GetCurrentProcessId()));
  return std::string(filePath, folder) + name;
}

// Writes and flushes the package into `path`, the temporary file of the
// cache file `cacheFile`; false, with the cause logged and nothing left
// there, when it cannot.
bool WriteWhole(const std::string& path, const char* cacheFile, const char* data, std::size_t size) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) {
    LogFailure("download: module cache file %s cannot be created: %s", cacheFile, ErrorText(GetLastError()).c_str());
    return false;
  }
  std::string writeFault;
  const bool saved = download::SaveWhole(
      data, size,
      [&file, &writeFault](const char* bytes, std::size_t count, std::size_t* written) {
        DWORD done = 0;
        const BOOL ok = WriteFile(file.Get(), bytes, static_cast<DWORD>(count), &done, nullptr);
        *written = done;
        if (!ok) writeFault = ErrorText(GetLastError());
        else if (done < count)
          writeFault = "only " + std::to_string(done) + " of " + std::to_string(count) + " bytes written, the disk is full";
        // A package that another copy may read the moment it is moved into
        // place must be on the disk, not only in the cache.
        if (ok && done == count && !FlushFileBuffers(file.Get())) {
          writeFault = ErrorText(GetLastError());
          return false;
        }
        return ok != FALSE;
      },
      [&file, &path] {
        file.Reset();  // closed before it goes
        DeleteFileA(path.c_str());
      });
  if (!saved) LogFailure("download: module cache file %s cannot be written: %s", cacheFile, writeFault.c_str());
  return saved;
}

bool MoveIntoPlace(const std::string& from, const char* to) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if (!InUse(error) || attempt == kMoveTries) {
      LogFailure("download: module cache file %s cannot be replaced%s: %s", to,
                 InUse(error) ? ", another program holds it" : "", ErrorText(error).c_str());
      DeleteFileA(from.c_str());
      return false;
    }
    Sleep(kMoveRetryMs);
  }
}

}  // namespace

PackageDownload DownloadPackage(const char* url, const char* filePath, const PackageProgress& progress) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[package::kReceiveBufferSize]);
  if (!buffer) {
    LogFailure("download: no memory for the package");
    return PackageDownload::kNotStored;
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
    return PackageDownload::kNotReceived;
  }
  LogEvent("download: %s, status %lu, %llu bytes received", url, static_cast<unsigned long>(answer.status),
           static_cast<unsigned long long>(total));

  // Written only now: a transfer that failed leaves an older file alone.
  const std::string temporary = OwnTemporaryName(filePath);
  if (temporary.size() >= MAX_PATH) {
    LogFailure("download: module cache file %s has no room for a temporary name beside it (%zu bytes)", filePath,
               temporary.size());
    return PackageDownload::kNotStored;
  }
  if (!WriteWhole(temporary, filePath, buffer.get(), total) || !MoveIntoPlace(temporary, filePath)) {
    return PackageDownload::kNotStored;
  }
  return PackageDownload::kSaved;
}
