// DownloadPackage under Wine against an HTTP server on 127.0.0.1 in this
// process; the progress messages go to a real (message-only) window and are
// read back from its queue.
#include "download/win/package_download.h"
#include "log/win/log.h"
#include "testing/log_causes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "testing/test_files.h"
#include "testing/test_http_server.h"

namespace {

using zortest::Cause;
using zortest::Logged;

constexpr UINT kProgress = WM_APP + 1;

std::string Body(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

class PackageDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    auto& server = http_.server();
    server.Get(R"(/size/(\d+)\.zip)", [this](const httplib::Request& req, httplib::Response& res) {
      userAgent_ = req.get_header_value("User-Agent");
      ++requests_;  // publishes userAgent_ to the test thread
      res.set_content(Body(std::stoul(req.matches[1])), "application/zip");
    });
    server.Get("/missing.zip", [this](const httplib::Request&, httplib::Response& res) {
      ++requests_;
      res.status = 404;
      res.set_content("<html>no such package</html>", "text/html");
    });
    server.Get("/moved.zip", [this](const httplib::Request&, httplib::Response& res) {
      ++requests_;
      res.status = 302;
      res.set_header("Location", "/size/100.zip");
      res.set_content("moved", "text/plain");
    });
    // Promises 100000 bytes, sends 5000 and drops the connection.
    server.Get("/dropped.zip", [this](const httplib::Request&, httplib::Response& res) {
      ++requests_;
      res.set_content_provider(100000, "application/zip",
                               [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return false;
                                 const std::string part = Body(5000);
                                 sink.write(part.data(), part.size());
                                 return true;
                               });
    });
    http_.Start();
  }
  void TearDown() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }

  // Progress goes to the window's queue, as the worker sends it on.
  bool DownloadTo(const std::string& url) {
    last_ = DownloadPackage(url.c_str(), file_.c_str(), [this](std::size_t kilobytes) {
      PostMessageW(window_, kProgress, static_cast<WPARAM>(kilobytes), 0);
    });
    return last_ == PackageDownload::kSaved;
  }
  PackageDownload last_ = PackageDownload::kSaved;
  bool Download(const std::string& path) {
    return DownloadTo(http_.url(path));
  }
  // The kProgress messages posted so far, in order: (wParam, lParam).
  std::vector<std::pair<WPARAM, LPARAM>> Progress() {
    std::vector<std::pair<WPARAM, LPARAM>> out;
    MSG msg;
    while (PeekMessageW(&msg, window_, kProgress, kProgress, PM_REMOVE)) {
      out.emplace_back(msg.wParam, msg.lParam);
    }
    return out;
  }
  std::vector<WPARAM> Kilobytes() {
    std::vector<WPARAM> out;
    for (const auto& [w, l] : Progress()) {
      EXPECT_EQ(l, 0);
      out.push_back(w);
    }
    return out;
  }
  std::string FileContent() {
    std::string bytes;
    EXPECT_TRUE(zortest::ReadWholeFile(zortest::Widen(file_), &bytes));
    return bytes;
  }
  bool FileExists() { return zortest::FileExists(zortest::Widen(file_)); }

  zortest::TempDir dir_{L"pkg"};
  std::string file_ = dir_.pathA() + "\\mod_1_0_3.zip";
  zortest::TestHttpServer http_;
  std::atomic<int> requests_{0};
  std::string userAgent_;
  HWND window_ = nullptr;
};

TEST_F(PackageDownloadTest, PackageOfExactlyTheLimitIsWritten) {
  EXPECT_TRUE(Download("/size/8387584.zip"));
  const std::string content = FileContent();
  EXPECT_EQ(content.size(), 8387584u);
  EXPECT_TRUE(content == Body(8387584));
  const std::vector<WPARAM> kb = Kilobytes();
  ASSERT_FALSE(kb.empty());
  EXPECT_EQ(kb.back(), 8191u);
  for (std::size_t i = 1; i < kb.size(); ++i) ASSERT_LE(kb[i - 1], kb[i]);
  ASSERT_EQ(requests_, 1);
  EXPECT_EQ(userAgent_, "ZorManager");
}

TEST_F(PackageDownloadTest, OneByteOverTheLimitFailsAndLeavesTheOldFile) {
  ASSERT_TRUE(zortest::WriteWholeFile(zortest::Widen(file_), "older package"));
  EXPECT_FALSE(Download("/size/8387585.zip"));
  EXPECT_EQ(FileContent(), "older package");
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPackageOverLimit));
  const std::vector<WPARAM> kb = Kilobytes();
  ASSERT_FALSE(kb.empty());
  EXPECT_EQ(kb.back(), 8191u);
}

TEST_F(PackageDownloadTest, ProgressCountsWholeKilobytes) {
  EXPECT_TRUE(Download("/size/1023.zip"));
  EXPECT_EQ(Kilobytes(), std::vector<WPARAM>{0});
  EXPECT_TRUE(Download("/size/1024.zip"));
  EXPECT_EQ(Kilobytes(), std::vector<WPARAM>{1});
  EXPECT_TRUE(Download("/size/1500.zip"));
  EXPECT_EQ(Kilobytes(), (std::vector<WPARAM>{1, 1}));
  EXPECT_EQ(FileContent(), Body(1500));
}

TEST_F(PackageDownloadTest, EmptyBodyWritesNoFile) {
  EXPECT_FALSE(Download("/size/0.zip"));
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(Progress().empty());
  EXPECT_EQ(requests_, 1);
}

TEST_F(PackageDownloadTest, RefusedConnectionWritesNoFile) {
  const std::string url = "http://127.0.0.1:" + std::to_string(zortest::RefusedPort()) + "/mod.zip";
  EXPECT_FALSE(DownloadTo(url));
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(Progress().empty());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kServerUnreachable));
}

TEST_F(PackageDownloadTest, DroppedConnectionWritesNoFile) {
  EXPECT_FALSE(Download("/dropped.zip"));
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPackageShort));
  const std::vector<WPARAM> kb = Kilobytes();
  ASSERT_FALSE(kb.empty());
  EXPECT_EQ(kb.back(), 4u);
}

// Without a stated length (a chunked answer) a cut shows only as a read
// that fails, here on a reset connection: no package either.
TEST_F(PackageDownloadTest, ChunkedPackageCutByAResetWritesNoFile) {
  const std::string part = Body(5000);
  zortest::ResettingServer server(
      "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nTransfer-Encoding: chunked\r\n\r\n2000\r\n" + part);
  EXPECT_FALSE(DownloadTo(server.url("/cut.zip")));
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPackageCut));
}

TEST_F(PackageDownloadTest, ErrorPageWritesNoFile) {
  EXPECT_FALSE(Download("/missing.zip"));
  EXPECT_EQ(last_, PackageDownload::kNotReceived);
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(Logged(LastFailure(), Cause::kPackageStatus));
}

TEST_F(PackageDownloadTest, RedirectionIsNotFollowedNorStored) {
  EXPECT_FALSE(Download("/moved.zip"));
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(requests_, 1);
}

// A module cache on a full disk (a small tmpfs, where the test may mount
// one): the write fails part-way, the download fails and leaves no file.
TEST_F(PackageDownloadTest, FullDiskFailsAndLeavesNoFile) {
  zortest::TempDir small(L"pkg-small");
  zortest::SmallDisk disk(small.path(), 64);
  if (!disk.ok()) GTEST_SKIP() << "no tmpfs could be mounted here";
  file_ = small.pathA() + "\\mod.zip";
  EXPECT_FALSE(Download("/size/200000.zip"));
  EXPECT_EQ(last_, PackageDownload::kNotStored);
  EXPECT_FALSE(FileExists());
  EXPECT_TRUE(zortest::FilesIn(small.path()).empty()) << "no temporary file left";
  EXPECT_TRUE(Logged(LastFailure(), Cause::kCacheFileNotWritten));
}

// Another copy reads the cached package while this one downloads it: the
// reader keeps its whole file, and the fault is the cache's, not the server's.
TEST_F(PackageDownloadTest, PackageHeldByAReaderIsNeitherCutNorBlamedOnTheServer) {
  ASSERT_TRUE(zortest::WriteWholeFile(zortest::Widen(file_), "older package"));
  const HANDLE reader = CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Download("/size/2000.zip"));
  CloseHandle(reader);
  EXPECT_EQ(last_, PackageDownload::kNotStored);
  EXPECT_EQ(FileContent(), "older package");
  EXPECT_EQ(zortest::FilesIn(dir_.path()), std::vector<std::wstring>{L"mod_1_0_3.zip"});
  EXPECT_TRUE(Logged(LastFailure(), Cause::kCacheFileInUse));
  EXPECT_TRUE(Download("/size/2000.zip"));
  EXPECT_EQ(FileContent(), Body(2000));
}

TEST_F(PackageDownloadTest, FileThatCannotBeCreatedFails) {
  file_ = dir_.pathA() + "\\no-such-folder\\mod.zip";
  EXPECT_FALSE(Download("/size/2000.zip"));
  EXPECT_EQ(last_, PackageDownload::kNotStored);
  EXPECT_TRUE(Logged(LastFailure(), Cause::kCacheFileNotCreated));
  EXPECT_EQ(requests_, 1);
  EXPECT_EQ(Kilobytes(), (std::vector<WPARAM>{1, 1}));
}

}  // namespace
