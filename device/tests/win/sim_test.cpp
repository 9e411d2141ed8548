// The simulated scanners end to end: a scanners file, a drive letter mapped
// onto a folder, discovery into the process-wide table, the inventory of the
// found scanner, and ejections with their log and failure message box.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "device/eject.h"
#include "device/win/eject_port.h"
#include "device/win/scanner_device.h"
#include "log/win/log.h"
#include "testing/log_causes.h"
#include "testing/test_files.h"

namespace {

using zortest::MappedDrive;
using zortest::TempDir;
using zortest::WriteWholeFile;

const std::string kPrefix = "USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\";

std::u16string Drive(const ScannerRecord& record) { return std::u16string(record.drive); }

class Simulation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.ok()) << "drive letter could not be mapped";
    SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", Scanners().c_str());
    SetEnvironmentVariableW(L"ZOR70_SIM_EJECT_LOG", Log().c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", nullptr);
    SetEnvironmentVariableW(L"ZOR70_SIM_EJECT_LOG", nullptr);
  }
  std::wstring Scanners() const { return files_.Child(L"scanners.txt"); }
  std::wstring Log() const { return files_.Child(L"eject.log"); }
  std::string LogText() const { return zortest::FileText(Log(), ""); }

  TempDir files_{L"sim"};
  TempDir disk_{L"simdisk"};
  MappedDrive drive_{L'S', disk_.path()};
  ScannerTable table_;
};

TEST_F(Simulation, DiscoveryAndInventoryThroughTheMappedDrive) {
  ASSERT_TRUE(WriteWholeFile(Scanners(), "# bench\r\n\r\n" + kPrefix + "150314001234&0 S:\r\n" +
                                             "USBSTOR\\DISK&VEN_KINGSTON&PROD_STICK\\77&0 T:\r\n" +
                                             kPrefix + "010115000007&0 s: veto\r\n" +   // same drive again
                                             kPrefix + "0101 U:\r\n"));
  ASSERT_TRUE(CreateDirectoryW(disk_.Child(L"Program Files").c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(disk_.Child(L"Program Files\\DIAG01_1234.z70"), "m"));

  table_.selected = 1;
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 3u);
  const ScannerRecord& first = table_.records[0];
  EXPECT_EQ(first.serialNumber, 1234u);
  EXPECT_EQ(first.productionDate.wDay, 15);
  EXPECT_EQ(first.productionDate.wMonth, 3);
  EXPECT_EQ(first.productionDate.wYear, 2014);
  EXPECT_EQ(Drive(first), u"S:");
  EXPECT_EQ(first.devInfo.cbSize, sizeof(SP_DEVINFO_DATA));
  EXPECT_EQ(table_.records[1].serialNumber, 7u);
  EXPECT_EQ(Drive(table_.records[1]), u"");
  EXPECT_EQ(table_.records[2].serialNumber, 0u);
  EXPECT_EQ(Drive(table_.records[2]), u"U:");
  EXPECT_EQ(table_.selected, 1);

  ModuleCatalogue catalogue;
  ModuleRecord module;
  module.name = "DIAG01";
  module.releases.resize(2);
  module.releases[0].archiveName = "DIAG01_1235";
  module.releases[1].archiveName = "DIAG01_1234";
  catalogue.modules.records.push_back(module);
  ASSERT_TRUE(ReadScannerInventory(first, catalogue));
  EXPECT_FALSE(catalogue.modules.records[0].releases[0].onScanner);
  EXPECT_TRUE(catalogue.modules.records[0].releases[1].onScanner);
}

TEST_F(Simulation, FileIsReadAtEveryDiscovery) {
  ASSERT_TRUE(DiscoverScanners(table_));   // no file yet: no scanner
  EXPECT_EQ(table_.count, 0u);

  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "150314001234&0 S:\n" + kPrefix + "020214000002&0 T:\n"));
  ASSERT_TRUE(DiscoverScanners(table_));
  EXPECT_EQ(table_.count, 2u);

  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "020214000002&0 T:\n"));
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 1u);
  EXPECT_EQ(table_.records[0].serialNumber, 2u);

  SetEnvironmentVariableW(L"ZOR70_SIM_SCANNERS", nullptr);
  ASSERT_TRUE(DiscoverScanners(table_));
  EXPECT_EQ(table_.count, 0u);
}

// A scanner whose disk a USB-storage policy keeps shut is skipped, and the
// log names it with the step and the error: otherwise it would only say
// that no scanner is there.
TEST_F(Simulation, ScannerSeenAndSkippedIsLogged) {
  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "150314001234&0 S: blocked\n" + kPrefix + "020214000002&0\n"));
  ForgetLastFailure();
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 1u);
  EXPECT_EQ(table_.records[0].serialNumber, 2u);
  EXPECT_TRUE(zortest::Logged(LastFailure(), zortest::Cause::kScannerSkipped));
  EXPECT_NE(LastFailure().find("\\150314001234&0 "), std::string::npos) << LastFailure();
}

TEST_F(Simulation, EjectionIsLogged) {
  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "150314001234&0 S:\n"));
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 1u);
  EXPECT_EQ(EjectScanner(table_.records[0]), kEjectDone);
  EXPECT_EQ(EjectScanner(table_.records[0]), kEjectDone);
  EXPECT_EQ(LogText(), "ejected 1234\nejected 1234\n");
}

TEST_F(Simulation, ScannerGoneBeforeEjectionFailsSilently) {
  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "150314001234&0 S: veto\n"));
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 1u);
  ASSERT_TRUE(WriteWholeFile(Scanners(), "# unplugged\n"));
  EXPECT_EQ(EjectScanner(table_.records[0]), kEjectFailed);   // a message box would hang here
  EXPECT_EQ(LogText(), "");
}

// Waits for the failure message box of the given thread, reads its text and
// closes it as a user pressing OK would.
std::wstring CloseMessageBox(DWORD threadId, std::atomic<bool>& stop) {
  const DWORD deadline = GetTickCount() + 20000;
  while (!stop && GetTickCount() < deadline) {
    HWND box = FindWindowW(L"#32770", L"Ошибка отключения от порта USB");
    if (box && GetWindowThreadProcessId(box, nullptr) == threadId) {
      wchar_t text[600] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 600);   // the message box's text control
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return text;
    }
    Sleep(50);
  }
  return L"(no message box)";
}

UINT boxFlags = 0;
int WINAPI RecordBoxFlags(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags) {
  boxFlags = flags;
  return MessageBoxW(owner, text, caption, flags);
}

TEST_F(Simulation, VetoedEjectionRetriesThenTellsTheUser) {
  ASSERT_TRUE(WriteWholeFile(Scanners(), kPrefix + "050312000042&0 S: veto\n"));
  ASSERT_TRUE(DiscoverScanners(table_));
  ASSERT_EQ(table_.count, 1u);

  // The box belongs to the thread that ejects: this one.
  const DWORD self = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::wstring seen;
  std::thread user([&] { seen = CloseMessageBox(self, done); });
  const MessageBoxCall saved = EjectMessageBox();
  EjectMessageBox() = RecordBoxFlags;
  boxFlags = 0;
  const int result = EjectScanner(table_.records[0]);
  EjectMessageBox() = saved;
  done = true;
  user.join();

  EXPECT_EQ(result, kEjectFailed);
  EXPECT_EQ(seen,
            L"Невозможно отключить тестер.\nСерийный номер: 42\nДата производства: 05.03.2012\n"
            L"Подключенный диск S: используется другим приложением!");
  EXPECT_EQ(LogText(), "vetoed 42\n");
  // Ownerless, it shows while the main window goes: in front, and above the rest.
  EXPECT_EQ(boxFlags, static_cast<UINT>(MB_OK | MB_SETFOREGROUND | MB_TOPMOST));
}

}  // namespace
