#include "download/win/http_fetch.h"

#include <wininet.h>

#include "core/win/handles.h"
#include "core/win/system_dlls.h"
#include "core/win/text.h"
#include "download/response_rules.h"
#include "log/win/log.h"

namespace {

constexpr wchar_t kUserAgent[] = L"ZorManager";
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kResponseTextChars = 500;

// What the server last said, for a request that did not open.
void TraceLastResponse() {
  DWORD error = GetLastError();
  wchar_t text[kResponseTextChars] = {};
  DWORD length = kResponseTextChars;
  if (sysdll::InternetGetLastResponseInfoW(&error, text, &length) && length > 0) {
    text[kResponseTextChars - 1] = L'\0';
    LogFailure("server's last response: %s", AnsiFromWide(text).c_str());
  }
}

void ReadHead(HINTERNET request, HttpAnswer& answer) {
  DWORD size = sizeof answer.status;
  if (!sysdll::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &answer.status, &size, nullptr))
    answer.status = 0;
  size = sizeof answer.length;
  answer.lengthStated = sysdll::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &answer.length,
                                       &size, nullptr) != FALSE;
}

}  // namespace

bool HttpAnswer::IsWhole() const {
  return opened && !readFailed && received > 0 &&
         download::IsWholeResponse(status, lengthStated, length, received);
}

std::string HttpAnswer::Fault(const char* url) const {
  if (!wininetOpened) return "WinINet cannot be opened: " + ErrorText(openError);
  if (!opened) return "the server " + download::UrlServer(url) + " cannot be reached: " + ErrorText(openError);
  const std::string bytes = std::to_string(received) + " bytes received";
  if (readFailed) return "cut: a read failed after " + bytes + ": " + ErrorText(readError);
  if (status != download::kStatusOk) {
    return "HTTP status " + (status != 0 ? std::to_string(status) : std::string("unreadable")) + ", " + bytes;
  }
  if (lengthStated && received < length) {
    return "short: " + std::to_string(received) + " of the " + std::to_string(length) + " bytes stated received";
  }
  if (received == 0) return "the server sent no data";
  return {};
}

HttpAnswer HttpGet(const char* url, const std::function<void(const HttpRead&)>& receive) {
  HttpAnswer answer;
  InternetHandle root(sysdll::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root) {
    answer.openError = GetLastError();
    return answer;
  }
  answer.wininetOpened = true;
  InternetHandle request(sysdll::InternetOpenUrlA(root.Get(), url, nullptr, 0, kOpenFlags, 0));
  if (!request) {
    answer.openError = GetLastError();
    TraceLastResponse();
    return answer;
  }
  answer.opened = true;
  receive([&request, &answer](char* into, std::size_t most, std::size_t* got) {
    DWORD count = 0;
    const BOOL ok = sysdll::InternetReadFile(request.Get(), into, static_cast<DWORD>(most), &count);
    *got = ok ? count : 0;
    answer.received += *got;
    if (!ok && !answer.readFailed) {
      answer.readFailed = true;
      answer.readError = GetLastError();
    }
    return ok != FALSE;
  });
  ReadHead(request.Get(), answer);
  // The request before its root, as WinINet wants them closed.
  request.Reset();
  root.Reset();
  return answer;
}
