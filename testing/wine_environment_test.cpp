#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include "testing/test_files.h"
#include "testing/test_http_server.h"

namespace {

TEST(WineEnvironment, AnsiCodePageIsRussian) {
  // Module names travel as Windows-1251 bytes; the tests assume that code page.
  EXPECT_EQ(GetACP(), 1251u);
}

TEST(WineEnvironment, MappedDriveReachesTheFolder) {
  zortest::TempDir dir(L"drive");
  zortest::MappedDrive drive(L'W', dir.path());
  ASSERT_TRUE(drive.ok());
  ASSERT_TRUE(zortest::WriteWholeFile(drive.root() + L"\\через-диск.bin", "abc"));
  std::string back;
  ASSERT_TRUE(zortest::ReadWholeFile(dir.Child(L"через-диск.bin"), &back));
  EXPECT_EQ(back, "abc");
}

std::string WinInetGet(const std::string& url, DWORD* status) {
  std::string body;
  HINTERNET root = InternetOpenW(L"ZorManager", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!root) return body;
  HINTERNET req = InternetOpenUrlA(root, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
  if (req) {
    DWORD len = sizeof *status;
    HttpQueryInfoW(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &len, nullptr);
    char buf[1024];
    DWORD got = 0;
    while (InternetReadFile(req, buf, sizeof buf, &got) && got > 0) body.append(buf, got);
    InternetCloseHandle(req);
  }
  InternetCloseHandle(root);
  return body;
}

TEST(WineEnvironment, WinInetTalksToTheTestServer) {
  zortest::TestHttpServer http;
  http.server().Get("/hello", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("agent=" + req.get_header_value("User-Agent"), "text/plain");
  });
  http.Start();
  DWORD status = 0;
  EXPECT_EQ(WinInetGet(http.url("/hello"), &status), "agent=ZorManager");
  EXPECT_EQ(status, 200u);
}

TEST(WineEnvironment, RefusedPortGivesNoConnection) {
  DWORD status = 0;
  const std::string url = "http://127.0.0.1:" + std::to_string(zortest::RefusedPort()) + "/x";
  EXPECT_EQ(WinInetGet(url, &status), "");
  EXPECT_EQ(status, 0u);
}

}  // namespace
