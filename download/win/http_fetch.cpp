#include "download/win/http_fetch.h"

#include <wininet.h>

#include <string_view>
#include <vector>

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
  // Wine answers a refused connection with an empty text of length 1.
  if (sysdll::InternetGetLastResponseInfoW(&error, text, &length) && length > 0 && text[0] != L'\0') {
    text[kResponseTextChars - 1] = L'\0';
    LogFailure("server's last response: %s", AnsiFromWide(text).c_str());
  }
}

// "host" of "host:port" (an IPv6 address keeps its brackets).
std::string_view HostOf(std::string_view server) {
  const std::size_t colon = server.rfind(':');
  return colon == std::string_view::npos || server.find(']', colon) != std::string_view::npos
             ? server
             : server.substr(0, colon);
}

// The proxy `root`'s requests to `server` ("host:port") go through, "host:port";
// empty when they go straight to it. Read from the handle itself, which
// holds what WinINet took from the system's settings.
std::string ProxyFor(HINTERNET root, std::string_view server) {
  struct ProxyInfo {   // INTERNET_PROXY_INFO with its wide strings
    DWORD accessType;
    LPCWSTR proxy;
    LPCWSTR bypass;
  };
  DWORD size = 0;
  sysdll::InternetQueryOptionW(root, INTERNET_OPTION_PROXY, nullptr, &size);
  std::vector<ProxyInfo> buffer(size / sizeof(ProxyInfo) + 2);   // the strings follow the header
  size = static_cast<DWORD>(buffer.size() * sizeof(ProxyInfo));
  if (!sysdll::InternetQueryOptionW(root, INTERNET_OPTION_PROXY, buffer.data(), &size)) return {};
  const ProxyInfo& info = buffer[0];
  if (info.accessType != INTERNET_OPEN_TYPE_PROXY || info.proxy == nullptr) return {};
  if (info.bypass != nullptr && download::ProxyBypassed(AnsiFromWide(info.bypass), HostOf(server))) return {};
  return download::HttpProxyOf(AnsiFromWide(info.proxy));
}

InternetHandle OpenWinInet() {
  return InternetHandle(sysdll::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
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
  const std::string server = download::UrlServer(url);
  // Through a proxy, the connection WinINet makes is to the proxy alone.
  if (!opened && !proxy.empty()) {
    return "the proxy " + proxy + " cannot be reached (on the way to the server " + server +
           "): " + ErrorText(openError);
  }
  if (!opened) return "the server " + server + " cannot be reached: " + ErrorText(openError);
  const std::string bytes = std::to_string(received) + " bytes received";
  if (readFailed) return "cut: a read failed after " + bytes + ": " + ErrorText(readError);
  const std::string theProxy = proxy.empty() ? std::string("a proxy on the way") : "the proxy " + proxy;
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
    return "HTTP status 407: " + theProxy + " asks for a password (proxy authentication required), " + bytes;
  }
  if (!proxy.empty() && (status == HTTP_STATUS_BAD_GATEWAY || status == HTTP_STATUS_GATEWAY_TIMEOUT)) {
    return "HTTP status " + std::to_string(status) + ", " + bytes + ": the proxy " + proxy +
           " got no answer from the server " + server;
  }
  if (status != download::kStatusOk) {
    return "HTTP status " + (status != 0 ? std::to_string(status) : std::string("unreadable")) + ", " + bytes;
  }
  if (lengthStated && received < length) {
    return "short: " + std::to_string(received) + " of the " + std::to_string(length) + " bytes stated received";
  }
  if (received == 0) return "the server sent no data";
  return {};
}

std::string HttpProxyText(const std::string& catalogueHost) {
  const InternetHandle root = OpenWinInet();
  if (!root) return "unknown, WinINet cannot be opened: " + ErrorText(GetLastError());
  const std::string proxy = ProxyFor(root.Get(), download::UrlServer("http://" + catalogueHost + "/"));
  return proxy.empty() ? "none" : proxy;
}

HttpAnswer HttpGet(const char* url, const std::function<void(const HttpRead&)>& receive) {
  HttpAnswer answer;
  InternetHandle root = OpenWinInet();
  if (!root) {
    answer.openError = GetLastError();
    return answer;
  }
  answer.wininetOpened = true;
  answer.proxy = ProxyFor(root.Get(), download::UrlServer(url));
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
