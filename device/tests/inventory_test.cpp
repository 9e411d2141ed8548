#include "device/inventory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "testing/catalogue_builders.h"

namespace {

using namespace zortest;
using Strings = std::vector<std::string>;

// A module directory in memory: name -> content; absent or locked names fail.
struct FakeDirectory {
  std::map<std::string, std::string> files;
  std::vector<std::string> opened;

  ReadModuleHeader Reader() {
    return [this](const std::string& name, unsigned char* buffer, std::size_t capacity, std::size_t& got) {
      opened.push_back(name);
      const auto it = files.find(name);
      if (it == files.end()) return false;
      got = std::min(capacity, it->second.size());
      std::copy(it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(got), buffer);
      return true;
    };
  }
};

ModuleCatalogue SystemCatalogue() {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.systemModules, "boot_manager",
            {Release("boot_manager", Version(2, 1, 0)), Release("boot_manager", Version(2, 0, 8)),
             Release("boot_manager", Version(2, 0, 7)), Release("boot_manager", Version(2, 0, 6)),
             Release("boot_manager", Version(1, 9, 9))});
  return catalogue;
}

TEST(MarkOnScanner, ModuleNameAsSubstringOfEveryRelease) {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.modules, "DIAG01", {Release("DIAG01_1234"), Release("DIAG01_12345"), Release("Diag01_1234")});
  AddRecord(catalogue.modules, "XDIAG01", {Release("XDIAG01_1234"), Release("DIAG01_1233")});
  EXPECT_TRUE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "DIAG01_1234.z70"));
  EXPECT_EQ(Marked(catalogue.modules), (Strings{"DIAG01/DIAG01_1234", "DIAG01/Diag01_1234", "XDIAG01/XDIAG01_1234"}));
  EXPECT_FALSE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "OTHER.z70"));
}

TEST(MarkOnScanner, SuffixFollowsTheList) {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.modules, "M", {Release("qm7upd_3")});
  AddRecord(catalogue.systemModules, "qm7upd", {Release("qm7upd_3")});
  EXPECT_FALSE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "qm7upd_3.sys"));
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, nullptr, catalogue, "QM7UPD_3.sys"));
  EXPECT_TRUE(Marked(catalogue.modules).empty());
  EXPECT_TRUE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "qm7upd_3.z70"));
}

TEST(MarkOnScanner, FoldsOnlyLatinLetters) {
  ModuleCatalogue catalogue;
  // 0xC4/0xE4 are upper/lower case De in code page 1251: never folded.
  AddRecord(catalogue.modules, "ru", {Release("\xC4IAG")});
  EXPECT_FALSE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "\xE4IAG.z70"));
  EXPECT_TRUE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "\xC4iag.Z70"));
}

TEST(MarkOnScanner, ArchiveNamesOfAnyLength) {
  ModuleCatalogue catalogue;
  const std::string longName = std::string(300, 'a') + "_tail";
  AddRecord(catalogue.modules, "long", {Release(longName), Release(std::string(256, 'b'))});
  EXPECT_TRUE(MarkOnScanner(catalogue.modules, nullptr, catalogue, "A_TAIL.z70"));
  EXPECT_TRUE(MarkOnScanner(catalogue.modules, nullptr, catalogue, std::string(256, 'b') + ".z70"));
  EXPECT_EQ(Marked(catalogue.modules).size(), 2u);
}

TEST(MarkOnScanner, ThreePartHeaderMarksThatReleaseAndOlder) {
  ModuleCatalogue catalogue = SystemCatalogue();
  const SystemHeader header{2, 0, 7};
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, &header, catalogue, "boot_manager.sys"));
  const auto& releases = catalogue.systemModules.records[0].releases;
  EXPECT_FALSE(releases[0].onScanner);   // 2.1.0
  EXPECT_FALSE(releases[1].onScanner);   // 2.0.8
  EXPECT_TRUE(releases[2].onScanner);    // 2.0.7
  EXPECT_TRUE(releases[3].onScanner);    // 2.0.6
  EXPECT_TRUE(releases[4].onScanner);    // 1.9.9
}

TEST(MarkOnScanner, HeaderWordsCompareUnsigned) {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.systemModules, "qm7upd",
      {Release("qm7upd", Version(0x80000000u, 0, 0)), Release("qm7upd", Version(1, 0xFFFFFFFFu, 0)),
       Release("qm7upd", ModuleVersion{})});
  const SystemHeader header{0x80000000u, 0, 0};
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, &header, catalogue, "qm7upd.sys"));
  EXPECT_EQ(Marked(catalogue.systemModules).size(), 3u);
  catalogue.systemModules.records[0].releases[0].onScanner = false;
  const SystemHeader older{1, 0, 0};
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, &older, catalogue, "qm7upd.sys"));
  EXPECT_FALSE(catalogue.systemModules.records[0].releases[0].onScanner);
}

TEST(MarkOnScanner, FourPartNeedsTheExactBuild) {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.systemModules, "boot_manager",
            {Release("boot_manager", Version(2, 0, 7, 1)), Release("boot_manager", Version(2, 0, 0, 7)),
       Release("boot_manager", Version(1, 9, 0, 9)), Release("boot_manager", Version(1, 9, 9))});
  const SystemHeader header{2, 0, 7};
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, &header, catalogue, "boot_manager.sys"));
  EXPECT_EQ(Marked(catalogue.systemModules), (Strings{"boot_manager/boot_manager", "boot_manager/boot_manager"}));
  const auto& releases = catalogue.systemModules.records[0].releases;
  EXPECT_TRUE(releases[1].onScanner);
  EXPECT_TRUE(releases[3].onScanner);
  const SystemHeader packed{2, 0, 7 << 8 | 1};
  EXPECT_TRUE(MarkOnScanner(catalogue.systemModules, &packed, catalogue, "boot_manager.sys"));
  EXPECT_TRUE(releases[0].onScanner);
}

TEST(DecodeSystemHeader, LittleEndianWordsAndShortFiles) {
  SystemHeader header;
  const std::string file = SystemFile(0x04030201u, 2, 0xA0B0C0D0u);
  const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
  ASSERT_TRUE(DecodeSystemHeader(bytes, file.size(), header));
  EXPECT_EQ(header.ver1, 0x04030201u);
  EXPECT_EQ(header.ver2, 2u);
  EXPECT_EQ(header.ver3, 0xA0B0C0D0u);
  EXPECT_TRUE(DecodeSystemHeader(bytes, 28, header));
  EXPECT_FALSE(DecodeSystemHeader(bytes, 27, header));
  EXPECT_FALSE(DecodeSystemHeader(bytes, 0, header));
}

TEST(TakeInventoryEntry, ModuleFilesByNameOnly) {
  ModuleCatalogue catalogue;
  AddRecord(catalogue.modules, "DIAG01", {Release("DIAG01_1234")});
  AddRecord(catalogue.modules, "DIAG02", {Release("DIAG02_1")});
  // The system list appends ".sys": only an archive name that itself holds the
  // file name with ".z70" matches there.
  AddRecord(catalogue.systemModules, "boot", {Release("boot_manager_z"), Release("qm7upd.z70")});
  FakeDirectory dir;
  for (const char* name : {".", "..", "DIAG02_1.Z70", "notes.txt", "DIAG01_1234.z70", "boot_manager_z.z70",
                           "qm7upd.z70"})
    TakeInventoryEntry(catalogue, name, dir.Reader());
  EXPECT_EQ(Marked(catalogue.modules), Strings{"DIAG01/DIAG01_1234"});
  // Only a name that marks nothing among the modules tries the system list.
  EXPECT_EQ(Marked(catalogue.systemModules), Strings{"boot/qm7upd.z70"});
  EXPECT_TRUE(dir.opened.empty());
}

TEST(TakeInventoryEntry, SystemFilesByHeader) {
  ModuleCatalogue catalogue = SystemCatalogue();
  FakeDirectory dir;
  dir.files["boot_manager.sys"] = SystemFile(2, 0, 7);
  TakeInventoryEntry(catalogue, "BOOT_Manager.sys", dir.Reader());
  EXPECT_EQ(dir.opened, Strings{"boot_manager.sys"});   // opened by its lower-case name
  EXPECT_EQ(Marked(catalogue.systemModules).size(), 3u);
}

TEST(TakeInventoryEntry, UnreadableOrShortSystemFilesAreNotPresent) {
  for (std::size_t size : {0u, 1u, 16u, 27u}) {
    ModuleCatalogue catalogue = SystemCatalogue();
    // Whatever words a short read would leave, this release would count as held.
    catalogue.systemModules.records[0].releases.push_back(Release("boot_manager"));
    FakeDirectory dir;
    dir.files["boot_manager.sys"] = SystemFile(9, 9, 9, size);
    TakeInventoryEntry(catalogue, "boot_manager.sys", dir.Reader());
    EXPECT_TRUE(Marked(catalogue.systemModules).empty()) << size;
  }
  ModuleCatalogue catalogue = SystemCatalogue();
  FakeDirectory dir;
  dir.files["boot_manager.sys"] = SystemFile(9, 0, 0, 28);   // just long enough
  TakeInventoryEntry(catalogue, "boot_manager.sys", dir.Reader());
  EXPECT_EQ(Marked(catalogue.systemModules).size(), 5u);

  ModuleCatalogue locked = SystemCatalogue();
  FakeDirectory none;   // open fails, as for a file held without sharing
  TakeInventoryEntry(locked, "boot_manager.sys", none.Reader());
  EXPECT_TRUE(Marked(locked.systemModules).empty());
  EXPECT_EQ(none.opened.size(), 1u);
}

}  // namespace
