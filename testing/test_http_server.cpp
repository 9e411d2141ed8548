#include "testing/test_http_server.h"

#include <chrono>

#include <gtest/gtest.h>

namespace zortest {

TestHttpServer::TestHttpServer() : server_(std::make_unique<httplib::Server>()) {
  // Packages run to 8 MiB; keep Wine's reads fed in large pieces.
  server_->set_keep_alive_max_count(1);
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    ADD_FAILURE() << "test HTTP server could not bind 127.0.0.1";
    return;
  }
  Serve();
}

bool TestHttpServer::Serve() {
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  for (int i = 0; i < 500 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return server_->is_running();
}

bool TestHttpServer::Restart() {
  Stop();
  if (port_ <= 0 || !server_->bind_to_port("127.0.0.1", port_)) {
    ADD_FAILURE() << "test HTTP server could not bind its port " << port_ << " again";
    return false;
  }
  return Serve();
}

void TestHttpServer::Stop() {
  if (thread_.joinable()) {
    server_->stop();
    thread_.join();
  }
}

std::string TestHttpServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TestHttpServer::url(const std::string& path) const {
  return "http://" + host() + (path.empty() || path[0] != '/' ? "/" : "") + path;
}

ResettingServer::ResettingServer(std::string answer) : listener_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
  const SOCKET listener = static_cast<SOCKET>(listener_);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ADD_FAILURE() << "resetting server could not listen on 127.0.0.1";
    return;
  }
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([listener, answer] {
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    // The request ends with an empty line; nothing else is read.
    std::string request;
    char piece[512];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, piece, sizeof piece, 0);
      if (got <= 0) break;
      request.append(piece, static_cast<std::size_t>(got));
    }
    send(client, answer.data(), static_cast<int>(answer.size()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the answer is read first
    linger abort{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(client);
  });
}

ResettingServer::~ResettingServer() {
  closesocket(static_cast<SOCKET>(listener_));  // ends an accept still waiting
  if (thread_.joinable()) thread_.join();
}

std::string ResettingServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int RefusedPort() {
  // Bind without listening, note the port, close: nothing answers there.
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    int len = sizeof addr;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0) port = ntohs(addr.sin_port);
  }
  closesocket(s);
  return port;
}

}  // namespace zortest
