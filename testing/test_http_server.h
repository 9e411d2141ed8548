// An HTTP server on 127.0.0.1 for the Wine tests, on a free port, serving
// from a thread of the test process itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

namespace zortest {

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  // Register routes on this before Start().
  httplib::Server& server() { return *server_; }
  // Binds a free port on 127.0.0.1 and serves until Stop() or destruction.
  void Start();
  void Stop();
  // Serves again on the port it had: a server that went down and came back.
  bool Restart();

  int port() const { return port_; }
  // "127.0.0.1:<port>": the form the catalogue host setting takes.
  std::string host() const;
  std::string url(const std::string& path) const;

 private:
  bool Serve();

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

// Answers one connection on 127.0.0.1 with `answer`, bytes exactly as
// given (status line, headers and a body cut short), then resets the
// connection instead of closing it in order: the client's next read fails,
// whether or not the answer stated its length.
class ResettingServer {
 public:
  explicit ResettingServer(std::string answer);
  ~ResettingServer();
  ResettingServer(const ResettingServer&) = delete;
  ResettingServer& operator=(const ResettingServer&) = delete;

  std::string url(const std::string& path) const;

 private:
  std::uintptr_t listener_;
  int port_ = 0;
  std::thread thread_;
};

// A port on 127.0.0.1 on which nothing listens (bound, then released).
int RefusedPort();

}  // namespace zortest
