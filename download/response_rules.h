// When an HTTP response counts as the document it was asked for, and when
// a package received in full counts as saved: the rules both downloads (the
// module list page and a module package) follow. Portable, tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace download {

constexpr std::uint32_t kStatusOk = 200;

// Only a 200 answer is the document: an error page (404, 500) or a
// redirection is a failed download. When the server stated a length, fewer
// bytes than that mean the connection dropped: a failed download too.
inline bool IsWholeResponse(std::uint32_t status, bool lengthStated, std::uint64_t statedLength,
                            std::uint64_t received) {
  if (status != kStatusOk) return false;
  return !lengthStated || received >= statedLength;
}

// "host:port" of an http or https URL, for the log of a server that could
// not be reached: the port the URL names, else the scheme's.
inline std::string UrlServer(std::string_view url) {
  const std::size_t scheme = url.find("://");
  const bool https = scheme == 5 && (url.substr(0, 5) == "https" || url.substr(0, 5) == "HTTPS");
  std::string_view server = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  server = server.substr(0, server.find_first_of("/?#"));
  if (const std::size_t at = server.rfind('@'); at != std::string_view::npos) server.remove_prefix(at + 1);
  const std::size_t close = server.rfind(']');   // an IPv6 address holds colons of its own
  const std::size_t colon = server.rfind(':');
  const bool hasPort = colon != std::string_view::npos && (close == std::string_view::npos || colon > close);
  return std::string(server) + (hasPort ? "" : https ? ":443" : ":80");
}

// The proxy an http request goes through, "host:port", from WinINet's
// proxy list ("proxy:8080", "http=proxy:8080 https=other:8443", entries
// apart by blanks or semicolons, maybe with "http://"): the http entry, else
// the first entry for every scheme; empty when none is for http.
inline std::string HttpProxyOf(std::string_view list) {
  std::string_view every;
  while (!list.empty()) {
    const std::size_t end = list.find_first_of("; \t");
    std::string_view entry = list.substr(0, end);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    const bool forHttp = equals != std::string_view::npos && entry.substr(0, equals) == "http";
    if (equals != std::string_view::npos && !forHttp) continue;
    if (forHttp) entry.remove_prefix(equals + 1);
    if (entry.substr(0, 7) == "http://") entry.remove_prefix(7);
    while (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
    if (forHttp) return std::string(entry);
    if (every.empty()) every = entry;
  }
  return std::string(every);
}

// Whether WinINet's bypass list ("<local>;*.maker.ru;10.*", apart by
// semicolons, blanks or commas) sends `host` (no port) past the proxy:
// "<local>" is any name without a dot, "*" stands for any run of
// characters, letters in either case.
inline bool ProxyBypassed(std::string_view list, std::string_view host) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  // Glob matching with backtracking to the last star.
  const auto matches = [&fold](std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
      if (p < pattern.size() && pattern[p] == '*') {
        star = p++;
        resume = t;
      } else if (p < pattern.size() && fold(pattern[p]) == fold(text[t])) {
        ++p, ++t;
      } else if (star != std::string_view::npos) {
        p = star + 1;
        t = ++resume;
      } else {
        return false;
      }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
  };
  while (!list.empty()) {
    const std::size_t end = list.find_first_of("; \t,");
    const std::string_view entry = list.substr(0, end);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    if (entry.empty()) continue;
    if (entry == "<local>" ? host.find('.') == std::string_view::npos : matches(entry, host)) return true;
  }
  return false;
}

// Writes the received bytes through `write(const char* data, std::size_t
// size, std::size_t* written)` (false when the write failed). A failed or
// short write (a full disk) leaves no partial file: `discard()` removes it.
// True when every byte was written.
template <class Write, class Discard>
bool SaveWhole(const char* data, std::size_t size, Write write, Discard discard) {
  std::size_t written = 0;
  if (write(data, size, &written) && written == size) return true;
  discard();
  return false;
}

}  // namespace download
