// One HTTP GET over WinINet, as both downloads (the module list page and a
// module package) make it: the user agent "ZorManager", the answer always
// from the server and never from WinINet's cache, and a redirection taken
// as an answer, not followed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Reads at most `most` bytes of the body into `into`; false when the read
// failed.
using HttpRead = std::function<bool(char* into, std::size_t most, std::size_t* got)>;

struct HttpAnswer {
  bool opened = false;  // false: no answer came (openError tells why)
  bool wininetOpened = false;  // false: WinINet itself could not be opened
  DWORD openError = 0;
  DWORD status = 0;     // 0 when it could not be read
  bool lengthStated = false;
  DWORD length = 0;     // Content-Length, when stated
  std::uint64_t received = 0;  // bytes the reads delivered
  bool readFailed = false;     // a read failed (readError); none came after it
  DWORD readError = 0;
  std::string proxy;    // "host:port" the request went through; empty: straight to the server

  // The answer is the document asked for: status 200, some body, no read
  // failed and, when the server stated a length, no byte short of it.
  bool IsWhole() const;
  // Why it is not, in words for the log, naming the server of `url` when it
  // could not be reached; empty when it is whole.
  std::string Fault(const char* url) const;
};

// The proxy WinINet sends the catalogue server's requests through, for the
// start line: "none", its "host:port", or why it is not known.
std::string HttpProxyText(const std::string& catalogueHost);

// Opens `url` (ANSI) and hands `receive` the reader of its body. A failed
// open writes the server's last response text, if any, as a diagnostic.
HttpAnswer HttpGet(const char* url, const std::function<void(const HttpRead&)>& receive);
