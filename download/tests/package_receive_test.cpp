// The download's read loop over scripted readers: sizes at the limit,
// kilobyte counts, failed reads, pieces of any size.
#include "download/package_receive.h"
#include "download/response_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using package::kReadSize;
using package::kReceiveBufferSize;

// Serves `body` in pieces of at most `piece` bytes (never more than asked),
// optionally failing the read numbered `failAt` (0 = the first). Checks
// every read against the bounds of the buffer.
struct ScriptedServer {
  std::string body;
  std::size_t piece = kReadSize;
  int failAt = -1;

  const char* bufferBegin = nullptr;
  std::size_t sent = 0;
  int reads = 0;
  bool outOfBounds = false;
  bool wrongReadSize = false;

  bool Read(char* into, std::size_t most, std::size_t* got) {
    const int number = reads++;
    if (most != kReadSize) wrongReadSize = true;
    if (into < bufferBegin || into + most > bufferBegin + kReceiveBufferSize) outOfBounds = true;
    if (number == failAt) return false;
    std::size_t n = body.size() - sent;
    if (n > piece) n = piece;
    if (n > most) n = most;
    std::memcpy(into, body.data() + sent, n);
    sent += n;
    *got = n;
    return true;
  }
};

struct Transfer {
  std::size_t total = 0;
  std::vector<std::size_t> progress;
  std::vector<char> buffer = std::vector<char>(kReceiveBufferSize);
};

Transfer Receive(ScriptedServer& server) {
  Transfer t;
  server.bufferBegin = t.buffer.data();
  t.total = package::ReceivePackage(
      t.buffer.data(), [&server](char* into, std::size_t most, std::size_t* got) { return server.Read(into, most, got); },
      [&t](std::size_t kilobytes) { t.progress.push_back(kilobytes); });
  EXPECT_FALSE(server.outOfBounds);
  EXPECT_FALSE(server.wrongReadSize);
  return t;
}

std::string Body(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST(PackageReceiveTest, SizeLimitIsTheBufferLessOneRead) {
  EXPECT_EQ(package::kSizeLimit, 8387584u);
  EXPECT_EQ(kReceiveBufferSize, 8388608u);
}

TEST(PackageReceiveTest, PackageOfExactlyTheLimitArrivesWhole) {
  ScriptedServer server{Body(package::kSizeLimit)};
  const Transfer t = Receive(server);
  EXPECT_EQ(t.total, package::kSizeLimit);
  EXPECT_EQ(std::string(t.buffer.data(), t.total), server.body);
  ASSERT_EQ(t.progress.size(), 8191u);
  EXPECT_EQ(t.progress.front(), 1u);
  EXPECT_EQ(t.progress.back(), 8191u);
}

TEST(PackageReceiveTest, OneByteOverTheLimitFailsAfterCountingTo8191) {
  ScriptedServer server{Body(package::kSizeLimit + 1)};
  const Transfer t = Receive(server);
  EXPECT_EQ(t.total, 0u);
  ASSERT_EQ(t.progress.size(), 8192u);
  EXPECT_EQ(t.progress[8190], 8191u);
  EXPECT_EQ(t.progress.back(), 8191u);
  EXPECT_EQ(server.reads, 8192);  // no read after the limit was passed
}

TEST(PackageReceiveTest, ProgressCountsWholeKilobytes) {
  struct Case {
    std::size_t size;
    std::vector<std::size_t> progress;
  };
  for (const Case& c : {Case{1023, {0}}, Case{1024, {1}}, Case{1500, {1, 1}}, Case{2048, {1, 2}}, Case{1, {0}}}) {
    ScriptedServer server{Body(c.size)};
    const Transfer t = Receive(server);
    EXPECT_EQ(t.total, c.size);
    EXPECT_EQ(t.progress, c.progress) << c.size << " bytes";
  }
}

TEST(PackageReceiveTest, SmallPiecesLieBackToBack) {
  ScriptedServer server{Body(10000)};
  server.piece = 333;
  const Transfer t = Receive(server);
  EXPECT_EQ(t.total, 10000u);
  EXPECT_EQ(std::string(t.buffer.data(), t.total), server.body);
  ASSERT_EQ(t.progress.size(), 31u);  // ceil(10000 / 333)
  EXPECT_EQ(t.progress[2], 0u);       // 999 bytes
  EXPECT_EQ(t.progress[3], 1u);       // 1332 bytes
  EXPECT_EQ(t.progress.back(), 9u);
}

TEST(PackageReceiveTest, SmallPiecesStillStopAtTheLimit) {
  // 1000-byte pieces: the limit is passed in the middle of a piece, and no
  // read may reach past the block meanwhile.
  ScriptedServer server{Body(package::kSizeLimit + 500)};
  server.piece = 1000;
  const Transfer t = Receive(server);
  EXPECT_EQ(t.total, 0u);
  EXPECT_EQ(t.progress.back(), 8191u);  // 8388 pieces: 8388000 bytes
}

TEST(PackageReceiveTest, EmptyBodyOrFailedFirstReadYieldsNothing) {
  ScriptedServer empty{""};
  const Transfer t1 = Receive(empty);
  EXPECT_EQ(t1.total, 0u);
  EXPECT_TRUE(t1.progress.empty());

  ScriptedServer failing{Body(5000)};
  failing.failAt = 0;
  const Transfer t2 = Receive(failing);
  EXPECT_EQ(t2.total, 0u);
  EXPECT_TRUE(t2.progress.empty());
  EXPECT_EQ(failing.reads, 1);
}

// A cut package is no package, even when the server stated no length.
TEST(PackageReceiveTest, LaterFailedReadFailsTheTransfer) {
  ScriptedServer server{Body(5000)};
  server.failAt = 3;
  const Transfer t = Receive(server);
  EXPECT_EQ(t.total, 0u);
  EXPECT_EQ(t.progress, (std::vector<std::size_t>{1, 2, 3}));
}

TEST(ResponseRulesTest, OnlyAWhole200AnswerIsTheDocument) {
  using download::IsWholeResponse;
  EXPECT_TRUE(IsWholeResponse(200, true, 5000, 5000));
  EXPECT_TRUE(IsWholeResponse(200, false, 0, 5000));  // no length stated: up to the end
  EXPECT_FALSE(IsWholeResponse(404, true, 28, 28));   // an error page with its body
  EXPECT_FALSE(IsWholeResponse(500, false, 0, 28));
  EXPECT_FALSE(IsWholeResponse(302, true, 5, 5));
  EXPECT_FALSE(IsWholeResponse(200, true, 100000, 5000));  // the connection dropped
  EXPECT_FALSE(IsWholeResponse(200, true, 5001, 5000));
}

// The proxy a request to the catalogue server goes through, as the log names it.
TEST(ResponseRulesTest, TheHttpProxyOfTheSystemsList) {
  using download::HttpProxyOf;
  EXPECT_EQ(HttpProxyOf("proxy.lan:3128"), "proxy.lan:3128");
  EXPECT_EQ(HttpProxyOf("https=s:443; http=http://h:8080/ ftp=f:21"), "h:8080");
  EXPECT_EQ(HttpProxyOf("https=s:443"), "");
  EXPECT_EQ(HttpProxyOf(""), "");
  using download::ProxyBypassed;
  EXPECT_TRUE(ProxyBypassed("<local>", "catalogue"));
  EXPECT_FALSE(ProxyBypassed("<local>", "catalogue.maker.ru"));
  EXPECT_TRUE(ProxyBypassed("10.*; *.MAKER.ru", "catalogue.maker.ru"));
  EXPECT_FALSE(ProxyBypassed("*.maker.ru,10.*", "maker.ru.evil.example"));
}

TEST(ResponseRulesTest, AShortOrFailedWriteLeavesNoPartialFile) {
  const std::string data = Body(3000);
  struct Outcome {
    bool saved;
    bool discarded;
  };
  const auto save = [&](bool ok, std::size_t wrote) {
    bool discarded = false;
    const bool saved = download::SaveWhole(
        data.data(), data.size(),
        [&](const char* from, std::size_t size, std::size_t* written) {
          EXPECT_EQ(from, data.data());
          EXPECT_EQ(size, data.size());
          *written = wrote;
          return ok;
        },
        [&] { discarded = true; });
    return Outcome{saved, discarded};
  };
  const Outcome whole = save(true, 3000);
  EXPECT_TRUE(whole.saved);
  EXPECT_FALSE(whole.discarded);
  const Outcome diskFull = save(true, 2048);
  EXPECT_FALSE(diskFull.saved);
  EXPECT_TRUE(diskFull.discarded);
  const Outcome failed = save(false, 0);
  EXPECT_FALSE(failed.saved);
  EXPECT_TRUE(failed.discarded);
}

}  // namespace
