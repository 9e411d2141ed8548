// Owns one WinINet handle (the root from InternetOpenW or a request from
// InternetOpenUrl*); closes it when it goes out of scope. Also reads the
// head of a request's response.
#pragma once

#include <windows.h>
#include <wininet.h>

class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  InternetHandle(InternetHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() { Close(); }

  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Closing order matters to WinINet (request before root): callers that
  // must close early do it explicitly.
  void Close() {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_ = nullptr;
};

// The status of a request's response and the length its server stated
// (Content-Length), which download::IsWholeResponse judges.
struct ResponseHead {
  DWORD status = 0;  // 0 when it could not be read
  bool lengthStated = false;
  DWORD length = 0;
};

inline ResponseHead ReadResponseHead(HINTERNET request) {
  ResponseHead head;
  DWORD size = sizeof head.status;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &head.status, &size, nullptr))
    head.status = 0;
  size = sizeof head.length;
  head.lengthStated = HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &head.length,
                                     &size, nullptr) != FALSE;
  return head;
}
