// An archive that needs more room than the target volume has free is refused
// before anything is written; one that replaces modules needs room only for
// what it adds. A small volume needs a mount: the test forks a
// child that enters fresh user and mount namespaces and mounts a 1 MiB tmpfs
// there; where the system allows neither, it is skipped.
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "unpack/tests/test_sandbox.h"

namespace {

using namespace unpacktest;

constexpr int kSkipped = 77;

bool WriteText(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

bool MountSmallVolume(const std::string& directory) {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
  WriteText("/proc/self/setgroups", "deny");
  if (!WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1")) return false;
  if (!WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) return false;
  // Keep the mount inside this namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return mount("zor70-small", directory.c_str(), "tmpfs", 0, "size=1m") == 0;
}

// 0 when every expectation held; otherwise the line that failed.
int ChildRun(const std::string& volume) {
  if (!MountSmallVolume(volume)) return kSkipped;
  // fill_3m.zip holds a small module, then 3 MiB of another in a few KiB of
  // archive. Refused before writing, the small one is not written either.
  if (ExtractArchive(ArchivePath("fill_3m.zip").c_str(), volume.c_str()) != UNZ_ERRNO) return __LINE__;
  if (Exists(volume + "/first.z70") || Exists(volume + "/fill.z70")) return __LINE__;
  // 256 KiB fit.
  if (ExtractArchive(ArchivePath("fill_256k.zip").c_str(), volume.c_str()) != 0) return __LINE__;
  struct stat st;
  if (stat((volume + "/fill.z70").c_str(), &st) != 0 || st.st_size != 256 * 1024) return __LINE__;
  // Four 150 KiB modules over four of the same size with about 400 KiB free:
  // each replaces its old file before the next is written, so only one
  // temporary file at a time needs room.
  if (unlink((volume + "/fill.z70").c_str()) != 0) return __LINE__;
  for (int i = 1; i <= 4; ++i) {
    if (!WriteFileBytes(volume + "/m" + std::to_string(i) + ".z70", std::string(150 * 1024, 'o'))) return __LINE__;
  }
  if (ExtractArchive(ArchivePath("replace_4x150k.zip").c_str(), volume.c_str()) != 0) return __LINE__;
  for (int i = 1; i <= 4; ++i) {
    std::string bytes;
    if (!ReadFileBytes(volume + "/m" + std::to_string(i) + ".z70", &bytes)) return __LINE__;
    if (bytes != std::string(150 * 1024, static_cast<char>(i))) return __LINE__;
  }
  return 0;
}

TEST(FreeSpaceTest, ArchiveNeedingMoreThanTheFreeSpaceIsRefusedBeforeWriting) {
  Sandbox box;
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int code = ChildRun(box.target());
    std::fflush(nullptr);
    _exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kSkipped) GTEST_SKIP() << "no user and mount namespaces here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "expectation at free_space_test.cpp line " << WEXITSTATUS(status);
}

}  // namespace
