// The inventory walk on a real folder reached through a drive letter.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/win/scanner_device.h"
#include "testing/test_files.h"

namespace {

using zortest::MappedDrive;
using zortest::TempDir;
using zortest::WriteWholeFile;

constexpr wchar_t kLetter = L'X';

std::string SysFile(std::uint32_t v1, std::uint32_t v2, std::uint32_t v3, std::size_t size = 64) {
  std::string bytes(size, '\x5A');
  const std::uint32_t words[3] = {v1, v2, v3};
  for (int w = 0; w < 3; ++w)
    for (int b = 0; b < 4; ++b)
      if (16u + 4 * w + b < size) bytes[16 + 4 * w + b] = static_cast<char>(words[w] >> (8 * b));
  return bytes;
}

ModuleRelease Release(std::string archive, std::uint32_t form = ThreePart, std::uint32_t v1 = 0,
                      std::uint32_t v2 = 0, std::uint32_t v3 = 0) {
  ModuleRelease release;
  release.archiveName = std::move(archive);
  release.version = ModuleVersion{form, v1, v2, v3};
  return release;
}

void Add(ModuleList& list, std::string name, std::vector<ModuleRelease> releases) {
  ModuleRecord record;
  record.name = std::move(name);
  record.releases = std::move(releases);
  list.records.push_back(std::move(record));
}

std::vector<std::string> Marked(const ModuleList& list) {
  std::vector<std::string> marked;
  for (const ModuleRecord& record : list.records)
    for (const ModuleRelease& release : record.releases)
      if (release.onScanner) marked.push_back(release.archiveName);
  return marked;
}

ScannerRecord OnDrive(const wchar_t* drive) {
  ScannerRecord record;
  for (int i = 0; i < 3 && drive[i]; ++i) record.drive[i] = static_cast<char16_t>(drive[i]);
  return record;
}

ModuleCatalogue Catalogue() {
  ModuleCatalogue catalogue;
  Add(catalogue.modules, "DIAG01", {Release("DIAG01_1235"), Release("DIAG01_1234"), Release("XDIAG01_1234")});
  Add(catalogue.modules, "DIAG02", {Release("DIAG02_0001")});
  Add(catalogue.modules, "SUB", {Release("SUB_7")});
  Add(catalogue.modules, "RU", {Release("\xC4\xC8\xC0\xC3_1")});   // "ДИАГ_1" in code page 1251
  Add(catalogue.systemModules, "boot_manager",
      {Release("boot_manager", ThreePart, 2, 0, 8), Release("boot_manager", ThreePart, 2, 0, 7),
       Release("boot_manager", FourPart, 2, 0, 7)});
  Add(catalogue.systemModules, "qm7upd", {Release("qm7upd", ThreePart, 0, 0, 0)});
  Add(catalogue.systemModules, "empty", {Release("empty", ThreePart, 0, 0, 0)});
  Add(catalogue.systemModules, "locked", {Release("locked", ThreePart, 0, 0, 0)});
  Add(catalogue.systemModules, "mixed", {Release("mixed", ThreePart, 1, 0, 0)});
  return catalogue;
}

class InventoryOnDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.ok()) << "drive letter could not be mapped";
  }
  std::wstring Modules() const { return dir_.Child(L"Program Files"); }
  std::wstring Module(const std::wstring& name) const { return Modules() + L"\\" + name; }

  TempDir dir_{L"inventory"};
  MappedDrive drive_{kLetter, dir_.path()};
};

TEST_F(InventoryOnDrive, MarksWhatTheScannerHolds) {
  ASSERT_TRUE(CreateDirectoryW(Modules().c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(Module(L"DIAG01_1234.z70"), "module"));
  ASSERT_TRUE(WriteWholeFile(Module(L"DIAG02_0001.Z70"), "upper-case extension"));
  ASSERT_TRUE(CreateDirectoryW(Module(L"SUB_7.z70").c_str(), nullptr));   // a folder counts by name
  ASSERT_TRUE(WriteWholeFile(Module(L"ДИАГ_1.z70"), "named in Cyrillic")) << GetLastError();
  ASSERT_TRUE(WriteWholeFile(Module(L"boot_manager.sys"), SysFile(2, 0, 7)));
  ASSERT_TRUE(WriteWholeFile(Module(L"qm7upd.sys"), SysFile(0, 0, 0, 1)));   // too short
  ASSERT_TRUE(WriteWholeFile(Module(L"empty.sys"), ""));
  ASSERT_TRUE(WriteWholeFile(Module(L"locked.sys"), SysFile(9, 9, 9)));
  ASSERT_TRUE(WriteWholeFile(Module(L"MIXED.sys"), SysFile(1, 0, 0, 28)));   // opened as mixed.sys
  ASSERT_TRUE(CreateDirectoryW(Module(L"dir.sys").c_str(), nullptr));

  // Held without sharing by another program: cannot be opened, so skipped.
  HANDLE holder = CreateFileW(Module(L"locked.sys").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  ModuleCatalogue catalogue = Catalogue();
  const bool listed = ReadScannerInventory(OnDrive(L"X:"), catalogue);
  CloseHandle(holder);

  ASSERT_TRUE(listed);
  EXPECT_EQ(Marked(catalogue.modules),
            (std::vector<std::string>{"DIAG01_1234", "XDIAG01_1234", "SUB_7", "\xC4\xC8\xC0\xC3_1"}));
  EXPECT_EQ(Marked(catalogue.systemModules), (std::vector<std::string>{"boot_manager", "boot_manager", "mixed"}));
  EXPECT_FALSE(catalogue.systemModules.records[0].releases[0].onScanner);   // 2.0.8 is newer
}

TEST_F(InventoryOnDrive, MissingDirectoryIsCreatedAndEmpty) {
  ModuleCatalogue catalogue = Catalogue();
  EXPECT_TRUE(ReadScannerInventory(OnDrive(L"X:"), catalogue));
  EXPECT_TRUE(Marked(catalogue.modules).empty());
  EXPECT_TRUE(Marked(catalogue.systemModules).empty());
  const DWORD attributes = GetFileAttributesW(Modules().c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(InventoryOnDrive, UnlistableDirectoryMarksNothing) {
  // "Program Files" as a plain file: it can be neither created nor listed.
  ASSERT_TRUE(WriteWholeFile(Modules(), "DIAG01_1234.z70"));
  ModuleCatalogue catalogue = Catalogue();
  EXPECT_FALSE(ReadScannerInventory(OnDrive(L"X:"), catalogue));
  EXPECT_TRUE(Marked(catalogue.modules).empty());
}

TEST(Inventory, UnmappedDriveMarksNothing) {
  ModuleCatalogue catalogue = Catalogue();
  EXPECT_FALSE(ReadScannerInventory(OnDrive(L"Q:"), catalogue));
  EXPECT_TRUE(Marked(catalogue.modules).empty());
}

// A scanner without a drive must not be read from "\Program Files" of the
// current drive, which belongs to some other disk.
TEST_F(InventoryOnDrive, ScannerWithoutDriveReadsNoOtherDisk) {
  ASSERT_TRUE(CreateDirectoryW(Modules().c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(Module(L"DIAG01_1234.z70"), "module"));
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(L"X:\\"));
  ModuleCatalogue catalogue = Catalogue();
  const bool listed = ReadScannerInventory(OnDrive(L""), catalogue);
  SetCurrentDirectoryW(previous);
  EXPECT_FALSE(listed);
  EXPECT_TRUE(Marked(catalogue.modules).empty());
}

}  // namespace
