// The unpacker over arbitrary archive bytes, through the real file system.
//
// Layout, made once per process under $TMPDIR (else /dev/shm when it
// exists, for speed):
//   <root>/archive.zip            the input, rewritten for every run
//   <root>/sandbox/outer/target   the target, emptied for every run except
//                                 for the module keep.z70
// After every run:
//   - nothing but "outer" is in the sandbox and nothing but "target" in
//     outer, and <root> holds only the archive and the sandbox: no entry
//     escaped the target;
//   - below the target there are only directories and regular files, every
//     file's relative path names a module (".z70" or ".sys"), and no
//     temporary file was left behind (a file named like one must come from
//     an archive entry of that name);
//   - keep.z70 is intact, unless the archive holds an entry "keep.z70" whose
//     complete data passes its checksum and equals the file's new content;
//   - the current directory can be put back (the unpacker changes it).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <unistd.h>

#include "fuzz/fuzz_check.h"
#include "unpack/unpack.h"

namespace fs = std::filesystem;

namespace {

constexpr char kKeptContent[] = "module that was on the scanner\n";

fs::path gRoot, gArchive, gSandbox, gOuter, gTarget, gKeep;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const void* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);
}

bool OnlyChild(const fs::path& directory, const fs::path& child) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, ec)) {
    if (entry.path().filename() != child) return false;
  }
  return !ec;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The unpacker's temporary files: "~zr", eight hex digits, ".tmp".
bool LooksTemporary(const std::string& fileName) {
  if (fileName.size() != 15 || fileName.compare(0, 3, "~zr") != 0 ||
      fileName.compare(11, 4, ".tmp") != 0) {
    return false;
  }
  return fileName.find_first_not_of("0123456789abcdef", 3) == 11;
}

// Whether the archive holds an entry that lands at `relative` (a path below
// the target with "/" between components); such a file may look temporary.
bool ArchiveHasEntry(const std::string& relative) {
  unzFile archive = unzOpen64(gArchive.c_str());
  if (archive == nullptr) return false;
  bool found = false;
  std::string name(0x10000, '\0');
  for (int err = unzGoToFirstFile(archive); err == UNZ_OK && !found; err = unzGoToNextFile(archive)) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK) break;
    std::string path;
    for (std::size_t i = 0; i < info.size_filename && i < name.size(); ++i) {
      const char c = name[i] == '\\' ? '/' : name[i];
      if (c == '/' && (path.empty() || path.back() == '/')) continue;
      path.push_back(c);
    }
    found = path == relative;
  }
  unzClose(archive);
  return found;
}

// Whether the archive holds an entry named exactly keep.z70 that reads to
// its end with a good checksum and whose data is `content`.
bool ArchiveReplacesKeep(const std::string& content) {
  unzFile archive = unzOpen64(gArchive.c_str());
  if (archive == nullptr) return false;
  bool found = false;
  for (int err = unzGoToFirstFile(archive); err == UNZ_OK && !found; err = unzGoToNextFile(archive)) {
    char name[16];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    if (info.size_filename != 8 || std::string(name) != "keep.z70") continue;
    if (unzOpenCurrentFile(archive) != UNZ_OK) continue;
    std::string data;
    char buffer[4096];
    int n;
    while ((n = unzReadCurrentFile(archive, buffer, sizeof buffer)) > 0) data.append(buffer, n);
    const bool checked = unzCloseCurrentFile(archive) == UNZ_OK;
    found = n == 0 && checked && data == content;
  }
  unzClose(archive);
  return found;
}

void ResetTarget() {
  std::error_code ec;
  fs::remove_all(gTarget, ec);
  FUZZ_CHECK(!ec);
  FUZZ_CHECK(fs::create_directory(gTarget, ec));
  WriteAll(gKeep, kKeptContent, sizeof kKeptContent - 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fs::path base = "/dev/shm";
  if (const char* tmp = std::getenv("TMPDIR")) base = tmp;
  else if (!fs::is_directory(base)) base = fs::temp_directory_path();
  std::string pattern = (base / "zor-fuzz-unpack-XXXXXX").string();
  FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
  gRoot = pattern;
  gArchive = gRoot / "archive.zip";
  gSandbox = gRoot / "sandbox";
  gOuter = gSandbox / "outer";
  gTarget = gOuter / "target";
  gKeep = gTarget / "keep.z70";
  FUZZ_CHECK(fs::create_directories(gOuter));
  std::atexit([] {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(gRoot, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(chdir(gRoot.c_str()) == 0);
  ResetTarget();
  WriteAll(gArchive, data, size);

  const int result = ExtractArchive(gArchive.c_str(), gTarget.c_str());
  FUZZ_CHECK(chdir(gRoot.c_str()) == 0);

  // Nothing outside the target.
  FUZZ_CHECK(OnlyChild(gSandbox, "outer"));
  FUZZ_CHECK(OnlyChild(gOuter, "target"));
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(gRoot, ec)) {
    const fs::path name = entry.path().filename();
    FUZZ_CHECK(name == "archive.zip" || name == "sandbox");
  }
  FUZZ_CHECK(!ec);

  // Inside it, module files and their directories only.
  for (auto it = fs::recursive_directory_iterator(gTarget, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const fs::file_status status = it->symlink_status();
    FUZZ_CHECK(fs::is_directory(status) || fs::is_regular_file(status));
    if (fs::is_regular_file(status)) {
      const std::string relative = it->path().string().substr(gTarget.string().size() + 1);
      FUZZ_CHECK(Contains(relative, ".z70") || Contains(relative, ".sys"));
      if (LooksTemporary(it->path().filename().string())) FUZZ_CHECK(ArchiveHasEntry(relative));
    }
  }
  FUZZ_CHECK(!ec);

  // The module already there is intact or replaced by a complete, checked one.
  FUZZ_CHECK(fs::is_regular_file(fs::symlink_status(gKeep)));
  const std::string kept = ReadAll(gKeep);
  if (kept != kKeptContent) FUZZ_CHECK(ArchiveReplacesKeep(kept));
  (void)result;
  return 0;
}
