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
    LogFailure("catalogue: the page URL for host %s is over %d bytes", host.c_str(), MAX_PATH - 1);
    return 0;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPageBufferSize]);
  if (!buffer) {
    LogFailure("catalogue: no memory for the page");
    return 0;
  }

  // Reading stops when the buffer is full: a page that fills it leaves no
  // room for its terminator, and the parser refuses it as a whole. A read
  // that fails part-way has cut the page, whether or not the server stated
  // its length (a chunked answer states none).
  std::size_t total = 0;
  const HttpAnswer answer = HttpGet(url.c_str(), [&](const HttpRead& read) {
    while (total < kPageBufferSize) {
      std::size_t got = 0;
      if (!read(buffer.get() + total, std::min(kReadChunk, kPageBufferSize - total), &got) || got == 0) return;
      total += got;
    }
  });
  if (total == kPageBufferSize) {
    LogFailure("catalogue: page %s not taken: it is over %zu bytes", url.c_str(), kPageBufferSize - 1);
    return 0;
  }
  // An error page is no module list, and half a list is worse than none.
  if (!answer.IsWhole()) {
    LogFailure("catalogue: page %s not taken: %s", url.c_str(), answer.Fault(url.c_str()).c_str());
    return 0;
  }
  buffer[total] = '\0';

  std::string baseUrl = packageBaseUrl;
  const unsigned count = ParseCataloguePage(std::string_view(buffer.get(), total), host, catalogue, baseUrl);
  if (baseUrl.size() < kPackageBaseUrlSize) packageBaseUrl = baseUrl;
  if (count == 0) {
    // A proxy's or a captive portal's page answers 200 too.
    LogFailure("catalogue: page %s (%zu bytes) holds no usable module line: it is not the module catalogue", url.c_str(),
               total);
  }
  return count;
}
