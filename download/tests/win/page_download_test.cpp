// DownloadCatalogue through WinINet against a real HTTP server on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "catalogue/catalogue_page.h"
#include "download/win/page_download.h"
#include "log/win/log.h"
#include "testing/log_causes.h"
#include "testing/catalogue_builders.h"
#include "testing/test_http_server.h"

namespace {

using zortest::Cause;
using zortest::Logged;

constexpr char kPagePath[] = "/index.php";
constexpr char kKeptBaseUrl[] = "http://earlier.example/kept/";

const std::string kSamplePage =
    zortest::CataloguePage({zortest::ModuleLine("2014-05-12", "1.2.3.4", "DIAG01.z70", "DIAG01_1234"),
                            zortest::ModuleLine("2014-04-01", "2.0.7", "boot.sys", "boot_manager")});

// A port on 127.0.0.1 that nothing listens on: bound without listening,
// then closed.
int UnusedPort() {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
  int port = 0;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port = ntohs(addr.sin_port);
    }
    closesocket(s);
  }
  WSACleanup();
  return port;
}

class DownloadCatalogueTest : public ::testing::Test {
 protected:
  // The download with what the worker hands it: the host, and the base
  // URL an earlier page left.
  unsigned Download() { return DownloadCatalogue(host_, catalogue_, baseUrl_); }

  // Serves `body` as the module list page and points the catalogue there.
  void ServePage(std::string body, int status = 200) {
    http_.server().Get(kPagePath, [this, body, status](const httplib::Request& req,
                                                       httplib::Response& res) {
      ++pageRequests_;
      agent_ = req.get_header_value("User-Agent");
      mod_ = req.get_param_value("mod");
      res.status = status;
      res.set_content(body, status == 200 ? "text/plain" : "text/html");
    });
  }

  void Start() {
    http_.Start();
    host_ = http_.host();
  }

  void ExpectNothingFetched(unsigned count) {
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(catalogue_.modules.records.empty());
    EXPECT_TRUE(catalogue_.systemModules.records.empty());
    EXPECT_EQ(baseUrl_, kKeptBaseUrl);
  }

  // A page of exactly `size` bytes: the sample with a third module line in
  // place of its stop marker, behind padding that comes before any marker.
  static std::string PageOfSize(std::size_t size) {
    const std::string body = kSamplePage.substr(0, kSamplePage.find("modlist_stop")) +
                             "2014-06-01 v_3.0.0.1 LAST.z70 files/modules/LAST_3001.zip<br>";
    return std::string(size - body.size(), ' ') + body;
  }

  zortest::TestHttpServer http_;
  std::string host_ = ZOR_CATALOGUE_HOST;
  std::string baseUrl_ = kKeptBaseUrl;
  ModuleCatalogue catalogue_;
  std::atomic<int> pageRequests_{0};
  std::string agent_;
  std::string mod_;
};

TEST_F(DownloadCatalogueTest, NormalPageFillsTheCatalogueAndBaseUrl) {
  ServePage(kSamplePage);
  Start();
  EXPECT_EQ(Download(), 2u);
  EXPECT_EQ(baseUrl_, "http://" + http_.host() + "/files/modules/");
  ASSERT_EQ(catalogue_.modules.records.size(), 1u);
  EXPECT_EQ(catalogue_.modules.records[0].name, "DIAG01");
  EXPECT_EQ(catalogue_.modules.records[0].releases[0].archiveName, "DIAG01_1234");
  ASSERT_EQ(catalogue_.systemModules.records.size(), 1u);
  EXPECT_EQ(catalogue_.systemModules.records[0].releases[0].archiveName, "boot_manager");
  EXPECT_EQ(agent_, "ZorManager");
  EXPECT_EQ(mod_, "dirtst");
}

TEST_F(DownloadCatalogueTest, EmptyBodyGivesNothing) {
  ServePage("");
  Start();
  ExpectNothingFetched(Download());
  EXPECT_EQ(pageRequests_, 1);
}

TEST_F(DownloadCatalogueTest, RefusedConnectionGivesNothing) {
  const int port = UnusedPort();
  ASSERT_NE(port, 0);
  host_ = "127.0.0.1:" + std::to_string(port);
  ExpectNothingFetched(Download());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kServerUnreachable));
}

TEST_F(DownloadCatalogueTest, NotFoundPageGivesNothing) {
  ServePage("<html><body><h1>404 Not Found</h1>modlist<br>nothing here<br></body></html>", 404);
  Start();
  ExpectNothingFetched(Download());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPageStatus));
}

// A proxy's or a captive portal's page answers 200 as well.
TEST_F(DownloadCatalogueTest, PageWithoutModuleLinesGivesNothing) {
  ServePage("<html><body>Вход в сеть: введите пароль</body></html>");
  Start();
  ExpectNothingFetched(Download());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPageNoModules));
}

TEST_F(DownloadCatalogueTest, ServerErrorWithAWholePageGivesNothing) {
  ServePage(kSamplePage, 500);
  Start();
  ExpectNothingFetched(Download());
}

TEST_F(DownloadCatalogueTest, RedirectIsNotFollowed) {
  std::atomic<int> targetRequests{0};
  http_.server().Get(kPagePath, [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/elsewhere.php");
  });
  http_.server().Get("/elsewhere.php", [&](const httplib::Request&, httplib::Response& res) {
    ++targetRequests;
    res.set_content(kSamplePage, "text/plain");
  });
  Start();
  ExpectNothingFetched(Download());
  EXPECT_EQ(targetRequests, 0);
}

TEST_F(DownloadCatalogueTest, PageFillingTheBufferExactlyLessOneIsParsed) {
  ServePage(PageOfSize(kPageBufferSize - 1));
  Start();
  EXPECT_EQ(Download(), 3u);
  EXPECT_EQ(baseUrl_, "http://" + http_.host() + "/files/modules/");
  ASSERT_EQ(catalogue_.modules.records.size(), 2u);
  EXPECT_EQ(catalogue_.modules.records[1].name, "LAST");
}

TEST_F(DownloadCatalogueTest, PageFillingTheWholeBufferIsRefused) {
  ServePage(PageOfSize(kPageBufferSize));  // no room left for the terminator
  Start();
  ExpectNothingFetched(Download());
}

TEST_F(DownloadCatalogueTest, PageFarOverTheBufferIsRefused) {
  ServePage(PageOfSize(3 * kPageBufferSize));
  Start();
  ExpectNothingFetched(Download());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPageOverLimit));
}

// The connection drops in the middle of the third module line after the
// server announced more than it sent: half a list is no list.
TEST_F(DownloadCatalogueTest, ServerClosingMidPageGivesNothing) {
  const std::string sent = kSamplePage.substr(0, kSamplePage.find("modlist_stop")) +
                           "2014-06-01 v_3.0.0.1 CUT.z70 files/mod";
  http_.server().Get(kPagePath, [&](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(
        sent.size() + 4096, "text/plain",
        [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset == 0) sink.write(sent.data(), sent.size());
          return offset == 0;  // false on the next call: the connection is closed
        });
  });
  Start();
  ExpectNothingFetched(Download());
}

// Nor when the server states no length (a chunked answer): a cut then
// shows only as a read that fails.
TEST_F(DownloadCatalogueTest, ChunkedPageCutByAResetGivesNothing) {
  // The module lines in a whole first chunk, then the second cut short.
  const std::string page = kSamplePage.substr(0, kSamplePage.find("modlist_stop")) + std::string(3800, ' ');
  const auto chunk = [](const std::string& bytes, std::size_t declared) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", declared);
    return size + bytes;
  };
  zortest::ResettingServer server("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                  chunk(page.substr(0, 3000), 3000) + "\r\n" + chunk(page.substr(3000), 2000));
  host_ = server.url("").substr(7);
  ExpectNothingFetched(Download());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPageCut));
}

}  // namespace
