// The inventory walk on a real folder reached through a drive letter.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/win/scanner_device.h"
#include "testing/catalogue_builders.h"
#include "testing/test_files.h"

namespace {

using namespace zortest;

constexpr wchar_t kLetter = L'X';

ScannerRecord OnDrive(const wchar_t* drive) {
  ScannerRecord record;
  for (int i = 0; i < 3 && drive[i]; ++i) record.drive[i] = static_cast<char16_t>(drive[i]);
  return record;
}

ModuleCatalogue Catalogue() {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.modules, "DIAG01", {Release("DIAG01_1235"), Release("DIAG01_1234"), Release("XDIAG01_1234")});
  AddRecord(catalogue.modules, "DIAG02", {Release("DIAG02_0001")});
  AddRecord(catalogue.modules, "SUB", {Release("SUB_7")});
  AddRecord(catalogue.modules, "RU", {Release("\xC4\xC8\xC0\xC3_1")});   // "ДИАГ_1" in code page 1251
  AddRecord(catalogue.systemModules, "boot_manager",
            {Release("boot_manager", Version(2, 0, 8)), Release("boot_manager", Version(2, 0, 7)),
             Release("boot_manager", Version(2, 0, 0, 7))});
  AddRecord(catalogue.systemModules, "qm7upd", {Release("qm7upd")});
  AddRecord(catalogue.systemModules, "empty", {Release("empty")});
  AddRecord(catalogue.systemModules, "locked", {Release("locked")});
  AddRecord(catalogue.systemModules, "mixed", {Release("mixed", Version(1, 0, 0))});
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
  ASSERT_TRUE(WriteWholeFile(Module(L"boot_manager.sys"), SystemFile(2, 0, 7)));
  ASSERT_TRUE(WriteWholeFile(Module(L"qm7upd.sys"), SystemFile(0, 0, 0, 1)));   // too short
  ASSERT_TRUE(WriteWholeFile(Module(L"empty.sys"), ""));
  ASSERT_TRUE(WriteWholeFile(Module(L"locked.sys"), SystemFile(9, 9, 9)));
  ASSERT_TRUE(WriteWholeFile(Module(L"MIXED.sys"), SystemFile(1, 0, 0, 28)));   // opened as mixed.sys
  ASSERT_TRUE(CreateDirectoryW(Module(L"dir.sys").c_str(), nullptr));

  // Held without sharing by another program: cannot be opened, so skipped.
  HANDLE holder = CreateFileW(Module(L"locked.sys").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  ModuleCatalogue catalogue = Catalogue();
  const bool listed = ReadScannerInventory(OnDrive(L"X:"), catalogue);
  CloseHandle(holder);

  ASSERT_TRUE(listed);
  EXPECT_EQ(Marked(catalogue.modules), (std::vector<std::string>{"DIAG01/DIAG01_1234", "DIAG01/XDIAG01_1234",
                                                                 "SUB/SUB_7", "RU/\xC4\xC8\xC0\xC3_1"}));
  EXPECT_EQ(Marked(catalogue.systemModules),
            (std::vector<std::string>{"boot_manager/boot_manager", "boot_manager/boot_manager", "mixed/mixed"}));
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
