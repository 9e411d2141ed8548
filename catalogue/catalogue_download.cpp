#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "catalogue/internet_handle.h"
#include "catalogue/catalogue_host.h"
#include "catalogue/catalogue_page.h"
#include "catalogue/catalogue_win.h"
#include "catalogue/response_rules.h"
#include "log/log_win.h"

namespace {

constexpr wchar_t kUserAgent[] = L"ZorManager";
constexpr DWORD kReadChunk = 1024;
constexpr DWORD kResponseTextChars = 500;
constexpr DWORD kPageUrlChars = 260;

// The host is a plain ASCII host name (with an optional port); the ANSI code
// page converts it unchanged.
bool WidePageUrl(wchar_t (&url)[kPageUrlChars]) {
  const std::string narrow = CataloguePageUrl();
  if (narrow.size() >= kPageUrlChars) return false;
  const int n = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, url, kPageUrlChars);
  return n > 0;
}

void TraceLastResponse() {
  DWORD error = GetLastError();
  wchar_t text[kResponseTextChars] = {};
  DWORD length = kResponseTextChars;
  InternetGetLastResponseInfoW(&error, text, &length);
  text[kResponseTextChars - 1] = L'\0';
  DebugText(text);
}

}  // namespace

unsigned DownloadCatalogue(ModuleCatalogue& catalogue) {
  wchar_t url[kPageUrlChars];
  if (!WidePageUrl(url)) {
    DebugText(L"catalogue: page URL too long\n");
    return 0;
  }

  // Declared in this order so the URL handle closes before the root handle.
  InternetHandle root(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root) return 0;
  InternetHandle page(InternetOpenUrlW(root.get(), url, nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0));
  if (!page) {
    LogEvent("catalogue: page not opened, error %lu", GetLastError());
    TraceLastResponse();
    return 0;
  }

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPageBufferSize]);
  if (!buffer) return 0;

  // Reading stops when the buffer is full: a page that fills it leaves no
  // room for its terminator, and the parser refuses it as a whole.
  std::size_t total = 0;
  bool readFailed = false;
  while (total < kPageBufferSize) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(kReadChunk, kPageBufferSize - total));
    DWORD got = 0;
    if (!InternetReadFile(page.get(), buffer.get() + total, want, &got)) {
      readFailed = true;
      break;
    }
    if (got == 0) break;
    total += got;
  }
  if (total == 0) return 0;  // first read failed or the body was empty
  // A read that fails part-way has cut the page, whether or not the server
  // stated its length (a chunked answer states none).
  if (readFailed) {
    LogEvent("catalogue: page not taken: a read failed after %llu bytes, error %lu",
             static_cast<unsigned long long>(total), GetLastError());
    return 0;
  }
  // An error page is no module list, and half a list is worse than none.
  const ResponseHead head = ReadResponseHead(page.get());
  if (!download::IsWholeResponse(head.status, head.lengthStated, head.length, total)) {
    LogEvent("catalogue: page not taken: status %lu, %llu bytes received, stated length %s",
             static_cast<unsigned long>(head.status), static_cast<unsigned long long>(total),
             head.lengthStated ? std::to_string(head.length).c_str() : "none");
    return 0;
  }
  if (total < kPageBufferSize) buffer[total] = '\0';

  std::string baseUrl = PackageBaseUrl();
  const unsigned count =
      ParseCataloguePage(std::string_view(buffer.get(), total), CatalogueHost(), catalogue, baseUrl);
  SetPackageBaseUrl(baseUrl);
  return count;
}
