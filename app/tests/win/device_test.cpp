// Device changes, scanner buttons and the connection dialog after start-up,
// and a close while the worker is still refreshing.
#include <windows.h>

#include <dbt.h>

#include "app/tests/win/app_fixture.h"

namespace apptest {
namespace {

class DeviceTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetPage(CataloguePage({PageLine("DIAG_A")}));
  }
};

TEST_F(DeviceTest, RemovalHidesTheWindowUntilTheScannerArrivesAgain) {
  ASSERT_TRUE(StartAppAndWait());
  SetScanners({});
  DeviceChange(DBT_DEVICEREMOVECOMPLETE);
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() != nullptr && !IsWindowVisible(Main()); }));
  HWND dialog = ConnectionDialog();
  EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(dialog, IDC_WAIT_LABEL)) == L"Подключение к ЗОР-70 через порт USB..."; }));
  EXPECT_TRUE(WaitFor([&] { return StatusText(0) == L"Оффлайн" && Rows() == 0; }));
  EXPECT_EQ(ScannerButtons(), 0);

  // A second broadcast while the dialog is open opens no second one.
  SetScanners({ScannerLine(kSerialA, 'R')});
  DeviceChange(DBT_DEVICEARRIVAL);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(Main()) && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(MarkedScanner(), 0);
  EXPECT_TRUE(DownloadEnabled());
}

TEST_F(DeviceTest, CancelAfterARemovalClosesWithoutTheEjectQuestion) {
  ASSERT_TRUE(StartAppAndWait());
  SetScanners({});
  DeviceChange(DBT_DEVICEREMOVECOMPLETE);
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() != nullptr && ScannerButtons() == 0; }));
  PostMessageW(ConnectionDialog(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitForAppEnd());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(EjectLog(), "");
}

TEST_F(DeviceTest, ArrivalOfAnyVolumeRefreshesAndKeepsTheSelectedScanner) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  PutOnScanner(L'S', L"DIAG_A.z70", "held");
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Cell(0, 1).empty(), false);  // scanner 0 lacks DIAG_A

  Command(IDC_SCANNER_BUTTON_FIRST + 1);  // select the second scanner
  ASSERT_TRUE(WaitFor([&] { return MarkedScanner() == 1 && Cell(0, 1).empty(); }));
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_FALSE(DownloadEnabled());

  const int pages = PageRequests();
  DeviceChange(DBT_DEVICEARRIVAL);  // the marked scanner stays
  ASSERT_TRUE(WaitFor([&] { return PageRequests() == pages + 1 && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(MarkedScanner(), 1);
  EXPECT_TRUE(Cell(0, 1).empty());

  // The selected scanner goes: the first one is selected again.
  SetScanners({ScannerLine(kSerialA, 'R')});
  DeviceChange(DBT_DEVICEREMOVECOMPLETE);
  ASSERT_TRUE(WaitFor([&] { return PageRequests() == pages + 2 && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(ScannerButtons(), 1);
  EXPECT_EQ(MarkedScanner(), 0);
  EXPECT_FALSE(Cell(0, 1).empty());
  EXPECT_TRUE(DownloadEnabled());
}

// A device-change refresh that stops before its panel rebuild (the window
// took its first status text too late) leaves the selection on the marked
// scanner: the next install goes there.
TEST_F(DeviceTest, RefreshStoppedEarlyKeepsTheInstallOnTheMarkedScanner) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  ServePackage("DIAG_A", StoredZip({{"DIAG_A.z70", "new"}}));
  ASSERT_TRUE(StartAppAndWait());
  Command(IDC_SCANNER_BUTTON_FIRST + 1);
  ASSERT_TRUE(WaitFor([&] { return MarkedScanner() == 1 && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());

  AtStep(L"Обнаружение сканера", [] { Sleep(1500); });  // three times the worker's wait
  DeviceChange(DBT_DEVICEARRIVAL);
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() != nullptr; }));
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() == nullptr; }));  // the refresh has ended
  EXPECT_EQ(MarkedScanner(), 1);

  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes().back().text, L"Загрузка произведена успешно.");
  EXPECT_TRUE(zortest::FileExists(ScannerFile(L'S', L"DIAG_A.z70")));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'R', L"DIAG_A.z70")));
}

TEST_F(DeviceTest, OtherDeviceEventsAreIgnored) {
  ASSERT_TRUE(StartAppAndWait());
  const int pages = PageRequests();
  DeviceChange(DBT_DEVNODES_CHANGED);
  DeviceChange(DBT_DEVICEQUERYREMOVE);
  ASSERT_TRUE(Settle());
  Sleep(300);
  EXPECT_EQ(ConnectionDialog(), nullptr);
  EXPECT_EQ(PageRequests(), pages);
}

TEST_F(DeviceTest, ScannerButtonOpensAModelessConnectionDialog) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  HoldPage(false);
  ASSERT_TRUE(StartAppAndWait());
  HoldPage(true);
  Command(IDC_SCANNER_BUTTON_FIRST + 1);
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() != nullptr; }));
  HWND dialog = ConnectionDialog();
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), Main());
  EXPECT_TRUE(IsWindowEnabled(Main()));  // modeless
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(WaitFor([&] { return MarkedScanner() == 1; }));  // once the panel is rebuilt
  // Its Cancel just closes it; the refresh goes on.
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  HoldPage(false);
  ASSERT_TRUE(WaitForIdle());
  EXPECT_TRUE(AppRunning());
  EXPECT_EQ(MarkedScanner(), 1);
  // A later click opens a fresh dialog, which the refresh's end closes.
  Command(IDC_SCANNER_BUTTON_FIRST);
  ASSERT_TRUE(WaitFor([&] { return MarkedScanner() == 0 && ConnectionDialog() == nullptr; }));
}

// The worker fills the list view with plain sends. A close while it
// refreshes must not leave the window waiting for the worker while the
// worker waits for the window.
TEST_F(DeviceTest, CloseDuringARefreshEndsPromptly) {
  ASSERT_TRUE(StartAppAndWait());
  HoldPage(true);
  const int pages = PageRequests();
  Command(IDC_SCANNER_BUTTON_FIRST);
  ASSERT_TRUE(WaitFor([&] { return PageRequests() == pages + 1; }));
  FailPage();  // the refresh then empties the list view: a plain send
  AnswerBoxes({IDNO});
  Post(WM_CLOSE);
  ASSERT_TRUE(WaitForBoxes(1));
  HoldPage(false);
  EXPECT_TRUE(WaitForAppEnd(10000));
}

}  // namespace
}  // namespace apptest
