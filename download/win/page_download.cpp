#include "download/win/page_download.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>

#include "catalogue/catalogue_host.h"
#include "catalogue/catalogue_page.h"
#include "download/win/http_fetch.h"
#include "log/win/log.h"

namespace {

constexpr std::size_t kReadChunk = 1024;

}  // namespace

unsigned DownloadCatalogue(const std::string& host, ModuleCatalogue& catalogue, std::string& packageBaseUrl) {
  const std::string url = CataloguePageUrl(host);
  if (url.size() >= MAX_PATH) {
    DebugText(L"catalogue: page URL too long\n");
    return 0;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPageBufferSize]);
  if (!buffer) return 0;

  // Reading stops when the buffer is full: a page that fills it leaves no
  // room for its terminator, and the parser refuses it as a whole.
  std::size_t total = 0;
  bool readFailed = false;
  DWORD readError = 0;
  const HttpAnswer answer = HttpGet(url.c_str(), [&](const HttpRead& read) {
    while (total < kPageBufferSize) {
      std::size_t got = 0;
      if (!read(buffer.get() + total, std::min(kReadChunk, kPageBufferSize - total), &got)) {
        readFailed = true;
        readError = GetLastError();
        return;
      }
      if (got == 0) return;
      total += got;
    }
  });
  if (!answer.opened) {
    LogEvent("catalogue: page not opened, error %lu", answer.openError);
    return 0;
  }
  if (total == 0) return 0;  // first read failed or the body was empty
  // A read that fails part-way has cut the page, whether or not the server
  // stated its length (a chunked answer states none).
  if (readFailed) {
    LogEvent("catalogue: page not taken: a read failed after %llu bytes, error %lu",
             static_cast<unsigned long long>(total), readError);
    return 0;
  }
  // An error page is no module list, and half a list is worse than none.
  if (!answer.IsWhole(total)) {
    LogEvent("catalogue: page not taken: status %lu, %llu bytes received, stated length %s",
             static_cast<unsigned long>(answer.status), static_cast<unsigned long long>(total),
             answer.lengthStated ? std::to_string(answer.length).c_str() : "none");
    return 0;
  }
  if (total < kPageBufferSize) buffer[total] = '\0';

  std::string baseUrl = packageBaseUrl;
  const unsigned count = ParseCataloguePage(std::string_view(buffer.get(), total), host, catalogue, baseUrl);
  if (baseUrl.size() < kPackageBaseUrlSize) packageBaseUrl = baseUrl;
  return count;
}
