// ExtractArchive and its parts over archives made by python3's zipfile,
// Info-ZIP zip and 7-Zip (make_test_archives.py), natively and under Wine.
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/log_causes.h"
#include "unpack/entry_rules.h"
#include "files/file_system.h"
#include "unpack/tests/test_sandbox.h"

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>

#include "files/posix/file_system.h"
#else
#include <windows.h>

#include "log/win/log.h"
#include "files/win/file_system.h"
#endif

namespace {

using namespace unpacktest;
using Files = std::vector<std::string>;
using zortest::Cause;
using zortest::Logged;

struct Stamp {
  int year, month, day, hour, minute, second;
};
constexpr Stamp kModDate{2021, 3, 14, 15, 26, 52};
constexpr Stamp kDrvDate{2019, 11, 2, 8, 4, 10};

class UnpackTest : public ::testing::Test {
 protected:
  // Keeps the unpacker's last reason, as support reads it, and its blame.
  int Extract(const std::string& archive) { return ExtractPath(ArchivePath(archive)); }
  int ExtractPath(const std::string& path) {
#ifdef _WIN32
    ForgetLastFailure();
    const unpack::Result result = unpack::Extract(path.c_str(), box.target().c_str(), unpack::IsModuleEntryName);
    reason_ = LastFailure();
#else
    ::testing::internal::CaptureStderr();
    const unpack::Result result = unpack::Extract(path.c_str(), box.target().c_str(), unpack::IsModuleEntryName);
    reason_ = ::testing::internal::GetCapturedStderr();
#endif
    blame_ = result.blame;
    return result.code;
  }
  std::string reason_;
  unpack::Blame blame_ = unpack::Blame::kNone;
  std::string Content(const std::string& relative) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(box.InTarget(relative), &bytes)) << relative;
    return bytes;
  }
  // Module contents are binary and long: report where they differ, not them.
  void ExpectContent(const std::string& relative, const std::string& expected) {
    const std::string actual = Content(relative);
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(actual == expected) << relative << ": " << actual.size() << " bytes, expected "
                                    << expected.size() << ", first difference at "
                                    << (diff.first - actual.begin());
  }
  void ExpectStamp(const std::string& relative, const Stamp& s) {
    FileStamps stamps;
    ASSERT_TRUE(ReadFileStamps(box.InTarget(relative), &stamps)) << relative;
    const std::int64_t expected = LocalToUnix(s.year, s.month, s.day, s.hour, s.minute, s.second);
    EXPECT_EQ(stamps.lastWrite, expected) << relative;
    if (stamps.hasCreation) {
      EXPECT_EQ(stamps.creation, expected) << relative;
    }
  }
  void ExpectNothingOutside() { EXPECT_EQ(box.OutsideTarget(), Files{}); }

  Sandbox box;
};

// --- archives that unpack ------------------------------------------------------

TEST_F(UnpackTest, UnpacksModulesWithTheirDirectoriesAndDates) {
  EXPECT_EQ(Extract("basic.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), (Files{"mod.z70", "sub/drv.sys"}));
  ExpectContent("mod.z70", ModContent());
  ExpectContent("sub/drv.sys", DrvContent());
  ExpectStamp("mod.z70", kModDate);
  ExpectStamp("sub/drv.sys", kDrvDate);
  ExpectNothingOutside();
  // The target stays the current directory.
  EXPECT_TRUE(SameFile(CurrentDirectory(), box.target()));
}

struct ToolArchive {
  const char* archive;
  bool hasDriver;
  bool zip64Central = false;  // sizes in a Zip64 field of the central directory
};

// minizip 1.1 looks for the 32-bit "see the Zip64 field" marker as
// (unsigned long)-1, which is 64 bits wide where long is: there (64-bit
// Linux, not Windows) it never reads the real sizes and takes 4 GiB for each
// entry, which the size limit refuses.
constexpr bool kMinizipReadsZip64Central = sizeof(unsigned long) == 4;

class ToolArchiveTest : public UnpackTest, public ::testing::WithParamInterface<ToolArchive> {};

TEST_P(ToolArchiveTest, UnpacksWhatTheToolWrote) {
  if (GetParam().zip64Central && !kMinizipReadsZip64Central) {
    EXPECT_EQ(Extract(GetParam().archive), UNZ_BADZIPFILE);
    EXPECT_EQ(box.Listing(), Files{"t"});
    return;
  }
  EXPECT_EQ(Extract(GetParam().archive), 0);
  Files expected{"mod.z70"};
  if (GetParam().hasDriver) expected.push_back("sub/drv.sys");
  EXPECT_EQ(box.TargetFiles(), expected);
  ExpectContent("mod.z70", ModContent());
  ExpectStamp("mod.z70", kModDate);
  if (GetParam().hasDriver) {
    ExpectContent("sub/drv.sys", DrvContent());
    ExpectStamp("sub/drv.sys", kDrvDate);
  }
  ExpectNothingOutside();
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolArchiveTest,
    ::testing::Values(ToolArchive{"infozip.zip", true},          // directory entry, deflated
                      ToolArchive{"infozip_stored.zip", true},   // stored
                      ToolArchive{"infozip_stream.zip", true},   // data descriptors
                      ToolArchive{"zip64_infozip.zip", true, true},  // Zip64 extra fields
                      ToolArchive{"sevenzip.zip", true},         // 7-Zip, deflated
                      ToolArchive{"sevenzip_stored.zip", true},  // 7-Zip, stored
                      ToolArchive{"stream.zip", true},           // zipfile, data descriptors
                      ToolArchive{"zip64_python.zip", false}),   // zipfile, Zip64 local header
    [](const ::testing::TestParamInfo<ToolArchive>& info) {
      std::string name = info.param.archive;
      return name.substr(0, name.find('.'));
    });

TEST_F(UnpackTest, FilterIsACaseSensitiveSubstringTest) {
  EXPECT_EQ(Extract("case.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), Files{"mod.z70.old"});
}

TEST_F(UnpackTest, ArchivesWithoutModulesWriteNothing) {
  EXPECT_EQ(Extract("nomatch.zip"), 0);
  EXPECT_EQ(box.Listing(), Files{"t"});
}

TEST_F(UnpackTest, EmptyArchiveDoesNotOpen) {
  // minizip never finds an end record at offset 0, so a package without a
  // single entry fails like an unreadable one.
  EXPECT_EQ(Extract("empty.zip"), 1);
  EXPECT_EQ(box.Listing(), Files{"t"});
}

TEST_F(UnpackTest, CreatesDirectoryEntriesAndMissingParents) {
  EXPECT_EQ(Extract("dirs.zip"), 0);
  EXPECT_TRUE(IsDirectory(box.InTarget("mods.z70")));
  EXPECT_EQ(box.TargetFiles(), (Files{"a/b/c/deep.z70", "mods.z70/inner.sys"}));
  ExpectContent("a/b/c/deep.z70", ModContent());
  ExpectNothingOutside();
}

TEST_F(UnpackTest, BackslashSeparatesDirectories) {
  EXPECT_EQ(Extract("backslash.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), Files{"sub/win.sys"});
}

TEST_F(UnpackTest, NamesThatOnlyLookOddStayInside) {
  EXPECT_EQ(Extract("odd_names.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), (Files{"..a.z70", "a..b/c.z70", "a/b.z70", "x .y.z70"}));
  ExpectNothingOutside();
}

TEST_F(UnpackTest, ReplacesAnExistingFile) {
  ASSERT_TRUE(WriteFileBytes(box.InTarget("mod.z70"), "old release"));
  EXPECT_EQ(Extract("replace.zip"), 0);
  ExpectContent("mod.z70", NewContent());
  ExpectStamp("mod.z70", kModDate);
  EXPECT_EQ(box.TargetFiles(), Files{"mod.z70"});  // no temporary file left
}

#ifdef _WIN32
std::vector<std::string> durableCalls;
BOOL WINAPI RecordFlush(HANDLE file) {
  durableCalls.push_back("flush");
  return FlushFileBuffers(file);
}
BOOL WINAPI RecordMove(LPCSTR from, LPCSTR to, DWORD flags) {
  durableCalls.push_back((flags & MOVEFILE_WRITE_THROUGH) != 0 ? "move through" : "move");
  return MoveFileExA(from, to, flags);
}

// A module is on the device before it counts as written: its data is
// flushed before it replaces the old file, and the replacement is written
// through.
TEST_F(UnpackTest, EachModuleIsFlushedThenMovedWriteThrough) {
  files::DurableWriteCalls& calls = files::DurableWrites();
  const files::DurableWriteCalls saved = calls;
  calls.flushFileBuffers = RecordFlush;
  calls.moveFileEx = RecordMove;
  durableCalls.clear();
  const int result = Extract("basic.zip");
  calls = saved;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(durableCalls, (Files{"flush", "move through", "flush", "move through"}));
}
#endif

TEST_F(UnpackTest, OpensThePathWithZipAppended) {
  const std::string path = ArchivePath("basic");
  EXPECT_EQ(ExtractArchive(path.c_str(), box.target().c_str()), 0);
  EXPECT_EQ(box.TargetFiles(), (Files{"mod.z70", "sub/drv.sys"}));
}

TEST_F(UnpackTest, LongNamesOutsideTheFilterAreSkippedWhole) {
  // A 304-byte name: longer than a 256-byte name buffer.
  EXPECT_EQ(Extract("long_plain.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), Files{"mod.z70"});
}

TEST_F(UnpackTest, ArchivesWhoseUnmatchedEntriesDeclareGigabytesUnpack) {
  EXPECT_EQ(Extract("unmatched_huge.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), Files{"mod.z70"});
}

TEST_F(UnpackTest, ExtractMatchingEntriesWorksOnAnOpenArchive) {
  unzFile archive = unzOpen64(ArchivePath("basic.zip").c_str());
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(ExtractMatchingEntries(archive, box.target().c_str()), 0);
  unzClose(archive);
  EXPECT_EQ(box.TargetFiles(), (Files{"mod.z70", "sub/drv.sys"}));
}

TEST_F(UnpackTest, ExtractCurrentEntryWritesTheCurrentEntryOnly) {
  unzFile archive = unzOpen64(ArchivePath("basic.zip").c_str());
  ASSERT_NE(archive, nullptr);
  ASSERT_EQ(unzGoToNextFile(archive), UNZ_OK);  // readme.txt: not filtered here
  EXPECT_EQ(ExtractCurrentEntry(archive, box.target().c_str()), 0);
  unzClose(archive);
  EXPECT_EQ(box.TargetFiles(), Files{"readme.txt"});
}

// --- archives that fail --------------------------------------------------------

TEST_F(UnpackTest, MissingOrTruncatedArchivesDoNotOpen) {
  EXPECT_EQ(Extract("no-such-archive"), 1);
  EXPECT_EQ(Extract("truncated.zip"), 1);
  EXPECT_EQ(blame_, unpack::Blame::kArchive);
  EXPECT_EQ(box.Listing(), Files{"t"});
#ifdef _WIN32
  // A sound archive that another program holds unshared says nothing of its bytes.
  const std::string copy = JoinPath(box.root(), "held.zip");
  ASSERT_TRUE(CopyFileA(ArchivePath("basic.zip").c_str(), copy.c_str(), FALSE));
  const HANDLE held = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ExtractPath(copy), 1);
  CloseHandle(held);
  EXPECT_EQ(blame_, unpack::Blame::kTarget) << reason_;
  EXPECT_NE(reason_.find("cannot be read: error 32 (ERROR_SHARING_VIOLATION)"), std::string::npos) << reason_;
#endif
}

#ifdef _WIN32
bool ArchiveClosed(const std::string& copy) { return DeleteFileA(copy.c_str()) != 0; }
#else
int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d) != nullptr) ++n;
    closedir(d);
  }
  return n;
}
#endif

TEST_F(UnpackTest, MissingTargetFailsAndClosesTheArchive) {
  const std::string missing = JoinPath(box.root(), "absent");
#ifdef _WIN32
  // An archive still open cannot be deleted on Windows.
  const std::string copy = JoinPath(box.root(), "copy.zip");
  ASSERT_TRUE(CopyFileA(ArchivePath("basic.zip").c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(ExtractArchive(copy.c_str(), missing.c_str()), -1);
  EXPECT_TRUE(ArchiveClosed(copy));
#else
  const int before = OpenDescriptors();
  EXPECT_EQ(ExtractArchive(ArchivePath("basic.zip").c_str(), missing.c_str()), -1);
  EXPECT_EQ(OpenDescriptors(), before);
#endif
  EXPECT_FALSE(Exists(missing));
}

TEST_F(UnpackTest, ChecksumMismatchLeavesTheOldModule) {
  ASSERT_TRUE(WriteFileBytes(box.InTarget("mod.z70"), "old release"));
  EXPECT_EQ(Extract("crc.zip"), UNZ_CRCERROR);
  EXPECT_TRUE(Logged(reason_, Cause::kCrc));
  EXPECT_EQ(Content("mod.z70"), "old release");
  EXPECT_EQ(box.TargetFiles(), Files{"mod.z70"});
}

TEST_F(UnpackTest, ChecksumMismatchWritesNothingOfTheEntry) {
  EXPECT_EQ(Extract("crc.zip"), UNZ_CRCERROR);
  EXPECT_EQ(blame_, unpack::Blame::kArchive);
  EXPECT_EQ(box.TargetFiles(), Files{});
}

TEST_F(UnpackTest, FailureKeepsEntriesWrittenBeforeIt) {
  EXPECT_EQ(Extract("crc_second.zip"), UNZ_CRCERROR);
  EXPECT_EQ(box.TargetFiles(), Files{"first.z70"});
  EXPECT_EQ(Content("first.z70"), kFirstContent);
}

TEST_F(UnpackTest, OutputThatCannotBeCreatedIsAnError) {
  // A file where the entry's directory should go.
  ASSERT_TRUE(WriteFileBytes(box.InTarget("sub"), "in the way"));
  EXPECT_EQ(Extract("basic.zip"), UNZ_ERRNO);
  EXPECT_EQ(blame_, unpack::Blame::kTarget);
  EXPECT_EQ(box.TargetFiles(), (Files{"mod.z70", "sub"}));
  EXPECT_EQ(Content("sub"), "in the way");
}

TEST_F(UnpackTest, OutputThatCannotBeReplacedIsAnError) {
  // A directory where the module's file should go.
  ASSERT_TRUE(MakeDirectory(box.InTarget("mod.z70")));
  EXPECT_EQ(Extract("replace.zip"), UNZ_ERRNO);
  EXPECT_TRUE(IsDirectory(box.InTarget("mod.z70")));
  EXPECT_EQ(box.TargetFiles(), Files{});
}

#ifndef _WIN32
// A disk that keeps other bytes in the second file written to it.
int readBacksStarted = 0;
ssize_t FlipInSecondFile(int fd, void* buffer, std::size_t size, off_t offset) {
  const ssize_t got = ::pread(fd, buffer, size, offset);
  if (offset == 0 && ++readBacksStarted == 2 && got > 100) static_cast<char*>(buffer)[100] ^= 0x20;
  return got;
}

TEST_F(UnpackTest, ModuleThatReadsBackOtherwiseLeavesTheOldFile) {
  ASSERT_TRUE(MakeDirectory(box.InTarget("sub")));
  ASSERT_TRUE(WriteFileBytes(box.InTarget("sub/drv.sys"), "old driver"));
  const files::ReadBackCalls saved = files::ReadBacks();
  files::ReadBacks().readAt = FlipInSecondFile;
  readBacksStarted = 0;
  const int result = Extract("basic.zip");
  files::ReadBacks() = saved;
  EXPECT_EQ(result, UNZ_ERRNO);
  EXPECT_EQ(blame_, unpack::Blame::kTarget);
  EXPECT_EQ(Content("sub/drv.sys"), "old driver");
  ExpectContent("mod.z70", ModContent());
  EXPECT_EQ(box.TargetFiles(), (Files{"mod.z70", "sub/drv.sys"}));  // no temporary file left
  EXPECT_TRUE(Logged(reason_, Cause::kReadBackDiffers));
  EXPECT_TRUE(Logged(reason_, Cause::kAlreadyReplaced)) << "mod.z70 is named";
  EXPECT_NE(reason_.find("holds the new mod.z70 of"), std::string::npos) << reason_;
}
#endif

TEST_F(UnpackTest, DataEndingBeforeItsDeclaredSizeIsRefused) {
  EXPECT_EQ(Extract("short.zip"), UNZ_BADZIPFILE);
  EXPECT_EQ(blame_, unpack::Blame::kArchive);
  EXPECT_EQ(box.TargetFiles(), Files{"first.z70"});
}

// Refused before anything of the archive is written: each of these archives
// starts with a harmless module, which must not appear either.
struct Refusal {
  const char* archive;
  int result;
  Cause cause = Cause::kUnsafeEntry;
  unpack::Blame blame = unpack::Blame::kArchive;
};

class RefusalTest : public UnpackTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, RefusesTheArchiveBeforeWriting) {
  EXPECT_EQ(Extract(GetParam().archive), GetParam().result);
  EXPECT_TRUE(Logged(reason_, GetParam().cause));
  EXPECT_EQ(blame_, GetParam().blame);
  EXPECT_EQ(box.Listing(), Files{"t"});
#ifdef _WIN32
  for (const char* outside : {"C:\\zor70-unpack-abs.z70", "C:\\zor70-unpack-drive.z70",
                              "Z:\\zor70-unpack-abs.z70", "Z:\\zor70-unpack-drive.z70"}) {
    EXPECT_FALSE(Exists(outside)) << outside;
  }
#else
  EXPECT_FALSE(Exists("/zor70-unpack-abs.z70"));
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusalTest,
    ::testing::Values(
        Refusal{"trav_dotdot_slash.zip", UNZ_BADZIPFILE}, Refusal{"trav_dotdot_backslash.zip", UNZ_BADZIPFILE},
        Refusal{"trav_inner_slash.zip", UNZ_BADZIPFILE}, Refusal{"trav_inner_backslash.zip", UNZ_BADZIPFILE},
        Refusal{"trav_trailing_dotdot.zip", UNZ_BADZIPFILE}, Refusal{"trav_abs_slash.zip", UNZ_BADZIPFILE},
        Refusal{"trav_abs_backslash.zip", UNZ_BADZIPFILE}, Refusal{"trav_drive.zip", UNZ_BADZIPFILE},
        Refusal{"trav_drive_backslash.zip", UNZ_BADZIPFILE}, Refusal{"trav_drive_slash.zip", UNZ_BADZIPFILE},
        Refusal{"name_stream.zip", UNZ_BADZIPFILE}, Refusal{"name_con.zip", UNZ_BADZIPFILE},
        Refusal{"name_nul_dir.zip", UNZ_BADZIPFILE}, Refusal{"name_aux_upper.zip", UNZ_BADZIPFILE},
        Refusal{"name_com1.zip", UNZ_BADZIPFILE}, Refusal{"name_lpt9.zip", UNZ_BADZIPFILE},
        Refusal{"name_conout.zip", UNZ_BADZIPFILE}, Refusal{"name_dot_dir.zip", UNZ_BADZIPFILE},
        Refusal{"name_dot_end.zip", UNZ_BADZIPFILE}, Refusal{"name_space_end.zip", UNZ_BADZIPFILE},
        Refusal{"name_space_dir.zip", UNZ_BADZIPFILE}, Refusal{"name_current_dir.zip", UNZ_BADZIPFILE},
        Refusal{"name_lt.zip", UNZ_BADZIPFILE}, Refusal{"name_gt.zip", UNZ_BADZIPFILE},
        Refusal{"name_quote.zip", UNZ_BADZIPFILE}, Refusal{"name_pipe.zip", UNZ_BADZIPFILE},
        Refusal{"name_question.zip", UNZ_BADZIPFILE}, Refusal{"name_star.zip", UNZ_BADZIPFILE},
        Refusal{"name_ctrl1.zip", UNZ_BADZIPFILE}, Refusal{"name_ctrl31.zip", UNZ_BADZIPFILE},
        Refusal{"name_nul.zip", UNZ_BADZIPFILE},
        // ".z70" only behind the NUL: the filter reads the whole name.
        Refusal{"name_nul_hidden.zip", UNZ_BADZIPFILE},
        Refusal{"long_module.zip", UNZ_ERRNO, Cause::kPathTooLong, unpack::Blame::kTarget}));

INSTANTIATE_TEST_SUITE_P(
    Contents, RefusalTest,
    ::testing::Values(Refusal{"encrypted_infozip.zip", UNZ_BADZIPFILE},
                      Refusal{"encrypted_7z_zipcrypto.zip", UNZ_BADZIPFILE},
                      Refusal{"encrypted_7z_aes.zip", UNZ_BADZIPFILE},
                      Refusal{"bzip2.zip", UNZ_BADZIPFILE}, Refusal{"lzma.zip", UNZ_BADZIPFILE},
                      Refusal{"bomb.zip", UNZ_BADZIPFILE, Cause::kDeclaredOverLimit},
                      Refusal{"declared_huge.zip", UNZ_BADZIPFILE, Cause::kDeclaredOverLimit}));

// The output path buffer holds 260 bytes: a 190-byte name fits below a
// 68-byte target (259 bytes and the terminator) and not below a 69-byte one.
class PathLimitTest : public UnpackTest {
 protected:
  void UseTargetOfLength(std::size_t length) {
    const std::size_t base = box.root().size() + 1;
    ASSERT_LT(base + 1, length) << "temporary directory too deep for this test";
    box.UseTarget(std::string(length - base, 'p'));
    ASSERT_EQ(box.target().size(), length);
  }
};

TEST_F(PathLimitTest, PathOf259BytesFits) {
  UseTargetOfLength(68);
  EXPECT_EQ(Extract("name_190.zip"), 0);
  const std::string name = std::string(186, 'd') + ".z70";
  EXPECT_EQ(box.TargetFiles(), Files{name});
  ExpectContent(name, ModContent());
}

TEST_F(PathLimitTest, PathOf260BytesIsAnError) {
  UseTargetOfLength(69);
  EXPECT_EQ(Extract("name_190.zip"), UNZ_ERRNO);
  EXPECT_TRUE(Logged(reason_, Cause::kPathTooLong));
  EXPECT_EQ(box.TargetFiles(), Files{});
  ExpectNothingOutside();
}

// Each module is first written to a 15-byte temporary name beside it: below
// a 244-byte target that path would take 260 bytes, though "a.z70" fits.
TEST_F(PathLimitTest, TemporaryFileBesideAShortNameMustFitToo) {
  UseTargetOfLength(244);
  EXPECT_EQ(Extract("short_names.zip"), UNZ_ERRNO);
  EXPECT_EQ(box.TargetFiles(), Files{});
}

TEST_F(PathLimitTest, TemporaryFileOf259BytesFits) {
  UseTargetOfLength(243);
  EXPECT_EQ(Extract("short_names.zip"), 0);
  EXPECT_EQ(box.TargetFiles(), (Files{"a.z70", "first.z70"}));
}

// --- MakeDirectoryPath and SetFileDateFromDos ----------------------------------

TEST_F(UnpackTest, MakeDirectoryPathCreatesEveryLevel) {
  EXPECT_EQ(MakeDirectoryPath(box.InTarget("a/b/c").c_str()), 1);
  EXPECT_TRUE(IsDirectory(box.InTarget("a/b/c")));
  EXPECT_EQ(MakeDirectoryPath(box.InTarget("a/b/c").c_str()), 1);  // exists already
  EXPECT_EQ(MakeDirectoryPath((box.target() + "/d/").c_str()), 1);
  EXPECT_TRUE(IsDirectory(box.InTarget("d")));
  EXPECT_EQ(MakeDirectoryPath(""), 0);
}

#ifndef _WIN32
TEST_F(UnpackTest, MakeDirectoryPathReportsALevelThatCannotExist) {
  // A level below a dangling link cannot be created: ENOENT.
  ASSERT_EQ(symlink("/nonexistent-zor70-dir/x", box.InTarget("link").c_str()), 0);
  EXPECT_EQ(MakeDirectoryPath(box.InTarget("link/a/b").c_str()), 0);
}
#endif

// --- EmptyDirectory --------------------------------------------------------------

// The temporary unpack folder is emptied whole, but a link inside it is
// removed, never entered: what it points at lies outside and stays.
TEST_F(UnpackTest, EmptyDirectoryRemovesEverythingButNeverFollowsALink) {
  ASSERT_TRUE(WriteFileBytes(box.InTarget("a.z70"), "a"));
  ASSERT_EQ(MakeDirectoryPath(box.InTarget("drv.sys/deeper").c_str()), 1);
  ASSERT_TRUE(WriteFileBytes(box.InTarget("drv.sys/deeper/x"), "x"));
  ASSERT_TRUE(MakeDirectory(JoinPath(box.root(), "outside")));
  const std::string keep = JoinPath(box.root(), "outside/keep.z70");
  ASSERT_TRUE(WriteFileBytes(keep, "keep"));
#ifndef _WIN32
  // Wine 8 makes no links, so they are made where they are real.
  ASSERT_EQ(symlink(JoinPath(box.root(), "outside").c_str(), box.InTarget("link").c_str()), 0);
  ASSERT_EQ(symlink(keep.c_str(), box.InTarget("filelink").c_str()), 0);
#endif
  files::EmptyDirectory(box.target());
  EXPECT_EQ(box.Listing(), (Files{"outside", "outside/keep.z70", "t"}));
  std::string kept;
  EXPECT_TRUE(ReadFileBytes(keep, &kept));
  EXPECT_EQ(kept, "keep");
}

#ifdef _WIN32
TEST(EntryKindTest, AReparsePointIsALinkWhateverElseItIs) {
  using files::EntryKind;
  EXPECT_EQ(files::KindOfAttributes(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT), EntryKind::Link);
  EXPECT_EQ(files::KindOfAttributes(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE), EntryKind::Link);
  EXPECT_EQ(files::KindOfAttributes(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN), EntryKind::Directory);
  EXPECT_EQ(files::KindOfAttributes(FILE_ATTRIBUTE_NORMAL), EntryKind::File);
  EXPECT_EQ(files::KindOfAttributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), EntryKind::File);
}
#endif

TEST_F(UnpackTest, SetFileDateFromDosTakesTheStampAsLocalTime) {
  const std::string file = box.InTarget("stamped.bin");
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  // 2021-03-14 15:26:52: date (41 << 9 | 3 << 5 | 14), time (15 << 11 | 26 << 5 | 26)
  const std::uint32_t dos = (((2021 - 1980) << 9 | 3 << 5 | 14) << 16) | (15 << 11 | 26 << 5 | 52 / 2);
  SetFileDateFromDos(file.c_str(), dos);
  ExpectStamp("stamped.bin", kModDate);
}

}  // namespace
