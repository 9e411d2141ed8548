// Every archive of the shared hostile-zip corpus through the unpacker, once
// as the install job runs it and once with every entry selected, so that
// damage hidden in entries without module names reaches the extraction path
// too. Python's zipfile judged each archive at build time (judge_corpus.py).
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "unpack/entry_rules.h"
#include "unpack/tests/test_sandbox.h"
#include "unpack_test_paths.h"

namespace {

using namespace unpacktest;

struct CorpusArchive {
  std::string path;     // relative to the corpus, '/'
  std::string verdict;  // damaged, hostile or sound
  std::string reason;
  std::map<std::string, std::string> entries;  // raw name -> reference file (last one wins)
};

std::string FromHex(const std::string& hex) {
  std::string out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::vector<CorpusArchive> LoadVerdicts() {
  std::vector<CorpusArchive> archives;
  std::ifstream in(std::string(kCorpusVerdictDir) + "/verdicts.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "A") {
      CorpusArchive a;
      fields >> a.path >> a.verdict;
      std::getline(fields, a.reason);
      archives.push_back(a);
    } else if (kind == "E" && !archives.empty()) {
      std::string hex, ref;
      fields >> hex >> ref;
      archives.back().entries[FromHex(hex)] = ref;
    }
  }
  return archives;
}

bool SelectEverything(const char*, std::size_t) { return true; }

// Where zipfile and the unpacker part ways for a reason that is not a fault:
// the damage lies in fields the walk never reads, or the archive contradicts
// itself and the walk follows the end record, as it must.
const std::map<std::string, const char*> kDisagreements = {
    {"libzip/incons-central-file-comment-shorter.zip",
     "a file comment longer than its length field; the entry itself is whole"},
    {"libzip/incons-ef-central-size-wrong.zip",
     "an extra field whose length is wrong, skipped; the entry itself is whole"},
    {"libzip/incons-local-filename.zip",
     "the local header names the entry \"b\"; the walk takes the central directory's \"a\", "
     "and the data passes its checksum"},
    {"libzip/incons-file-count-low.zip",
     "the end record counts 2 of its 3 entries; the walk stops after 2"},
};

std::string CorpusPath(const std::string& relative) {
  std::string path = std::string(kCorpusDir) + "/" + relative;
#ifdef _WIN32
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

// Where the zip-slip archives aim, from any depth: the root's tmp or Temp.
std::vector<std::string> SlipTargets() {
#ifdef _WIN32
  return {"C:\\tmp\\evil.txt", "C:\\Temp\\evil.txt", "Z:\\tmp\\evil.txt", "Z:\\Temp\\evil.txt"};
#else
  return {"/tmp/evil.txt", "/Temp/evil.txt"};
#endif
}

class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!IsDirectory(kCorpusDir)) GTEST_SKIP() << "no corpus at " << kCorpusDir;
    archives_ = LoadVerdicts();
    ASSERT_FALSE(archives_.empty()) << "the corpus was not judged at build time";
    for (const std::string& p : SlipTargets()) {
      if (!Exists(p)) slipTargets_.push_back(p);
    }
  }
  void ExpectNoSlip() {
    for (const std::string& p : slipTargets_) EXPECT_FALSE(Exists(p)) << p;
  }

  std::vector<CorpusArchive> archives_;
  std::vector<std::string> slipTargets_;
};

TEST_F(CorpusTest, InstallFilterWritesNothingAndNothingOutside) {
  // No corpus entry carries a module name: whatever the archive holds, the
  // install filter writes nothing.
  for (const CorpusArchive& a : archives_) {
    SCOPED_TRACE(a.path);
    Sandbox box;
    const int result = ExtractArchive(CorpusPath(a.path).c_str(), box.target().c_str());
    EXPECT_EQ(box.Listing(), std::vector<std::string>{"t"}) << "result " << result;
    ExpectNoSlip();
  }
}

TEST_F(CorpusTest, EveryEntrySelectedFailsOnDamageAndWritesSoundDataRight) {
  int soundUnpacked = 0;
  for (const CorpusArchive& a : archives_) {
    SCOPED_TRACE(a.path + " (" + a.verdict + a.reason + ")");
    Sandbox box;
    const int result = unpack::ExtractArchiveWith(CorpusPath(a.path).c_str(), box.target().c_str(),
                                                  SelectEverything);
    EXPECT_EQ(box.OutsideTarget(), std::vector<std::string>{});
    ExpectNoSlip();
    if (kDisagreements.count(a.path) != 0) continue;
    if (a.verdict != "sound") {
      EXPECT_NE(result, 0);
      continue;
    }
    if (result != 0) {
      std::printf("note: %s is sound to zipfile, unpacker result %d\n", a.path.c_str(), result);
      continue;
    }
    ++soundUnpacked;
    for (const auto& [name, ref] : a.entries) {
      std::string expected, written;
      ASSERT_TRUE(ReadFileBytes(std::string(kCorpusVerdictDir) + "/" + ref, &expected));
      char outputPath[unpack::kOutputPathSize];
      ASSERT_TRUE(unpack::BuildOutputPath(box.target().c_str(), name.data(), name.size(), kSep,
                                          kSep == '\\', outputPath));
      ASSERT_TRUE(ReadFileBytes(outputPath, &written)) << name;
      EXPECT_TRUE(written == expected) << name << ": " << written.size() << " bytes, expected "
                                       << expected.size();
    }
  }
  // Most of the sound archives are plain zip files minizip reads as well.
  EXPECT_GT(soundUnpacked, 40);
}

}  // namespace
