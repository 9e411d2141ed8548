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
